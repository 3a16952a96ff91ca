// Morphs driven by morph tracks: vertex, UV, bone, material, group and flip
// kinds, the track's key search and weight, and entries that name nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "formats/vmd_decoder.h"
#include "formats/writer/pmx_writer.h"
#include "formats/writer/vmd_writer.h"
#include "model/model.h"
#include "model/model_setup.h"
#include "tests/formats/format_test_support.h"
#include "tests/model/pose_reference.h"
#include "tests/support/pose_rigs.h"
#include "tests/support/trace_capture.h"
#include "tests/support/recording_gpu.h"
#include "tests/support/test_models.h"

namespace brivonel {
namespace {

using test::MotionBuilder;

constexpr std::uint64_t kFrameMs = 33;

class MorphTest : public ::testing::Test {
 protected:
  MorphTest() {
    test::BuildBones(model, {{u"root", -1, {0, 0, 0, 0}}, {u"arm", 0, {1, 0, 0, 0}}});
    std::vector<Vertex> vertices(4);
    for (std::size_t i = 0; i < vertices.size(); ++i)
      vertices[i].position = {static_cast<float>(i), 0, 0, 1};
    test::SetVertices(model, vertices);
    model.materials.resize(3);
  }

  // A track holding the given (frame, weight) keys for `morph`.
  void Drive(const std::u16string& morph, std::vector<std::pair<std::uint32_t, float>> keys) {
    MotionBuilder motion(model);
    for (const auto& [frame, weight] : keys) motion.AddMorphKey(morph, frame, weight);
    model.animation = motion.Build();
  }

  PMXMorph& VertexMorph(const std::u16string& name, std::uint32_t vertex, Float3 offset) {
    PMXMorph& morph = test::AddMorph(model, name, kMorphVertex);
    morph.vertexOffsets.push_back({vertex, offset});
    return morph;
  }

  Model model;
};

TEST_F(MorphTest, VertexMorphMovesByWeightTimesOffsetAndListsTheVertex) {
  VertexMorph(u"raise", 2, {0, 2, 0});
  Drive(u"raise", {{0, 0.0f}, {10, 1.0f}});
  model.Update(5 * kFrameMs);
  EXPECT_EQ(model.posedVertices[2].position.y, 1.0f);
  EXPECT_EQ(model.posedVertices[2].position.w, 1.0f);
  EXPECT_EQ(model.touchedVertices, std::vector<std::uint32_t>{2});
  EXPECT_EQ(model.posedVertices[1].position.y, 0.0f);
}

TEST_F(MorphTest, MorphTrackWeightIsLinearAndNotClamped) {
  VertexMorph(u"raise", 1, {0, 1, 0});
  MotionBuilder motion(model);
  for (const auto& [frame, weight] : {std::pair{0u, 0.0f}, {10u, 3.0f}, {20u, -1.0f}})
    motion.AddMorphKey(u"raise", frame, weight);
  motion.AddBoneKey(u"root", 60, {}, {0, 0, 0, 1});  // the motion runs on to frame 60
  model.animation = motion.Build();
  model.Update(15 * kFrameMs);
  EXPECT_EQ(model.posedVertices[1].position.y, 1.0f);  // halfway from 3 to -1
  EXPECT_EQ(model.animation->morphTracks.at(u"raise").cursor, 1);
  model.Update(40 * kFrameMs);  // after the last key: its weight
  EXPECT_EQ(model.posedVertices[1].position.y, -1.0f);
}

// Frame 0 comes round again at every wrap of the motion; its weight is the
// first key's, whatever key the track was at before.
TEST_F(MorphTest, FirstKeyAfterALaterFrameHasItsOwnWeight) {
  VertexMorph(u"raise", 1, {0, 1, 0});
  Drive(u"raise", {{0, 0.25f}, {10, 1.0f}, {20, 0.5f}});
  model.Update(15 * kFrameMs);
  model.Update(0);
  EXPECT_EQ(model.posedVertices[1].position.y, 0.25f);
}

// A motion that sets an expression once, as pose-like files do: its one
// key holds for the whole motion, before its frame too.
TEST_F(MorphTest, TrackWithOneKeyHoldsItsWeightForTheWholeMotion) {
  VertexMorph(u"raise", 2, {0, 2, 0});
  MotionBuilder motion(model);
  motion.AddMorphKey(u"raise", 3, 0.75f);
  motion.AddBoneKey(u"root", 60, {}, {0, 0, 0, 1});  // the motion runs on to frame 60
  model.animation = motion.Build();
  for (std::uint64_t frame : {0u, 3u, 9u, 59u}) {
    model.Update(frame * kFrameMs);
    EXPECT_EQ(model.posedVertices[2].position.y, 1.5f) << "frame " << frame;
    EXPECT_EQ(model.animation->morphTracks.at(u"raise").weight, 0.75f);
  }
}

TEST_F(MorphTest, UvMorphChangesOnlyTheFirstTwoComponentsOfItsUv) {
  PMXMorph& morph = test::AddMorph(model, u"uv2", kMorphAdditionalUv1 + 1);  // additional UV 2
  morph.uvOffsets.push_back({3, {0.1f, 0.2f, 0.3f, 0.4f}});
  const Vertex rest = model.posedVertices[3];
  Drive(u"uv2", {{0, 1.0f}, {10, 1.0f}});
  model.Update(0);
  const Vertex& v = model.posedVertices[3];
  EXPECT_EQ(v.additionalUv[1].x, rest.additionalUv[1].x + 0.1f);
  EXPECT_EQ(v.additionalUv[1].y, rest.additionalUv[1].y + 0.2f);
  EXPECT_EQ(v.additionalUv[1].z, rest.additionalUv[1].z);
  EXPECT_EQ(v.additionalUv[1].w, rest.additionalUv[1].w);
  EXPECT_EQ(v.uv, rest.uv);
  EXPECT_EQ(v.additionalUv[0], rest.additionalUv[0]);
  EXPECT_EQ(model.touchedVertices, std::vector<std::uint32_t>{3});
}

TEST_F(MorphTest, BoneMorphActsInFullWhateverItsWeight) {
  PMXMorph& morph = test::AddMorph(model, u"bend", kMorphBone);
  const Quaternion quarter = QuaternionRotationAxis({0, 0, 1, 0}, 1.5707964f);
  morph.boneOffsets.push_back({1, {0, 0.5f, 0, 0}, quarter});
  Drive(u"bend", {{0, 0.0f}, {10, 0.0f}});
  model.Update(0);
  const Bone& arm = model.bones[1];
  EXPECT_EQ(arm.rotation, quarter);
  EXPECT_EQ(arm.position.y, 0.5f);
  // The arm has no track; the next frame starts from its rest pose again,
  // so the offset is not added twice.
  model.Update(0);
  EXPECT_EQ(arm.position.y, 0.5f);
  EXPECT_EQ(arm.rotation, quarter);
}

TEST_F(MorphTest, GroupAppliesItsTargetsAtGroupWeightTimesEntryWeight) {
  VertexMorph(u"raise", 2, {0, 1, 0});
  PMXMorph& group = test::AddMorph(model, u"group", kMorphGroup);
  group.groupOffsets.push_back({0, 0.4f});
  Drive(u"group", {{0, 0.5f}, {10, 0.5f}});
  model.Update(0);
  EXPECT_FLOAT_EQ(model.posedVertices[2].position.y, 0.2f);
}

TEST_F(MorphTest, GroupListingItselfIsReportedEveryFrameAndItsOtherEntriesApply) {
  VertexMorph(u"raise", 2, {0, 1, 0});
  PMXMorph& group = test::AddMorph(model, u"loop", kMorphGroup);
  group.groupOffsets.push_back({1, 1.0f});  // itself
  group.groupOffsets.push_back({0, 1.0f});
  PMXMorph& outer = test::AddMorph(model, u"outer", kMorphGroup);
  outer.groupOffsets.push_back({1, 1.0f});  // a group in a group: not applied
  MotionBuilder both(model);
  for (const char16_t* name : {u"loop", u"outer"}) {
    both.AddMorphKey(name, 0, 1.0f);
    both.AddMorphKey(name, 10, 1.0f);
  }
  model.animation = both.Build();

  std::vector<std::string> lines;
  {
    test::TraceCapture trace;
    model.Update(0);
    model.Update(kFrameMs);
    lines = trace.lines();
  }
  ASSERT_EQ(lines.size(), 2u);  // once per frame
  EXPECT_EQ(lines[0], "グループモーフィングに自分自身が設定されています index:1 name:loop");
  EXPECT_EQ(model.posedVertices[2].position.y, 1.0f);  // each frame from the rest vertices
}

TEST_F(MorphTest, MaterialMorphOnAllMaterialsAdds) {
  PMXMorph& morph = test::AddMorph(model, u"tint", kMorphMaterial);
  PMXMaterialOffset entry;
  entry.materialIndex = 0xFFFFFFFFu;
  entry.operation = 1;
  entry.diffuse = {0.1f, 0, 0, 0};
  entry.specularPower = 2.0f;
  morph.materialOffsets.push_back(entry);
  Drive(u"tint", {{0, 1.0f}, {10, 1.0f}});
  model.Update(0);
  for (const Material& material : model.materials) {
    EXPECT_TRUE(material.addPending);
    EXPECT_FALSE(material.multiplyPending);
    EXPECT_EQ(material.addTerms.diffuse.x, 0.1f);
    EXPECT_EQ(material.addTerms.specular.w, 2.0f);
  }
}

TEST_F(MorphTest, SingleMaterialEntriesReplaceThePowerAndMultiplyFromZero) {
  PMXMorph& morph = test::AddMorph(model, u"shine", kMorphMaterial);
  PMXMaterialOffset entry;
  entry.materialIndex = 1;
  entry.operation = 0;
  entry.diffuse = {2, 2, 2, 2};
  entry.ambient = {1, 1, 1};
  entry.specularPower = 4.0f;
  morph.materialOffsets.push_back(entry);
  entry.specularPower = 3.0f;
  morph.materialOffsets.push_back(entry);
  Drive(u"shine", {{0, 0.5f}, {10, 0.5f}});
  model.Update(0);
  const Material& target = model.materials[1];
  EXPECT_TRUE(target.multiplyPending);
  EXPECT_EQ(target.multiplyFactors.diffuse, (Float4{2, 2, 2, 2}));   // two entries at 0.5
  EXPECT_EQ(target.multiplyFactors.ambient, (Float4{1, 1, 1, 0}));   // w stays 0
  EXPECT_EQ(target.multiplyFactors.specular.w, 1.5f);                // the last entry's
  EXPECT_FALSE(model.materials[0].multiplyPending);
}

TEST_F(MorphTest, EntriesNamingNothingAreSkipped) {
  PMXMorph& vertex = VertexMorph(u"v", 99, {1, 1, 1});
  vertex.vertexOffsets.push_back({1, {0, 1, 0}});
  PMXMorph& uv = test::AddMorph(model, u"u", kMorphUv);
  uv.uvOffsets.push_back({4, {1, 1, 0, 0}});
  PMXMorph& bone = test::AddMorph(model, u"b", kMorphBone);
  bone.boneOffsets.push_back({2, {1, 0, 0, 0}, {0, 0, 0, 1}});
  PMXMorph& material = test::AddMorph(model, u"m", kMorphMaterial);
  PMXMaterialOffset entry;
  entry.materialIndex = 3;
  material.materialOffsets.push_back(entry);
  PMXMorph& group = test::AddMorph(model, u"g", kMorphGroup);
  group.groupOffsets = {{-1, 1.0f}, {42, 1.0f}};
  test::AddMorph(model, u"later kind", 9);
  MotionBuilder motion(model);
  for (const auto& [name, morph] : model.morphs) {
    motion.AddMorphKey(name, 0, 1.0f);
    motion.AddMorphKey(name, 10, 1.0f);
  }
  model.animation = motion.Build();
  model.Update(0);
  EXPECT_EQ(model.touchedVertices, std::vector<std::uint32_t>{1});
  EXPECT_EQ(model.posedVertices[1].position.y, 1.0f);
  for (const Material& m : model.materials) EXPECT_FALSE(m.multiplyPending || m.addPending);
}

// A PMX 2.1 face whose flip morph picks one of three expressions by its
// weight, written and read back as files: of n entries, entry k from weight
// (k + 1) / (n + 1) on (here 0.5 and 0.75), the first below that; the
// chosen morph acts with its entry's weight in place of its own track's.
// A group passes its weight on to a flip it lists.
TEST(FlipMorphTest, FlipSwitchesOnTheOneMorphItsWeightChooses) {
  PMXModel face = test::SmallPmx();
  const char16_t* expressions[] = {u"笑い", u"怒り", u"泣き"};
  for (std::uint32_t v = 0; v < 3; ++v) {
    PMXMorph morph;
    morph.name = expressions[v];
    morph.kind = kMorphVertex;
    morph.vertexOffsets = {{v, {0, 1, 0}}};
    face.morphs.push_back(morph);
  }
  PMXMorph flip;
  flip.name = u"表情切替";
  flip.kind = kMorphFlip;
  flip.groupOffsets = {{0, 1.0f}, {1, 0.5f}, {2, 1.0f}};
  PMXMorph group;
  group.name = u"まとめ";
  group.kind = kMorphGroup;
  group.groupOffsets = {{3, 0.5f}};
  face.morphs.push_back(flip);
  face.morphs.push_back(group);
  PMXModel record;
  ASSERT_EQ(PMXDecoder::Read(writer::WritePmx(face), record), FileRead);
  Model model;
  ASSERT_EQ(PMXDecoder::Build(record, model, TextureLoading::kSkip), ModelBuilt);
  test::SetVertices(model, model.meshes.at(0)->vertices);

  const auto play = [&](std::vector<VMDMorphFrame> keys) {
    VMDMotion dance;
    dance.morphFrames = std::move(keys);
    dance.morphFrames.push_back(writer::MakeMorphFrame(u"怒り", 0, 0.2f));  // held all along
    VMDMotion read;
    EXPECT_EQ(VMDDecoder::Read(writer::WriteVmd(dance), read), FileRead);
    model.animation = std::make_shared<Animation>();
    VMDDecoder::Build(read, *model.animation, model.bones);
    LinkMorphTracks(model);
  };
  const auto raised = [&](std::uint32_t v) {
    return model.posedVertices[v].position.y - model.baseVertices[v].position.y;
  };
  const struct {
    std::uint32_t frame;  // the flip ramps from 0.1 at frame 0 to 1.0 at frame 10
    float laugh, anger, tears;
  } ramp[] = {
      {0, 1, 0.2f, 0},  // 0.1
      {4, 1, 0.2f, 0},  // 0.46
      {5, 0, 0.5f, 0},  // 0.55: anger, at its entry's weight in place of its own 0.2
      {7, 0, 0.5f, 0},  // 0.73
      {8, 0, 0.2f, 1},  // 0.82
      {10, 0, 0.2f, 1},
  };
  play({writer::MakeMorphFrame(u"表情切替", 0, 0.1f), writer::MakeMorphFrame(u"表情切替", 10, 1.0f)});
  for (const auto& r : ramp) {
    model.Update(r.frame * kFrameMs);
    EXPECT_FLOAT_EQ(raised(0), r.laugh) << "frame " << r.frame;
    EXPECT_FLOAT_EQ(raised(1), r.anger) << "frame " << r.frame;
    EXPECT_FLOAT_EQ(raised(2), r.tears) << "frame " << r.frame;
  }
  // The group at 1.2 gives the flip 0.6: anger.
  play({writer::MakeMorphFrame(u"まとめ", 0, 1.2f)});
  model.Update(0);
  EXPECT_FLOAT_EQ(raised(0), 0.0f);
  EXPECT_FLOAT_EQ(raised(1), 0.5f);
  // At 0 the flip chooses nothing, and the other morphs act as their tracks say.
  play({writer::MakeMorphFrame(u"表情切替", 0, 0.0f)});
  model.Update(0);
  EXPECT_FLOAT_EQ(raised(0), 0.0f);
  EXPECT_FLOAT_EQ(raised(1), 0.2f);
}

TEST_F(MorphTest, UnboundTrackDrivesNothing) {
  VertexMorph(u"raise", 2, {0, 2, 0});
  Drive(u"no such morph", {{0, 1.0f}, {10, 1.0f}});
  model.Update(0);
  EXPECT_TRUE(model.touchedVertices.empty());
}

// With real drawing: the morphed vertex is uploaded in its frame and the
// next frame starts from the rest position again.
TEST(MorphDrawingTest, VertexMorphIsGoneTheNextFrame) {
  Model model;
  auto gpu = std::make_shared<test::RecordingGpu>();
  model.SetDevice(gpu, gpu);
  test::TestModelBuilder builder;
  builder.AddBone({0, 0, 0, 0});
  const int plain = builder.AddMaterial({1, 1, 1, 1});
  builder.AddQuad(plain, {0, 10, 0, 1}, 2, 2);
  builder.Build(model);
  model.CreateGpuResources();
  PMXMorph& morph = test::AddMorph(model, u"raise", kMorphVertex);
  morph.vertexOffsets.push_back({1, {0, 2, 0}});
  MotionBuilder motion(model);
  motion.AddMorphKey(u"raise", 0, 0.5f);
  motion.AddMorphKey(u"raise", 1, 0.0f);
  model.animation = motion.Build();
  const float restY = model.baseVertices[1].position.y;

  model.Update(0);
  EXPECT_EQ(model.posedVertices[1].position.y, restY + 1.0f);
  model.Render();
  const test::RecordedCall* unmap = gpu->CallsNamed("Unmap").back();
  Vertex uploaded;
  std::memcpy(&uploaded, unmap->bytes.data() + sizeof(Vertex), sizeof(Vertex));
  EXPECT_EQ(uploaded.position.y, restY + 1.0f);

  model.Update(kFrameMs);  // weight 0 now
  EXPECT_EQ(model.posedVertices[1].position.y, restY);
}

}  // namespace
}  // namespace brivonel
