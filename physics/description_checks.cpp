#include "physics/description_checks.h"

#include <cmath>

namespace brivonel::physics {
namespace {

bool Finite(const Float3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
bool Finite(const Float4& v) { return Finite(Float3{v.x, v.y, v.z}) && std::isfinite(v.w); }

bool WithinCoordinates(const Float3& v) {
  return Finite(v) && std::fabs(v.x) <= kMaxCoordinate && std::fabs(v.y) <= kMaxCoordinate &&
         std::fabs(v.z) <= kMaxCoordinate;
}

std::string Body(std::size_t i) { return "rigid body " + std::to_string(i); }
std::string Joint(std::size_t i) { return "joint " + std::to_string(i); }

std::optional<std::string> CheckBody(const RigidBodyDescription& b, std::size_t i,
                                     std::size_t boneCount) {
  if (b.bone < -1 || (b.bone >= 0 && static_cast<std::size_t>(b.bone) >= boneCount))
    return Body(i) + " names bone " + std::to_string(b.bone) + " of " + std::to_string(boneCount);
  if (b.group >= kCollisionGroups) return Body(i) + " is in group " + std::to_string(b.group);
  if (static_cast<int>(b.shape) > static_cast<int>(BodyShape::kCapsule))
    return Body(i) + " has shape " + std::to_string(static_cast<int>(b.shape));
  if (static_cast<int>(b.mode) > static_cast<int>(BodyMode::kDynamicKeepsPlace))
    return Body(i) + " has mode " + std::to_string(static_cast<int>(b.mode));
  if (!Finite(b.size) || b.size.x < 0.0f || b.size.y < 0.0f || b.size.z < 0.0f ||
      b.size.x > kMaxBodySize || b.size.y > kMaxBodySize || b.size.z > kMaxBodySize)
    return Body(i) + " has a size out of bounds";
  if (!WithinCoordinates(b.position) || !Finite(b.rotation))
    return Body(i) + " has a position or rotation out of bounds";
  if (!std::isfinite(b.mass) || b.mass < 0.0f || b.mass > kMaxBodyMass)
    return Body(i) + " has a mass out of bounds";
  if (!std::isfinite(b.linearDamping) || !std::isfinite(b.angularDamping) ||
      !std::isfinite(b.restitution) || !std::isfinite(b.friction))
    return Body(i) + " has a damping, restitution or friction that is not a number";
  return std::nullopt;
}

std::optional<std::string> CheckJoint(const JointDescription& j, std::size_t i,
                                      std::size_t bodyCount) {
  const auto named = [bodyCount](std::int32_t body) {
    return body >= 0 && static_cast<std::size_t>(body) < bodyCount;
  };
  if (!named(j.bodyA) || !named(j.bodyB))
    return Joint(i) + " joins bodies " + std::to_string(j.bodyA) + " and " +
           std::to_string(j.bodyB) + " of " + std::to_string(bodyCount);
  if (!WithinCoordinates(j.position) || !Finite(j.rotation))
    return Joint(i) + " has a position or rotation out of bounds";
  for (const Float3* v : {&j.linearLower, &j.linearUpper, &j.angularLower, &j.angularUpper,
                          &j.linearStiffness, &j.angularStiffness})
    if (!Finite(*v)) return Joint(i) + " has a limit or spring that is not a number";
  return std::nullopt;
}

}  // namespace

std::optional<std::string> CheckDescription(const PhysicsDescription& description,
                                            std::size_t boneCount) {
  if (description.bodies.size() > kMaxBodies)
    return std::to_string(description.bodies.size()) + " rigid bodies (at most " +
           std::to_string(kMaxBodies) + ")";
  if (description.joints.size() > kMaxJoints)
    return std::to_string(description.joints.size()) + " joints (at most " +
           std::to_string(kMaxJoints) + ")";
  for (std::size_t i = 0; i < description.bodies.size(); ++i)
    if (auto fault = CheckBody(description.bodies[i], i, boneCount)) return fault;
  for (std::size_t i = 0; i < description.joints.size(); ++i)
    if (auto fault = CheckJoint(description.joints[i], i, description.bodies.size())) return fault;
  return std::nullopt;
}

}  // namespace brivonel::physics
