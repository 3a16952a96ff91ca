#pragma once
// One character's dynamics world on Bullet.
//
// The world advances in fixed steps; the bodies that follow bones move to
// their new poses gradually over the steps of a frame (so a fast drag moves
// them smoothly, and what hangs from them feels the pull over the frame
// rather than in one jerk). The work of one frame is bounded: at most
// maxSubSteps steps, fewer for worlds of thousands of parts, and when the
// bodies touch one another in thousands of places at once (a pile of bodies
// in one spot) collisions between them are switched off for good.
#include <memory>
#include <span>
#include <vector>

#include <btBulletDynamicsCommon.h>

#include "physics/bullet/bullet_parts.h"
#include "physics/physics_world.h"

namespace brivonel::physics {

class BulletWorld final : public IPhysicsWorld {
 public:
  BulletWorld(const PhysicsDescription& description, const WorldSettings& settings);
  ~BulletWorld() override;
  BulletWorld(const BulletWorld&) = delete;
  BulletWorld& operator=(const BulletWorld&) = delete;

  void Reset(std::span<const Matrix4> poses) override;
  void Step(float seconds, std::span<Matrix4> poses) override;
  void MoveBodyTo(std::size_t body, const Float3& position) override;
  void Push(std::size_t body, const Float3& velocity, const Float3& torque, bool local) override;

  // A body's pose now (model matrix convention).
  Matrix4 PoseOf(std::size_t body) const;

  // Contacts between bodies that make collisions stop.
  static constexpr int kMaxContacts = 2048;
  // The largest push, in model units per second and its angular impulse: a
  // hundred character heights a second, far past any flick of hair, and
  // small enough that a file's absurd numbers cannot fling bodies out of
  // what the engine can follow.
  static constexpr float kLargestPush = 2000.0f;
  bool collisionsOff() const { return collisionsOff_; }
  int stepsPerFrame() const { return maxSubSteps_; }

 private:
  void PlaceBody(BulletBody& body, const btTransform& pose);
  // Turns collisions between bodies off when they touch in too many places:
  // from their bounding boxes before a step, from the engine's contacts
  // after one.
  void CheckContacts(bool afterStep);
  bool TooManyOverlaps() const;
  void TracePile() const;
  // A dynamics world holding the bodies and joints (on a broadphase that
  // pairs nothing once collisions are off), and its removal.
  void BuildWorld();
  void TakeApart();
  // Puts every body back where it was before a step that lost one.
  void Restore(const std::vector<btTransform>& before);

  WorldSettings settings_;
  int maxSubSteps_ = 1;
  float pending_ = 0.0f;  // time not stepped yet (less than one step)
  bool collisionsOff_ = false;

  std::unique_ptr<btDefaultCollisionConfiguration> configuration_;
  std::unique_ptr<btCollisionDispatcher> dispatcher_;
  std::unique_ptr<btBroadphaseInterface> broadphase_;
  std::unique_ptr<btSequentialImpulseConstraintSolver> solver_;
  std::unique_ptr<btDiscreteDynamicsWorld> world_;
  std::vector<BulletBody> bodies_;
  std::vector<std::unique_ptr<btGeneric6DofSpringConstraint>> joints_;
  // Where each body that follows a bone was put last.
  std::vector<btTransform> carried_;
  std::vector<btTransform> before_;
  mutable std::vector<btVector3> aabbMin_, aabbMax_;
};

}  // namespace brivonel::physics
