#include "physics/bullet/bullet_parts.h"

#include <algorithm>
#include <cmath>

#include "physics/bullet/bullet_transforms.h"
#include "physics/description_checks.h"

namespace brivonel::physics {
namespace {

// Below this a shape has no volume to speak of and its inertia no number.
constexpr float kMinBodySize = 0.01f;
// A dynamic body lighter than this (or without mass) is given this much, so
// that it still hangs from its joints instead of floating in place.
constexpr float kMinDynamicMass = 0.01f;
constexpr float kMaxStiffness = 1.0e6f;
// Bullet's 6-DOF joint reads its rotation as Euler angles whose middle
// angle (about y) must stay inside a quarter turn.
constexpr float kMaxMiddleAngle = 1.5707963f - 0.01f;
// How hard a joint pulls a body back to its limits each step, as other
// runtimes of these files set it.
constexpr float kStopErp = 0.475f;

float Held(float value, float low, float high) {
  return std::isfinite(value) ? std::clamp(value, low, high) : low;
}

float Size(float value) { return Held(value, kMinBodySize, kMaxBodySize); }

std::unique_ptr<btCollisionShape> MakeShape(const RigidBodyDescription& d) {
  switch (d.shape) {
    case BodyShape::kBox:
      return std::make_unique<btBoxShape>(btVector3(Size(d.size.x), Size(d.size.y), Size(d.size.z)));
    case BodyShape::kCapsule:
      return std::make_unique<btCapsuleShape>(Size(d.size.x), Held(d.size.y, 0.0f, kMaxBodySize));
    case BodyShape::kSphere:
    default:
      return std::make_unique<btSphereShape>(Size(d.size.x));
  }
}

// Limits on one kind of movement: a pair with lower above upper frees the
// axis, as the engine reads it; otherwise both ends are held to `range`.
void HeldLimits(Float3& lower, Float3& upper, const Float3& range) {
  float* lows[] = {&lower.x, &lower.y, &lower.z};
  float* highs[] = {&upper.x, &upper.y, &upper.z};
  const float ranges[] = {range.x, range.y, range.z};
  for (int axis = 0; axis < 3; ++axis) {
    if (*lows[axis] > *highs[axis]) continue;
    *lows[axis] = Held(*lows[axis], -ranges[axis], ranges[axis]);
    *highs[axis] = Held(*highs[axis], -ranges[axis], ranges[axis]);
  }
}

}  // namespace

BulletBody MakeBody(const RigidBodyDescription& d, const btTransform& rest) {
  BulletBody made;
  made.shape = MakeShape(d);
  made.kinematic = d.mode == BodyMode::kFollowBone;
  const float mass = made.kinematic ? 0.0f : Held(d.mass, kMinDynamicMass, kMaxBodyMass);
  btVector3 inertia(0, 0, 0);
  if (mass > 0.0f) made.shape->calculateLocalInertia(mass, inertia);
  made.motion = std::make_unique<btDefaultMotionState>(rest);
  btRigidBody::btRigidBodyConstructionInfo info(mass, made.motion.get(), made.shape.get(), inertia);
  info.m_linearDamping = Held(d.linearDamping, 0.0f, 1.0f);
  info.m_angularDamping = Held(d.angularDamping, 0.0f, 1.0f);
  info.m_restitution = Held(d.restitution, 0.0f, 1.0f);
  info.m_friction = Held(d.friction, 0.0f, 100.0f);
  made.body = std::make_unique<btRigidBody>(info);
  if (made.kinematic)
    made.body->setCollisionFlags(made.body->getCollisionFlags() |
                                 btCollisionObject::CF_KINEMATIC_OBJECT);
  // Nothing sleeps: a character is always moving.
  made.body->setActivationState(DISABLE_DEACTIVATION);
  made.body->setSleepingThresholds(0.0f, 0.0f);
  made.group = 1 << std::min<int>(d.group, kCollisionGroups - 1);
  made.mask = d.collidesWith;
  return made;
}

std::unique_ptr<btGeneric6DofSpringConstraint> MakeJoint(const JointDescription& d,
                                                         btRigidBody& a, btRigidBody& b) {
  if (&a == &b) return nullptr;
  const Float4 one{1.0f, 1.0f, 1.0f, 1.0f};
  const btTransform joint = ToBullet(
      MatrixAffine(one, d.rotation, {d.position.x, d.position.y, d.position.z, 0.0f}));
  const btTransform inA = a.getWorldTransform().inverse() * joint;
  const btTransform inB = b.getWorldTransform().inverse() * joint;
  auto made = std::make_unique<btGeneric6DofSpringConstraint>(a, b, inA, inB, true);

  Float3 linearLower = d.linearLower, linearUpper = d.linearUpper;
  Float3 angularLower = d.angularLower, angularUpper = d.angularUpper;
  HeldLimits(linearLower, linearUpper, {kMaxCoordinate, kMaxCoordinate, kMaxCoordinate});
  HeldLimits(angularLower, angularUpper, {3.1415926f, kMaxMiddleAngle, 3.1415926f});
  made->setLinearLowerLimit(ToBullet(linearLower));
  made->setLinearUpperLimit(ToBullet(linearUpper));
  made->setAngularLowerLimit(ToBullet(angularLower));
  made->setAngularUpperLimit(ToBullet(angularUpper));

  const float stiffness[6] = {d.linearStiffness.x,  d.linearStiffness.y,  d.linearStiffness.z,
                              d.angularStiffness.x, d.angularStiffness.y, d.angularStiffness.z};
  for (int axis = 0; axis < 6; ++axis) {
    const float k = Held(stiffness[axis], 0.0f, kMaxStiffness);
    if (k == 0.0f) continue;
    made->enableSpring(axis, true);
    made->setStiffness(axis, k);
  }
  for (int axis = 0; axis < 6; ++axis) made->setParam(BT_CONSTRAINT_STOP_ERP, kStopErp, axis);
  return made;
}

}  // namespace brivonel::physics
