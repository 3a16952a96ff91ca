// The head that follows the pointer: the gaze's limits, smoothing and fade
// back to the dance as angles, and the look-at stage on posed figures (the
// head's direction against the pointer's, the eyes through their grants,
// the dance coming back exactly, physics seeing the turned head).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "model/look_at.h"
#include "model/model.h"
#include "tests/support/pose_rigs.h"
#include "tests/support/recording_physics.h"

namespace brivonel {
namespace {

constexpr float kDeg = kPi / 180.0f;
constexpr std::uint64_t kFrameMs = 33;

float Degrees(float radians) { return radians / kDeg; }

// Runs the gaze for `seconds` in frames of `step` seconds, the pointer
// moving (or not) in direction `toward` (degrees); calls `each` after every
// frame with the time since the start.
void Drive(GazeFollower& gaze, float seconds, float step, bool moving, GazeAngles toward,
         const std::function<void(float)>& each = {}, bool enabled = true, bool known = true) {
  const GazeAngles radians{toward.yaw * kDeg, toward.pitch * kDeg};
  const int frames = static_cast<int>(std::lround(seconds / step));
  for (int i = 1; i <= frames; ++i) {
    gaze.Advance(step, enabled, moving, known, radians);
    if (each) each(static_cast<float>(i) * step);
  }
}

TEST(GazeFollowerTest, TurnsNoFurtherThanNaturalLimits) {
  struct Case {
    GazeAngles toward;  // degrees
    GazeAngles head;
    GazeAngles eyes;
  };
  const Case cases[] = {
      {{30, -10}, {30, -10}, {0, 0}},      // within reach: the head alone
      {{80, 0}, {50, 0}, {10, 0}},         // far right: eyes go on past the head
      {{-120, 0}, {-50, 0}, {-10, 0}},     // behind to the left
      {{0, 70}, {0, 20}, {0, 6}},          // high above
      {{0, -80}, {0, -30}, {0, -6}},       // far below
      {{55, -33}, {50, -30}, {5, -3}},     // just past both limits
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "toward " << c.toward.yaw << ", " << c.toward.pitch);
    GazeFollower gaze;
    Drive(gaze, 0.1f, 0.02f, true, {0, 0});
    Drive(gaze, 1.5f, 0.02f, true, c.toward);
    EXPECT_NEAR(Degrees(gaze.head().yaw), c.head.yaw, 0.05f);
    EXPECT_NEAR(Degrees(gaze.head().pitch), c.head.pitch, 0.05f);
    EXPECT_NEAR(Degrees(gaze.eyes().yaw), c.eyes.yaw, 0.05f);
    EXPECT_NEAR(Degrees(gaze.eyes().pitch), c.eyes.pitch, 0.05f);
    EXPECT_EQ(gaze.weight(), 1.0f);
  }
}

// A pointer that jumps 40 degrees: the head starts gently, never passes the
// pointer, is 90 % there after a quarter of a second, at 30 and at 144
// frames a second alike; the eyes get there first.
TEST(GazeFollowerTest, FollowsInAQuarterSecondWithoutSnapping) {
  for (float step : {1.0f / 30.0f, 1.0f / 60.0f, 1.0f / 144.0f}) {
    SCOPED_TRACE(testing::Message() << 1.0f / step << " frames a second");
    GazeFollower gaze;
    Drive(gaze, 0.5f, step, true, {0, 0});
    float last = 0.0f;
    float atQuarter = 0.0f;
    bool eyesLed = false;
    Drive(gaze, 1.0f, step, true, {40, 0}, [&](float t) {
      const float yaw = Degrees(gaze.head().yaw);
      if (t <= step * 1.5f) {
        EXPECT_LT(yaw, 4.0f) << "the first frame snaps";
      }
      EXPECT_GE(yaw, last - 1e-4f) << "turns back at " << t;
      EXPECT_LE(yaw, 40.0f + 1e-3f) << "passes the pointer at " << t;
      last = yaw;
      if (std::fabs(t - 0.25f) < step / 2) atQuarter = yaw;
      if (t <= 0.15f && Degrees(gaze.eyes().yaw) > 3.0f) eyesLed = true;
    });
    EXPECT_NEAR(atQuarter, 36.0f, 1.0f);
    EXPECT_NEAR(last, 40.0f, 0.01f);
    EXPECT_TRUE(eyesLed);
    EXPECT_NEAR(Degrees(gaze.eyes().yaw), 0.0f, 0.01f) << "the head caught up";
  }
}

TEST(GazeFollowerTest, DanceTakesTheHeadBackAfterThreeSecondsOfRest) {
  GazeFollower gaze;
  Drive(gaze, 1.0f, 1.0f / 60, true, {20, 5});
  ASSERT_EQ(gaze.weight(), 1.0f);
  float last = 1.0f;
  Drive(gaze, 4.5f, 1.0f / 60, false, {20, 5}, [&](float t) {
    const float w = gaze.weight();
    if (t < 2.99f) {
      EXPECT_EQ(w, 1.0f) << "let go at " << t;
    }
    if (t > 3.05f && t < 3.95f) {
      EXPECT_TRUE(w > 0.0f && w < 1.0f) << t;
    }
    if (std::fabs(t - 3.5f) < 0.01f) {
      EXPECT_NEAR(w, 0.5f, 0.02f);
    }
    if (t > 4.01f) {
      EXPECT_EQ(w, 0.0f) << t;
    }
    EXPECT_LE(w, last);
    last = w;
  });
  // A move while the dance fades back in takes the head again within a
  // quarter of a second, from where the fade had got to.
  GazeFollower again;
  Drive(again, 1.0f, 1.0f / 60, true, {20, 5});
  Drive(again, 3.5f, 1.0f / 60, false, {20, 5});
  const float from = again.weight();
  Drive(again, 0.25f, 1.0f / 60, true, {-10, 0}, [&](float) { EXPECT_GE(again.weight(), from); });
  EXPECT_EQ(again.weight(), 1.0f);
}

TEST(GazeFollowerTest, FollowsOnlyWhenSwitchedOnAndThePointerIsKnown) {
  struct Case {
    const char* name;
    bool enabled, moving, known;
    float weight;
  };
  const Case cases[] = {
      {"pointer never moved since start", true, false, true, 0.0f},
      {"switched off", false, true, true, 0.0f},
      {"pointer on no screen the program sees", true, true, false, 0.0f},
      {"moving, on, known", true, true, true, 1.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GazeFollower gaze;
    Drive(gaze, 1.0f, 1.0f / 30, c.moving, {30, 0}, {}, c.enabled, c.known);
    EXPECT_EQ(gaze.weight(), c.weight);
  }
  // Switched off while following: the dance fades back over a second.
  GazeFollower gaze;
  Drive(gaze, 1.0f, 1.0f / 30, true, {30, 0});
  Drive(gaze, 0.5f, 1.0f / 30, true, {30, 0}, {}, false);
  EXPECT_NEAR(gaze.weight(), 0.5f, 0.03f);
  Drive(gaze, 0.55f, 1.0f / 30, true, {30, 0}, {}, false);
  EXPECT_EQ(gaze.weight(), 0.0f);
}

// A standing figure: body, neck, head, both eyes and the two eyes granted
// from them (as PMX models have them), a body on the head for physics.
void BuildFigure(Model& model, bool withNeck) {
  std::vector<test::BoneRecipe> recipes = {{u"センター", -1, {0, 8, 0, 0}},
                                           {u"上半身", 0, {0, 9.5f, 0, 0}}};
  int head = 1;
  if (withNeck) recipes.push_back({u"首", 1, {0, 14.5f, 0, 0}});
  recipes.push_back({u"頭", static_cast<std::int32_t>(recipes.size()) - 1, {0, 15.5f, 0, 0}});
  head = static_cast<int>(recipes.size()) - 1;
  recipes.push_back({u"両目", head, {0, 16.8f, -0.8f, 0}});
  recipes.push_back({u"左目", head, {0.4f, 16.5f, -0.6f, 0}});
  recipes.push_back({u"右目", head, {-0.4f, 16.5f, -0.6f, 0}});
  test::BuildBones(model, recipes);
  const std::int32_t both = head + 1;
  model.grants = {BoneGrant{both + 1, both, 1.0f, true, false},
                  BoneGrant{both + 2, both, 1.0f, true, false}};
  test::EnableSkinning(model);
}

int BoneNamed(const Model& model, const std::u16string& name) {
  for (const Bone& bone : model.bones)
    if (bone.name == name) return bone.index;
  return -1;
}

Float4 PositionOf(const Matrix4& m) { return {m.m[3][0], m.m[3][1], m.m[3][2], 1.0f}; }

// Where a bone looks (its -z axis), as yaw and pitch in degrees.
GazeAngles Facing(const Bone& bone) {
  const Matrix4& m = bone.worldMatrix;
  const GazeAngles a = DirectionAngles({-m.m[2][0], -m.m[2][1], -m.m[2][2], 0.0f});
  return {Degrees(a.yaw), Degrees(a.pitch)};
}

class LookAtStageTest : public ::testing::Test {
 protected:
  LookAtStageTest() : camera(test::StandardCamera(960, 1040)) {}

  void Attach(Model& model) { test::AttachCamera(model, camera, 960, 1040); }

  // The head's place on the screen at rest.
  Float2 HeadOnScreen(Model& model) {
    model.Update(time);
    return model.ProjectToScreen(PositionOf(model.bones[BoneNamed(model, u"頭")].worldMatrix));
  }

  // Frames of 33 ms for `seconds` with the pointer at `pointer`.
  void Frames(Model& model, float seconds, Float2 pointer, bool moving = true, bool enabled = true) {
    for (float t = 0; t < seconds; t += kFrameMs / 1000.0f) {
      time += kFrameMs;
      model.SetLookAt({enabled, true, moving, pointer});
      model.Update(time);
    }
  }

  test::Camera camera;
  std::uint64_t time = 0;
};

TEST_F(LookAtStageTest, HeadLooksTowardThePointer) {
  struct Case {
    Float2 offset;  // pixels from the head on the screen
    bool limited;   // beyond the head's reach
  };
  const Case cases[] = {{{300, 0}, false},   {{-300, 0}, false}, {{0, -120}, false},
                        {{150, 200}, false}, {{2000, 0}, true},  {{0, 900}, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "pointer " << c.offset.x << ", " << c.offset.y);
    Model model;
    BuildFigure(model, true);
    Attach(model);
    const Float2 head = HeadOnScreen(model);
    const Float2 pointer{head.x + c.offset.x, head.y + c.offset.y};
    Frames(model, 1.0f, pointer);
    // The pointer taken to be kPointerDepth in front of the head, seen from
    // where the head is now.
    const Float4 at = PositionOf(model.bones[BoneNamed(model, u"頭")].worldMatrix);
    const Float2 now = model.ProjectToScreen(at);
    const float pixelsPerUnit = model.ProjectToScreen({at.x + 1, at.y, at.z, 1}).x - now.x;
    const GazeAngles want = DirectionAngles(
        {(pointer.x - now.x) / pixelsPerUnit, (now.y - pointer.y) / pixelsPerUnit, -kPointerDepth, 0});
    const GazeAngles got = Facing(model.bones[BoneNamed(model, u"頭")]);
    if (!c.limited) {
      EXPECT_NEAR(got.yaw, Degrees(want.yaw), 0.5f);
      EXPECT_NEAR(got.pitch, Degrees(want.pitch), 0.5f);
    } else {
      EXPECT_NEAR(got.yaw, std::copysign(c.offset.x != 0 ? 50.0f : 0.0f, c.offset.x), 0.5f);
      EXPECT_NEAR(got.pitch, c.offset.y > 0 ? -30.0f : 0.0f, 0.5f);
    }
    // On the screen, the head's direction leans the pointer's way.
    if (c.offset.x != 0) {
      EXPECT_GT(got.yaw * c.offset.x, 0.0f);
    }
    if (c.offset.y != 0) {
      EXPECT_LT(got.pitch * c.offset.y, 0.0f);
    }
    // The neck takes its share.
    const GazeAngles neck = Facing(model.bones[BoneNamed(model, u"首")]);
    EXPECT_NEAR(neck.yaw, got.yaw * kNeckShare, 1.0f);
    EXPECT_NEAR(neck.pitch, got.pitch * kNeckShare, 1.0f);
  }
}

// Without a neck the head turns alone; the eyes, through the grants of both
// eyes, look past the head's limit, in a PMD's order and a PMX's.
TEST_F(LookAtStageTest, EyesTurnThroughTheirGrantsPastTheHead) {
  for (const DeformOrder order : {DeformOrder::kGrantsAroundIk, DeformOrder::kBoneByBone}) {
    Model model;
    BuildFigure(model, false);
    model.deformOrder = order;
    Attach(model);
    const Float2 head = HeadOnScreen(model);
    Frames(model, 1.0f, {head.x - 3000, head.y});
    EXPECT_NEAR(Facing(model.bones[BoneNamed(model, u"頭")]).yaw, -50.0f, 0.5f);
    for (const char16_t* eye : {u"両目", u"左目", u"右目"})
      EXPECT_NEAR(Facing(model.bones[BoneNamed(model, eye)]).yaw, -60.0f, 0.5f)
          << "eye bone, order " << static_cast<int>(order);
  }
}

// The dance's head motion is the pointer's while it moves, and comes back
// exactly after it rests; a model without a head, or with the switch off,
// dances as if there were no pointer.
TEST_F(LookAtStageTest, DanceComesBackExactlyAndModelsWithoutAHeadJustDance) {
  const auto build = [&](Model& m, bool head) {
    if (head) {
      test::BuildPmdStyleRig(m);
      m.animation = test::BuildDance(m, 700);
    } else {
      test::BuildPmxRig(m, 300);
      for (Bone& b : m.bones)
        if (b.name == u"頭" || b.name == u"首") b.name += u"飾り";
      m.animation = test::BuildDenseMotion(m, 300);
    }
    test::EnableSkinning(m);
    Attach(m);
  };
  const auto same = [](const Model& a, const Model& b) {
    for (std::size_t i = 0; i < a.bones.size(); ++i)
      if (!SameBits(a.bones[i].worldMatrix, b.bones[i].worldMatrix)) return false;
    return true;
  };
  struct Case {
    const char* name;
    bool head, enabled;
    bool differsWhileMoving;
  };
  const Case cases[] = {{"dancer", true, true, true},
                        {"dancer, switched off", true, false, false},
                        {"no head bones", false, true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Model looking, plain;
    build(looking, c.head);
    build(plain, c.head);
    time = 0;
    const Float2 pointer{100, 300};
    Frames(looking, 1.0f, pointer, true, c.enabled);
    plain.Update(time);
    EXPECT_EQ(!same(looking, plain), c.differsWhileMoving);
    Frames(looking, 3.5f, pointer, false, c.enabled);
    plain.Update(time);
    EXPECT_EQ(!same(looking, plain), c.differsWhileMoving) << "fading back";
    Frames(looking, 0.6f, pointer, false, c.enabled);
    plain.Update(time);
    EXPECT_TRUE(same(looking, plain)) << "after the fade";
  }
}

// The turn comes before physics: the body on the head goes where the
// turned head carries it, so hair hanging from it swings with the head.
TEST_F(LookAtStageTest, PhysicsSeesTheTurnedHead) {
  test::PhysicsRecord record;
  test::RecordingPhysicsEngine engine(record);
  Model model;
  BuildFigure(model, true);
  physics::RigidBodyDescription body;
  body.bone = BoneNamed(model, u"頭");
  body.position = {0, 17, 0};
  body.mode = physics::BodyMode::kFollowBone;
  model.physicsDescription.bodies = {body};
  model.SetPhysicsEngine(&engine);
  Attach(model);
  const Float2 head = HeadOnScreen(model);
  Frames(model, 1.0f, {head.x + 400, head.y});
  ASSERT_FALSE(record.lastStepPoses.empty());
  // The body sits 1.5 above the head bone at rest.
  const Matrix4 expected =
      Multiply(MatrixTranslation({0, 1.5f, 0, 0}), model.bones[BoneNamed(model, u"頭")].worldMatrix);
  const Matrix4& carried = record.lastStepPoses[0];
  for (int r = 0; r < 4; ++r)
    for (int col = 0; col < 4; ++col) EXPECT_NEAR(carried.m[r][col], expected.m[r][col], 1e-4f);
  EXPECT_GT(Facing(model.bones[BoneNamed(model, u"頭")]).yaw, 20.0f);
}

}  // namespace
}  // namespace brivonel
