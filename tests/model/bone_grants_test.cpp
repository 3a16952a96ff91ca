// Grant bones: shares of another bone's rotation (also negative and beyond
// one) and translation, chains of grants in deform layer and bone order,
// local grants, grants that follow bones IK moved, and granted bones that
// start every frame afresh.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "model/model.h"
#include "tests/support/pose_rigs.h"

namespace brivonel {
namespace {

using test::MotionBuilder;

// The angle of a rotation about a unit axis (signed by that axis).
float AngleAbout(const Quaternion& q, const Float4& axis) {
  return 2.0f * std::atan2(Dot3(q, axis), q.w);
}

// The angle of the turn from a to b.
float AngleBetween(const Quaternion& a, const Quaternion& b) {
  return 2.0f * std::acos(std::min(1.0f, std::fabs(QuaternionDot(a, b))));
}

const Float4 kUp{0, 1, 0, 0};
const Float4 kForward{0, 0, 1, 0};

class GrantTest : public ::testing::Test {
 protected:
  // "source" (0) and three more roots side by side, each with a child one
  // unit above it.
  GrantTest() {
    test::BuildBones(model, {{u"source", -1, {0, 0, 0, 0}},
                             {u"a", -1, {2, 0, 0, 0}},
                             {u"b", -1, {4, 0, 0, 0}},
                             {u"c", -1, {6, 0, 0, 0}},
                             {u"aTip", 1, {2, 1, 0, 0}}});
  }
  void Grant(std::int32_t bone, std::int32_t from, float weight, bool rotation = true,
             bool translation = false) {
    model.grants.push_back(BoneGrant{bone, from, weight, rotation, translation});
  }
  void KeySource(Float4 translation, Quaternion rotation) {
    MotionBuilder motion(model);
    motion.AddBoneKey(u"source", 0, translation, rotation);
    motion.AddBoneKey(u"source", 10, translation, rotation);
    model.animation = motion.Build();
  }

  Model model;
};

TEST_F(GrantTest, RotationShareTurnsThatPartOfTheWay) {
  Grant(1, 0, 0.5f);
  Grant(2, 0, -1.0f);
  Grant(3, 0, 1.5f);
  KeySource({}, QuaternionRotationAxis(kUp, 1.0f));
  model.Update(0);
  EXPECT_NEAR(AngleAbout(model.bones[1].rotation, kUp), 0.5f, 1e-6f);
  EXPECT_NEAR(AngleAbout(model.bones[2].rotation, kUp), -1.0f, 1e-6f);
  EXPECT_NEAR(AngleAbout(model.bones[3].rotation, kUp), 1.5f, 1e-6f);
  // The child hangs from the turned bone: a half turn about y of (0, 1, 0)
  // leaves it in place, so check the tip through a turn about z instead.
  KeySource({}, QuaternionRotationAxis(kForward, 1.0f));
  model.Update(0);
  const Matrix4& tip = model.bones[4].worldMatrix;
  EXPECT_NEAR(tip.m[3][0], 2.0f - std::sin(0.5f), 1e-5f);
  EXPECT_NEAR(tip.m[3][1], std::cos(0.5f), 1e-5f);
}

TEST_F(GrantTest, TranslationShareMovesThatPartOfTheWay) {
  Grant(1, 0, 0.5f, false, true);
  Grant(2, 0, -1.0f, true, true);
  KeySource({2, 4, -6, 0}, QuaternionRotationAxis(kUp, 0.4f));
  model.Update(0);
  const Float4 a = model.bones[1].position;
  EXPECT_FLOAT_EQ(a.x, 2.0f + 1.0f);
  EXPECT_FLOAT_EQ(a.y, 2.0f);
  EXPECT_FLOAT_EQ(a.z, -3.0f);
  EXPECT_EQ(model.bones[1].rotation, QuaternionIdentity());  // no rotation grant
  const Float4 b = model.bones[2].position;
  EXPECT_FLOAT_EQ(b.x, 4.0f - 2.0f);
  EXPECT_FLOAT_EQ(b.y, -4.0f);
  EXPECT_FLOAT_EQ(b.z, 6.0f);
  EXPECT_NEAR(AngleAbout(model.bones[2].rotation, kUp), -0.4f, 1e-6f);
}

// a takes half of source, b takes all of a and has a turn of its own, c
// takes all of b: in bone order each takes its source's whole result.
TEST_F(GrantTest, GrantsOfGrantedBonesApplyInBoneOrder) {
  Grant(1, 0, 0.5f);
  Grant(2, 1, 1.0f);
  Grant(3, 2, 1.0f);
  MotionBuilder motion(model);
  motion.AddBoneKey(u"source", 0, {}, QuaternionRotationAxis(kForward, 0.8f));
  motion.AddBoneKey(u"b", 0, {}, QuaternionRotationAxis(kForward, 0.2f));
  model.animation = motion.Build();
  model.Update(0);
  EXPECT_NEAR(AngleAbout(model.bones[1].rotation, kForward), 0.4f, 1e-6f);
  EXPECT_NEAR(AngleAbout(model.bones[2].rotation, kForward), 0.6f, 1e-6f);
  EXPECT_NEAR(AngleAbout(model.bones[3].rotation, kForward), 0.6f, 1e-6f);
}

// "a" takes all of source's turn and move on top of its own; "b" takes a's
// as a local grant, a's own pose without what a took from source; "c" takes
// a's whole pose. Either deform order gives the same.
TEST_F(GrantTest, LocalGrantTakesTheSourcesOwnPoseWithoutItsGrant) {
  for (DeformOrder order : {DeformOrder::kGrantsAroundIk, DeformOrder::kBoneByBone}) {
    model.deformOrder = order;
    model.grants = {BoneGrant{1, 0, 1.0f, true, true, false}, BoneGrant{2, 1, 1.0f, true, true, true},
                    BoneGrant{3, 1, 1.0f, true, true, false}};
    MotionBuilder motion(model);
    motion.AddBoneKey(u"source", 0, {1, 0, 0, 0}, QuaternionRotationAxis(kForward, 0.8f));
    motion.AddBoneKey(u"a", 0, {0, 0.5f, 0, 0}, QuaternionRotationAxis(kForward, 0.2f));
    model.animation = motion.Build();
    model.Update(0);
    SCOPED_TRACE(static_cast<int>(order));
    EXPECT_NEAR(AngleAbout(model.bones[1].rotation, kForward), 1.0f, 1e-6f);
    EXPECT_NEAR(AngleAbout(model.bones[2].rotation, kForward), 0.2f, 1e-6f);
    EXPECT_NEAR(AngleAbout(model.bones[3].rotation, kForward), 1.0f, 1e-6f);
    const float xs[] = {0, 3, 4, 7};
    for (int i = 1; i <= 3; ++i) {
      EXPECT_FLOAT_EQ(model.bones[i].position.x, xs[i]) << i;
      EXPECT_FLOAT_EQ(model.bones[i].position.y, 0.5f) << i;
      EXPECT_FLOAT_EQ(model.bones[i].position.z, 0.0f) << i;
    }
  }
}

// a takes all of b, b all of source. Bone by bone, bones of a lower deform
// layer take their grants first, bones of one layer in bone order: a sees
// b's grant only when b comes first. (Grants around IK take a grant again
// whenever its source changed after it, whatever the order.)
TEST_F(GrantTest, LowerDeformLayersTakeTheirGrantsFirst) {
  struct Row {
    int layerA, layerB;
    float angleA;
  };
  const Row rows[] = {{0, 0, 0.0f}, {0, -1, 0.8f}, {1, 0, 0.8f}, {2, 2, 0.0f}, {0, 1, 0.0f}};
  for (const Row& row : rows) {
    model.deformOrder = DeformOrder::kBoneByBone;
    model.bones[1].deformLayer = row.layerA;
    model.bones[2].deformLayer = row.layerB;
    model.grants.clear();
    Grant(1, 2, 1.0f);
    Grant(2, 0, 1.0f);
    KeySource({}, QuaternionRotationAxis(kForward, 0.8f));
    model.Update(0);
    EXPECT_NEAR(AngleAbout(model.bones[1].rotation, kForward), row.angleA, 1e-6f)
        << "layers " << row.layerA << ", " << row.layerB;
    EXPECT_NEAR(AngleAbout(model.bones[2].rotation, kForward), 0.8f, 1e-6f);
  }
}

// A granted bone without a track starts each frame from rest: playing the
// same frame again gives the same pose, not one grant on top of another.
TEST_F(GrantTest, GrantedBoneWithoutATrackStartsEachFrameFromRest) {
  Grant(1, 0, 1.0f, true, true);
  KeySource({1, 0, 0, 0}, QuaternionRotationAxis(kUp, 0.3f));
  for (int frame = 0; frame < 3; ++frame) {
    model.Update(5 * 33);
    EXPECT_NEAR(AngleAbout(model.bones[1].rotation, kUp), 0.3f, 1e-6f) << frame;
    EXPECT_FLOAT_EQ(model.bones[1].position.x, 3.0f) << frame;
  }
}

TEST_F(GrantTest, GrantsNamingNoOtherBoneAreSkipped) {
  Grant(1, 9, 1.0f);
  Grant(2, 2, 1.0f);
  Grant(7, 0, 1.0f);
  KeySource({}, QuaternionRotationAxis(kUp, 0.3f));
  model.Update(0);
  EXPECT_EQ(model.bones[1].rotation, QuaternionIdentity());
  EXPECT_EQ(model.bones[2].rotation, QuaternionIdentity());
}

// A bone that follows an IK-driven thigh (as "足D" bones do) follows where
// IK put the thigh, not where the motion left it.
TEST(GrantIkTest, GrantFromABoneThatIkMovedFollowsTheIkResult) {
  Model model;
  test::BuildBones(model, {{u"thigh", -1, {0, 10, 0, 0}},
                           {u"knee", 0, {0, 5, 0, 0}},
                           {u"ankle", 1, {0, 0, 0, 0}},
                           {u"ik", -1, {1, 3, -2, 0}},
                           {u"thighD", -1, {0, 10, 0, 0}},
                           {u"kneeD", 4, {0, 5, 0, 0}}});
  test::AddIkChain(model, 3, 2, {test::IkLinkRecipe(1, {-kPi, 0, 0, 0}, {0, 0, 0, 0}), test::IkLinkRecipe(0)},
                   40, 0.5f);
  model.grants = {BoneGrant{4, 0, 1.0f, true, false}, BoneGrant{5, 1, 1.0f, true, false}};
  model.Update(0);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 3; ++c) {
      EXPECT_NEAR(model.bones[4].worldMatrix.m[r][c], model.bones[0].worldMatrix.m[r][c], 1e-5f);
      EXPECT_NEAR(model.bones[5].worldMatrix.m[r][c], model.bones[1].worldMatrix.m[r][c], 1e-5f);
    }
  EXPECT_NE(model.bones[0].rotation, QuaternionIdentity());
}

// Bone by bone, a bone that follows the thigh follows where IK put it only
// when it comes after the IK bone (by layer, then number); grants around IK
// always follow.
TEST(GrantIkTest, BoneByBoneAGrantFollowsIkWhenItComesAfterTheChain) {
  struct Row {
    DeformOrder order;
    int layerD, layerIk;
    bool follows;
  };
  const Row rows[] = {{DeformOrder::kBoneByBone, 0, 0, true},   {DeformOrder::kBoneByBone, -1, 0, false},
                      {DeformOrder::kBoneByBone, 0, 1, false},  {DeformOrder::kBoneByBone, 2, 1, true},
                      {DeformOrder::kGrantsAroundIk, -1, 0, true}};
  for (const Row& row : rows) {
    Model model;
    test::BuildBones(model, {{u"thigh", -1, {0, 10, 0, 0}},
                             {u"knee", 0, {0, 5, 0, 0}},
                             {u"ankle", 1, {0, 0, 0, 0}},
                             {u"ik", -1, {1, 3, -2, 0}},
                             {u"thighD", -1, {0, 10, 0, 0}}});
    test::AddIkChain(model, 3, 2, {test::IkLinkRecipe(1, {-kPi, 0, 0, 0}, {0, 0, 0, 0}), test::IkLinkRecipe(0)},
                     40, 0.5f);
    model.grants = {BoneGrant{4, 0, 1.0f, true, false}};
    model.deformOrder = row.order;
    model.bones[4].deformLayer = row.layerD;
    model.bones[3].deformLayer = row.layerIk;
    model.Update(0);
    SCOPED_TRACE(testing::Message() << "order " << static_cast<int>(row.order) << " layers " << row.layerD
                                    << ", " << row.layerIk);
    ASSERT_NE(model.bones[0].rotation, QuaternionIdentity());
    if (row.follows)
      EXPECT_LT(AngleBetween(model.bones[4].rotation, model.bones[0].rotation), 1e-5f);
    else
      EXPECT_EQ(model.bones[4].rotation, QuaternionIdentity());  // the thigh's pose before IK
  }
}

TEST(GrantedRotationTest, SharesOfATurnAboutItsAxisOnTheShorterArc) {
  const Quaternion q = QuaternionRotationAxis({1, 2, 2, 0}, 2.5f);
  const Float4 axis = Normalize3({1, 2, 2, 0});
  for (float weight : {0.0f, 0.25f, 1.0f, -0.5f, 2.0f}) {
    const Quaternion share = Model::GrantedRotation(q, weight);
    EXPECT_NEAR(AngleAbout(share, axis), 2.5f * weight, 1e-5f) << weight;
    EXPECT_NEAR(QuaternionDot(share, share), 1.0f, 1e-6f);
  }
  // The same turn written with the opposite sign gives the same share.
  const Quaternion negated = Scale(q, -1.0f);
  EXPECT_NEAR(AngleAbout(Model::GrantedRotation(negated, 0.5f), axis), 1.25f, 1e-5f);
  EXPECT_EQ(Model::GrantedRotation(QuaternionIdentity(), 0.5f), QuaternionIdentity());
}

}  // namespace
}  // namespace brivonel
