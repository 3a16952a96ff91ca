#include "physics/bullet/bullet_world.h"

#include <algorithm>
#include <cmath>

#include "base/trace.h"
#include "physics/bullet/bullet_engine.h"
#include "physics/bullet/bullet_transforms.h"
#include "physics/bullet/null_broadphase.h"

namespace brivonel::physics {
namespace {

// Bodies and joints advanced per frame at the most, over all steps: a real
// character (tens of each) takes every step it asks for; a world of
// thousands takes fewer, and at least one.
constexpr int kPartStepsPerFrame = 20000;

bool Finite(const btTransform& t) {
  const btVector3& o = t.getOrigin();
  const btMatrix3x3& b = t.getBasis();
  for (int r = 0; r < 3; ++r)
    if (!std::isfinite(b[r].x()) || !std::isfinite(b[r].y()) || !std::isfinite(b[r].z()))
      return false;
  return std::isfinite(o.x()) && std::isfinite(o.y()) && std::isfinite(o.z());
}

btTransform Between(const btTransform& from, const btTransform& to, float t) {
  btTransform between;
  between.setOrigin(from.getOrigin().lerp(to.getOrigin(), t));
  between.setRotation(from.getRotation().slerp(to.getRotation(), t));
  return between;
}

Matrix4 RestPose(const RigidBodyDescription& d) {
  return MatrixAffine({1.0f, 1.0f, 1.0f, 1.0f}, d.rotation,
                      {d.position.x, d.position.y, d.position.z, 0.0f});
}

// Pairs the broadphase hands on: bodies whose groups collide, unless both
// follow bones (neither moves the other, so their contacts are only cost).
struct DynamicPairsOnly final : btOverlapFilterCallback {
  bool needBroadphaseCollision(btBroadphaseProxy* a, btBroadphaseProxy* b) const override {
    if ((a->m_collisionFilterGroup & b->m_collisionFilterMask) == 0 ||
        (b->m_collisionFilterGroup & a->m_collisionFilterMask) == 0)
      return false;
    const auto* bodyA = static_cast<const btCollisionObject*>(a->m_clientObject);
    const auto* bodyB = static_cast<const btCollisionObject*>(b->m_clientObject);
    return !(bodyA->isStaticOrKinematicObject() && bodyB->isStaticOrKinematicObject());
  }
};
const DynamicPairsOnly kDynamicPairsOnly;

}  // namespace

std::unique_ptr<IPhysicsWorld> BulletEngine::CreateWorld(const PhysicsDescription& description,
                                                         const WorldSettings& settings) {
  return std::make_unique<BulletWorld>(description, settings);
}

BulletWorld::BulletWorld(const PhysicsDescription& description, const WorldSettings& settings)
    : settings_(settings),
      configuration_(std::make_unique<btDefaultCollisionConfiguration>()),
      dispatcher_(std::make_unique<btCollisionDispatcher>(configuration_.get())),
      solver_(std::make_unique<btSequentialImpulseConstraintSolver>()) {
  if (!(settings_.fixedStep > 0.0f)) settings_.fixedStep = WorldSettings{}.fixedStep;
  const std::size_t parts = description.bodies.size() + description.joints.size();
  maxSubSteps_ = std::clamp<int>(
      parts == 0 ? settings_.maxSubSteps : static_cast<int>(kPartStepsPerFrame / parts), 1,
      std::max(settings_.maxSubSteps, 1));

  bodies_.reserve(description.bodies.size());
  for (const RigidBodyDescription& d : description.bodies)
    bodies_.push_back(MakeBody(d, ToBullet(RestPose(d))));
  for (const JointDescription& d : description.joints) {
    const auto named = [this](std::int32_t i) {
      return i >= 0 && static_cast<std::size_t>(i) < bodies_.size();
    };
    if (!named(d.bodyA) || !named(d.bodyB)) continue;
    auto joint = MakeJoint(d, *bodies_[static_cast<std::size_t>(d.bodyA)].body,
                           *bodies_[static_cast<std::size_t>(d.bodyB)].body);
    if (joint) joints_.push_back(std::move(joint));
  }
  carried_.resize(bodies_.size());
  for (std::size_t i = 0; i < bodies_.size(); ++i) carried_[i] = bodies_[i].body->getWorldTransform();
  collisionsOff_ = TooManyOverlaps();
  if (collisionsOff_) TracePile();
  BuildWorld();
}

BulletWorld::~BulletWorld() { TakeApart(); }

void BulletWorld::BuildWorld() {
  if (collisionsOff_)
    broadphase_ = std::make_unique<NullBroadphase>();
  else
    broadphase_ = std::make_unique<btDbvtBroadphase>();
  world_ = std::make_unique<btDiscreteDynamicsWorld>(dispatcher_.get(), broadphase_.get(),
                                                     solver_.get(), configuration_.get());
  world_->getPairCache()->setOverlapFilterCallback(const_cast<DynamicPairsOnly*>(&kDynamicPairsOnly));
  world_->setGravity(btVector3(0.0f, -settings_.gravity, 0.0f));
  world_->getSolverInfo().m_numIterations = std::clamp(settings_.solverIterations, 1, 100);
  for (BulletBody& body : bodies_) world_->addRigidBody(body.body.get(), body.group, body.mask);
  // Joined bodies pass through each other.
  for (auto& joint : joints_) world_->addConstraint(joint.get(), true);
}

void BulletWorld::TakeApart() {
  if (!world_) return;
  for (auto& joint : joints_) world_->removeConstraint(joint.get());
  for (BulletBody& body : bodies_) world_->removeRigidBody(body.body.get());
  world_.reset();
  broadphase_.reset();
}

void BulletWorld::PlaceBody(BulletBody& body, const btTransform& pose) {
  btRigidBody& b = *body.body;
  b.setWorldTransform(pose);
  b.setInterpolationWorldTransform(pose);
  b.getMotionState()->setWorldTransform(pose);
  b.setLinearVelocity(btVector3(0, 0, 0));
  b.setAngularVelocity(btVector3(0, 0, 0));
  b.setInterpolationLinearVelocity(btVector3(0, 0, 0));
  b.setInterpolationAngularVelocity(btVector3(0, 0, 0));
  b.clearForces();
  // Contacts remembered from the old place mean nothing at the new one.
  if (b.getBroadphaseHandle() != nullptr)
    broadphase_->getOverlappingPairCache()->cleanProxyFromPairs(b.getBroadphaseHandle(),
                                                                dispatcher_.get());
}

void BulletWorld::Reset(std::span<const Matrix4> poses) {
  const std::size_t count = std::min(poses.size(), bodies_.size());
  for (std::size_t i = 0; i < count; ++i) {
    const btTransform pose = ToBullet(poses[i]);
    if (!Finite(pose)) continue;
    PlaceBody(bodies_[i], pose);
    carried_[i] = pose;
  }
  pending_ = 0.0f;
  CheckContacts(false);
}

void BulletWorld::Step(float seconds, std::span<Matrix4> poses) {
  if (!(seconds > 0.0f) || bodies_.empty()) return;
  const std::size_t count = std::min(poses.size(), bodies_.size());
  const float step = settings_.fixedStep;
  pending_ += seconds;
  int steps = static_cast<int>(pending_ / step);
  if (steps > maxSubSteps_) {
    // Time beyond the frame's steps is dropped, not owed.
    steps = maxSubSteps_;
    pending_ = 0.0f;
  } else {
    pending_ -= static_cast<float>(steps) * step;
  }
  if (steps == 0) return;

  before_.resize(bodies_.size());
  for (std::size_t i = 0; i < bodies_.size(); ++i) before_[i] = bodies_[i].body->getWorldTransform();
  for (int s = 1; s <= steps; ++s) {
    const float t = static_cast<float>(s) / static_cast<float>(steps);
    for (std::size_t i = 0; i < count; ++i) {
      BulletBody& body = bodies_[i];
      if (!body.kinematic) continue;
      const btTransform target = ToBullet(poses[i]);
      if (!Finite(target)) continue;
      body.motion->setWorldTransform(Between(carried_[i], target, t));
    }
    world_->stepSimulation(step, 0, step);
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (!bodies_[i].kinematic) continue;
    const btTransform target = ToBullet(poses[i]);
    if (Finite(target)) carried_[i] = target;
  }

  for (std::size_t i = 0; i < bodies_.size(); ++i) {
    if (!Finite(bodies_[i].body->getWorldTransform())) {
      TraceFormat("physics: body %zu lost its place; the bodies go back a frame\n", i);
      Restore(before_);
      break;
    }
  }
  for (std::size_t i = 0; i < count; ++i)
    if (!bodies_[i].kinematic) poses[i] = FromBullet(bodies_[i].body->getWorldTransform());
  CheckContacts(true);
}

void BulletWorld::MoveBodyTo(std::size_t index, const Float3& position) {
  if (index >= bodies_.size() || bodies_[index].kinematic) return;
  const btVector3 origin = ToBullet(position);
  if (!std::isfinite(origin.x()) || !std::isfinite(origin.y()) || !std::isfinite(origin.z())) return;
  btRigidBody& body = *bodies_[index].body;
  btTransform pose = body.getWorldTransform();
  pose.setOrigin(origin);
  body.setWorldTransform(pose);
  body.setInterpolationWorldTransform(pose);
  body.getMotionState()->setWorldTransform(pose);
}

void BulletWorld::Push(std::size_t index, const Float3& velocity, const Float3& torque, bool local) {
  if (index >= bodies_.size() || bodies_[index].kinematic) return;
  btRigidBody& body = *bodies_[index].body;
  const auto finite = [](const Float3& f) {
    return std::isfinite(f.x) && std::isfinite(f.y) && std::isfinite(f.z);
  };
  if (!finite(velocity) || !finite(torque)) return;
  // Held to the largest push along its own direction; the length is taken
  // in double, as a file's float can square past what a float holds.
  const auto held = [](const Float3& f) {
    const double length = std::sqrt(double{f.x} * f.x + double{f.y} * f.y + double{f.z} * f.z);
    const double scale = length > kLargestPush ? kLargestPush / length : 1.0;
    return btVector3(static_cast<btScalar>(f.x * scale), static_cast<btScalar>(f.y * scale),
                     static_cast<btScalar>(f.z * scale));
  };
  btVector3 v = held(velocity);
  btVector3 t = held(torque);
  if (v.isZero() && t.isZero()) {
    body.setLinearVelocity(btVector3(0, 0, 0));
    body.setAngularVelocity(btVector3(0, 0, 0));
    return;
  }
  if (local) {
    const btMatrix3x3& axes = body.getWorldTransform().getBasis();
    v = axes * v;
    t = axes * t;
  }
  body.setLinearVelocity(body.getLinearVelocity() + v);
  body.applyTorqueImpulse(t);
}

Matrix4 BulletWorld::PoseOf(std::size_t body) const {
  return body < bodies_.size() ? FromBullet(bodies_[body].body->getWorldTransform()) : MatrixIdentity();
}

void BulletWorld::Restore(const std::vector<btTransform>& before) {
  for (std::size_t i = 0; i < bodies_.size() && i < before.size(); ++i) PlaceBody(bodies_[i], before[i]);
}

bool BulletWorld::TooManyOverlaps() const {
  // Pairs of bodies whose bounding boxes overlap and whose groups collide,
  // counted up to the limit only, before the engine would make a contact
  // for each of them.
  const std::size_t count = bodies_.size();
  aabbMin_.resize(count);
  aabbMax_.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const btRigidBody& body = *bodies_[i].body;
    body.getCollisionShape()->getAabb(body.getWorldTransform(), aabbMin_[i], aabbMax_[i]);
  }
  int pairs = 0;
  for (std::size_t i = 0; i < count; ++i) {
    for (std::size_t j = i + 1; j < count; ++j) {
      if ((bodies_[i].group & bodies_[j].mask) == 0 || (bodies_[j].group & bodies_[i].mask) == 0)
        continue;
      if (!TestAabbAgainstAabb2(aabbMin_[i], aabbMax_[i], aabbMin_[j], aabbMax_[j])) continue;
      if (++pairs > kMaxContacts) return true;
    }
  }
  return false;
}

void BulletWorld::CheckContacts(bool afterStep) {
  if (collisionsOff_) return;
  const bool pile = afterStep ? dispatcher_->getNumManifolds() > kMaxContacts : TooManyOverlaps();
  if (!pile) return;
  TracePile();
  // The same bodies and joints, as they are now, in a world without
  // collisions between bodies.
  TakeApart();
  collisionsOff_ = true;
  BuildWorld();
}

void BulletWorld::TracePile() const {
  TraceFormat("physics: more than %d pairs of bodies touch; collisions between them are off\n",
              kMaxContacts);
}

}  // namespace brivonel::physics
