// The loading steps on real PMX and VMD files, written with the format
// writer and read by the program's own decoders.
#include <gtest/gtest.h>

#include "base/unicode.h"

#include <filesystem>
#include <vector>

#include "app/standard_file_decoders.h"
#include "app/window_place.h"
#include "formats/text_encoding.h"
#include "formats/writer/byte_writer.h"
#include "formats/writer/pmx_writer.h"
#include "formats/writer/vmd_writer.h"
#include "tests/app/app_harness.h"

namespace brivonel::test {
namespace {

PMXVertex Vertex(float x, float y) {
  PMXVertex v;
  v.position = {x, y, 0.0f};
  v.normal = {0.0f, 0.0f, -1.0f};
  v.deformKind = kDeformBdef1;
  return v;
}

PMXMorph VertexMorph(std::u16string name) {
  PMXMorph morph;
  morph.name = std::move(name);
  morph.panel = 1;
  morph.kind = kMorphVertex;
  PMXVertexOffset offset;
  offset.vertexIndex = 2;
  offset.translation = {0.0f, 0.5f, 0.0f};
  morph.vertexOffsets = {offset};
  morph.offsetCount = 1;
  return morph;
}

// One triangle, one material, one bone, and the morphs "あ" and "まばたき".
PMXModel FaceRecord() {
  PMXModel record;
  record.encoding = kPmxUtf16;
  record.name = u"顔";
  record.vertices = {Vertex(0, 10), Vertex(1, 10), Vertex(0, 11)};
  record.indices = {0, 1, 2};
  PMXMaterial material;
  material.name = u"肌";
  material.diffuse = {1.0f, 0.8f, 0.7f, 1.0f};
  material.indexCount = 3;
  record.materials = {material};
  PMXBone bone;
  bone.name = u"センター";
  bone.flags = kBoneRotatable | kBoneMovable | kBoneVisible | kBoneOperable;
  record.bones = {bone};
  record.morphs = {VertexMorph(u"あ"), VertexMorph(u"まばたき")};
  return record;
}

std::vector<std::uint8_t> FacePmx() { return writer::WritePmx(FaceRecord()); }

std::vector<std::uint8_t> FaceVmd() {
  VMDMotion motion;
  motion.boneFrames = {writer::MakeBoneFrame(u"センター", 0),
                       writer::MakeBoneFrame(u"センター", 30, {1.0f, 0.0f, 0.0f})};
  motion.morphFrames = {writer::MakeMorphFrame(u"まばたき", 0, 0.0f),
                        writer::MakeMorphFrame(u"まばたき", 10, 1.0f),
                        writer::MakeMorphFrame(u"にやり", 0, 1.0f)};
  return writer::WriteVmd(motion);
}

class RealFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<std::uint8_t> model = FacePmx();
    writer::WriteFile(files.path() / "face.pmx", model);
    writer::WriteFile(files.path() / "Face.Pmx", model);
    writer::WriteFile(files.path() / "short.pmx",
                      std::vector<std::uint8_t>(model.begin(), model.begin() + model.size() / 2));
    writer::WriteFile(files.path() / "face.vmd", FaceVmd());
    h.realDecoders = &decoders;
  }
  std::u16string File(std::string_view name) const { return FromFsPath(files / name); }

  TempDir files;
  StandardFileDecoders decoders;
  AppHarness h;
};

TEST_F(RealFilesTest, StartUpLoadsRememberedFilesAndChangeMotionBindsMorphTracks) {
  h.Remember(u"Model", File("face.pmx"));
  h.Remember(u"Motion", File("face.vmd"));
  ASSERT_EQ(h.Start(), 0);
  EXPECT_TRUE(h.boxes.shown.empty());
  const std::shared_ptr<Model> model = h.app->model();
  ASSERT_EQ(model->materials.size(), 1u);
  EXPECT_GE(model->materials[0].vertexShaderId, 0);
  EXPECT_GE(model->materials[0].pixelShaderId, 0);
  EXPECT_EQ(model->animation->morphTracks.at(u"まばたき").morph, &model->morphs.at(u"まばたき"));

  h.clock.now += 400;
  h.app->Update();
  h.dialog.Choose(File("face.vmd"));
  h.app->ChangeMotion();
  EXPECT_EQ(h.app->elapsed(), 0u);
  const auto& tracks = h.app->model()->animation->morphTracks;
  ASSERT_EQ(tracks.size(), 2u);
  EXPECT_EQ(tracks.at(u"まばたき").morph, &model->morphs.at(u"まばたき"));
  EXPECT_EQ(tracks.at(u"にやり").morph, nullptr);
}

TEST_F(RealFilesTest, TruncatedRememberedModelGivesTheMessageThenTheDialog) {
  h.Remember(u"Model", File("short.pmx"));
  h.Remember(u"Motion", File("face.vmd"));
  h.dialog.Choose(File("short.pmx"));  // chosen again: still ends early
  h.dialog.Choose(File("Face.Pmx"));   // loads, but its extension is not ".pmx"
  h.dialog.Choose(File("face.pmx"));
  ASSERT_EQ(h.Start(), 0);
  EXPECT_EQ(h.dialog.setups.size(), 3u);
  // The remembered file's box, then one for each choice that failed; each
  // names the file and why.
  ASSERT_EQ(h.boxes.shown.size(), 3u);
  const std::u16string shortFile = File("short.pmx");
  EXPECT_EQ(h.boxes.shown[0].text.rfind(u"モデルデータ(PMD/PMX)が必要です\n\n" + shortFile + u": ", 0),
            0u) << Utf16ToUtf8(h.boxes.shown[0].text);
  EXPECT_GT(h.boxes.shown[0].text.size(), 22 + shortFile.size() + 2) << "a reason";
  EXPECT_EQ(h.boxes.shown[1].text.rfind(shortFile + u": ", 0), 0u);
  EXPECT_NE(h.boxes.shown[1].text.find(u"ecode: 1203"), std::u16string::npos);
  EXPECT_NE(h.boxes.shown[2].text.find(File("Face.Pmx") + u": not a .pmx or .pmd file"),
            std::u16string::npos) << Utf16ToUtf8(h.boxes.shown[2].text);
  EXPECT_EQ(h.Stored(u"Model"), File("face.pmx"));
  EXPECT_EQ(h.app->model()->materials.size(), 1u);
}

TEST_F(RealFilesTest, ModelsThatWouldShowNothingAreRefusedAsBrokenOnesAre) {
  PMXModel bonesOnly = FaceRecord();
  bonesOnly.indices.clear();
  bonesOnly.materials[0].indexCount = 0;
  PMXModel transparent = FaceRecord();
  transparent.materials[0].diffuse.w = 0.0f;
  writer::WriteFile(files / "bones.pmx", writer::WritePmx(bonesOnly));
  writer::WriteFile(files / "clear.pmx", writer::WritePmx(transparent));
  writer::WriteFile(files / "empty.pmd", {});
  writer::WriteFile(files / "zeros.pmd", std::vector<std::uint8_t>(4096, 0));
  for (const char* invisible : {"empty.pmd", "zeros.pmd", "bones.pmx", "clear.pmx"}) {
    AppHarness run;
    run.realDecoders = &decoders;
    run.Remember(u"Model", File(invisible));
    run.Remember(u"Motion", File("face.vmd"));
    run.dialog.Choose(File(invisible));  // chosen in the dialog: the dialog comes back
    run.dialog.Choose(File("face.pmx"));
    ASSERT_EQ(run.Start(), 0) << invisible;
    ASSERT_EQ(run.boxes.shown.size(), 2u) << invisible;
    const std::u16string named = u"モデルデータ(PMD/PMX)が必要です\n\n" + File(invisible) + u": ";
    EXPECT_EQ(run.boxes.shown[0].text.rfind(named, 0), 0u) << invisible;
    EXPECT_GT(run.boxes.shown[0].text.size(), named.size()) << invisible << ": a reason";
    EXPECT_NE(run.boxes.shown[1].text.find(u"\nhr:0 ecode: 1003"), std::u16string::npos)
        << Utf16ToUtf8(run.boxes.shown[1].text);
    EXPECT_EQ(run.dialog.setups.size(), 2u) << invisible;
    EXPECT_EQ(run.Stored(u"Model"), File("face.pmx")) << invisible << " is not remembered";
  }
}

// A dance that sways from side to side, as real ones do, keying its centre
// and a leg's IK target together.
std::vector<std::uint8_t> SwayVmd() {
  VMDMotion motion;
  const float sway[] = {0.0f, 3.0f, 0.0f, -3.0f, 0.0f};
  for (int i = 0; i < 5; ++i) {
    const std::uint32_t frame = static_cast<std::uint32_t>(i) * 15;
    motion.boneFrames.push_back(writer::MakeBoneFrame(u"センター", frame, {sway[i], 0.0f, 0.0f}));
    motion.boneFrames.push_back(
        writer::MakeBoneFrame(u"左足ＩＫ", frame, {sway[i] * 0.5f, 0.0f, 0.0f}));
  }
  return writer::WriteVmd(motion);
}

// The figure dropped 500 pixels to the left in the middle of a sideways
// travel stays there and dances on from there, and comes back there at the
// next start.
TEST_F(RealFilesTest, ADragDuringASidewaysDanceHoldsAndIsThereAfterARestart) {
  writer::WriteFile(files / "sway.vmd", SwayVmd());
  const std::vector<MonitorArea> monitor{{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true}};
  h.monitors.monitors = monitor;
  h.monitorLayout = &h.monitors;
  h.Remember(u"Model", File("face.pmx"));
  h.Remember(u"Motion", File("sway.vmd"));
  ASSERT_EQ(h.Start(), 0);
  const auto frameAt = [&](std::uint32_t ms) {
    h.clock.now += ms;
    h.app->Update();
    h.app->Render();
    return h.presenter.presented.back();
  };
  const Point start = frameAt(0);
  EXPECT_EQ(start, (Point{961, 0}));
  const Point swayed = frameAt(250);  // frame 7 or 8 of 15 towards the right
  ASSERT_GT(swayed.x - start.x, 20) << "the centre's travel moves the window";

  h.window.rect = {swayed.x, 0, swayed.x + 960, 1040};  // where the window went
  h.window.clientOrigin = swayed;
  h.app->OnLButtonDown(1, 480, 900);
  h.app->OnMouseMove(1, -20, 900);
  h.app->OnLButtonUp(0, -20, 900);
  const Point dropped = frameAt(0);
  EXPECT_EQ(dropped.x, swayed.x - 500);
  const std::int32_t travelAtDrop = swayed.x - start.x;
  for (const std::uint32_t step : {250u, 250u, 500u}) {
    const Point later = frameAt(step);
    EXPECT_EQ(later.x, dropped.x + h.app->modelShift() - travelAtDrop)
        << "the travel goes on from the drop";
    EXPECT_EQ(later.y, 0);
  }
  ASSERT_EQ(h.Stored(u"WindowX"), u"461") << "the place without the travel";

  AppHarness next;
  next.realDecoders = &decoders;
  next.folders.appData = h.folders.appData;
  next.store.files = h.store.files;
  next.Make();
  const std::optional<Rect> rect = StartWindowRect(next.app->settings().WindowPlace(), monitor);
  ASSERT_TRUE(rect);
  ASSERT_EQ(next.app->Initialise(*rect), 0);
  next.app->Update();
  next.app->Render();
  EXPECT_EQ(next.presenter.presented.back(), (Point{461, 0}));
}

}  // namespace
}  // namespace brivonel::test
