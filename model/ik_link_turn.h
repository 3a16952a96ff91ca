#pragma once
// One step of inverse kinematics on one link: the link's new rotation that
// moves the end effector towards the goal, within the step angle and the
// link's rotation limits.
#include "model/model.h"

namespace brivonel {

// An effector this close to its goal (model units) needs no more steps.
inline constexpr float kIkGoalTolerance = 1e-5f;
// Nor does one that an iteration brought closer by less than this share of
// its distance (or less than kIkGoalTolerance): a goal out of reach, or
// links held at their limits, which further iterations would only creep
// towards.
inline constexpr float kIkLeastProgress = 1e-3f;

// True when an iteration that took the effector from `before` to `after`
// (its distances from the goal) leaves nothing worth another iteration.
inline bool IkStalled(float before, float after) {
  return !(before - after >= kIkGoalTolerance && before - after >= kIkLeastProgress * after);
}
// A turn smaller than this (radians) is not made: it would only shake the
// link by rounding errors once the chain has settled.
inline constexpr float kIkSmallestTurn = 1e-7f;

// The largest angle one link step may turn, with what a turn of that size
// needs, from the chain's angleFactor (a quarter of it). A value that is no
// number (or above pi) limits nothing; a negative one allows no turn.
struct IkStep {
  float angle = 0.0f;  // radians, 0 to pi
  float cosine = 1.0f;
  float halfSine = 0.0f;  // of half the angle
  float halfCosine = 1.0f;
};
IkStep IkStepOf(float angleFactor);

// How far the effector is from the goal.
float IkGoalDistance(const Float4& effector, const Float4& goal);

// The axis (0 = x, 1 = y, 2 = z) of a link whose limits let it turn about
// that axis only (a range on it, the other two held at exactly 0), or -1.
int IkHingeAxis(const Float4& minAngles, const Float4& maxAngles);

// The link's rotation after one step towards the goal. effector, goal and
// pivot are model-space points; pivot, when given, is the position of the
// next link of the chain, which carries this link with it: a hinge then
// turns so that the effector is as far from the pivot as the goal is, and
// leaves the aiming to the pivot. firstIteration lets a hinge leave a bound
// of its limits and mirror an angle outside them. Returns the link's
// rotation unchanged when the step turns nothing.
Quaternion TurnIkLink(const Bone& link, const Float4& effector, const Float4& goal,
                      const Float4* pivot, const IkStep& step, bool firstIteration);

// Holds a rotation inside Euler angle limits (R = Rz * Ry * Rx): decomposes
// it, and when an angle lies outside its limits, rebuilds the rotation from
// the clamped angles; a rotation inside them is only normalised.
Quaternion LimitIkRotation(const Quaternion& rotation, const Float4& minAngles,
                           const Float4& maxAngles);

}  // namespace brivonel
