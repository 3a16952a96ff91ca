// The head and the features that the face morphs move: eyes, eyelids, mouth.
#include <cmath>

#include "tools/sample_generator/body.h"
#include "tools/sample_generator/proportions.h"
#include "tools/sample_generator/skinning.h"

namespace brivonel::samples {
namespace {

using namespace proportions;

constexpr float kPi = 3.14159265f;
constexpr float kEyeLift = 0.02f;   // how far the eyes stand off the head
constexpr float kLidLift = 0.035f;  // the lids lie over the eyes
constexpr float kMouthLift = 0.02f;

FaceFeature Mirrored(FaceFeature feature, bool left) {
  if (!left) feature.theta = -feature.theta;
  return feature;
}

// An elliptical disc on the head: u around, v from the centre outwards. The
// mouth's corners rise by `smile`.
Vec3 FeatureDisc(const FaceFeature& f, float lift, float smile, float u, float v) {
  const float x = v * std::cos(kTau * u), y = v * std::sin(kTau * u);
  return HeadPoint(f.theta + f.halfTheta * x, f.phi - f.halfPhi * y - smile * x * x, lift);
}

Vec2 DiscUv(const UvRect& rect, bool mirror, float u, float v) {
  const float x = v * std::cos(kTau * u), y = v * std::sin(kTau * u);
  return {rect.CentreU() + (mirror ? -x : x) * rect.HalfU(), rect.CentreV() - y * rect.HalfV()};
}

// The eyelid spans the eye from its upper to its lower edge; s runs down it.
// A little wider than the eye so no white shows at the corners.
constexpr float kLidWidth = 1.08f;
float LidEdge(float x) { return std::sqrt(std::max(0.0f, 1.0f - (x / kLidWidth) * (x / kLidWidth))); }
Vec3 LidPoint(const FaceFeature& eye, float u, float s) {
  const float x = (2.0f * u - 1.0f) * kLidWidth;
  const float top = eye.phi - eye.halfPhi * 1.05f * LidEdge(x);
  const float bottom = eye.phi + eye.halfPhi * 1.05f * LidEdge(x);
  return HeadPoint(eye.theta + eye.halfTheta * x, top + (bottom - top) * s, kLidLift);
}

std::vector<Vec3> Positions(const SurfaceRange& range,
                            const std::function<Vec3(float u, float v)>& at) {
  std::vector<Vec3> positions;
  ForEachGridVertex(range, [&](float u, float v, std::uint32_t) { positions.push_back(at(u, v)); });
  return positions;
}

}  // namespace

void AddFace(const Figure& figure, MeshBuilder& mesh, FaceParts& face) {
  const Skinner head = RigidSkinner(figure.FindBone(u"頭"));

  SurfaceRecipe skull;
  skull.position = [](float u, float v) { return HeadPoint(kPi * (2.0f * u - 1.0f), kPi * v); };
  skull.uv = [](float u, float v) { return HeadUv(kPi * (2.0f * u - 1.0f), kPi * v); };
  skull.columns = 48;
  skull.rows = 32;
  mesh.AddSurface(kFace, skull, head);

  for (int side = 0; side < 2; ++side) {
    const bool left = side == 0;
    const FaceFeature eye = Mirrored(kLeftEye, left);

    SurfaceRecipe disc;
    disc.position = [eye](float u, float v) { return FeatureDisc(eye, kEyeLift, 0.0f, u, v); };
    disc.uv = [left](float u, float v) { return DiscUv(kAtlasEye, !left, u, v); };
    disc.columns = 24;
    disc.rows = 6;
    disc.outward = {0.0f, 0.0f, -1.0f};
    face.eyes[side] = mesh.AddSurface(kFace, disc, head);

    // Folded into the eye's upper edge at rest; the blink morph unfolds it.
    SurfaceRecipe lid;
    lid.position = [eye](float u, float v) { return LidPoint(eye, u, v); };
    lid.restPosition = [eye](float u, float) { return LidPoint(eye, u, 0.0f); };
    lid.uv = [](float u, float v) {
      return Vec2{kAtlasLid.u0 + u * (kAtlasLid.u1 - kAtlasLid.u0),
                  kAtlasLid.v0 + v * (kAtlasLid.v1 - kAtlasLid.v0)};
    };
    lid.columns = 12;
    lid.rows = 4;
    lid.wrapsU = false;
    lid.outward = {0.0f, 0.0f, -1.0f};
    face.lids[side] = mesh.AddSurface(kFace, lid, head);
    face.lidsClosed[side] = Positions(face.lids[side], lid.position);
  }

  SurfaceRecipe mouth;
  const auto mouthAt = [](const FaceFeature& shape) {
    return [shape](float u, float v) { return FeatureDisc(shape, kMouthLift, kMouthSmile, u, v); };
  };
  mouth.position = mouthAt(kMouthRest);
  mouth.uv = [](float u, float v) { return DiscUv(kAtlasMouth, false, u, v); };
  mouth.columns = 20;
  mouth.rows = 5;
  mouth.outward = {0.0f, 0.0f, -1.0f};
  face.mouth = mesh.AddSurface(kFace, mouth, head);
  face.mouthOpen = Positions(face.mouth, mouthAt(kMouthOpen));
  face.mouthWide = Positions(face.mouth, mouthAt(kMouthWide));
}

}  // namespace brivonel::samples
