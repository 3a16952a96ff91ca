#pragma once
// The physics engine on Bullet: one dynamics world per character. Only this
// folder includes Bullet's headers; the rest of the program sees the
// physics layer's interface.
#include <memory>

#include "physics/physics_world.h"

namespace brivonel::physics {

class BulletEngine final : public IPhysicsEngine {
 public:
  std::unique_ptr<IPhysicsWorld> CreateWorld(const PhysicsDescription& description,
                                             const WorldSettings& settings) override;
};

}  // namespace brivonel::physics
