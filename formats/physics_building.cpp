#include "formats/physics_building.h"

#include <utility>

#include "base/trace.h"
#include "physics/description_checks.h"

namespace brivonel {

physics::RigidBodyDescription DescribeBody(std::u16string name, std::int32_t bone,
                                           const RigidBodyFields& f, const Float3& position) {
  physics::RigidBodyDescription d;
  d.name = std::move(name);
  d.bone = bone;
  d.group = f.group;
  // The files list the groups a body passes through; the world wants those
  // it hits.
  d.collidesWith = static_cast<std::uint16_t>(~f.nonCollisionMask & 0xFFFF);
  d.shape = static_cast<physics::BodyShape>(f.shape);
  d.size = f.size;
  d.position = position;
  d.rotation = physics::RotationFromEuler(f.rotation);
  d.mass = f.mass;
  d.linearDamping = f.linearDamping;
  d.angularDamping = f.angularDamping;
  d.restitution = f.restitution;
  d.friction = f.friction;
  d.mode = static_cast<physics::BodyMode>(f.mode);
  return d;
}

physics::JointDescription DescribeJoint(std::u16string name, std::int32_t bodyA,
                                        std::int32_t bodyB, const JointFields& f) {
  physics::JointDescription d;
  d.name = std::move(name);
  d.bodyA = bodyA;
  d.bodyB = bodyB;
  d.position = f.position;
  d.rotation = physics::RotationFromEuler(f.rotation);
  d.linearLower = f.linearLower;
  d.linearUpper = f.linearUpper;
  d.angularLower = f.angularLower;
  d.angularUpper = f.angularUpper;
  d.linearStiffness = f.linearStiffness;
  d.angularStiffness = f.angularStiffness;
  return d;
}

void GivePhysics(Model& model, physics::PhysicsDescription description, std::string& note) {
  model.physicsDescription = {};
  if (note.empty()) {
    if (std::optional<std::string> fault =
            physics::CheckDescription(description, model.bones.size())) {
      note = std::move(*fault);
      TraceFormat("%s; the model has no physics\n", note.c_str());
    }
  }
  if (note.empty()) model.physicsDescription = std::move(description);
}

}  // namespace brivonel
