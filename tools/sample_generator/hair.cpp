// Hair: a shell over the head with pointed bangs, a bob at the back, two
// twin tails and the ribbons that tie them.
#include <cmath>

#include "tools/sample_generator/body.h"
#include "tools/sample_generator/proportions.h"
#include "tools/sample_generator/skinning.h"
#include "tools/sample_generator/swaying_parts.h"

namespace brivonel::samples {
namespace {

using namespace proportions;

constexpr float kPi = 3.14159265f;
constexpr float kHairLift = 0.24f;
constexpr float kStraightFrom = 1.9f;  // below this polar angle the hair falls straight
constexpr int kBangs = 9;

// 0 at a strand's tip, 1 between two strands.
float StrandNotch(float theta) {
  const float x = theta * static_cast<float>(kBangs) / kPi + 0.5f;
  const float f = x - std::floor(x);
  return 1.0f - std::fabs(2.0f * f - 1.0f);
}

// How far down the head the hair reaches, by azimuth: bangs over the brows,
// the sides down to the jaw, the bob at the back down to the nape.
float HairReach(float theta) {
  const float a = std::fabs(theta);
  const float front = 1.36f - 0.13f * StrandNotch(theta);
  const float side = 2.2f - 0.08f * StrandNotch(theta * 1.7f);
  const float back = 2.75f - 0.06f * StrandNotch(theta * 2.3f);
  const float toSide = SmoothStep(0.55f, 1.15f, a);
  const float toBack = SmoothStep(1.7f, 2.6f, a);
  return front + (side - front) * toSide + (back - side) * toBack;
}

// The shell follows the head, a little inflated on top, and below
// kStraightFrom carries on along its tangent so the hair hangs.
Vec3 HairShell(float theta, float phi) {
  const float lift = kHairLift + 0.12f * std::sin(std::min(phi, kPi * 0.5f));
  if (phi <= kStraightFrom) return HeadPoint(theta, phi, lift);
  const Vec3 edge = HeadPoint(theta, kStraightFrom, lift);
  const Vec3 slope = HeadPoint(theta, kStraightFrom + 0.01f, lift) - edge;
  return edge + slope * ((phi - kStraightFrom) / 0.01f);
}

// The tail's weights along its length: the head's above the ribbon's knot,
// then its chain's bones, each blending into the next across its root.
GridSkinner TailSkinner(const Figure& figure, float side) {
  std::vector<float> pivots;
  std::vector<int> bones{figure.FindBone(u"頭")};
  for (int k = 0; k < swaying::kTailBones; ++k) {
    pivots.push_back(swaying::kTailBoneAt[static_cast<std::size_t>(k)]);
    bones.push_back(figure.FindBone(swaying::TailBoneName(side, k)));
  }
  return [pivots, bones](float, float v) {
    const std::vector<float> shares = ChainShares(pivots, v);
    std::vector<std::pair<int, float>> weights;
    for (std::size_t k = 0; k < bones.size(); ++k) weights.emplace_back(bones[k], shares[k]);
    return MakeWeights(std::move(weights));
  };
}

void AddTwinTail(const Figure& figure, MeshBuilder& mesh, float side) {
  const Tube tail = swaying::TwinTail(side);
  SurfaceRecipe recipe;
  recipe.position = [tail](float u, float v) { return tail.Position(u, v); };
  recipe.uv = [](float u, float v) { return Vec2{u, 0.1f + 0.9f * v}; };
  recipe.columns = 16;
  recipe.rows = 32;
  mesh.AddSurface(kHair, recipe, TailSkinner(figure, side));

  // A bow of two lobes around the tail's root, where its first bone turns it.
  const Vec3 knot = tail.Axis(swaying::kTailBoneAt[0]);
  for (float lobe : {-1.0f, 1.0f}) {
    const Vec3 centre = knot + Vec3{0.0f, lobe * 0.38f, -0.05f};
    const Vec3 a{0.0f, lobe * 0.38f, 0.0f}, b{0.42f, 0.0f, 0.0f}, c{0.0f, 0.0f, 0.2f};
    SurfaceRecipe bow;
    bow.position = Ellipsoid(centre, a, b, c);
    bow.uv = [](float, float) { return Vec2{}; };
    bow.columns = 12;
    bow.rows = 8;
    mesh.AddSurface(kRibbon, bow, RigidSkinner(figure.FindBone(u"頭")));
  }
}

}  // namespace

void AddHair(const Figure& figure, MeshBuilder& mesh) {
  SurfaceRecipe shell;
  shell.position = [](float u, float v) {
    const float theta = kPi * (2.0f * u - 1.0f);
    return HairShell(theta, v * HairReach(theta));
  };
  shell.uv = [](float u, float v) { return Vec2{u * 3.0f, v}; };
  shell.columns = 72;
  shell.rows = 24;
  mesh.AddSurface(kHair, shell, RigidSkinner(figure.FindBone(u"頭")));

  AddTwinTail(figure, mesh, 1.0f);
  AddTwinTail(figure, mesh, -1.0f);
}

}  // namespace brivonel::samples
