#include "formats/physics_block_reader.h"

#include "physics/description_checks.h"

namespace brivonel {

RigidBodyFields ReadRigidBodyFields(BinaryCursor& c) {
  RigidBodyFields f;
  f.group = c.ReadU8();
  f.collisionMask = c.ReadU16();
  f.shape = c.ReadU8();
  f.size = c.Read<Float3>();
  f.position = c.Read<Float3>();
  f.rotation = c.Read<Float3>();
  f.mass = c.ReadFloat();
  f.linearDamping = c.ReadFloat();
  f.angularDamping = c.ReadFloat();
  f.restitution = c.ReadFloat();
  f.friction = c.ReadFloat();
  f.mode = c.ReadU8();
  return f;
}

JointFields ReadJointFields(BinaryCursor& c) {
  JointFields f;
  f.position = c.Read<Float3>();
  f.rotation = c.Read<Float3>();
  f.linearLower = c.Read<Float3>();
  f.linearUpper = c.Read<Float3>();
  f.angularLower = c.Read<Float3>();
  f.angularUpper = c.Read<Float3>();
  f.linearStiffness = c.Read<Float3>();
  f.angularStiffness = c.Read<Float3>();
  return f;
}

void CheckRigidBodyCount(std::uint64_t count) {
  if (count > physics::kMaxBodies)
    throw FormatRefused(std::to_string(count) + " rigid bodies (at most " +
                        std::to_string(physics::kMaxBodies) + ")");
}

void CheckJointCount(std::uint64_t count) {
  if (count > physics::kMaxJoints)
    throw FormatRefused(std::to_string(count) + " joints (at most " +
                        std::to_string(physics::kMaxJoints) + ")");
}

}  // namespace brivonel
