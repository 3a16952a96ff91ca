// Neck, the dress's bodice and skirt, the puffed sleeves and the hips under
// the skirt.
#include <array>
#include <cmath>

#include "tools/sample_generator/body.h"
#include "tools/sample_generator/skinning.h"
#include "tools/sample_generator/swaying_parts.h"

namespace brivonel::samples {
namespace {

constexpr float kBodyRadius = 1.2f;  // distances to the trunk bones count from about its surface

Skinner TrunkSkinner(const Figure& figure) {
  return DistanceSkinner({SegmentOf(figure, u"下半身", kBodyRadius),
                          SegmentOf(figure, u"上半身", kBodyRadius),
                          SegmentOf(figure, u"上半身2", kBodyRadius),
                          SegmentOf(figure, u"首", 0.4f), SegmentOf(figure, u"左肩", 0.3f),
                          SegmentOf(figure, u"右肩", 0.3f)},
                         5.0f);
}

// The skirt hangs from the waist and lower body at its top and from its
// chains further down: each vertex shares between the two chains it lies
// between, and along them as the chains' bones share it. The legs have no
// share: their rigid bodies push the chains' bodies aside instead.
GridSkinner SkirtSkinner(const Figure& figure) {
  const int waist = figure.FindBone(u"腰"), lower = figure.FindBone(u"下半身");
  std::vector<std::array<int, swaying::kSkirtBones>> chains(swaying::kSkirtChains);
  for (int c = 0; c < swaying::kSkirtChains; ++c)
    for (int k = 0; k < swaying::kSkirtBones; ++k)
      chains[static_cast<std::size_t>(c)][static_cast<std::size_t>(k)] =
          figure.FindBone(swaying::SkirtBoneName(c, k));
  return [=](float u, float v) {
    const std::vector<float> along = ChainShares(swaying::kSkirtBoneAt, v);
    // Chain c hangs at around = c; the last and the first meet across u = 0.
    const float around = u * swaying::kSkirtChains - 0.5f;
    const int step = static_cast<int>(std::floor(around));
    const int before = (step + swaying::kSkirtChains) % swaying::kSkirtChains;
    const int after = (before + 1) % swaying::kSkirtChains;
    const float toAfter = around - static_cast<float>(step);
    std::vector<std::pair<int, float>> weights{{waist, 0.25f * along[0]}, {lower, 0.75f * along[0]}};
    for (int k = 0; k < swaying::kSkirtBones; ++k) {
      const float share = along[static_cast<std::size_t>(k) + 1];
      weights.emplace_back(chains[static_cast<std::size_t>(before)][static_cast<std::size_t>(k)],
                           share * (1.0f - toAfter));
      weights.emplace_back(chains[static_cast<std::size_t>(after)][static_cast<std::size_t>(k)],
                           share * toAfter);
    }
    return MakeWeights(std::move(weights));
  };
}

void AddNeck(const Figure& figure, MeshBuilder& mesh) {
  Tube neck;
  neck.spine = {{0.0f, 13.4f, 0.12f}, {0.0f, 14.4f, 0.1f}, {0.0f, 15.5f, 0.1f}};
  neck.radii = [](float v) {
    const float r = 0.46f - 0.06f * v;
    return Vec2{r, r * 0.95f};
  };
  SurfaceRecipe recipe;
  recipe.position = [neck](float u, float v) { return neck.Position(u, v); };
  recipe.uv = [](float, float) { return Vec2{}; };
  recipe.columns = 20;
  recipe.rows = 8;
  mesh.AddSurface(kSkin, recipe,
                  DistanceSkinner({SegmentOf(figure, u"上半身2", 0.4f),
                                   SegmentOf(figure, u"首", 0.4f), SegmentOf(figure, u"頭", 0.4f)},
                                  6.0f));
}

void AddBodice(const Figure& figure, MeshBuilder& mesh) {
  Tube trunk;
  trunk.spine = {{0.0f, 9.5f, 0.05f}, {0.0f, 11.8f, 0.05f}, {0.0f, 14.2f, 0.08f}};
  trunk.radii = [](float v) {
    const float rx = SmoothProfile({1.42f, 1.34f, 1.3f, 1.42f, 1.56f, 1.64f, 1.66f, 1.42f, 0.5f}, v);
    const float rz = SmoothProfile({1.0f, 0.95f, 0.92f, 0.98f, 1.06f, 1.08f, 1.0f, 0.82f, 0.44f}, v);
    return Vec2{rx, rz};
  };
  SurfaceRecipe recipe;
  recipe.position = [trunk](float u, float v) { return trunk.Position(u, v); };
  recipe.uv = [](float u, float v) { return Vec2{u, 0.5f * (1.0f - v)}; };
  recipe.columns = 40;
  recipe.rows = 30;
  mesh.AddSurface(kCloth, recipe, TrunkSkinner(figure));
}

void AddSkirt(const Figure& figure, MeshBuilder& mesh) {
  const Tube skirt = swaying::Skirt();
  SurfaceRecipe recipe;
  recipe.position = [skirt](float u, float v) { return swaying::PleatedSkirt(skirt, u, v); };
  recipe.uv = [](float u, float v) { return Vec2{u * 3.0f, 0.5f + 0.5f * v}; };
  recipe.columns = 72;
  recipe.rows = 16;
  mesh.AddSurface(kCloth, recipe, SkirtSkinner(figure));
}

void AddHips(const Figure& figure, MeshBuilder& mesh) {
  Tube hips;
  hips.spine = {{0.0f, 10.4f, 0.05f}, {0.0f, 8.5f, 0.05f}};
  hips.radii = [](float v) {
    const float round = RoundEnd(1.0f - v, 0.4f);
    return Vec2{1.32f * round, 0.95f * round};
  };
  SurfaceRecipe recipe;
  recipe.position = [hips](float u, float v) { return hips.Position(u, v); };
  recipe.uv = [](float u, float v) { return Vec2{u, 0.98f - 0.02f * v}; };
  recipe.columns = 32;
  recipe.rows = 12;
  mesh.AddSurface(kCloth, recipe,
                  DistanceSkinner({SegmentOf(figure, u"下半身", 0.9f),
                                   SegmentOf(figure, u"左足", 0.6f),
                                   SegmentOf(figure, u"右足", 0.6f)},
                                  5.0f));
}

void AddSleeve(const Figure& figure, MeshBuilder& mesh, bool left) {
  const std::u16string side = left ? u"左" : u"右";
  const Vec3 shoulder = figure.bones[static_cast<std::size_t>(figure.FindBone(side + u"腕"))].position;
  const Vec3 elbow = figure.bones[static_cast<std::size_t>(figure.FindBone(side + u"ひじ"))].position;
  const Vec3 inward{left ? -0.35f : 0.35f, 0.25f, 0.0f};
  Tube sleeve;
  sleeve.spine = {shoulder + inward, Lerp(shoulder, elbow, 0.38f)};
  sleeve.radii = [](float v) {
    const float r = SmoothProfile({0.5f, 0.66f, 0.7f, 0.62f, 0.48f}, v);
    return Vec2{r, r};
  };
  SurfaceRecipe recipe;
  recipe.position = [sleeve](float u, float v) { return sleeve.Position(u, v); };
  recipe.uv = [](float u, float v) { return Vec2{u, 0.055f + 0.04f * v}; };  // plain cloth below the collar, above the buttons
  recipe.columns = 24;
  recipe.rows = 8;
  mesh.AddSurface(kCloth, recipe,
                  DistanceSkinner({SegmentOf(figure, u"上半身2", kBodyRadius),
                                   SegmentOf(figure, side + u"肩", 0.3f),
                                   SegmentOf(figure, side + u"腕", 0.45f)},
                                  5.0f));
}

}  // namespace

void AddTorso(const Figure& figure, MeshBuilder& mesh) {
  AddNeck(figure, mesh);
  AddBodice(figure, mesh);
  AddSkirt(figure, mesh);
  AddHips(figure, mesh);
  AddSleeve(figure, mesh, true);
  AddSleeve(figure, mesh, false);
}

}  // namespace brivonel::samples
