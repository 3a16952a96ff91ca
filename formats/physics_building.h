#pragma once
// The model's rigid bodies and joints from a file's records, in model space
// and model units, and the check that decides whether the model gets them:
// one that cannot be simulated loads without physics, never fails to load.
#include <cstdint>
#include <string>

#include "formats/physics_records.h"
#include "model/model.h"
#include "physics/body_description.h"

namespace brivonel {

// A body with its bone (-1 for none) whose centre at rest is `position`, in
// model space.
physics::RigidBodyDescription DescribeBody(std::u16string name, std::int32_t bone,
                                           const RigidBodyFields& fields, const Float3& position);
physics::JointDescription DescribeJoint(std::u16string name, std::int32_t bodyA,
                                        std::int32_t bodyB, const JointFields& fields);

// Gives the model `description` when it can be simulated. Otherwise, or when
// the reader already noted a damaged block in `note`, the model gets no
// physics and `note` holds why; a trace line says so.
void GivePhysics(Model& model, physics::PhysicsDescription description, std::string& note);

}  // namespace brivonel
