// Inverse kinematics: reaching goals, the share of the angle per step, Euler
// limits (a knee never bends the wrong way or twists), chains without
// iterations, and broken chains.
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

// thigh (0) at the hip, knee (1), ankle (2), and the goal bone "ik" (3).
class LegTest : public ::testing::Test {
 protected:
  void BuildLeg(Float4 goal, std::uint16_t iterations = 40) {
    test::BuildBones(model, {{u"thigh", -1, {0, 10, 0, 0}},
                             {u"knee", 0, {0, 5, 0, 0}},
                             {u"ankle", 1, {0, 0, 0, 0}},
                             {u"ik", -1, goal}});
    test::AddIkChain(model, 3, 2,
                     {test::IkLinkRecipe(1, {-kPi, 0, 0, 0}, {0, 0, 0, 0}), test::IkLinkRecipe(0)},
                     iterations, 0.5f);
  }

  Model model;
};

TEST_F(LegTest, ChainBendsTheLegSoTheAnkleReachesTheGoal) {
  for (const Float4 goal : {Float4{1, 3, 2, 0}, Float4{-2, 4, 1, 0}, Float4{0.5f, 1, 1.5f, 0}}) {
    BuildLeg(goal);
    model.Update(0);
    EXPECT_LT(Distance(PositionOf(model.bones[2]), goal), 0.05f)
        << "goal " << goal.x << ", " << goal.y << ", " << goal.z;
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
        const float bend = -std::atan2(r.m[2][1], r.m[2][2]);
        EXPECT_LE(bend, 1e-6f) << x << " " << y << " " << z;
        EXPECT_NEAR(r.m[2][0], 0.0f, 1e-6f);  // no turn about y
        EXPECT_NEAR(r.m[1][0], 0.0f, 1e-6f);  // no turn about z
        EXPECT_NEAR(r.m[0][1], 0.0f, 1e-6f);
        EXPECT_NEAR(r.m[0][2], 0.0f, 1e-6f);
      }
    }
  }
}

TEST_F(LegTest, ChainWithoutIterationsChangesNoRotationButWorldsAreRecomputed) {
  BuildLeg({3, 3, 3, 0}, 0);
  const Quaternion turned = QuaternionRotationAxis({1, 0, 0, 0}, -0.5f);
  model.bones[1].rotation = turned;
  model.SolveIk();
  EXPECT_EQ(model.bones[1].rotation, turned);
  EXPECT_EQ(model.bones[0].rotation, QuaternionIdentity());
  // The ankle follows the knee's new rotation.
  EXPECT_NEAR(PositionOf(model.bones[2]).z, 5.0f * std::sin(0.5f), 1e-5f);
}

TEST_F(LegTest, EffectorAlreadyAtTheGoalChangesNothing) {
  BuildLeg({0, 0, 0, 0});
  const Bone thigh = model.bones[0];
  const Bone knee = model.bones[1];
  model.SolveIk();
  EXPECT_EQ(0, std::memcmp(&model.bones[0].rotation, &thigh.rotation, sizeof(Quaternion)));
  EXPECT_EQ(0, std::memcmp(&model.bones[1].rotation, &knee.rotation, sizeof(Quaternion)));
}

// One free link, one iteration: the link turns by angleFactor times the
// angle between the effector and goal directions.
TEST(IkStepTest, EachStepTurnsByTheAngleFactorShareOfTheAngle) {
  for (float factor : {0.5f, 0.25f, 1.0f}) {
    Model model;
    test::BuildBones(model, {{u"pivot", -1, {0, 0, 0, 0}}, {u"tip", 0, {0, 5, 0, 0}}, {u"goal", -1, {5, 0, 0, 0}}});
    test::AddIkChain(model, 2, 1, {test::IkLinkRecipe(0)}, 1, factor);
    model.SolveIk();
    const float turn = 1.5707964f * factor;  // the goal is a quarter turn away
    const Float4 tip = PositionOf(model.bones[1]);
    EXPECT_NEAR(tip.x, 5.0f * std::sin(turn), 1e-4f) << factor;
    EXPECT_NEAR(tip.y, 5.0f * std::cos(turn), 1e-4f) << factor;
    EXPECT_NEAR(tip.z, 0.0f, 1e-5f) << factor;
  }
}

// A link's correction applies before the rotation it already has: with the
// pivot tilted 30 degrees about x, a full step brings the tip onto the goal
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
