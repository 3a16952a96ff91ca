#pragma once
// Rigid bodies and joints as PMX and PMD files hold them: the fields both
// formats share, in file order and in the files' own conventions (Euler
// angles, a mask of the groups a body does NOT collide with, PMD positions
// relative to the body's bone). The model builders turn them into the
// physics layer's descriptions.
#include <cstddef>
#include <cstdint>

#include "base/math.h"

namespace brivonel {

// What follows a rigid body's name(s) and bone in both formats.
struct RigidBodyFields {
  std::uint8_t group = 0;              // collision group, 0 to 15
  // Bit g set: the body collides with group g. Editors show the cleared bits
  // as the body's "non-collision groups"; the file keeps the mask itself, as
  // the engine takes it (a new body's 0xFFFF collides with every group).
  std::uint16_t collisionMask = 0xFFFF;
  std::uint8_t shape = 0;              // 0 sphere, 1 box, 2 capsule
  Float3 size;
  Float3 position;  // PMX: model space; PMD: relative to the body's bone
  Float3 rotation;  // radians, applied about z, then x, then y
  float mass = 0.0f;
  float linearDamping = 0.0f;
  float angularDamping = 0.0f;
  float restitution = 0.0f;
  float friction = 0.0f;
  // 0 follows its bone, 1 physics, 2 physics keeping the bone's translation.
  std::uint8_t mode = 0;

  friend bool operator==(const RigidBodyFields&, const RigidBodyFields&) = default;
};
inline constexpr std::size_t kRigidBodyFieldsSize = 1 + 2 + 1 + 3 * 12 + 5 * 4 + 1;

// What follows a joint's two bodies in both formats.
struct JointFields {
  Float3 position;  // model space
  Float3 rotation;  // radians, as a body's
  Float3 linearLower, linearUpper;    // model units
  Float3 angularLower, angularUpper;  // radians
  Float3 linearStiffness, angularStiffness;

  friend bool operator==(const JointFields&, const JointFields&) = default;
};
inline constexpr std::size_t kJointFieldsSize = 8 * 12;

}  // namespace brivonel
