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
  d.collidesWith = f.collisionMask;
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

namespace {

// A body that keeps its bone's place, jointed below a dynamic body whose bone
// is its bone's parent, hangs from that body like the rest of the chain:
// kept in place it would fight the joint (the runtimes these files are made
// for treat it as fully dynamic).
void LetChainsHang(physics::PhysicsDescription& description, const std::vector<Bone>& bones) {
  const auto boneOf = [&](std::int32_t body) {
    return body >= 0 && static_cast<std::size_t>(body) < description.bodies.size()
               ? description.bodies[static_cast<std::size_t>(body)].bone
               : -1;
  };
  for (const physics::JointDescription& joint : description.joints) {
    const std::int32_t boneA = boneOf(joint.bodyA);
    const std::int32_t boneB = boneOf(joint.bodyB);
    if (boneA < 0 || boneB < 0 || static_cast<std::size_t>(boneB) >= bones.size()) continue;
    physics::RigidBodyDescription& a = description.bodies[static_cast<std::size_t>(joint.bodyA)];
    physics::RigidBodyDescription& b = description.bodies[static_cast<std::size_t>(joint.bodyB)];
    if (a.mode != physics::BodyMode::kFollowBone && b.mode == physics::BodyMode::kDynamicKeepsPlace &&
        bones[static_cast<std::size_t>(boneB)].parentIndex == boneA)
      b.mode = physics::BodyMode::kDynamic;
  }
}

}  // namespace

void GivePhysics(Model& model, physics::PhysicsDescription description, std::string& note) {
  model.physicsDescription = {};
  LetChainsHang(description, model.bones);
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
