// The frame's stages: a pose that depends on the time alone (not on how
// many times Update ran, nor on drawing), and the physics stages against a
// recording engine: where the kinematic bodies go, how dynamic bodies turn
// their bones, when the world starts again, and the figure's moves.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "model/model.h"
#include "tests/support/pose_rigs.h"
#include "tests/support/recording_physics.h"

namespace brivonel {
namespace {

using physics::BodyMode;
using test::MotionBuilder;

constexpr std::uint64_t kFrameMs = 33;

// The first difference between two models' posed state, or "".
std::string PoseDifference(const Model& a, const Model& b) {
  for (std::size_t i = 0; i < a.bones.size(); ++i)
    if (!SameBits(a.bones[i].worldMatrix, b.bones[i].worldMatrix) ||
        !SameBits(a.bones[i].rotation, b.bones[i].rotation))
      return "bone " + std::to_string(i);
  for (std::size_t v = 0; v < a.posedVertices.size(); ++v)
    if (!SameBits(a.posedVertices[v], b.posedVertices[v])) return "vertex " + std::to_string(v);
  for (std::size_t m = 0; m < a.materials.size(); ++m)
    if (!SameBits(a.materials[m].multiplyFactors, b.materials[m].multiplyFactors) ||
        !SameBits(a.materials[m].addTerms, b.materials[m].addTerms) ||
        a.materials[m].multiplyPending != b.materials[m].multiplyPending)
      return "material " + std::to_string(m);
  return {};
}

struct RigCase {
  const char* name;
  std::function<void(Model&)> build;
};

// Whatever ran before (the same time again, another time, nothing), the
// pose at a time is the same: morphs do not add up, bone morphs on bones
// the motion leaves alone do not pile up, IK starts from the same place.
TEST(FrameStagesTest, PoseDependsOnTheTimeAlone) {
  const RigCase rigs[] = {
      {"pmd dance with its own IK keyed",
       [](Model& m) {
         test::BuildPmdStyleRig(m);
         m.animation = test::BuildDance(m, 300, true);
       }},
      {"pmx rig with morphs of every kind",
       [](Model& m) {
         test::BuildPmxRig(m, 3000);
         m.animation = test::BuildDenseMotion(m, 120);
       }},
      {"pmd dance half way into another",
       [](Model& m) {
         test::BuildPmdStyleRig(m);
         m.animation = test::BuildDance(m, 300, true);
         m.SetMotionBlend({200, test::BuildDance(m, 700, true), 0, 0.5f});
       }},
      {"random rig",
       [](Model& m) {
         test::BuildRandomRig(m, 7);
         m.animation = test::BuildRandomMotion(m, 7);
       }},
  };
  const test::Camera camera = test::StandardCamera(960, 1040);
  for (const RigCase& rig : rigs) {
    SCOPED_TRACE(rig.name);
    for (std::uint64_t t : {0u, 500u, 1700u, 3300u}) {
      Model once, twice, after;
      for (Model* m : {&once, &twice, &after}) {
        rig.build(*m);
        test::EnableSkinning(*m);
        test::AttachCamera(*m, camera, 960, 1040);
      }
      const int shift = once.Update(t);
      EXPECT_EQ(twice.Update(t), shift);
      EXPECT_EQ(twice.Update(t), shift);
      after.Update(t + 990);
      EXPECT_EQ(after.Update(t), shift);
      EXPECT_EQ(PoseDifference(once, twice), "") << "at " << t << " ms, updated twice";
      EXPECT_EQ(PoseDifference(once, after), "") << "at " << t << " ms, after another time";
    }
  }
}

// root (0) at the origin, hair1 (1) at height 15 hanging from it, hair2 (2)
// below hair1: one body following root, one dynamic body on hair1.
class PhysicsStagesTest : public ::testing::Test {
 protected:
  PhysicsStagesTest() : engine(record) {
    test::BuildBones(model, {{u"root", -1, {0, 0, 0, 0}},
                             {u"hair1", 0, {0, 15, 0, 0}},
                             {u"hair2", 1, {0, 10, 0, 0}}});
    test::EnableSkinning(model);
    physics::RigidBodyDescription head;
    head.bone = 0;
    head.position = {0, 16, 0};
    head.mode = BodyMode::kFollowBone;
    physics::RigidBodyDescription hair;
    hair.bone = 1;
    hair.position = {0, 12.5f, 0};
    hair.mode = BodyMode::kDynamic;
    hair.mass = 1;
    model.physicsDescription.bodies = {head, hair};
    Motion(u"root", 100, {0, 0, 0, 0}, {0, 0, 0, 1});
  }

  void Motion(const std::u16string& bone, std::uint32_t lastFrame, Float4 move, Quaternion turn) {
    MotionBuilder motion(model);
    motion.AddBoneKey(bone, 0, {}, {0, 0, 0, 1});
    motion.AddBoneKey(bone, lastFrame, move, turn);
    model.animation = motion.Build();
  }

  static Float4 PositionOf(const Matrix4& m) { return {m.m[3][0], m.m[3][1], m.m[3][2], 0}; }

  test::PhysicsRecord record;
  test::RecordingPhysicsEngine engine;
  Model model;
};

TEST_F(PhysicsStagesTest, FollowingBodyGoesWhereItsBoneCarriesIt) {
  Motion(u"root", 100, {3, 0, 0, 0}, QuaternionRotationAxis({0, 0, 1, 0}, 1.0f));
  model.SetPhysicsEngine(&engine);
  model.Update(0);
  model.Update(50 * kFrameMs);
  ASSERT_EQ(record.steps.size(), 1u);
  // Body offset from the bone at rest, carried by the bone's pose now.
  const Matrix4 expected =
      Multiply(MatrixTranslation({0, 16, 0, 0}), model.bones[0].worldMatrix);
  const Matrix4& carried = record.lastStepPoses[0];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(carried.m[r][c], expected.m[r][c], 1e-5f);
}

// A dynamic body that swings a quarter turn about its bone's joint turns
// the bone and carries its child; one that keeps its place (mode 2) turns
// the bone without moving it.
TEST_F(PhysicsStagesTest, DynamicBodiesTurnTheirBones) {
  struct Case {
    BodyMode mode;
    Float4 bodyMove;  // the body also moves this far
    Float4 hair1At;   // where hair1 ends up
  };
  const Case cases[] = {
      {BodyMode::kDynamic, {2, 0, 0, 0}, {2, 15, 0, 0}},
      {BodyMode::kDynamicKeepsPlace, {2, 0, 0, 0}, {0, 15, 0, 0}},
  };
  for (const Case& c : cases) {
    record = {};
    model.physicsDescription.bodies[1].mode = c.mode;
    const Matrix4 swing = Multiply(
        Multiply(MatrixTranslation({0, -15, 0, 0}), MatrixRotationZ(kPi / 2)),
        MatrixTranslation(Add({0, 15, 0, 0}, c.bodyMove)));
    record.dynamicPose = [&](std::size_t, const Matrix4&) {
      return Multiply(MatrixTranslation({0, 12.5f, 0, 0}), swing);
    };
    model.SetPhysicsEngine(&engine);
    model.Update(0);
    model.Update(kFrameMs);
    const Float4 hair1 = PositionOf(model.bones[1].worldMatrix);
    const Float4 hair2 = PositionOf(model.bones[2].worldMatrix);
    EXPECT_NEAR(hair1.x, c.hair1At.x, 1e-4f);
    EXPECT_NEAR(hair1.y, c.hair1At.y, 1e-4f);
    // The child hangs 5 below hair1 at rest; a quarter turn about z puts it
    // 5 along +x from hair1.
    EXPECT_NEAR(hair2.x - hair1.x, 5.0f, 1e-4f);
    EXPECT_NEAR(hair2.y - hair1.y, 0.0f, 1e-4f);
  }
}

TEST_F(PhysicsStagesTest, WorldStartsAgainOnAWrapANewMotionAndTimeGoingBack) {
  model.SetPhysicsEngine(&engine);
  const struct {
    std::uint64_t elapsed;
    bool newMotion;
    int resets;
    std::size_t steps;
  } frames[] = {
      {0, false, 1, 0},           // the first frame places the bodies
      {33, false, 1, 1},
      {33, false, 1, 1},          // the same time again: no step
      {90 * kFrameMs, false, 1, 2},
      {101 * kFrameMs, false, 2, 2},  // past frame 100 the motion wraps to 1
      {102 * kFrameMs, true, 3, 2},   // another motion
      {103 * kFrameMs, false, 3, 3},
      {5 * kFrameMs, false, 4, 3},    // the clock started again
  };
  for (const auto& f : frames) {
    if (f.newMotion) Motion(u"root", 100, {1, 0, 0, 0}, {0, 0, 0, 1});
    model.Update(f.elapsed);
    EXPECT_EQ(record.resets, f.resets) << "at " << f.elapsed;
    EXPECT_EQ(record.steps.size(), f.steps) << "at " << f.elapsed;
  }
}

// A motion that takes over from the one playing (a playlist's cross-fade)
// swings on: no new start at the hand-over, nor when the outgoing motion
// wraps while it fades; a motion that takes over from none starts again.
TEST_F(PhysicsStagesTest, WorldSwingsOnThroughAHandOver) {
  model.SetPhysicsEngine(&engine);
  const struct {
    std::uint64_t elapsed;
    bool newMotion;
    bool handOver;  // the new motion takes over from the one playing
    float weight;
    int resets;
    std::size_t steps;
  } frames[] = {
      {0, false, false, 1.0f, 1, 0},
      {90 * kFrameMs, false, false, 1.0f, 1, 1},
      {95 * kFrameMs, true, true, 0.0f, 1, 2},
      {102 * kFrameMs, false, true, 0.5f, 1, 3},  // the outgoing motion is past its frame 100
      {110 * kFrameMs, false, true, 1.0f, 1, 4},
      {111 * kFrameMs, false, false, 1.0f, 1, 5},
      {112 * kFrameMs, true, false, 1.0f, 2, 5},
  };
  std::shared_ptr<Animation> playing = model.animation;
  for (const auto& f : frames) {
    if (f.newMotion) {
      playing = model.animation;
      Motion(u"root", 100, {1, 0, 0, 0}, {0, 0, 0, 1});
      model.SetMotionBlend({f.elapsed, nullptr, 0, 1.0f});
    }
    MotionBlend blend = model.motionBlend();
    blend.outgoing = f.handOver ? playing : nullptr;
    blend.weight = f.weight;
    model.SetMotionBlend(blend);
    model.Update(f.elapsed);
    EXPECT_EQ(record.resets, f.resets) << "at " << f.elapsed;
    EXPECT_EQ(record.steps.size(), f.steps) << "at " << f.elapsed;
  }
}

TEST_F(PhysicsStagesTest, LongFrameStepsAQuarterSecondAtMost) {
  Motion(u"root", 1000, {}, {0, 0, 0, 1});
  model.SetPhysicsEngine(&engine);
  model.Update(0);
  model.Update(20000);
  ASSERT_EQ(record.steps.size(), 1u);
  EXPECT_FLOAT_EQ(record.steps[0], 0.25f);
}

// The window moving right moves the figure right in the world, by the
// pixels at the figure's depth; a body that stays where it was is then to
// the left of the figure, and so is the bone it drives. A throw across the
// screen moves the bodies by a few units at most.
TEST_F(PhysicsStagesTest, WindowMovesAreFigureMovesInTheWorld) {
  const test::Camera camera = test::StandardCamera(960, 1040);
  test::AttachCamera(model, camera, 960, 1040);
  const float pixelsPerUnit =
      model.ProjectToScreen({1, 0, 0, 1}).x - model.ProjectToScreen({0, 0, 0, 1}).x;
  ASSERT_GT(pixelsPerUnit, 1.0f);
  model.SetPhysicsEngine(&engine);
  model.SetScreenPlacement({500, 300});
  model.Update(0);
  const Float4 start = PositionOf(record.lastResetPoses[0]);
  model.SetScreenPlacement({500 + 2 * pixelsPerUnit, 300 + pixelsPerUnit});
  model.Update(kFrameMs);
  const Float4 moved = PositionOf(record.lastStepPoses[0]);
  EXPECT_NEAR(moved.x - start.x, 2.0f, 1e-3f);
  EXPECT_NEAR(moved.y - start.y, -1.0f, 1e-3f);  // down the screen is down
  EXPECT_NEAR(PositionOf(model.bones[1].worldMatrix).x, -2.0f, 1e-3f);

  model.SetScreenPlacement({500 + 5000 * pixelsPerUnit, 300});
  model.Update(2 * kFrameMs);
  const Float4 thrown = PositionOf(record.lastStepPoses[0]);
  EXPECT_LE(Length3(Subtract(thrown, moved)), 5.0f + 1e-3f);
}

TEST_F(PhysicsStagesTest, BodyWithoutANumberLeavesItsBoneAsTheMotionPutsIt) {
  record.dynamicPose = [](std::size_t, const Matrix4&) {
    Matrix4 lost = MatrixIdentity();
    lost.m[3][0] = std::nanf("");
    return lost;
  };
  model.SetPhysicsEngine(&engine);
  model.Update(0);
  model.Update(kFrameMs);
  for (const Bone& bone : model.bones)
    for (const auto& row : bone.worldMatrix.m)
      for (float v : row) EXPECT_TRUE(std::isfinite(v));
  EXPECT_NEAR(PositionOf(model.bones[1].worldMatrix).y, 15.0f, 1e-5f);
}

// An impulse morph pushes its bodies on the frames its weight changes,
// scaled by the weight: once when it is keyed on, not while it holds, not
// at weight 0. A one-key "stop" (a push of zero) holds from the start: it
// is given on the first frame and again when the motion wraps to its
// start. Without physics nothing is pushed.
TEST_F(PhysicsStagesTest, ImpulseMorphPushesItsBodiesWhenItsWeightChanges) {
  PMXMorph& flick = test::AddMorph(model, u"flick", kMorphImpulse);
  flick.impulseOffsets = {{1, true, {0, 0, 2}, {1, 0, 0}}, {1, false, {0, 3, 0}, {}}};
  test::AddMorph(model, u"stop", kMorphImpulse).impulseOffsets = {{1, false, {}, {}}};
  MotionBuilder motion(model);
  motion.AddBoneKey(u"root", 0, {}, {0, 0, 0, 1});
  motion.AddBoneKey(u"root", 100, {}, {0, 0, 0, 1});
  for (const auto& [frame, weight] : {std::pair{9u, 0.0f}, {10u, 0.5f}, {20u, 0.5f}, {21u, 0.0f}})
    motion.AddMorphKey(u"flick", frame, weight);
  motion.AddMorphKey(u"stop", 30, 1.0f);
  model.animation = motion.Build();
  model.SetPhysicsEngine(&engine);
  const struct {
    std::uint32_t frame;
    std::vector<test::PhysicsRecord::Push> pushes;  // this frame's
  } frames[] = {
      {0, {{1, {}, {}, false}}},
      {9, {}},
      {10, {{1, {0, 0, 1}, {0.5f, 0, 0}, true}, {1, {0, 1.5f, 0}, {}, false}}},
      {15, {}},
      {21, {}},
      {40, {}},
      {101, {{1, {}, {}, false}}},  // wrapped to frame 1
  };
  for (const auto& f : frames) {
    record.pushes.clear();
    model.Update(f.frame * kFrameMs);
    ASSERT_EQ(record.pushes.size(), f.pushes.size()) << "frame " << f.frame;
    for (std::size_t i = 0; i < f.pushes.size(); ++i) {
      const auto& got = record.pushes[i];
      const auto& want = f.pushes[i];
      EXPECT_EQ(got.body, want.body);
      EXPECT_EQ(got.velocity, want.velocity) << "frame " << f.frame;
      EXPECT_EQ(got.torque, want.torque) << "frame " << f.frame;
      EXPECT_EQ(got.local, want.local);
    }
  }
  model.SetPhysicsEngine(nullptr);
  record.pushes.clear();
  model.Update(0);
  model.Update(10 * kFrameMs);
  EXPECT_TRUE(record.pushes.empty());
}

TEST_F(PhysicsStagesTest, WithoutAnEngineTheMotionAloneIsThePose) {
  Model plain;
  test::BuildBones(plain, {{u"root", -1, {0, 0, 0, 0}},
                           {u"hair1", 0, {0, 15, 0, 0}},
                           {u"hair2", 1, {0, 10, 0, 0}}});
  plain.animation = model.animation;
  record.dynamicPose = [](std::size_t, const Matrix4&) { return MatrixRotationZ(1.0f); };
  model.SetPhysicsEngine(&engine);
  model.Update(0);
  model.Update(kFrameMs);
  model.SetPhysicsEngine(nullptr);
  EXPECT_FALSE(model.PhysicsActive());
  model.Update(2 * kFrameMs);
  plain.Update(2 * kFrameMs);
  EXPECT_EQ(PoseDifference(model, plain), "");
}

}  // namespace
}  // namespace brivonel
