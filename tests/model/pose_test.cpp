// Pose evaluation: frame numbers and looping, key search and interpolation,
// the centre bone's screen shift, Bezier curves, and the loading guard.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "model/model.h"
#include "tests/support/pose_rigs.h"
#include "tests/support/trace_capture.h"

namespace brivonel {
namespace {

using test::Curve;
using test::MotionBuilder;

constexpr std::uint64_t kFrameMs = 33;

// Bones "root" (0) and "arm" (1, child of root).
void TwoBones(Model& model) {
  test::BuildBones(model, {{u"root", -1, {0, 1, 0, 0}}, {u"arm", 0, {2, 1, 0, 0}}});
}

std::uint32_t FrameAt(Model& model, std::uint64_t elapsed) {
  model.Update(elapsed);
  return model.animation->currentFrame;
}

TEST(PoseFrameTest, FrameIsWholeThirtyThreeMillisecondSteps) {
  Model model;
  TwoBones(model);
  MotionBuilder motion(model);
  motion.AddBoneKey(u"root", 0, {}, {0, 0, 0, 1});
  motion.AddBoneKey(u"root", 1000, {}, {0, 0, 0, 1});
  model.animation = motion.Build();
  EXPECT_EQ(FrameAt(model, 0), 0u);
  EXPECT_EQ(FrameAt(model, 32), 0u);
  EXPECT_EQ(FrameAt(model, 33), 1u);
  EXPECT_EQ(FrameAt(model, 3300), 100u);
}

TEST(PoseFrameTest, MotionPlaysOnceThenLoopsWithoutItsFirstFrame) {
  Model model;
  TwoBones(model);
  MotionBuilder motion(model);
  // The latest key of any track decides the length, not the first track's.
  motion.AddBoneKey(u"root", 0, {}, {0, 0, 0, 1});
  motion.AddBoneKey(u"root", 100, {}, {0, 0, 0, 1});
  motion.AddBoneKey(u"arm", 150, {}, {0, 0, 0, 1});
  model.animation = motion.Build();
  ASSERT_EQ(model.animation->boneTracks[0].name, u"root");
  EXPECT_EQ(FrameAt(model, 100 * kFrameMs), 100u);
  EXPECT_EQ(FrameAt(model, 149 * kFrameMs), 149u);
  EXPECT_EQ(FrameAt(model, 150 * kFrameMs), 150u);  // the last frame, shown once
  EXPECT_EQ(FrameAt(model, 151 * kFrameMs), 1u);
  EXPECT_EQ(FrameAt(model, 299 * kFrameMs), 149u);
  EXPECT_EQ(FrameAt(model, 300 * kFrameMs), 0u);
  EXPECT_EQ(FrameAt(model, 301 * kFrameMs), 1u);
  // Recomputed from the time on every call, never accumulated.
  EXPECT_EQ(FrameAt(model, 50 * kFrameMs), 50u);
}

// A face that keeps moving after the last bone key (blinks to the end of the
// song) is played to its end.
TEST(PoseFrameTest, MorphTracksCountTowardsTheLength) {
  Model model;
  TwoBones(model);
  MotionBuilder motion(model);
  motion.AddBoneKey(u"root", 0, {}, {0, 0, 0, 1});
  motion.AddBoneKey(u"root", 629, {}, {0, 0, 0, 1});
  motion.AddMorphKey(u"まばたき", 0, 0.0f);
  motion.AddMorphKey(u"まばたき", 732, 1.0f);
  model.animation = motion.Build();
  EXPECT_EQ(FrameAt(model, 700 * kFrameMs), 700u);
  EXPECT_EQ(FrameAt(model, 732 * kFrameMs), 732u);
  EXPECT_EQ(FrameAt(model, 733 * kFrameMs), 1u);
}

TEST(PoseFrameTest, MotionWithoutALengthDoesNotLoopAndLengthZeroHoldsFrameZero) {
  Model model;
  TwoBones(model);
  // No track at all: the frame stays as computed.
  model.animation = std::make_shared<Animation>();
  EXPECT_EQ(FrameAt(model, 5000 * kFrameMs), 5000u);

  // Tracks without keys (their bone is unknown) give no length either.
  MotionBuilder unknown(model);
  unknown.AddBoneKey(u"no such bone", 10, {}, {0, 0, 0, 1});
  model.animation = unknown.Build();
  ASSERT_EQ(model.animation->boneTracks.size(), 1u);
  ASSERT_TRUE(model.animation->boneTracks[0].keys.empty());
  EXPECT_EQ(FrameAt(model, 5000 * kFrameMs), 5000u);

  // ... and do not hide the length of the tracks after them.
  MotionBuilder unknownFirst(model);
  unknownFirst.AddBoneKey(u"no such bone", 10, {}, {0, 0, 0, 1});
  unknownFirst.AddBoneKey(u"root", 10, {}, {0, 0, 0, 1});
  model.animation = unknownFirst.Build();
  EXPECT_EQ(FrameAt(model, 25 * kFrameMs), 5u);

  // A motion whose only key is at frame 0 holds frame 0.
  MotionBuilder still(model);
  still.AddBoneKey(u"root", 0, {}, {0, 0, 0, 1});
  model.animation = still.Build();
  EXPECT_EQ(FrameAt(model, 0), 0u);
  EXPECT_EQ(FrameAt(model, 77 * kFrameMs), 0u);
}

TEST(PoseFrameTest, HugeElapsedTimesStayDefined) {
  Model model;
  TwoBones(model);
  MotionBuilder motion(model);
  motion.AddBoneKey(u"root", 0, {}, {0, 0, 0, 1});
  motion.AddBoneKey(u"root", 100, {}, {0, 0, 0, 1});
  model.animation = motion.Build();
  model.Update(UINT64_MAX);
  EXPECT_LT(model.animation->currentFrame, 100u);
}

class PoseKeyTest : public ::testing::Test {
 protected:
  PoseKeyTest() { TwoBones(model); }

  // Keys on "arm" at frames 10 and 20, the later one with the given curves
  // and the earlier one with those of `earlier` (linear unless given).
  void KeyArm(const Curve (&curves)[4], const Curve (&earlier)[4] = kLinear) {
    MotionBuilder motion(model);
    motion.AddBoneKey(u"root", 0, {}, {0, 0, 0, 1});
    motion.AddBoneKey(u"root", 1000, {}, {0, 0, 0, 1});
    motion.AddBoneKey(u"arm", 10, first, firstRotation, earlier);
    motion.AddBoneKey(u"arm", 20, second, secondRotation, curves);
    model.animation = motion.Build();
  }

  static constexpr Curve kLinear[4] = {};

  const Bone& Arm() const { return model.bones[1]; }
  // The arm's rest offset from root is (2, 0, 0); keys add to it.
  Float4 Rest() const { return {2, 0, 0, 0}; }

  Model model;
  const Float4 first{1, 2, 3, 0};
  const Float4 second{5, -2, 7, 0};
  const Quaternion firstRotation = QuaternionRotationAxis({0, 1, 0, 0}, 0.3f);
  const Quaternion secondRotation = QuaternionRotationAxis({1, 0, 0, 0}, 1.2f);
};

TEST_F(PoseKeyTest, BeforeTheFirstKeyTheBoneIsAtTheFirstKey) {
  const Curve linear[4];
  KeyArm(linear);
  model.Update(4 * kFrameMs);
  EXPECT_EQ(Arm().position.x, Rest().x + first.x);
  EXPECT_EQ(Arm().position.y, Rest().y + first.y);
  EXPECT_EQ(Arm().position.z, Rest().z + first.z);
  EXPECT_EQ(Arm().position.w, 1.0f);
  EXPECT_NEAR(Arm().rotation.y, firstRotation.y, 1e-6f);
  EXPECT_NEAR(Arm().rotation.w, firstRotation.w, 1e-6f);
}

TEST_F(PoseKeyTest, AfterTheLastKeyTheBoneIsAtTheLastKey) {
  const Curve linear[4];
  KeyArm(linear);
  model.Update(60 * kFrameMs);
  // The curve at t = 1 is solved by bisection to within 2^-16.
  EXPECT_NEAR(Arm().position.x, Rest().x + second.x, 1e-3f);
  EXPECT_NEAR(Arm().position.y, Rest().y + second.y, 1e-3f);
  EXPECT_NEAR(Arm().position.z, Rest().z + second.z, 1e-3f);
  EXPECT_NEAR(Arm().rotation.x, secondRotation.x, 1e-4f);
  EXPECT_NEAR(Arm().rotation.w, secondRotation.w, 1e-4f);
}

// Between keys each component follows its own curve of the later key (the
// curve stored with a key shapes the approach to it): x, y, z from bytes 0-2,
// 4-6, 8-10, 12-14 and the rotation from 3, 7, 11, 15.
TEST_F(PoseKeyTest, EachComponentFollowsItsOwnCurveOfTheLaterKey) {
  const Curve curves[4] = {{100, 5, 120, 30}, {10, 90, 60, 127}, {127, 0, 0, 127}, {30, 110, 90, 10}};
  KeyArm(curves);
  model.Update(13 * kFrameMs);
  const float t = 0.3f;
  auto expect = [&](int c, float a, float b, float actual) {
    const float y = Model::BezierValue(curves[c].x1, curves[c].x2, curves[c].y1, curves[c].y2, t);
    EXPECT_FLOAT_EQ(actual, a + (b - a) * y) << "curve " << c;
    // The curves differ enough that a wrong curve would show.
    EXPECT_GT(std::fabs(y - t), 0.02f) << "curve " << c;
  };
  expect(0, Rest().x + first.x, Rest().x + second.x, Arm().position.x);
  expect(1, Rest().y + first.y, Rest().y + second.y, Arm().position.y);
  expect(2, Rest().z + first.z, Rest().z + second.z, Arm().position.z);
  const float tR = Model::BezierValue(30, 90, 110, 10, t);
  const Quaternion q = QuaternionSlerp(firstRotation, secondRotation, tR);
  EXPECT_FLOAT_EQ(Arm().rotation.x, q.x);
  EXPECT_FLOAT_EQ(Arm().rotation.y, q.y);
  EXPECT_FLOAT_EQ(Arm().rotation.w, q.w);
}

// An ease-in on the later key and a linear earlier key: the bone starts
// slowly, as the later key says (with the earlier key's curve it would move
// linearly; with the curves the other way round it would too).
TEST_F(PoseKeyTest, EaseInOnTheLaterKeyShapesTheApproach) {
  constexpr Curve kEaseIn{64, 0, 127, 127};
  const Curve easeIn[4] = {kEaseIn, kEaseIn, kEaseIn, kEaseIn};
  KeyArm(easeIn);
  model.Update(12 * kFrameMs);  // a fifth of the way in time
  const float eased = Model::BezierValue(64, 127, 0, 127, 0.2f);
  EXPECT_LT(eased, 0.1f);
  EXPECT_FLOAT_EQ(Arm().position.x, Rest().x + first.x + (second.x - first.x) * eased);

  // The same curve on the earlier key and a linear later key: linear.
  const Curve linear[4];
  KeyArm(linear, easeIn);
  model.Update(12 * kFrameMs);
  EXPECT_NEAR(Arm().position.x, Rest().x + first.x + 0.2f * (second.x - first.x), 1e-3f);
}

TEST_F(PoseKeyTest, WorldAndSkinningMatricesFollowThePose) {
  const Curve linear[4];
  KeyArm(linear);
  test::EnableSkinning(model);
  model.Update(4 * kFrameMs);
  // The arm hangs from the root at (0, 1, 0) with its key offset added.
  const Matrix4& world = Arm().worldMatrix;
  const Float4 tip = Transform({0, 0, 0, 1}, world);
  EXPECT_NEAR(tip.x, 3.0f, 1e-5f);
  EXPECT_NEAR(tip.y, 3.0f, 1e-5f);
  EXPECT_NEAR(tip.z, 3.0f, 1e-5f);
  // A vertex at the arm's rest position moves with the arm.
  ASSERT_EQ(model.skinningMatrices.size(), 2u);
  const SkinningMatrix& s = model.skinningMatrices[1];
  const Float4 rest{2, 1, 0, 1};
  const float x = s.rows[0].x * rest.x + s.rows[0].y * rest.y + s.rows[0].z * rest.z + s.rows[0].w;
  const float y = s.rows[1].x * rest.x + s.rows[1].y * rest.y + s.rows[1].z * rest.z + s.rows[1].w;
  EXPECT_NEAR(x, 3.0f, 1e-5f);
  EXPECT_NEAR(y, 3.0f, 1e-5f);
}

TEST_F(PoseKeyTest, SkinningWaitsForTheBoneBuffer) {
  const Curve linear[4];
  KeyArm(linear);
  model.Update(0);
  EXPECT_TRUE(model.skinningMatrices.empty());
}

TEST_F(PoseKeyTest, NothingChangesWhileLoading) {
  const Curve linear[4];
  KeyArm(linear);
  model.loading = true;
  const Bone before = Arm();
  EXPECT_EQ(model.Update(15 * kFrameMs), 0);
  EXPECT_EQ(model.animation->currentFrame, 0u);
  EXPECT_EQ(Arm().position, before.position);
  EXPECT_EQ(Arm().worldMatrix, before.worldMatrix);
}

TEST(PoseTrackTest, TrackOfAMissingBoneIsSkippedWithATraceLine) {
  Model model;
  TwoBones(model);
  MotionBuilder motion(model);
  motion.AddBoneKey(u"arm", 0, {1, 0, 0, 0}, {0, 0, 0, 1});
  model.animation = motion.Build();
  BoneTrack stray;
  stray.boneIndex = 7;
  stray.keys.resize(1);
  model.animation->boneTracks.insert(model.animation->boneTracks.begin(), stray);
  model.animation->boneTracks.push_back(stray);
  model.animation->boneTracks.back().boneIndex = -2;
  std::vector<std::string> lines;
  {
    test::TraceCapture trace;
    model.Update(0);
    lines = trace.lines();
  }
  EXPECT_EQ(model.bones[1].position.x, 3.0f);  // the valid track still poses its bone
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("bone 7"), std::string::npos);
}

// A root that is shifted with the centre, one that is not (its track comes
// first), and the centre bone keyed 40.5 pixels right of the model origin.
TEST(PoseCentreTest, CentreTravelBecomesTheShiftAndLeavesThePose) {
  Model model;
  test::BuildBones(model, {{u"before", -1, {0, 0, 0, 0}},
                           {u"センター", -1, {0, 8, 0, 0}},
                           {u"after", -1, {0, 0, 0, 0}},
                           {u"child", 1, {0, 9, 0, 0}}});
  ASSERT_TRUE(model.bones[1].isCenter);
  const test::Camera camera = test::StandardCamera(960, 1040);
  test::AttachCamera(model, camera, 960, 1040);
  // Screen x grows by (x * projection[0][0] / depth) * width / 2; the
  // camera is 35 units in front of the z = 0 plane, the keyed centre 2
  // units nearer.
  const float centreX = 40.5f / 480.0f * 33.0f / camera.projection.m[0][0];

  MotionBuilder motion(model);
  motion.AddBoneKey(u"before", 0, {0.5f, 0, 0, 0}, {0, 0, 0, 1});
  motion.AddBoneKey(u"センター", 0, {centreX, 1.5f, -2.0f, 0}, {0, 0, 0, 1});
  motion.AddBoneKey(u"after", 0, {0.5f, 0, 0, 0}, {0, 0, 0, 1});
  model.animation = motion.Build();

  EXPECT_EQ(model.Update(0), 40);
  const Bone& centre = model.bones[1];
  EXPECT_EQ(centre.position.x, 0.0f);
  EXPECT_EQ(centre.position.y, 8.0f + 1.5f);
  EXPECT_EQ(centre.position.z, -2.0f);
  EXPECT_EQ(centre.worldMatrix.m[3][0], 0.0f);
  EXPECT_EQ(model.bones[0].position.x, 0.5f);               // before the centre: kept
  EXPECT_EQ(model.bones[2].position.x, 0.5f - centreX);     // after it: follows
  EXPECT_EQ(model.bones[3].worldMatrix.m[3][0], 0.0f);      // children come along

  // To the left the shift is negative. (A fresh model: keys are built on
  // the bones' rest offsets, which the first motion has overwritten.)
  Model other;
  test::BuildBones(other, {{u"センター", -1, {0, 8, 0, 0}}});
  test::AttachCamera(other, camera, 960, 1040);
  MotionBuilder left(other);
  left.AddBoneKey(u"センター", 0, {-centreX, 0, -2.0f, 0}, {0, 0, 0, 1});
  other.animation = left.Build();
  EXPECT_EQ(other.Update(0), -40);
}

TEST(PoseCentreTest, NoCentreTrackNoShiftAndNoCameraNoCrash) {
  Model model;
  test::BuildBones(model, {{u"センター", -1, {0, 8, 0, 0}}, {u"arm", 0, {1, 8, 0, 0}}});
  MotionBuilder motion(model);
  motion.AddBoneKey(u"arm", 0, {3, 0, 0, 0}, {0, 0, 0, 1});
  model.animation = motion.Build();
  EXPECT_EQ(model.Update(0), 0);

  // Without camera matrices or viewport the projection is degenerate; the
  // shift is then defined (0 or a finite value), never a crash.
  MotionBuilder centre(model);
  centre.AddBoneKey(u"センター", 0, {3, 0, 0, 0}, {0, 0, 0, 1});
  model.animation = centre.Build();
  model.Update(0);
  EXPECT_EQ(model.bones[0].position.x, 0.0f);
}

TEST(BezierValueTest, SymmetricCurveAtHalfIsExactlyHalf) {
  EXPECT_EQ(Model::BezierValue(20, 107, 20, 107, 0.5f), 0.5f);
}

TEST(BezierValueTest, EndsAndLinearCurvesAreWhereTheyShouldBe) {
  EXPECT_NEAR(Model::BezierValue(20, 107, 20, 107, 0.0f), 0.0f, 1e-4f);
  EXPECT_NEAR(Model::BezierValue(20, 107, 20, 107, 1.0f), 1.0f, 1e-4f);
  EXPECT_NEAR(Model::BezierValue(64, 64, 64, 64, 0.25f), 0.25f, 1e-4f);
}

// Solving x(s) = x in double precision and reading y(s) must agree with the
// 15-step bisection to within its resolution: catches swapped parameters.
TEST(BezierValueTest, AgreesWithAPreciseSolutionOfTheCurve) {
  std::mt19937 random(11);
  std::uniform_int_distribution<int> byte(0, 127);
  std::uniform_real_distribution<float> fraction(0.0f, 1.0f);
  for (int i = 0; i < 500; ++i) {
    const double x1 = byte(random), x2 = byte(random), y1 = byte(random), y2 = byte(random);
    const float x = fraction(random);
    auto point = [](double c1, double c2, double s) {
      return 3 * (1 - s) * (1 - s) * s * c1 / 127 + 3 * (1 - s) * s * s * c2 / 127 + s * s * s;
    };
    double low = 0, high = 1;
    for (int step = 0; step < 60; ++step) {
      const double mid = (low + high) / 2;
      (point(x1, x2, mid) < x ? low : high) = mid;
    }
    const double expected = point(y1, y2, (low + high) / 2);
    const float actual = Model::BezierValue(static_cast<float>(x1), static_cast<float>(x2),
                                            static_cast<float>(y1), static_cast<float>(y2), x);
    // s is known to 2^-16; y moves at most 3 times as fast as s.
    EXPECT_NEAR(actual, expected, 3.0 / 65536 + 1e-6) << x1 << " " << x2 << " " << y1 << " " << y2 << " at " << x;
  }
}

TEST(ProjectToScreenTest, OriginIsInTheMiddleAndUpIsUp) {
  Model model;
  const test::Camera camera = test::StandardCamera(960, 1040);
  test::AttachCamera(model, camera, 960, 1040);
  const Float2 eyeLevel = model.ProjectToScreen({0, 12, 0, 1});
  EXPECT_NEAR(eyeLevel.x, 480.0f, 1e-3f);
  EXPECT_NEAR(eyeLevel.y, 520.0f, 1e-3f);
  const Float2 above = model.ProjectToScreen({1, 14, 0, 1});
  EXPECT_GT(above.x, 480.0f);
  EXPECT_LT(above.y, 520.0f);
}

}  // namespace
}  // namespace brivonel
