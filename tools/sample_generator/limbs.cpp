// Arms with mitten hands, legs with knee socks and shoes.
#include <cmath>

#include "tools/sample_generator/body.h"
#include "tools/sample_generator/skinning.h"

namespace brivonel::samples {
namespace {

Vec3 BonePosition(const Figure& figure, std::u16string_view name) {
  return figure.bones[static_cast<std::size_t>(figure.FindBone(name))].position;
}

SurfaceRange AddTube(MeshBuilder& mesh, int material, const Tube& tube, int columns, int rows,
                     const UvFunction& uv, const Skinner& skinner) {
  SurfaceRecipe recipe;
  recipe.position = [tube](float u, float v) { return tube.Position(u, v); };
  recipe.uv = uv;
  recipe.columns = columns;
  recipe.rows = rows;
  return mesh.AddSurface(material, recipe, skinner);
}

void AddArm(const Figure& figure, MeshBuilder& mesh, bool left) {
  const std::u16string side = left ? u"左" : u"右";
  const float s = left ? 1.0f : -1.0f;
  const Vec3 shoulder = BonePosition(figure, side + u"腕");
  const Vec3 elbow = BonePosition(figure, side + u"ひじ");
  const Vec3 wrist = BonePosition(figure, side + u"手首");
  const Vec3 along = Normalize(wrist - elbow);

  Tube arm;
  arm.spine = {shoulder + Vec3{-s * 0.3f, 0.12f, 0.0f}, shoulder, elbow, wrist, wrist + along * 0.2f};
  arm.radii = [](float v) {
    const float r = SmoothProfile({0.42f, 0.4f, 0.37f, 0.33f, 0.32f, 0.29f, 0.25f}, v);
    return Vec2{r, r} * (RoundEnd(v, 0.05f) * RoundEnd(1.0f - v, 0.04f));
  };
  AddTube(mesh, kSkin, arm, 20, 40, [](float, float) { return Vec2{}; },
          DistanceSkinner({SegmentOf(figure, u"上半身2", 1.2f), SegmentOf(figure, side + u"肩", 0.35f),
                           SegmentOf(figure, side + u"腕", 0.4f),
                           SegmentOf(figure, side + u"ひじ", 0.33f),
                           SegmentOf(figure, side + u"手首", 0.25f)},
                          6.0f));

  // A flat mitten whose palm faces the thigh, and a thumb pointing forwards.
  const Skinner hand = RigidSkinner(figure.FindBone(side + u"手首"));
  const Vec3 across = Normalize(Cross(along, Vec3{0.0f, 0.0f, 1.0f}));
  const Vec3 forward{0.0f, 0.0f, -1.0f};
  SurfaceRecipe palm;
  palm.position = Ellipsoid(wrist + along * 0.62f, along * 0.62f, forward * 0.34f, across * 0.17f);
  palm.uv = [](float, float) { return Vec2{}; };
  palm.columns = 16;
  palm.rows = 12;
  mesh.AddSurface(kSkin, palm, hand);

  const Vec3 thumbAxis = Normalize(along + forward * 0.9f);
  SurfaceRecipe thumb;
  thumb.position = Ellipsoid(wrist + along * 0.38f + forward * 0.3f, thumbAxis * 0.3f,
                             across * 0.11f, Normalize(Cross(thumbAxis, across)) * 0.12f);
  thumb.uv = palm.uv;
  thumb.columns = 12;
  thumb.rows = 8;
  mesh.AddSurface(kSkin, thumb, hand);
}

void AddLeg(const Figure& figure, MeshBuilder& mesh, bool left) {
  const std::u16string side = left ? u"左" : u"右";
  const Vec3 hip = BonePosition(figure, side + u"足");
  const Vec3 knee = BonePosition(figure, side + u"ひざ");
  const Vec3 ankle = BonePosition(figure, side + u"足首");

  Tube leg;
  leg.spine = {hip + Vec3{0.0f, 0.75f, 0.0f}, hip, knee, ankle, ankle + Vec3{0.0f, -0.35f, 0.0f}};
  const auto legRadius = [](float v) {
    return SmoothProfile({0.72f, 0.74f, 0.66f, 0.55f, 0.5f, 0.55f, 0.5f, 0.4f, 0.33f, 0.3f}, v);
  };
  leg.radii = [legRadius](float v) {
    const float r = legRadius(v) * RoundEnd(v, 0.04f) * RoundEnd(1.0f - v, 0.03f);
    return Vec2{r, r * 0.96f};
  };
  const Skinner legSkinner =
      DistanceSkinner({SegmentOf(figure, u"下半身", 0.9f), SegmentOf(figure, side + u"足", 0.65f),
                       SegmentOf(figure, side + u"ひざ", 0.5f),
                       SegmentOf(figure, side + u"足首", 0.35f)},
                      6.0f);
  AddTube(mesh, kSkin, leg, 20, 44, [](float, float) { return Vec2{}; }, legSkinner);

  // Knee socks: the same leg a little thicker from just below the knee down.
  constexpr float kSockTop = 0.5f;
  SurfaceRecipe sockRecipe;
  sockRecipe.position = [leg, legRadius](float u, float v) {
    const float along = kSockTop + (1.0f - kSockTop) * v;
    const float r = legRadius(along) * 1.06f + 0.01f;
    return leg.Ring(u, along, {r, r * 0.96f});
  };
  sockRecipe.uv = [](float u, float v) { return Vec2{u, 0.5f * v}; };
  sockRecipe.columns = 20;
  sockRecipe.rows = 24;
  mesh.AddSurface(kShoes, sockRecipe, legSkinner);

  // A rounded shoe along the foot, flat underneath.
  Tube shoe;
  const Vec3 heel = ankle + Vec3{0.0f, -0.55f, 0.5f};
  shoe.spine = {heel, heel + Vec3{0.0f, -0.05f, -1.0f}, heel + Vec3{0.0f, -0.12f, -2.15f}};
  shoe.depth = {0.0f, 1.0f, 0.0f};
  shoe.radii = [](float v) {
    const float round = RoundEnd(v, 0.22f) * RoundEnd(1.0f - v, 0.3f);
    return Vec2{SmoothProfile({0.46f, 0.5f, 0.52f, 0.5f}, v) * round,
                SmoothProfile({0.62f, 0.56f, 0.45f, 0.36f}, v) * round};
  };
  SurfaceRecipe shoeRecipe;
  shoeRecipe.position = [shoe](float u, float v) {
    Vec3 p = shoe.Position(u, v);
    p.y = std::max(p.y, 0.02f + 0.12f * (p.y - 0.02f));  // the sole squashes flat
    return p;
  };
  shoeRecipe.uv = [](float u, float v) { return Vec2{u, 0.5f + 0.5f * v}; };
  shoeRecipe.columns = 20;
  shoeRecipe.rows = 24;
  mesh.AddSurface(kShoes, shoeRecipe, RigidSkinner(figure.FindBone(side + u"足首")));
}

}  // namespace

void AddLimbs(const Figure& figure, MeshBuilder& mesh) {
  AddArm(figure, mesh, true);
  AddArm(figure, mesh, false);
  AddLeg(figure, mesh, true);
  AddLeg(figure, mesh, false);
}

}  // namespace brivonel::samples
