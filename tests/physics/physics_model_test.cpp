// The model with the Bullet engine, as the program runs it frame by frame:
// hair that lags behind a drag and settles, and a body that turns its bone
// while the bone keeps the place the motion gives it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "model/model.h"
#include "physics/bullet/bullet_engine.h"
#include "tests/support/pose_rigs.h"

namespace brivonel {
namespace {

using physics::BodyMode;
using test::MotionBuilder;

constexpr std::uint64_t kFrameMs = 33;

Float4 PositionOf(const Bone& bone) {
  return {bone.worldMatrix.m[3][0], bone.worldMatrix.m[3][1], bone.worldMatrix.m[3][2], 0};
}

physics::RigidBodyDescription Capsule(std::int32_t bone, Float3 centre, BodyMode mode) {
  physics::RigidBodyDescription b;
  b.bone = bone;
  b.shape = physics::BodyShape::kCapsule;
  b.size = {0.3f, 2.0f, 0};
  b.position = centre;
  b.mass = 0.5f;
  b.linearDamping = 0.5f;
  b.angularDamping = 0.5f;
  b.mode = mode;
  b.group = 1;
  b.collidesWith = 0xFFFF & ~(1 << 1);  // not with the other hair
  return b;
}

// A joint at `at` that holds B to A and lets it turn up to `limit` each way.
physics::JointDescription Joint(int a, int b, Float3 at, float limit) {
  physics::JointDescription j;
  j.bodyA = a;
  j.bodyB = b;
  j.position = at;
  j.angularLower = {-limit, -limit, -limit};
  j.angularUpper = {limit, limit, limit};
  return j;
}

class PhysicsModelTest : public ::testing::Test {
 protected:
  PhysicsModelTest() : camera(test::StandardCamera(960, 1040)) {}

  void Attach() {
    test::EnableSkinning(model);
    test::AttachCamera(model, camera, 960, 1040);
    model.SetPhysicsEngine(&engine);
  }

  // Plays frames 33 ms apart from `from`, the window at `placement` (which
  // `move` shifts each frame); returns the frame after the last.
  std::uint64_t Play(std::uint64_t from, int frames, Float2& placement, Float2 move,
                     const std::function<void()>& eachFrame) {
    for (int f = 0; f < frames; ++f, ++from) {
      placement = {placement.x + move.x, placement.y + move.y};
      model.SetScreenPlacement(placement);
      model.Update(from * kFrameMs);
      eachFrame();
    }
    return from;
  }

  test::Camera camera;
  physics::BulletEngine engine;
  Model model;
};

// A twin tail: head (1) with a body that follows it, three hair bones below
// it with a dynamic body on each of the first two. Dragged to the right the
// tail trails to the left of the head; let go, it swings back and settles.
TEST_F(PhysicsModelTest, DraggingTheWindowRightSwingsTheHairLeftThenItSettles) {
  test::BuildBones(model, {{u"root", -1, {0, 0, 0, 0}},
                           {u"head", 0, {0, 15, 0, 0}},
                           {u"hair1", 1, {0, 14, 1, 0}},
                           {u"hair2", 2, {0, 11.5f, 1, 0}},
                           {u"hairTip", 3, {0, 9, 1, 0}}});
  physics::RigidBodyDescription head;
  head.bone = 1;
  head.size = {1.5f, 0, 0};
  head.position = {0, 16, 0};
  head.mode = BodyMode::kFollowBone;
  head.group = 0;
  model.physicsDescription.bodies = {head, Capsule(2, {0, 12.75f, 1}, BodyMode::kDynamic),
                                     Capsule(3, {0, 10.25f, 1}, BodyMode::kDynamic)};
  model.physicsDescription.joints = {Joint(0, 1, {0, 14, 1}, 1.0f), Joint(1, 2, {0, 11.5f, 1}, 1.0f)};
  MotionBuilder motion(model);
  motion.AddBoneKey(u"root", 0, {}, {0, 0, 0, 1});
  motion.AddBoneKey(u"root", 3000, {}, {0, 0, 0, 1});  // a long still motion
  model.animation = motion.Build();
  Attach();
  const float pixelsPerUnit =
      model.ProjectToScreen({1, 0, 0, 1}).x - model.ProjectToScreen({0, 0, 0, 1}).x;
  ASSERT_GT(pixelsPerUnit, 1.0f);

  // How far the tip is to the right of the head.
  const auto tipRight = [&] { return PositionOf(model.bones[4]).x - PositionOf(model.bones[1]).x; };
  Float2 placement{500, 300};
  std::uint64_t frame = Play(0, 60, placement, {}, [] {});
  EXPECT_NEAR(tipRight(), 0.0f, 0.05f) << "the tail hangs straight down at rest";

  float trailing = 0.0f;  // the most the tip trailed to the left
  frame = Play(frame, 10, placement, {0.6f * pixelsPerUnit, 0},
               [&] { trailing = std::min(trailing, tipRight()); });
  EXPECT_LT(trailing, -0.3f) << "dragged right, the tail trails to the left";

  // Let go, it swings past the middle and back, less each time.
  float overshoot = 0.0f, early = 0.0f, late = 0.0f;
  int released = 0;
  Play(frame, 300, placement, {}, [&] {
    overshoot = std::max(overshoot, tipRight());
    float& swing = released++ < 60 ? early : late;
    if (released > 240 || released <= 60) swing = std::max(swing, std::fabs(tipRight()));
  });
  EXPECT_GT(overshoot, 0.05f) << "let go, it swings past the middle";
  EXPECT_LT(late, 0.25f * early) << "and the swing dies down";
  for (const Bone& bone : model.bones)
    for (const auto& row : bone.worldMatrix.m)
      for (float v : row) ASSERT_TRUE(std::isfinite(v));
}

// An arm sticking out sideways on a body that keeps its bone's place: gravity
// turns it down, while the motion carries its root (and so the arm's place)
// around.
TEST_F(PhysicsModelTest, BodyThatKeepsItsPlaceTurnsTheBoneWhereTheMotionPutsIt) {
  test::BuildBones(model, {{u"root", -1, {0, 10, 0, 0}},
                           {u"arm", 0, {1, 10, 0, 0}},
                           {u"hand", 1, {5, 10, 0, 0}}});
  physics::RigidBodyDescription anchor;
  anchor.bone = 0;
  anchor.size = {0.5f, 0, 0};
  anchor.position = {0, 10, 0};
  anchor.mode = BodyMode::kFollowBone;
  anchor.collidesWith = 0;
  physics::RigidBodyDescription arm = Capsule(1, {3, 10, 0}, BodyMode::kDynamicKeepsPlace);
  arm.rotation = QuaternionRotationAxis({0, 0, 1, 0}, kPi / 2);  // lying along x
  arm.collidesWith = 0;
  model.physicsDescription.bodies = {anchor, arm};
  model.physicsDescription.joints = {Joint(0, 1, {1, 10, 0}, 1.5f)};
  MotionBuilder motion(model);
  motion.AddBoneKey(u"root", 0, {}, {0, 0, 0, 1});
  motion.AddBoneKey(u"root", 60, {2, 1, 0, 0}, {0, 0, 0, 1});
  model.animation = motion.Build();
  Attach();

  Float2 placement{500, 300};
  Play(0, 45, placement, {}, [] {});
  const Float4 root = PositionOf(model.bones[0]);
  const Float4 armAt = PositionOf(model.bones[1]);
  EXPECT_NEAR(armAt.x - root.x, 1.0f, 1e-4f) << "the arm keeps its place on the root";
  EXPECT_NEAR(armAt.y - root.y, 0.0f, 1e-4f);
  const Float4 hand = PositionOf(model.bones[2]);
  EXPECT_LT(hand.y - armAt.y, -1.0f) << "gravity has turned the arm down";
}

}  // namespace
}  // namespace brivonel
