#pragma once
// One step of inverse kinematics on one link: the link's new rotation that
// moves the end effector towards the goal, within the step angle and the
// link's rotation limits.
#include "model/model.h"

namespace brivonel {

// An effector this close to its goal (model units) needs no more steps.
inline constexpr float kIkGoalTolerance = 1e-5f;
// A turn smaller than this (radians) is not made: it would only shake the
// link by rounding errors once the chain has settled.
inline constexpr float kIkSmallestTurn = 1e-7f;

// The largest angle one link step may turn, from the chain's angleFactor (a
// quarter of it). A value that is no number limits nothing; a negative one
// allows no turn.
float IkStepLimit(float angleFactor);

bool IkGoalReached(const Float4& effector, const Float4& goal);

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
                      const Float4* pivot, float stepLimit, bool firstIteration);

// Holds a rotation inside Euler angle limits (R = Rz * Ry * Rx): decomposes
// it, clamps each angle and rebuilds the rotation.
Quaternion LimitIkRotation(const Quaternion& rotation, const Float4& minAngles,
                           const Float4& maxAngles);

}  // namespace brivonel
