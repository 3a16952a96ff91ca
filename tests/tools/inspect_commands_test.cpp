// brivonel-inspect's model, motion and pose subcommands run in-process on
// written files: what they print on stdout, the warnings and error lines on
// stderr, and their exit codes.
#include <gtest/gtest.h>

#include <algorithm>

#include "formats/writer/byte_writer.h"
#include "formats/writer/pmx_writer.h"
#include "formats/writer/vmd_writer.h"
#include "render/linux/image_codecs_linux.h"
#include "render/texture_loaders.h"
#include "tests/formats/format_test_support.h"
#include "tests/support/temp_dir.h"
#include "tests/support/written_files.h"
#include "tests/tools/tool_outcome.h"
#include "tools/inspect/inspect_commands.h"

namespace brivonel {
namespace {

using Outcome = test::ToolOutcome;

Outcome RunCommand(int (*command)(const std::vector<std::string>&), std::vector<std::string> args) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int code = command(args);
  std::string out = testing::internal::GetCapturedStdout();
  std::string err = testing::internal::GetCapturedStderr();
  return {code, out, err};
}

std::size_t Lines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A motion of two bones and a blink: the first bone's keys end at frame 10,
// the other bone's at 30, the blink's at 40 (where the motion loops).
VMDMotion ThreeTrackMotion() {
  VMDMotion motion;
  motion.boneFrames = {writer::MakeBoneFrame(u"センター", 10), writer::MakeBoneFrame(u"センター", 0),
                       writer::MakeBoneFrame(u"左足", 30)};
  motion.morphFrames = {writer::MakeMorphFrame(u"まばたき", 40, 1.0f),
                        writer::MakeMorphFrame(u"まばたき", 5, 0.0f)};
  return motion;
}

class InspectCommandsTest : public ::testing::Test {
 protected:
  // As brivonel-inspect does on Linux.
  void SetUp() override { RegisterLinuxImageCodecs(); }
  void TearDown() override { SetImageFileLoader(nullptr); }

  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    writer::WriteFile(dir_ / name, bytes);
    return (dir_ / name).string();
  }
  test::TempDir dir_;
};

TEST_F(InspectCommandsTest, MotionReportsItsLastKeyAndWhereItLoops) {
  const std::string file = Write("three.vmd", writer::WriteVmd(ThreeTrackMotion()));
  Outcome run = RunCommand(tools::RunMotionCommand, {file});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(run.err.empty()) << run.err;
  EXPECT_EQ(run.out,
            "{\"boneKeys\":3,\"morphKeys\":2,\"boneTracks\":2,\"morphTracks\":1,"
            "\"lastKeyFrame\":40,\"loopFrame\":40,\"vmdHeader\":true,\"endsInside\":null,"
            "\"boneRecordsCut\":0,\"morphRecordsCut\":0,\"propertySection\":false,"
            "\"propertyKeysCut\":0,\"propertyKeys\":[],\"ikBonesNotInModel\":[]}\n");

  // Only a blink: the motion still loops at its latest key.
  VMDMotion blink;
  blink.morphFrames = {writer::MakeMorphFrame(u"まばたき", 12, 1.0f)};
  run = RunCommand(tools::RunMotionCommand, {Write("blink.vmd", writer::WriteVmd(blink))});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(Has(run.out, "\"lastKeyFrame\":12,\"loopFrame\":12")) << run.out;

  // Nothing at all.
  run = RunCommand(tools::RunMotionCommand, {Write("empty.vmd", writer::WriteVmd(VMDMotion{}))});
  EXPECT_TRUE(Has(run.out, "\"lastKeyFrame\":null,\"loopFrame\":null")) << run.out;
}

TEST_F(InspectCommandsTest, MotionSaysWhenTheFileIsNoMotionOrEndsEarly) {
  // A motion cut inside its second bone record: that record and the third
  // are cut, the morph count is never reached.
  std::vector<std::uint8_t> bytes = writer::WriteVmd(ThreeTrackMotion());
  bytes.resize(54 + 111 + 50);
  Outcome run = RunCommand(tools::RunMotionCommand, {Write("cut.vmd", bytes)});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(Has(run.out, "\"vmdHeader\":true,\"endsInside\":\"bone records\","
                           "\"boneRecordsCut\":2,\"morphRecordsCut\":0,\"propertySection\":false"))
      << run.out;
  EXPECT_EQ(Lines(run.err), 1u) << run.err;
  EXPECT_TRUE(Has(run.err, "cut.vmd: warning: the file ends inside the bone records (2 bone"))
      << run.err;

  // Cut inside the morph records.
  bytes = writer::WriteVmd(ThreeTrackMotion());
  bytes.resize(54 + 3 * 111 + 4 + 23 + 10);
  run = RunCommand(tools::RunMotionCommand, {Write("morphs.vmd", bytes)});
  EXPECT_TRUE(Has(run.out, "\"endsInside\":\"morph records\",\"boneRecordsCut\":0,"
                           "\"morphRecordsCut\":1,"))
      << run.out;

  // An empty file, a text file and a picture, each named .vmd.
  run = RunCommand(tools::RunMotionCommand, {Write("empty.vmd", {})});
  ASSERT_EQ(run.code, 0);
  EXPECT_TRUE(Has(run.out, "\"vmdHeader\":false,\"endsInside\":\"header\"")) << run.out;
  EXPECT_EQ(Lines(run.err), 2u) << run.err;
  EXPECT_TRUE(Has(run.err, "empty.vmd: warning: the header \"\" is not a VMD header")) << run.err;

  const std::string text = "Notes for the dance: start slow, then turn twice on the chorus.\n";
  run = RunCommand(tools::RunMotionCommand,
            {Write("notes.vmd", std::vector<std::uint8_t>(text.begin(), text.end()))});
  EXPECT_TRUE(Has(run.err, "the header \"Notes for the dance: start slo\" is not")) << run.err;
  // Bytes 50-53 ("n th") read as a bone count of 0x6874206E records.
  EXPECT_TRUE(Has(run.out, "\"endsInside\":\"bone records\",\"boneRecordsCut\":1752440942"))
      << run.out;

  run = RunCommand(tools::RunMotionCommand, {Write("picture.vmd", test::HostileRle8Bmp(4, 4, 40))});
  EXPECT_TRUE(Has(run.out, "\"vmdHeader\":false")) << run.out;
  EXPECT_TRUE(Has(run.err, "picture.vmd: warning: the header \"BM")) << run.err;
}

// A dance's property keys as the file has them: the legs' IK switched off
// for a kick and on again, the model hidden at the end. With a model, the
// IK bones it lacks are named. A file cut inside its second key keeps the
// first and says so; one cut inside the camera keys has none and says why.
TEST_F(InspectCommandsTest, MotionListsItsPropertyKeys) {
  VMDMotion kick = ThreeTrackMotion();
  writer::AddPropertyFrame(kick, 0, true, {{u"左足ＩＫ", true}, {u"右足ＩＫ", true}});
  writer::AddPropertyFrame(kick, 20, true, {{u"左足ＩＫ", false}});
  writer::AddPropertyFrame(kick, 50, false);
  const std::vector<std::uint8_t> bytes = writer::WriteVmd(kick);
  const std::string file = Write("kick.vmd", bytes);
  const std::string keys =
      "\"propertySection\":true,\"propertyKeysCut\":0,\"propertyKeys\":["
      "{\"frame\":0,\"shown\":true,\"ik\":{\"左足ＩＫ\":true,\"右足ＩＫ\":true}},"
      "{\"frame\":20,\"shown\":true,\"ik\":{\"左足ＩＫ\":false}},"
      "{\"frame\":50,\"shown\":false,\"ik\":{}}],";
  Outcome run = RunCommand(tools::RunMotionCommand, {file});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(run.err.empty()) << run.err;
  // The last property key is the latest key: the motion loops there.
  EXPECT_TRUE(Has(run.out, "\"lastKeyFrame\":50,\"loopFrame\":50")) << run.out;
  EXPECT_TRUE(Has(run.out, keys + "\"ikBonesNotInModel\":[]}")) << run.out;

  const std::string model = Write("model.pmx", writer::WritePmx(test::RichPmx()));
  run = RunCommand(tools::RunMotionCommand, {file, "--model", model});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(Has(run.out, keys + "\"ikBonesNotInModel\":[\"右足ＩＫ\"]}")) << run.out;

  // The properties start after the header, model name, counts and records:
  // 50 + 4 + 3 * 111 + 4 + 2 * 23 + 3 * 4, then the key count; the first key
  // is 9 + 2 * 21 bytes.
  const std::size_t properties = 50 + 4 + 3 * 111 + 4 + 2 * 23 + 3 * 4;
  std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(properties + 4 + 51 + 12));
  run = RunCommand(tools::RunMotionCommand, {Write("cut.vmd", cut)});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(Has(run.out, "\"endsInside\":\"property keys\"")) << run.out;
  EXPECT_TRUE(Has(run.out, "\"propertyKeysCut\":2,\"propertyKeys\":[{\"frame\":0,")) << run.out;
  EXPECT_TRUE(Has(run.out, "\"右足ＩＫ\":true}}],")) << run.out;
  EXPECT_TRUE(Has(run.err, "cut.vmd: warning: the file ends inside its property keys (2 keys cut)")) << run.err;

  // A camera count the file cannot hold.
  cut.assign(bytes.begin(), bytes.end());
  cut[properties - 12] = 9;
  run = RunCommand(tools::RunMotionCommand, {Write("camera.vmd", cut)});
  EXPECT_TRUE(Has(run.out, "\"endsInside\":\"camera records\"")) << run.out;
  EXPECT_TRUE(Has(run.out, "\"propertySection\":false,\"propertyKeysCut\":0,\"propertyKeys\":[]")) << run.out;
  EXPECT_TRUE(Has(run.err, "camera.vmd: warning: the file ends inside the camera records; no property keys are read"))
      << run.err;
}

TEST_F(InspectCommandsTest, ModelNamesEachMissingTextureAndGoesOn) {
  const std::string model = test::WriteOneTriangleModel(dir_.path(), u"gone.png").string();
  const Outcome run = RunCommand(tools::RunModelCommand, {model});
  ASSERT_EQ(run.code, 0) << run.err;
  const std::string looked = (dir_ / "gone.png").string();
  EXPECT_EQ(run.err, "brivonel-inspect: " + model + ": warning: texture \"gone.png\" not found "
                     "(looked for " + looked + ")\n");
  EXPECT_TRUE(Has(run.out, "\"missingTextures\":[{\"name\":\"gone.png\",\"path\":\"" + looked +
                               "\"}]}"))
      << run.out;
}

// A damaged physics block is no failure: the model is shown without
// physics, with the reason in the JSON and in a warning line.
TEST_F(InspectCommandsTest, ModelCountsItsBodiesAndSaysWhyPhysicsWasDropped) {
  const std::string hair = Write("hair.pmd", writer::WritePmd(test::PhysicsPmd()));
  Outcome run = RunCommand(tools::RunModelCommand, {hair});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(run.err.empty()) << run.err;
  EXPECT_TRUE(Has(run.out, "\"rigidBodies\":4,\"joints\":2,\"bodiesByMode\":{\"followBone\":2,"
                           "\"dynamic\":2,\"dynamicKeepsPlace\":0},\"physicsDropped\":null,"))
      << run.out;

  PMXModel broken = test::PhysicsPmx();
  broken.rigidBodies[2].size.y = -0.4f;
  run = RunCommand(tools::RunModelCommand, {Write("broken.pmx", writer::WritePmx(broken))});
  ASSERT_EQ(run.code, 0) << run.err;
  const std::string reason = "rigid body 2 has a size out of bounds";
  EXPECT_TRUE(Has(run.out, "\"rigidBodies\":0,\"joints\":0,\"bodiesByMode\":{\"followBone\":0,"
                           "\"dynamic\":0,\"dynamicKeepsPlace\":0},\"physicsDropped\":\"" +
                               reason + "\","))
      << run.out;
  EXPECT_EQ(Lines(run.err), 1u) << run.err;
  EXPECT_TRUE(Has(run.err, "broken.pmx: warning: no physics: " + reason)) << run.err;
}

TEST_F(InspectCommandsTest, ModelFailuresSayWhatIsWrongWithTheirCode) {
  writer::WriteFile(dir_ / "skin.bmp", test::HostileRle8Bmp(32768, 16384, 10));
  const std::string model = test::WriteOneTriangleModel(dir_.path(), u"skin.bmp").string();
  Outcome run = RunCommand(tools::RunModelCommand, {model});
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(run.out.empty());
  EXPECT_EQ(Lines(run.err), 1u) << run.err;
  EXPECT_TRUE(Has(run.err, "triangle.pmx: its texture \"skin.bmp\" (" +
                               (dir_ / "skin.bmp").string() + ") cannot be loaded: too large"))
      << run.err;
  EXPECT_TRUE(Has(run.err, "(0x800700DF) (the program's error 1104)")) << run.err;

  run = RunCommand(tools::RunModelCommand, {dir_.path().string()});
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(Has(run.err, ": is a directory\n")) << run.err;
  run = RunCommand(tools::RunModelCommand, {(dir_ / "none.pmx").string()});
  EXPECT_TRUE(Has(run.err, "none.pmx: file not found\n")) << run.err;
}

TEST_F(InspectCommandsTest, PoseArgumentsSayWhatIsWrong) {
  Outcome run = RunCommand(tools::RunPoseCommand, {"a.pmx", "b.vmd", "--ms", "0", "--bench", "5"});
  EXPECT_EQ(run.code, 2);
  EXPECT_TRUE(Has(run.err, "--ms T or --bench N, not both")) << run.err;
  run = RunCommand(tools::RunPoseCommand, {"a.pmx", "b.vmd"});
  EXPECT_EQ(run.code, 2);
  EXPECT_TRUE(Has(run.err, "pose needs --ms T")) << run.err;
  for (const char* names : {",", "A,", ",B", "A,,B"}) {
    run = RunCommand(tools::RunPoseCommand, {"a.pmx", "b.vmd", "--ms", "0", "--bones", names});
    EXPECT_EQ(run.code, 2) << names;
    EXPECT_TRUE(Has(run.err, "without empty names")) << names << ": " << run.err;
  }
}

}  // namespace
}  // namespace brivonel
