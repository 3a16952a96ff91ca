// Inverse kinematics: legs that reach their goals from a straight start, the
// step angle as a cap, knees that bend only forwards and never twist, the
// first-iteration mirror of a knee, early stops, chains without iterations,
// and broken chains.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "model/model.h"
#include "tests/support/pose_rigs.h"
#include "tests/support/trace_capture.h"

namespace brivonel {
namespace {

Float4 PositionOf(const Bone& bone) {
  return {bone.worldMatrix.m[3][0], bone.worldMatrix.m[3][1], bone.worldMatrix.m[3][2], 0};
}

float Distance(const Float4& a, const Float4& b) { return Length3(Subtract(a, b)); }

// The angle of a rotation about x, from its matrix.
float BendOf(const Bone& bone) {
  const Matrix4 r = MatrixRotationQuaternion(bone.rotation);
  return -std::atan2(r.m[2][1], r.m[2][2]);
}

const Float4 kKneeMin{-kPi, 0, 0, 0};
const Float4 kKneeMax{0, 0, 0, 0};

// thigh (0) at the hip, knee (1), ankle (2), and the goal bone "ik" (3): a
// straight leg 10 long, as a PMD leg chain holds it (40 iterations, control
// weight 0.5, the knee limited to bending forwards about x).
class LegTest : public ::testing::Test {
 protected:
  void BuildLeg(Float4 goal, Float4 kneeMax = kKneeMax, std::uint16_t iterations = 40) {
    test::BuildBones(model, {{u"thigh", -1, {0, 10, 0, 0}},
                             {u"knee", 0, {0, 5, 0, 0}},
                             {u"ankle", 1, {0, 0, 0, 0}},
                             {u"ik", -1, goal}});
    model.ikChains.clear();
    test::AddIkChain(model, 3, 2, {test::IkLinkRecipe(1, kKneeMin, kneeMax), test::IkLinkRecipe(0)},
                     iterations, 0.5f);
  }
  // The goal bone has no track: its rest place is the goal.
  void MoveGoal(Float4 goal) { model.bones[3].restPosition = goal; }

  Model model;
};

// The fault that kept real dances' feet off the floor: from a straight leg,
// one frame puts the ankle on any goal within reach.
TEST_F(LegTest, StraightLegReachesEveryGoalWithinReachInOneFrame) {
  int goals = 0;
  for (float x = -4.0f; x <= 4.0f; x += 2.0f) {
    for (float y = 1.0f; y <= 7.0f; y += 1.5f) {
      for (float z = -4.0f; z <= 4.0f; z += 2.0f) {
        const Float4 goal{x, y, z, 0};
        if (Distance(goal, {0, 10, 0, 0}) > 9.5f) continue;
        BuildLeg(goal);
        model.Update(0);
        EXPECT_LT(Distance(PositionOf(model.bones[2]), goal), 1e-4f)
            << "goal " << x << ", " << y << ", " << z;
        EXPECT_LT(BendOf(model.bones[1]), -0.05f) << "the knee bends";
        ++goals;
      }
    }
  }
  EXPECT_GT(goals, 80);
}

// Frame after frame the goal moves along a step; the leg, straight at the
// start of every frame, follows, and the ankle stays on the goal.
TEST_F(LegTest, AnkleFollowsAMovingGoalFrameAfterFrame) {
  BuildLeg({0, 0, 0, 0});
  for (int frame = 0; frame <= 60; ++frame) {
    const float t = static_cast<float>(frame) / 60.0f;
    const Float4 goal{0.5f * std::sin(6.0f * t), 1.5f + 2.0f * std::sin(3.1f * t), -2.0f * t, 0};
    MoveGoal(goal);
    model.Update(0);
    ASSERT_LT(Distance(PositionOf(model.bones[2]), goal), 1e-4f) << "frame " << frame;
  }
}

// Out of reach the leg stretches straight towards the goal and stops
// turning: a few iterations, not all forty.
TEST_F(LegTest, GoalOutOfReachStretchesTheLegTowardsIt) {
  const Float4 goal{6, -4, 3, 0};
  BuildLeg(goal);
  model.Update(0);
  const Float4 hip = PositionOf(model.bones[0]);
  const Float4 ankle = PositionOf(model.bones[2]);
  EXPECT_NEAR(Distance(hip, ankle), 10.0f, 1e-3f);
  const Float4 toGoal = Normalize3(Subtract(goal, hip));
  const Float4 toAnkle = Normalize3(Subtract(ankle, hip));
  EXPECT_GT(Dot3(toGoal, toAnkle), 0.9999f);
  EXPECT_LT(model.IkLinkSteps(), 40u);
}

// A knee whose limit keeps it bent by half a degree (as PMX legs are set
// up) reaches its goals too.
TEST_F(LegTest, KneeThatCannotStraightenFullyReachesToo) {
  for (const Float4 goal : {Float4{1, 3, 2, 0}, Float4{-2, 4, -1, 0}, Float4{0.5f, 1, 1.5f, 0}}) {
    BuildLeg(goal, {-0.0087266f, 0, 0, 0});
    model.Update(0);
    EXPECT_LT(Distance(PositionOf(model.bones[2]), goal), 1e-4f);
    EXPECT_LE(BendOf(model.bones[1]), -0.0087f);
  }
}

// Whatever the goal, the knee's rotation stays a pure rotation about x with
// an angle in [-pi, 0]: no bending the other way, no twist.
TEST_F(LegTest, KneeLimitedToNegativeXNeverBendsBackwardsOrTwists) {
  const float coordinates[] = {-6.0f, -2.5f, 0.0f, 2.5f, 6.0f};
  for (float x : coordinates) {
    for (float z : coordinates) {
      for (float y : {1.0f, 5.0f, 9.0f, 14.0f}) {
        BuildLeg({x, y, z, 0});
        for (int frame = 0; frame < 3; ++frame) model.Update(0);
        const Matrix4 r = MatrixRotationQuaternion(model.bones[1].rotation);
        EXPECT_LE(BendOf(model.bones[1]), 1e-6f) << x << " " << y << " " << z;
        EXPECT_NEAR(r.m[2][0], 0.0f, 1e-6f);  // no turn about y
        EXPECT_NEAR(r.m[1][0], 0.0f, 1e-6f);  // no turn about z
        EXPECT_NEAR(r.m[0][1], 0.0f, 1e-6f);
        EXPECT_NEAR(r.m[0][2], 0.0f, 1e-6f);
      }
    }
  }
}

// On the first iteration a straight knee asked to bend the forbidden way
// bends the allowed way by the same angle instead.
TEST_F(LegTest, FirstIterationMirrorsAKneeAngleOutsideItsLimits) {
  // Knee only, one iteration. Seen from the knee the goal lies in front
  // (-z) of the shin's line: reaching it would bend the knee backwards, by
  // the angle between (0, -5, 0) and (0, -3, -1).
  test::BuildBones(model, {{u"thigh", -1, {0, 10, 0, 0}},
                           {u"knee", 0, {0, 5, 0, 0}},
                           {u"ankle", 1, {0, 0, 0, 0}},
                           {u"ik", -1, {0, 2, -1, 0}}});
  test::AddIkChain(model, 3, 2, {test::IkLinkRecipe(1, kKneeMin, kKneeMax)}, 1, 0.5f);
  model.Update(0);
  EXPECT_NEAR(BendOf(model.bones[1]), -std::atan2(1.0f, 3.0f), 1e-5f);
}

TEST_F(LegTest, ChainWithoutIterationsChangesNoRotationButWorldsAreRecomputed) {
  BuildLeg({3, 3, 3, 0}, kKneeMax, 0);
  const Quaternion turned = QuaternionRotationAxis({1, 0, 0, 0}, -0.5f);
  model.bones[1].rotation = turned;
  model.SolveIk();
  EXPECT_EQ(model.bones[1].rotation, turned);
  EXPECT_EQ(model.bones[0].rotation, QuaternionIdentity());
  // The ankle follows the knee's new rotation.
  EXPECT_NEAR(PositionOf(model.bones[2]).z, 5.0f * std::sin(0.5f), 1e-5f);
}

TEST_F(LegTest, EffectorAlreadyAtTheGoalChangesNothingAndTakesNoStep) {
  BuildLeg({0, 0, 0, 0});
  const Bone thigh = model.bones[0];
  const Bone knee = model.bones[1];
  model.SolveIk();
  EXPECT_EQ(0, std::memcmp(&model.bones[0].rotation, &thigh.rotation, sizeof(Quaternion)));
  EXPECT_EQ(0, std::memcmp(&model.bones[1].rotation, &knee.rotation, sizeof(Quaternion)));
  EXPECT_EQ(model.IkLinkSteps(), 0u);
}

// One free link, one iteration, the goal a quarter turn away: a step turns
// the whole angle unless the chain's step angle (4 x angleFactor) is
// smaller, and then turns exactly that.
TEST(IkStepTest, StepAngleCapsATurnInsteadOfScalingIt) {
  for (const auto& [factor, turn] : {std::pair{0.125f, 0.5f}, {0.25f, 1.0f}, {0.5f, 1.5707964f}, {2.0f, 1.5707964f}}) {
    Model model;
    test::BuildBones(model, {{u"pivot", -1, {0, 0, 0, 0}}, {u"tip", 0, {0, 5, 0, 0}}, {u"goal", -1, {5, 0, 0, 0}}});
    test::AddIkChain(model, 2, 1, {test::IkLinkRecipe(0)}, 1, factor);
    model.SolveIk();
    const Float4 tip = PositionOf(model.bones[1]);
    EXPECT_NEAR(tip.x, 5.0f * std::sin(turn), 1e-4f) << factor;
    EXPECT_NEAR(tip.y, 5.0f * std::cos(turn), 1e-4f) << factor;
    EXPECT_NEAR(tip.z, 0.0f, 1e-5f) << factor;
  }
}

// A link's correction applies before the rotation it already has: with the
// pivot tilted 30 degrees about x, one step brings the tip onto the goal
// (the other order would leave it at (5 cos 30, 0, 5 sin 30)).
TEST(IkStepTest, CorrectionIsAppliedBeforeTheLinksOwnRotation) {
  Model model;
  test::BuildBones(model, {{u"pivot", -1, {0, 0, 0, 0}}, {u"tip", 0, {0, 5, 0, 0}}, {u"goal", -1, {5, 0, 0, 0}}});
  model.bones[0].rotation = QuaternionRotationAxis({1, 0, 0, 0}, 0.5235988f);
  model.ComputeWorldMatrices();
  test::AddIkChain(model, 2, 1, {test::IkLinkRecipe(0)}, 1, 1.0f);
  model.SolveIk();
  const Float4 tip = PositionOf(model.bones[1]);
  EXPECT_NEAR(tip.x, 5.0f, 1e-4f);
  EXPECT_NEAR(tip.y, 0.0f, 1e-4f);
  EXPECT_NEAR(tip.z, 0.0f, 1e-4f);
}

// A link between the other links and the effector is kept up to date within
// an iteration: a three-link arm reaches a goal that needs all three.
TEST(IkStepTest, BonesBelowATurnedLinkMoveWithItWithinAnIteration) {
  Model model;
  test::BuildBones(model, {{u"shoulder", -1, {0, 0, 0, 0}},
                           {u"elbow", 0, {0, 4, 0, 0}},
                           {u"wrist", 1, {0, 8, 0, 0}},
                           {u"hand", 2, {0, 12, 0, 0}},
                           {u"goal", -1, {3, 5, 4, 0}}});
  test::AddIkChain(model, 4, 3, {test::IkLinkRecipe(2), test::IkLinkRecipe(1), test::IkLinkRecipe(0)}, 30, 0.5f);
  model.SolveIk();
  EXPECT_LT(Distance(PositionOf(model.bones[3]), {3, 5, 4, 0}), 1e-4f);
  // Every bone still hangs at its own length from its parent.
  EXPECT_NEAR(Distance(PositionOf(model.bones[1]), PositionOf(model.bones[2])), 4.0f, 1e-4f);
}

TEST(IkChainTest, BrokenChainsAreSkippedWithATraceLineAndOthersStillRun) {
  Model model;
  test::BuildBones(model, {{u"pivot", -1, {0, 0, 0, 0}}, {u"tip", 0, {0, 5, 0, 0}}, {u"goal", -1, {5, 0, 0, 0}}});
  IkChain missingLink;
  missingLink.ikBone = 2;
  missingLink.targetBone = 1;
  missingLink.linkCount = 1;
  missingLink.iterations = 3;
  missingLink.links = {40};
  IkChain shortList = missingLink;
  shortList.linkCount = 2;
  shortList.links = {0};
  IkChain missingTarget = missingLink;
  missingTarget.targetBone = 9;
  missingTarget.links = {0};
  model.ikChains = {missingLink, shortList, missingTarget};
  test::AddIkChain(model, 2, 1, {test::IkLinkRecipe(0)}, 1, 1.0f);

  std::vector<std::string> lines;
  {
    test::TraceCapture trace;
    model.Update(0);
    lines = trace.lines();
  }
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find("IK chain 0"), std::string::npos);
  EXPECT_NEAR(PositionOf(model.bones[1]).x, 5.0f, 1e-4f);  // the valid chain ran
}

}  // namespace
}  // namespace brivonel
