#include "model/ik_link_turn.h"

#include <algorithm>
#include <cmath>

namespace brivonel {
namespace {

// Directions this close in every component count as the same.
constexpr float kIkEpsilon = 1e-7f;

float LaneOf(const Float4& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }
float& LaneOf(Float4& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

// A model-space point in a bone's own frame. Bones are never scaled, so the
// rows of a world matrix's rotation part are the bone's unit axes and its
// inverse is their transpose: the point's offset from the bone projected on
// each axis.
Float4 IntoLinkFrame(const Matrix4& world, const Float4& point) {
  const Float4 offset{point.x - world.m[3][0], point.y - world.m[3][1], point.z - world.m[3][2], 0.0f};
  const auto onto = [&offset](const float (&axis)[4]) {
    return offset.x * axis[0] + offset.y * axis[1] + offset.z * axis[2];
  };
  return {onto(world.m[0]), onto(world.m[1]), onto(world.m[2]), 1.0f};
}

// Where a hinge's effector, goal and pivot are, in the hinge's own frame.
struct HingeTarget {
  Float4 effector, goal;
  Float4 effectorDirection, goalDirection;  // unit vectors
  const Float4* pivot;  // the next link's position, when it turns the hinge
};

// Limits that hold no Euler angle in: every range covers a full turn.
bool LimitsNothing(const Float4& minAngles, const Float4& maxAngles) {
  return minAngles.x <= -kPi && minAngles.y <= -kPi && minAngles.z <= -kPi &&
         maxAngles.x >= kPi && maxAngles.y >= kPi && maxAngles.z >= kPi;
}

// Sine and cosine of an angle. A zero angle (of either sign) has them
// exactly: the sine is the angle itself and the cosine 1.
struct SineCosine {
  float s;
  float c;
};
SineCosine SineCosineOf(float angle) {
  if (angle == 0.0f) return {angle, 1.0f};
  return {std::sin(angle), std::cos(angle)};
}

// The rotation part of Multiply(Multiply(MatrixRotationZ(z),
// MatrixRotationY(y)), MatrixRotationX(x)), bit for bit, for finite sines
// and cosines. Multiply sums four products per entry; here the products
// with an exact zero factor are left out. Such a product is a zero, which
// leaves a sum as it was, except that a sum of zeros keeps the sign of
// zero only if every term is -0. The fourth term of every entry is a +0
// (zeros of the fourth row and column), so each entry is the sum of its
// other terms plus +0, and adding +0 turns a -0 into +0 as it does.
Matrix4 EulerRotation(const SineCosine& x, const SineCosine& y, const SineCosine& z) {
  // Rz * Ry.
  const float a00 = z.c * y.c + 0.0f, a01 = z.s + 0.0f, a02 = z.c * -y.s + 0.0f;
  const float a10 = -z.s * y.c + 0.0f, a11 = z.c + 0.0f, a12 = -z.s * -y.s + 0.0f;
  const float a20 = y.s + 0.0f, a22 = y.c + 0.0f;  // a21 is +0
  // Times Rx. Column 0 keeps a's; in row 2 the term of a21 is a zero.
  Matrix4 r;
  r.m[0][0] = a00;
  r.m[0][1] = (a01 * x.c + a02 * -x.s) + 0.0f;
  r.m[0][2] = (a01 * x.s + a02 * x.c) + 0.0f;
  r.m[1][0] = a10;
  r.m[1][1] = (a11 * x.c + a12 * -x.s) + 0.0f;
  r.m[1][2] = (a11 * x.s + a12 * x.c) + 0.0f;
  r.m[2][0] = a20;
  r.m[2][1] = a22 * -x.s + 0.0f;
  r.m[2][2] = a22 * x.c + 0.0f;
  r.m[3][3] = 1.0f;
  return r;
}

// An angle moved into (-pi, pi] by whole turns.
float WrapAngle(float angle) {
  constexpr float kTurn = 2.0f * kPi;
  while (angle > kPi) angle -= kTurn;
  while (angle <= -kPi) angle += kTurn;
  return angle;
}

// How far an angle lies outside [lower, upper] (0 inside).
float Violation(float angle, float lower, float upper) {
  return std::max(lower - angle, 0.0f) + std::max(angle - upper, 0.0f);
}

// The hinge angle at which the effector is as far from the pivot (the next
// link up the chain, which turns the hinge with it) as the goal is: once
// there, the pivot only has to aim. e, g and pivot are in the hinge's own
// frame. Of the two such angles the one inside the limits is taken, or the
// one nearer the current angle when both are; false when turning the hinge
// cannot change that distance.
bool ReachAngle(Float4 e, const Float4& g, Float4 pivot, int axis, float current, float lower,
                float upper, float& angle) {
  const float goalDistance2 = Dot3(Subtract(pivot, g), Subtract(pivot, g));
  const float along = LaneOf(pivot, axis) - LaneOf(e, axis);
  LaneOf(e, axis) = 0.0f;
  LaneOf(pivot, axis) = 0.0f;
  const float e2 = Dot3(e, e);
  const float p2 = Dot3(pivot, pivot);
  const float radii = std::sqrt(e2 * p2);
  if (!(radii > 1e-12f)) return false;
  // |pivot - e turned by t|^2 = along^2 + p2 + e2 - 2 radii cos(from + t),
  // with `from` the angle from the pivot's direction to the effector's.
  const float cosine = std::clamp((along * along + p2 + e2 - goalDistance2) / (2.0f * radii), -1.0f, 1.0f);
  const float from = std::atan2(LaneOf(Cross3(pivot, e), axis), Dot3(pivot, e));
  const float to = std::acos(cosine);
  const float a = WrapAngle(current + (to - from));
  const float b = WrapAngle(current + (-to - from));
  const float va = Violation(a, lower, upper);
  const float vb = Violation(b, lower, upper);
  if (va != vb)
    angle = va < vb ? a : b;
  else
    angle = std::fabs(a - current) <= std::fabs(b - current) ? a : b;
  return true;
}

// The hinge angle that aims the effector at the goal: the angle between
// their directions seen along the axis (their projections onto the plane
// across it) added to the current angle. A hinge that starts the first
// iteration on a bound of its limits (a straight knee) cannot tell from the
// directions alone which way to bend when the goal lies off its plane; it
// turns away from the bound by the whole correction's angle. An angle then
// outside the limits whose mirror image is inside them is mirrored on the
// first iteration.
float AimAngle(Float4 e, Float4 g, int axis, float current, float lower, float upper,
               float stepLimit, bool firstIteration) {
  const float whole = std::min(std::atan2(Length3(Cross3(e, g)), Dot3(e, g)), stepLimit);
  LaneOf(e, axis) = 0.0f;
  LaneOf(g, axis) = 0.0f;
  float turn = std::clamp(std::atan2(LaneOf(Cross3(e, g), axis), Dot3(e, g)), -stepLimit, stepLimit);
  if (firstIteration && current >= upper)
    turn = -whole;
  else if (firstIteration && current <= lower)
    turn = whole;
  float angle = current + turn;
  if (firstIteration && (angle < lower || angle > upper) && -angle >= lower && -angle <= upper)
    angle = -angle;
  return angle;
}

// A hinge turns about its axis only; its rotation is rebuilt as a turn
// about that axis, held inside its limits.
Quaternion TurnHinge(const Bone& link, int axis, const HingeTarget& target, float stepLimit,
                     bool firstIteration) {
  // The angle the link has about the axis: the twist part of its rotation,
  // taken on the shorter arc.
  Quaternion q = link.rotation;
  if (q.w < 0.0f) q = Scale(q, -1.0f);
  const float current = 2.0f * std::atan2(LaneOf(q, axis), q.w);
  const float lower = LaneOf(link.ikMinAngles, axis);
  const float upper = LaneOf(link.ikMaxAngles, axis);
  float angle = 0.0f;
  if (target.pivot == nullptr ||
      !ReachAngle(target.effector, target.goal, *target.pivot, axis, current, lower, upper, angle)) {
    angle = AimAngle(target.effectorDirection, target.goalDirection, axis, current, lower, upper,
                     stepLimit, firstIteration);
  } else {
    angle = current + std::clamp(angle - current, -stepLimit, stepLimit);
  }
  angle = std::min(std::max(angle, lower), upper);
  // A link already turning about the axis alone keeps its rotation when the
  // angle hardly changes.
  Float4 others = q;
  LaneOf(others, axis) = 0.0f;
  if (others.x == 0.0f && others.y == 0.0f && others.z == 0.0f &&
      std::fabs(angle - current) < kIkSmallestTurn)
    return link.rotation;
  Quaternion turned{0.0f, 0.0f, 0.0f, std::cos(0.5f * angle)};
  LaneOf(turned, axis) = std::sin(0.5f * angle);
  return turned;
}

}  // namespace

IkStep IkStepOf(float angleFactor) {
  float angle = 4.0f * angleFactor;
  if (std::isnan(angle) || angle > kPi) angle = kPi;
  angle = std::max(angle, 0.0f);
  return {angle, std::cos(angle), std::sin(0.5f * angle), std::cos(0.5f * angle)};
}

float IkGoalDistance(const Float4& effector, const Float4& goal) {
  return Length3(Subtract(effector, goal));
}

int IkHingeAxis(const Float4& minAngles, const Float4& maxAngles) {
  int free = -1;
  for (int axis = 0; axis < 3; ++axis) {
    const float lower = LaneOf(minAngles, axis);
    const float upper = LaneOf(maxAngles, axis);
    if (lower == 0.0f && upper == 0.0f) continue;
    if (!(lower < upper) || free >= 0) return -1;
    free = axis;
  }
  return free;
}

Quaternion LimitIkRotation(const Quaternion& rotation, const Float4& minAngles,
                           const Float4& maxAngles) {
  // The sine is clamped to [-1, 1] first: rounding can push it just past 1
  // near a quarter turn, where the arc sine would give no angle at all.
  const Matrix4 r = MatrixRotationQuaternion(rotation);
  const float x = -std::atan2(r.m[2][1], r.m[2][2]);
  const float y = std::asin(std::clamp(r.m[2][0], -1.0f, 1.0f));
  const float z = -std::atan2(r.m[1][0], r.m[0][0]);
  const float cx = std::min(std::max(x, minAngles.x), maxAngles.x);
  const float cy = std::min(std::max(y, minAngles.y), maxAngles.y);
  const float cz = std::min(std::max(z, minAngles.z), maxAngles.z);
  // Inside the limits the rotation stands as it is.
  if (cx == x && cy == y && cz == z) return QuaternionNormalize(rotation);
  // A NaN or infinite angle (a broken rotation or limit) takes the full
  // products, whose NaNs the short form would not reproduce.
  if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(cz))
    return QuaternionRotationMatrix(
        Multiply(Multiply(MatrixRotationZ(cz), MatrixRotationY(cy)), MatrixRotationX(cx)));
  return QuaternionRotationMatrix(
      EulerRotation(SineCosineOf(cx), SineCosineOf(cy), SineCosineOf(cz)));
}

Quaternion TurnIkLink(const Bone& link, const Float4& effector, const Float4& goal,
                      const Float4* pivot, const IkStep& step, bool firstIteration) {
  const Float4 localEffector = IntoLinkFrame(link.worldMatrix, effector);
  const Float4 localGoal = IntoLinkFrame(link.worldMatrix, goal);
  const Float4 e = Normalize3(localEffector);
  const Float4 g = Normalize3(localGoal);
  const int hinge = IkHingeAxis(link.ikMinAngles, link.ikMaxAngles);
  // Directions that agree leave nothing to aim at; a hinge under a pivot
  // may still have to change the effector's distance from it.
  if (NearEqual3(e, g, kIkEpsilon) && (hinge < 0 || pivot == nullptr)) return link.rotation;
  if (hinge >= 0) {
    Float4 localPivot;
    if (pivot != nullptr) localPivot = IntoLinkFrame(link.worldMatrix, *pivot);
    const HingeTarget target{localEffector, localGoal, e, g, pivot != nullptr ? &localPivot : nullptr};
    return TurnHinge(link, hinge, target, step.angle, firstIteration);
  }

  // The turn that carries e onto g is about e x g, by the angle whose sine
  // is |e x g| and cosine e . g.
  const Float4 axis = Cross3(e, g);
  if (NearEqual3(axis, Float4{}, kIkEpsilon)) return link.rotation;
  const float sine = Length3(axis);
  const float cosine = Dot3(e, g);
  if (cosine > 0.0f && sine < kIkSmallestTurn * cosine) return link.rotation;
  Quaternion turn;
  if (cosine >= step.cosine) {
    // The whole turn: (e x g, 1 + e . g), normalised, needs no angle.
    const float norm = std::sqrt(2.0f + 2.0f * cosine);
    turn = {axis.x / norm, axis.y / norm, axis.z / norm, (1.0f + cosine) / norm};
  } else {
    const Float4 n = Normalize3(axis);
    turn = {n.x * step.halfSine, n.y * step.halfSine, n.z * step.halfSine, step.halfCosine};
  }
  // The turn applies before the rotation the link already has.
  const Quaternion turned = QuaternionMultiply(turn, link.rotation);
  if (LimitsNothing(link.ikMinAngles, link.ikMaxAngles)) return QuaternionNormalize(turned);
  return LimitIkRotation(turned, link.ikMinAngles, link.ikMaxAngles);
}

}  // namespace brivonel
