#pragma once
// Bullet's bodies and joints made from descriptions, with every value held
// to what the engine simulates sensibly: a description that passed the
// checks can still ask for a body of size 0, a dynamic body without mass,
// a joint between a body and itself or limits past the engine's range.
#include <memory>

#include <btBulletDynamicsCommon.h>

#include "physics/body_description.h"

namespace brivonel::physics {

struct BulletBody {
  std::unique_ptr<btCollisionShape> shape;
  std::unique_ptr<btDefaultMotionState> motion;
  std::unique_ptr<btRigidBody> body;
  bool kinematic = false;
  int group = 1;  // collision filter bits
  int mask = 0;
};

BulletBody MakeBody(const RigidBodyDescription& description, const btTransform& rest);

// A spring joint between two bodies at their rest poses, or nothing for a
// joint the engine cannot hold (a body joined to itself).
std::unique_ptr<btGeneric6DofSpringConstraint> MakeJoint(const JointDescription& description,
                                                         btRigidBody& a, btRigidBody& b);

}  // namespace brivonel::physics
