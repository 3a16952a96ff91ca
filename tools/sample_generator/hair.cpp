// Hair: a shell over the head with pointed bangs, a bob at the back, two
// twin tails and the ribbons that tie them.
#include <cmath>

#include "tools/sample_generator/body.h"
#include "tools/sample_generator/proportions.h"
#include "tools/sample_generator/skinning.h"

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

void AddTwinTail(const Figure& figure, MeshBuilder& mesh, float side) {
  Tube tail;
  tail.spine = {{side * 2.05f, 18.3f, 1.05f}, {side * 2.75f, 17.6f, 1.25f},
                {side * 2.95f, 15.6f, 1.35f}, {side * 2.7f, 13.4f, 1.3f},
                {side * 2.95f, 11.6f, 1.25f}, {side * 3.15f, 10.4f, 1.15f}};
  tail.depth = {0.0f, 0.0f, 1.0f};
  tail.radii = [](float v) {
    const float r = SmoothProfile({0.42f, 0.62f, 0.66f, 0.55f, 0.38f, 0.15f}, v);
    return Vec2{r, r * 0.8f} * (RoundEnd(v, 0.06f) * RoundEnd(1.0f - v, 0.12f));
  };
  SurfaceRecipe recipe;
  recipe.position = [tail](float u, float v) { return tail.Position(u, v); };
  recipe.uv = [](float u, float v) { return Vec2{u, 0.1f + 0.9f * v}; };
  recipe.columns = 16;
  recipe.rows = 32;
  mesh.AddSurface(kHair, recipe, RigidSkinner(figure.FindBone(u"頭")));

  // A bow of two lobes around the tail's root.
  const Vec3 knot = tail.Axis(0.08f);
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
