#pragma once
// A character's rigid bodies and the joints between them, as the physics
// world is built from them: plain records in model units and model space,
// whatever file format they came from. The model builders fill them once,
// converting each format's own conventions on the way (a PMD body's
// position relative to its bone, say).
#include <cstdint>
#include <string>
#include <vector>

#include "base/math.h"

namespace brivonel::physics {

enum class BodyShape : std::uint8_t {
  kSphere = 0,   // size.x: radius
  kBox = 1,      // size: half extents along the body's own x, y, z
  kCapsule = 2,  // size.x: radius, size.y: length of the cylinder between the caps (along y)
};

// Who moves a body.
enum class BodyMode : std::uint8_t {
  kFollowBone = 0,         // the bone moves it (kinematic)
  kDynamic = 1,            // the simulation moves it, and its bone follows
  kDynamicKeepsPlace = 2,  // the simulation turns the bone, which keeps its own place
};

inline constexpr int kCollisionGroups = 16;

struct RigidBodyDescription {
  std::u16string name;
  std::int32_t bone = -1;  // the bone it follows or drives; -1 for none
  std::uint8_t group = 0;  // 0 to 15
  // Bit g set: the body collides with bodies of group g.
  std::uint16_t collidesWith = 0xFFFF;
  BodyShape shape = BodyShape::kSphere;
  Float3 size;
  // The body's pose at rest in model space: its centre, and its rotation as
  // a unit quaternion.
  Float3 position;
  Quaternion rotation{0.0f, 0.0f, 0.0f, 1.0f};
  float mass = 0.0f;
  float linearDamping = 0.0f;   // 0 to 1: share of velocity lost per second
  float angularDamping = 0.0f;
  float restitution = 0.0f;
  float friction = 0.0f;
  BodyMode mode = BodyMode::kFollowBone;
};

// A six-degree spring joint: body B is held to body A in the joint's frame,
// each axis of translation and rotation between a lower and an upper limit
// (lower above upper frees the axis, lower equal to upper locks it), pulled
// back toward the rest pose by its spring.
struct JointDescription {
  std::u16string name;
  std::int32_t bodyA = 0;
  std::int32_t bodyB = 0;
  Float3 position;  // the joint frame at rest, in model space
  Quaternion rotation{0.0f, 0.0f, 0.0f, 1.0f};
  Float3 linearLower, linearUpper;    // model units
  Float3 angularLower, angularUpper;  // radians, about the joint frame's axes
  Float3 linearStiffness;             // spring constants; 0 for none
  Float3 angularStiffness;
};

struct PhysicsDescription {
  std::vector<RigidBodyDescription> bodies;
  std::vector<JointDescription> joints;

  bool empty() const { return bodies.empty(); }
};

// The rotation of Euler angles as the model files store them for bodies and
// joints: about z first, then x, then y (roll, pitch, yaw).
Quaternion RotationFromEuler(const Float3& radians);

}  // namespace brivonel::physics
