// The sample dances played by the program's pose evaluation on both sample
// models: the centre's travel comes back as window shifts to both sides, the
// IK bones keep the feet planted while the knees bend (and let a kick go
// where its keys put it while the dance switches them off), and the loop
// closes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <utility>

#include "base/unicode.h"
#include "formats/pmd_decoder.h"
#include "formats/pmx_decoder.h"
#include "formats/vmd_decoder.h"
#include "formats/writer/byte_writer.h"
#include "formats/writer/vmd_writer.h"
#include "model/model_setup.h"
#include "render/frame_setup.h"
#include "tools/sample_generator/sample_files.h"
#include "tests/samples/sample_test_support.h"
#include "tests/support/temp_dir.h"

namespace brivonel::samples {
namespace {

constexpr std::int32_t kWidth = 960, kHeight = 1040;

class SamplePoseTest : public ::testing::TestWithParam<std::string_view> {
 protected:
  void SetUp() override {
    // The pose needs no textures.
    const MappedFile file = MappedFile::Open(SamplePath(GetParam()), kMaxModelFileBytes);
    ASSERT_TRUE(file.mapped());
    if (GetParam() == kPmdFile) {
      PMDModel record;
      ASSERT_EQ(PMDDecoder::Read(file.bytes(), record), FileRead);
      ASSERT_EQ(PMDDecoder::Build(record, *model_, TextureLoading::kSkip), ModelBuilt);
    } else {
      PMXModel record;
      ASSERT_EQ(PMXDecoder::Read(file.bytes(), record), FileRead);
      ASSERT_EQ(PMXDecoder::Build(record, *model_, TextureLoading::kSkip), ModelBuilt);
    }
    view_ = CameraViewMatrix();
    projection_ = CameraProjectionMatrix(kWidth, kHeight);
    model_->view = &view_;
    model_->projection = &projection_;
    model_->viewportWidth = kWidth;
    model_->viewportHeight = kHeight;
    auto animation = std::make_shared<Animation>();
    ASSERT_EQ(VMDDecoder().Decode(SamplePath(kDanceFile), animation, model_->bones), ModelBuilt);
    model_->animation = animation;
    LinkMorphTracks(*model_);
  }

  int BoneIndex(std::u16string_view name) const {
    for (const Bone& b : model_->bones)
      if (b.name == name) return b.index;
    ADD_FAILURE() << "no bone " << Utf16ToUtf8(name);
    return 0;
  }
  Float4 WorldPosition(std::u16string_view name) const {
    const Matrix4& m = model_->bones[static_cast<std::size_t>(BoneIndex(name))].worldMatrix;
    return {m.m[3][0], m.m[3][1], m.m[3][2], 1.0f};
  }
  static std::uint64_t AtFrame(std::uint32_t frame) { return std::uint64_t{frame} * 33; }

  std::shared_ptr<Model> model_ = std::make_shared<Model>();
  Matrix4 view_, projection_;
};

TEST_P(SamplePoseTest, TheCentreShiftsTheWindowToBothSidesAndBack) {
  int lowest = 0, highest = 0;
  const std::uint32_t last = IntendedSamples().dance.lastFrame;
  for (std::uint32_t frame = 0; frame <= last; frame += 4) {
    const int shift = model_->Update(AtFrame(frame));
    lowest = std::min(lowest, shift);
    highest = std::max(highest, shift);
  }
  EXPECT_LT(lowest, -40);
  EXPECT_GT(highest, 40);
  EXPECT_EQ(model_->Update(AtFrame(last)), 0) << "the loop ends where it started";
}

TEST_P(SamplePoseTest, PlantedFeetStayOnTheirIkGoalsWhileTheKneesBend) {
  // Beat 1: the centre dips and the right foot is planted (the left one
  // steps during the first beat). Played frame by frame as the program does:
  // the knees keep what IK gave them from one frame to the next.
  model_->Update(AtFrame(kFramesPerBeat));
  const Float4 ankle = WorldPosition(u"右足首");
  const Float4 goal = WorldPosition(u"右足ＩＫ");
  EXPECT_NEAR(ankle.x, goal.x, 0.05f);
  EXPECT_NEAR(ankle.y, goal.y, 0.05f);
  EXPECT_NEAR(ankle.z, goal.z, 0.05f);
  EXPECT_NEAR(ankle.y, 1.05f, 0.05f) << "on the ground";
  const Quaternion knee = model_->bones[static_cast<std::size_t>(BoneIndex(u"右ひざ"))].rotation;
  EXPECT_GT(2.0f * std::acos(std::min(1.0f, std::fabs(knee.w))), 0.2f) << "the knee bends";
  EXPECT_NEAR(knee.y, 0.0f, 1e-4f);
  EXPECT_NEAR(knee.z, 0.0f, 1e-4f);
}

TEST_P(SamplePoseTest, TheLastFramePosesAsTheFirst) {
  const std::uint32_t last = IntendedSamples().dance.lastFrame;
  model_->Update(AtFrame(last / 2));  // leave IK state from elsewhere in the loop
  model_->Update(0);
  std::vector<Float4> first;
  for (const Bone& b : model_->bones) first.push_back(WorldPosition(b.name));
  model_->Update(AtFrame(last));
  for (std::size_t i = 0; i < first.size(); ++i) {
    const Float4 p = WorldPosition(model_->bones[i].name);
    EXPECT_NEAR(p.x, first[i].x, 2e-3f) << Utf16ToUtf8(model_->bones[i].name);
    EXPECT_NEAR(p.y, first[i].y, 2e-3f) << Utf16ToUtf8(model_->bones[i].name);
    EXPECT_NEAR(p.z, first[i].z, 2e-3f) << Utf16ToUtf8(model_->bones[i].name);
  }
}

// The step dance keys no leg bone: IK alone bends the legs. Played frame by
// frame as the program plays it, every ankle stays on its goal and every
// knee bends forwards, deep in the knee bends.
TEST_P(SamplePoseTest, FeetStayOnTheirGoalsThroughTheStepDance) {
  auto steps = std::make_shared<Animation>();
  ASSERT_EQ(VMDDecoder().Decode(SamplePath(kStepDanceFile), steps, model_->bones), ModelBuilt);
  model_->animation = steps;
  LinkMorphTracks(*model_);
  float farthest = 0.0f, deepestBend = 0.0f;
  const std::uint32_t last = IntendedSamples().stepDance.lastFrame;
  for (std::uint32_t frame = 0; frame <= last; ++frame) {
    model_->Update(AtFrame(frame));
    for (const char16_t* side : {u"左", u"右"}) {
      const std::u16string s = side;
      farthest = std::max(farthest, Length3(Subtract(WorldPosition(s + u"足首"), WorldPosition(s + u"足ＩＫ"))));
      const Quaternion knee = model_->bones[static_cast<std::size_t>(BoneIndex(s + u"ひざ"))].rotation;
      const float bend = 2.0f * std::atan2(knee.x, knee.w);  // about x; negative bends forwards
      ASSERT_LE(bend, 1e-6f) << "frame " << frame;
      deepestBend = std::min(deepestBend, bend);
    }
  }
  // Out of reach only at rest with a knee that may not straighten fully.
  EXPECT_LT(farthest, 2e-3f);
  EXPECT_LT(deepestBend, -1.2f) << "deep knee bends";
}

// The step dance with a kick, as dances key one: the right leg's IK (leg
// and toe) switched off from frame 40 to 60 while the thigh and knee keys
// swing the leg forward, and the model hidden from frame 70 to 75. Written
// with the motion writer and read back as the program reads a dance.
TEST_P(SamplePoseTest, AKickSwitchesTheLegIkOffAndTheLegFollowsItsKeys) {
  VMDMotion dance;
  {
    const MappedFile steps = MappedFile::Open(SamplePath(kStepDanceFile), kMaxMotionFileBytes);
    ASSERT_TRUE(steps.mapped());
    ASSERT_EQ(VMDDecoder::Read(steps.bytes(), dance), FileRead);
  }
  const Quaternion thigh = QuaternionRotationAxis({1, 0, 0, 0}, -1.1f);
  const Quaternion knee = QuaternionRotationAxis({1, 0, 0, 0}, 0.4f);
  for (const auto& [frame, kicked] : {std::pair{36u, false}, {40u, true}, {60u, true}, {64u, false}}) {
    const Quaternion rest{0, 0, 0, 1};
    const Quaternion t = kicked ? thigh : rest, k = kicked ? knee : rest;
    dance.boneFrames.push_back(writer::MakeBoneFrame(u"右足", frame, {}, {t.x, t.y, t.z, t.w}));
    dance.boneFrames.push_back(writer::MakeBoneFrame(u"右ひざ", frame, {}, {k.x, k.y, k.z, k.w}));
  }
  writer::AddPropertyFrame(dance, 0, true,
                           {{u"左足ＩＫ", true}, {u"右足ＩＫ", true}, {u"左つま先ＩＫ", true}, {u"右つま先ＩＫ", true}});
  writer::AddPropertyFrame(dance, 40, true, {{u"右足ＩＫ", false}, {u"右つま先ＩＫ", false}});
  writer::AddPropertyFrame(dance, 60, true, {{u"右足ＩＫ", true}, {u"右つま先ＩＫ", true}});
  writer::AddPropertyFrame(dance, 70, false);
  writer::AddPropertyFrame(dance, 75, true);
  test::TempDir dir;
  writer::WriteFile(dir / "kick.vmd", writer::WriteVmd(dance));
  auto kick = std::make_shared<Animation>();
  ASSERT_EQ(VMDDecoder().Decode(FromFsPath(dir / "kick.vmd"), kick, model_->bones), ModelBuilt);
  model_->animation = kick;
  LinkMorphTracks(*model_);

  const auto gap = [&](const char16_t* ankle, const char16_t* goal) {
    return Length3(Subtract(WorldPosition(ankle), WorldPosition(goal)));
  };
  for (std::uint32_t frame = 0; frame <= 90; ++frame) {
    model_->Update(AtFrame(frame));
    const bool kicking = frame >= 40 && frame < 60;
    EXPECT_LT(gap(u"左足首", u"左足ＩＫ"), 5e-3f) << "frame " << frame;
    if (kicking) {
      EXPECT_GT(gap(u"右足首", u"右足ＩＫ"), 1.0f) << "frame " << frame;
      const Quaternion keyedKnee = model_->bones[static_cast<std::size_t>(BoneIndex(u"右ひざ"))].rotation;
      EXPECT_NEAR(keyedKnee.x, knee.x, 1e-5f) << "the knee as keyed at frame " << frame;
      EXPECT_NEAR(keyedKnee.w, knee.w, 1e-5f);
    } else {
      EXPECT_LT(gap(u"右足首", u"右足ＩＫ"), 5e-3f) << "frame " << frame;
    }
    EXPECT_EQ(model_->Shown(), frame < 70 || frame >= 75) << "frame " << frame;
  }

  // A dance that hides the model at every key of it is drawn all the same:
  // hidden for good, the mascot would leave nothing to click for its menu.
  dance.propertyFrames.clear();
  dance.ikSwitches.clear();
  writer::AddPropertyFrame(dance, 0, false);
  writer::AddPropertyFrame(dance, 50, false);
  writer::WriteFile(dir / "gone.vmd", writer::WriteVmd(dance));
  auto gone = std::make_shared<Animation>();
  ASSERT_EQ(VMDDecoder().Decode(FromFsPath(dir / "gone.vmd"), gone, model_->bones), ModelBuilt);
  EXPECT_TRUE(gone->hidesThroughout);
  model_->animation = gone;
  for (std::uint32_t frame : {0u, 60u}) {
    model_->Update(AtFrame(frame));
    EXPECT_TRUE(model_->Shown()) << "frame " << frame;
  }
}

INSTANTIATE_TEST_SUITE_P(BothModels, SamplePoseTest, ::testing::Values(kPmxFile, kPmdFile),
                         [](const auto& test) { return test.param == kPmdFile ? "Pmd" : "Pmx"; });

}  // namespace
}  // namespace brivonel::samples
