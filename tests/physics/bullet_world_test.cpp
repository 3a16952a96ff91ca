// The Bullet world on its own: a pendulum keeps the period mechanics gives
// it, bodies that follow bones are exactly where they are put, collision
// groups decide what touches, a frame's steps are bounded, and hostile
// descriptions never give a pose that is not a number.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "physics/bullet/bullet_world.h"

namespace brivonel::physics {
namespace {

Matrix4 At(Float3 p) { return MatrixTranslation({p.x, p.y, p.z, 0.0f}); }
Float3 Origin(const Matrix4& m) { return {m.m[3][0], m.m[3][1], m.m[3][2]}; }

bool Finite(const Matrix4& m) {
  for (const auto& row : m.m)
    for (float v : row)
      if (!std::isfinite(v)) return false;
  return true;
}

RigidBodyDescription Body(BodyMode mode, Float3 position, float radius = 0.5f, float mass = 1.0f) {
  RigidBodyDescription b;
  b.mode = mode;
  b.position = position;
  b.size = {radius, radius, radius};
  b.mass = mass;
  return b;
}

// A joint at `position` that holds B's place to A's and leaves it free to
// turn (lower limits above the upper ones free an axis).
JointDescription Hinge(int a, int b, Float3 position) {
  JointDescription j;
  j.bodyA = a;
  j.bodyB = b;
  j.position = position;
  j.angularLower = {1, 1, 1};
  j.angularUpper = {-1, -1, -1};
  return j;
}

// Steps the world `seconds` in frames of 1/30 s, the bodies that follow
// bones staying where they are; returns the poses after each frame.
std::vector<std::vector<Matrix4>> RunFrames(BulletWorld& world, std::vector<Matrix4>& poses,
                                      float seconds) {
  std::vector<std::vector<Matrix4>> frames;
  for (float t = 0.0f; t < seconds; t += 1.0f / 30.0f) {
    world.Step(1.0f / 30.0f, poses);
    frames.push_back(poses);
  }
  return frames;
}

std::vector<Matrix4> RestPoses(const PhysicsDescription& d) {
  std::vector<Matrix4> poses;
  for (const RigidBodyDescription& b : d.bodies) poses.push_back(At(b.position));
  return poses;
}

// A rod hanging from one end by a joint that lets it turn, as a lock of hair
// hangs: mechanics gives its period as 2 pi sqrt(I / (m g d)), with I its
// moment of inertia about the pivot and d the pivot's distance from its
// centre.
TEST(BulletWorldTest, PendulumSwingsWithThePeriodMechanicsGives) {
  const float half = 2.5f, thickness = 0.3f, gravity = 98.0f, angle = 0.1f;
  PhysicsDescription d;
  d.bodies.push_back(Body(BodyMode::kFollowBone, {0, 10, 0}, 0.1f));
  RigidBodyDescription rod =
      Body(BodyMode::kDynamic, {half * std::sin(angle), 10 - half * std::cos(angle), 0});
  rod.shape = BodyShape::kBox;
  rod.size = {thickness, half, thickness};
  rod.rotation = QuaternionRotationAxis({0, 0, 1, 0}, angle);
  rod.collidesWith = 0;  // it passes the anchor
  d.bodies.push_back(rod);
  d.joints.push_back(Hinge(0, 1, {0, 10, 0}));
  BulletWorld world(d, {});
  std::vector<Matrix4> poses = RestPoses(d);
  poses[1] = MatrixAffine({1, 1, 1, 1}, rod.rotation, {rod.position.x, rod.position.y, 0, 0});
  world.Reset(poses);

  // Times at which the rod passes the lowest point going one way.
  std::vector<float> crossings;
  float last = Origin(poses[1]).x, time = 0.0f;
  for (int frame = 0; frame < 30 * 8; ++frame) {
    world.Step(1.0f / 30.0f, poses);
    time += 1.0f / 30.0f;
    const float x = Origin(poses[1]).x;
    if (last > 0.0f && x <= 0.0f) crossings.push_back(time - (1.0f / 30.0f) * x / (x - last));
    last = x;
  }
  ASSERT_GE(crossings.size(), 4u);
  const float measured = (crossings.back() - crossings.front()) / static_cast<float>(crossings.size() - 1);
  // A box 2 thickness x 2 half long: I = m (t^2 + l^2) / 12 + m d^2 about the pivot.
  const float length = 2.0f * half, width = 2.0f * thickness;
  const float inertiaPerMass = (width * width + length * length) / 12.0f + half * half;
  const float expected = 2.0f * 3.14159265f * std::sqrt(inertiaPerMass / (gravity * half));
  EXPECT_NEAR(measured, expected, 0.05f * expected);
}

TEST(BulletWorldTest, BodyThatFollowsItsBoneIsExactlyWherePut) {
  PhysicsDescription d;
  d.bodies.push_back(Body(BodyMode::kFollowBone, {0, 0, 0}));
  BulletWorld world(d, {});
  std::vector<Matrix4> poses = RestPoses(d);
  world.Reset(poses);
  const Matrix4 target = Multiply(MatrixRotationY(0.7f), At({3, 2, -1}));
  poses[0] = target;
  world.Step(1.0f / 30.0f, poses);
  const Matrix4 now = world.PoseOf(0);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(now.m[r][c], target.m[r][c], 1e-5f);
}

// What an impulse morph asks: a free ball (no gravity, no damping) pushed
// along its own x axis moves along where that axis points in the world; an
// angular impulse turns it by the impulse over its moment of inertia; a
// push of zero stops it; an absurd push is held to the largest; a body that
// follows its bone is not pushed. Played in frames of 1/30 s.
TEST(BulletWorldTest, PushMovesAndTurnsAFreeBallAndZeroStopsIt) {
  PhysicsDescription d;
  d.bodies.push_back(Body(BodyMode::kDynamic, {0, 0, 0}));  // I = 2/5 m r^2 = 0.1
  d.bodies[0].rotation = QuaternionRotationAxis({0, 0, 1, 0}, 0.6f);
  d.bodies.push_back(Body(BodyMode::kFollowBone, {10, 0, 0}));
  WorldSettings settings;
  settings.gravity = 0.0f;
  BulletWorld world(d, settings);
  std::vector<Matrix4> poses = {world.PoseOf(0), world.PoseOf(1)};
  const auto frames = [&](int count) {
    for (int i = 0; i < count; ++i) world.Step(1.0f / 30.0f, poses);
  };
  const Matrix4 start = world.PoseOf(0);
  const Float3 ownX{start.m[0][0], start.m[0][1], start.m[0][2]};

  world.Push(0, {2, 0, 0}, {0, 0, 0.1f}, true);
  world.Push(1, {5, 0, 0}, {}, false);
  frames(15);  // half a second
  const Matrix4 moved = world.PoseOf(0);
  for (int axis = 0; axis < 3; ++axis)
    EXPECT_NEAR(moved.m[3][axis], (&ownX.x)[axis], 1e-3f) << "2 units/s for 0.5 s along its x";
  // Turned 1 rad/s about its own z (the world's z) for 0.5 s.
  const float turned = std::acos(std::clamp(
      moved.m[0][0] * start.m[0][0] + moved.m[0][1] * start.m[0][1] + moved.m[0][2] * start.m[0][2], -1.0f, 1.0f));
  EXPECT_NEAR(turned, 0.5f, 1e-3f);
  EXPECT_EQ(Origin(world.PoseOf(1)), (Float3{10, 0, 0}));

  world.Push(0, {}, {}, false);
  frames(15);
  const Float3 stopped = Origin(world.PoseOf(0));
  for (int axis = 0; axis < 3; ++axis) EXPECT_NEAR((&stopped.x)[axis], moved.m[3][axis], 1e-5f) << "stopped";

  world.Push(0, {1e30f, 0, 0}, {}, false);
  const Float3 before = Origin(world.PoseOf(0));
  frames(3);  // 0.1 s
  EXPECT_NEAR(Origin(world.PoseOf(0)).x - before.x, 0.1f * BulletWorld::kLargestPush, 1.0f);
  for (const Matrix4& pose : poses) EXPECT_TRUE(Finite(pose));
}

// A ball dropped onto a floor that follows a bone rests on it when their
// groups collide, and falls through when its mask leaves the floor's group
// out.
TEST(BulletWorldTest, CollisionGroupsDecideWhatTouches) {
  const struct {
    std::uint16_t ballMask;
    bool rests;
  } cases[] = {{0xFFFF, true}, {static_cast<std::uint16_t>(0xFFFF & ~(1 << 3)), false}};
  for (const auto& c : cases) {
    PhysicsDescription d;
    RigidBodyDescription floor = Body(BodyMode::kFollowBone, {0, 0, 0});
    floor.shape = BodyShape::kBox;
    floor.size = {5, 0.5f, 5};
    floor.group = 3;
    d.bodies.push_back(floor);
    d.bodies.push_back(Body(BodyMode::kDynamic, {0, 3, 0}));
    d.bodies[1].collidesWith = c.ballMask;
    BulletWorld world(d, {});
    std::vector<Matrix4> poses = RestPoses(d);
    world.Reset(poses);
    RunFrames(world, poses, 2.0f);
    const float y = Origin(poses[1]).y;
    if (c.rests)
      EXPECT_NEAR(y, 1.0f, 0.1f) << "mask " << c.ballMask;
    else
      EXPECT_LT(y, -10.0f) << "mask " << c.ballMask;
  }
}

// A long frame (a stall) steps at most maxSubSteps fixed steps: the ball
// falls as far as those steps take it, not as far as ten seconds would.
TEST(BulletWorldTest, LongFrameTakesABoundedNumberOfSteps) {
  PhysicsDescription d;
  d.bodies.push_back(Body(BodyMode::kDynamic, {0, 0, 0}));
  WorldSettings settings;
  BulletWorld world(d, settings);
  std::vector<Matrix4> poses = RestPoses(d);
  world.Reset(poses);
  world.Step(10.0f, poses);
  const float most = static_cast<float>(settings.maxSubSteps) * settings.fixedStep;
  EXPECT_LE(-Origin(poses[0]).y, 0.5f * settings.gravity * most * most * 1.5f + 1e-3f);
  EXPECT_GT(-Origin(poses[0]).y, 0.0f);
}

// What a damaged or hostile file can describe (past the checks that refuse
// numbers out of bounds): each world runs two seconds of frames and every
// pose stays a number; a pile of bodies in one place turns collisions off.
TEST(BulletWorldTest, HostileDescriptionsStayNumbersAndBounded) {
  struct Case {
    const char* name;
    PhysicsDescription description;
    bool pileExpected = false;
  };
  std::vector<Case> cases;
  {
    Case c{"sizes of zero and of the most allowed", {}};
    c.description.bodies = {Body(BodyMode::kDynamic, {0, 0, 0}, 0.0f),
                            Body(BodyMode::kDynamic, {0, 5, 0}, 10000.0f)};
    c.description.bodies[1].shape = BodyShape::kCapsule;
    cases.push_back(c);
  }
  {
    Case c{"a dynamic body without mass on a joint", {}};
    c.description.bodies = {Body(BodyMode::kFollowBone, {0, 10, 0}),
                            Body(BodyMode::kDynamic, {0, 8, 0}, 0.5f, 0.0f)};
    c.description.joints = {Hinge(0, 1, {0, 10, 0})};
    cases.push_back(c);
  }
  {
    Case c{"a joint from a body to itself, limits crossed, springs of the most", {}};
    c.description.bodies = {Body(BodyMode::kDynamic, {0, 0, 0}), Body(BodyMode::kDynamic, {1, 0, 0})};
    JointDescription self = Hinge(0, 0, {0, 0, 0});
    JointDescription wild = Hinge(0, 1, {0.5f, 0, 0});
    wild.linearLower = {5, -5, 3};
    wild.linearUpper = {-5, 5, -3};
    wild.angularLower = {-100, -100, -100};
    wild.angularUpper = {100, 100, 100};
    wild.linearStiffness = {1e9f, 1e9f, 1e9f};
    wild.angularStiffness = {1e9f, 1e9f, 1e9f};
    c.description.joints = {self, wild};
    cases.push_back(c);
  }
  {
    Case c{"a thousand bodies in one place", {}, true};
    for (int i = 0; i < 1000; ++i) c.description.bodies.push_back(Body(BodyMode::kDynamic, {0, 0, 0}));
    cases.push_back(c);
  }
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    BulletWorld world(c.description, {});
    std::vector<Matrix4> poses = RestPoses(c.description);
    world.Reset(poses);
    for (const std::vector<Matrix4>& frame : RunFrames(world, poses, 2.0f))
      for (const Matrix4& pose : frame) ASSERT_TRUE(Finite(pose));
    EXPECT_EQ(world.collisionsOff(), c.pileExpected);
    EXPECT_GE(world.stepsPerFrame(), 1);
  }
}

}  // namespace
}  // namespace brivonel::physics
