// The sample models and dance the build wrote decode with the program's own
// decoders to the counts, names and hierarchy the generator intended, with
// every texture loaded through the model's texture pool.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "base/unicode.h"
#include "formats/pmd_decoder.h"
#include "formats/pmx_decoder.h"
#include "formats/vmd_decoder.h"
#include "render/linux/image_codecs_linux.h"
#include "tests/support/recording_gpu.h"
#include "tools/sample_generator/sample_files.h"
#include "tests/samples/sample_test_support.h"
#include "tools/sample_generator/skeleton.h"

namespace brivonel::samples {
namespace {

class SampleModelFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterLinuxImageCodecs(); }

  std::shared_ptr<Model> LoadPmx() {
    auto model = std::make_shared<Model>();
    model->SetDevice(gpu_, gpu_);
    EXPECT_EQ(PMXDecoder().Decode(SamplePath(kPmxFile), model), ModelBuilt);
    return model;
  }

  std::shared_ptr<test::RecordingGpu> gpu_ = std::make_shared<test::RecordingGpu>();
};

TEST_F(SampleModelFilesTest, PmxRecordHoldsWhatTheGeneratorIntended) {
  const Figure& figure = IntendedSamples().figure;
  const MappedFile file = MappedFile::Open(SamplePath(kPmxFile), kMaxModelFileBytes);
  ASSERT_TRUE(file.mapped());
  PMXModel record;
  ASSERT_EQ(PMXDecoder::Read(file.bytes(), record), FileRead) << record.formatError;
  EXPECT_EQ(record.version, 2.0f);
  EXPECT_EQ(record.name, u"ネル");
  ASSERT_EQ(record.vertices.size(), figure.vertices.size());
  EXPECT_EQ(record.indices.size(), figure.indices.size());
  std::set<int> deformKinds;
  for (const PMXVertex& v : record.vertices) deformKinds.insert(v.deformKind);
  EXPECT_EQ(deformKinds, (std::set<int>{kDeformBdef1, kDeformBdef2, kDeformBdef4}));
  EXPECT_EQ(record.textures.size(), 6u) << "four textures, two sphere maps";
  ASSERT_EQ(record.materials.size(), figure.materials.size());
  for (std::size_t m = 0; m < figure.materials.size(); ++m) {
    EXPECT_EQ(record.materials[m].name, figure.materials[m].name);
    EXPECT_EQ(record.materials[m].indexCount, static_cast<std::int32_t>(figure.materials[m].indexCount));
    EXPECT_EQ(record.materials[m].textureIndex < 0, figure.materials[m].texture.empty());
    EXPECT_EQ(record.materials[m].sphereTextureIndex < 0, figure.materials[m].sphere.empty());
  }
  ASSERT_EQ(record.bones.size(), figure.bones.size());
  for (std::size_t b = 0; b < figure.bones.size(); ++b) {
    EXPECT_EQ(record.bones[b].name, figure.bones[b].name);
    EXPECT_EQ(record.bones[b].parent, figure.bones[b].parent);
    EXPECT_EQ(record.bones[b].ik, figure.bones[b].ikTarget >= 0);
    EXPECT_EQ(record.bones[b].ikLinks.size(), figure.bones[b].ikLinks.size());
  }
  ASSERT_EQ(record.morphs.size(), figure.morphs.size());
  for (std::size_t m = 0; m < figure.morphs.size(); ++m) {
    EXPECT_EQ(record.morphs[m].name, figure.morphs[m].name);
    EXPECT_EQ(record.morphs[m].kind, static_cast<std::int32_t>(figure.morphs[m].kind));
  }
}

TEST_F(SampleModelFilesTest, PmxBuildsAModelWithEveryTextureLoaded) {
  const Figure& figure = IntendedSamples().figure;
  const auto model = LoadPmx();
  ASSERT_EQ(model->meshes.size(), 1u);
  EXPECT_EQ(model->meshes[0]->vertices.size(), figure.vertices.size());
  EXPECT_EQ(model->meshes[0]->faceCount, static_cast<std::int32_t>(figure.indices.size() / 3));
  ASSERT_EQ(model->materials.size(), figure.materials.size());
  int textured = 0;
  for (const Material& m : model->materials) {
    EXPECT_EQ(m.textureId >= 0, !m.textureName.empty()) << Utf16ToUtf8(m.name);
    textured += m.textureId >= 0;
  }
  EXPECT_EQ(textured, 4);
  // Four textures, two sphere maps and the four shared toon files.
  EXPECT_EQ(model->texturePool.Size(), 10u);
  for (const Material& m : model->materials) {
    EXPECT_EQ(m.sphereTextureId >= 0, m.sphereMode != kSphereNone) << Utf16ToUtf8(m.name);
    EXPECT_EQ(m.toonTextureId >= 0, m.toonIndex != kToonWithoutFile) << Utf16ToUtf8(m.name);
    EXPECT_EQ(m.edgeFlag, 1);
  }
  std::set<DxgiFormat> formats;
  for (const Material& m : model->materials) {
    if (m.textureId >= 0) formats.insert(model->texturePool.Get(m.textureId).metadata.format);
  }
  EXPECT_EQ(formats, (std::set<DxgiFormat>{DxgiFormat::BC3_UNORM, DxgiFormat::R8G8B8A8_UNORM,
                                           DxgiFormat::R8G8B8A8_UNORM_SRGB}));

  EXPECT_TRUE(model->bones[static_cast<std::size_t>(figure.FindBone(u"センター"))].isCenter);
  int chains = 0;
  for (const IkChain& chain : model->ikChains) chains += chain.links.empty() ? 0 : 1;
  EXPECT_EQ(chains, 4) << "two leg and two toe IK chains";
  const IkChain& leg = model->ikChains[static_cast<std::size_t>(figure.FindBone(u"左足ＩＫ"))];
  EXPECT_EQ(leg.targetBone, figure.FindBone(u"左足首"));
  EXPECT_EQ(leg.iterations, 40);
  EXPECT_FLOAT_EQ(leg.angleFactor, 0.5f);
  const Bone& knee = model->bones[static_cast<std::size_t>(figure.FindBone(u"左ひざ"))];
  EXPECT_LT(knee.ikMaxAngles.x, 0.0f);
  EXPECT_EQ(knee.ikMinAngles.y, 0.0f);
  EXPECT_EQ(model->morphs.size(), figure.morphs.size());
  EXPECT_EQ(model->morphList.size(), figure.morphs.size());
}

TEST_F(SampleModelFilesTest, DanceDecodesToOneTrackPerKeyedBoneLedByTheCentre) {
  const Dance& dance = IntendedSamples().dance;
  const MappedFile file = MappedFile::Open(SamplePath(kDanceFile), kMaxMotionFileBytes);
  ASSERT_TRUE(file.mapped());
  VMDMotion motion;
  ASSERT_EQ(VMDDecoder::Read(file.bytes(), motion), FileRead);
  EXPECT_EQ(motion.boneFrames.size(), dance.boneKeys.size());
  EXPECT_EQ(motion.morphFrames.size(), dance.morphKeys.size());
  for (std::size_t k = 0; k < dance.boneKeys.size(); ++k) ASSERT_EQ(motion.boneFrames[k].name, dance.boneKeys[k].bone);
  for (std::size_t k = 0; k < dance.morphKeys.size(); ++k) ASSERT_EQ(motion.morphFrames[k].name, dance.morphKeys[k].morph);

  const auto model = LoadPmx();
  auto animation = std::make_shared<Animation>();
  ASSERT_EQ(VMDDecoder().Decode(SamplePath(kDanceFile), animation, model->bones), ModelBuilt);
  std::set<std::u16string> keyedBones;
  for (const DanceBoneKey& key : dance.boneKeys) keyedBones.insert(key.bone);
  EXPECT_EQ(animation->boneTracks.size(), keyedBones.size());
  ASSERT_FALSE(animation->boneTracks.empty());
  EXPECT_EQ(animation->boneTracks[0].name, u"センター");
  EXPECT_EQ(animation->boneTracks[0].keys.back().frame, dance.lastFrame);
  for (const BoneTrack& track : animation->boneTracks) EXPECT_FALSE(track.keys.empty()) << Utf16ToUtf8(track.name);
  EXPECT_EQ(animation->morphTracks.size(), 5u);
  for (const auto& [name, track] : animation->morphTracks) EXPECT_GE(track.keys.size(), 2u);
}

TEST_F(SampleModelFilesTest, PmdHoldsTheOlderBoneSetTwoBoneVerticesAndTheFaces) {
  const Figure& figure = IntendedSamples().figure;
  const MappedFile file = MappedFile::Open(SamplePath(kPmdFile), kMaxModelFileBytes);
  ASSERT_TRUE(file.mapped());
  PMDModel record;
  ASSERT_EQ(PMDDecoder::Read(file.bytes(), record), FileRead);
  EXPECT_EQ(record.vertices.size(), figure.vertices.size());
  EXPECT_EQ(record.indices.size(), figure.indices.size());
  EXPECT_EQ(record.materials.size(), figure.materials.size());
  std::size_t pmdBones = 0;
  for (const FigureBone& bone : figure.bones) pmdBones += IsPmxOnlyBone(bone.name) ? 0 : 1;
  EXPECT_EQ(record.bones.size(), pmdBones);
  EXPECT_EQ(record.iks.size(), 4u);
  std::size_t blended = 0;
  for (const PMDVertex& v : record.vertices) {
    ASSERT_LT(v.bones[0], record.bones.size());
    ASSERT_LT(v.bones[1], record.bones.size());
    ASSERT_LE(v.weight, 100);
    blended += v.bones[0] != v.bones[1] && v.weight > 0 && v.weight < 100;
  }
  EXPECT_GT(blended, 1000u);

  auto model = std::make_shared<Model>();
  model->SetDevice(gpu_, gpu_);
  ASSERT_EQ(PMDDecoder().Decode(SamplePath(kPmdFile), model), ModelBuilt);
  // The vertex morphs, as facial morphs (the format has no other kind).
  ASSERT_FALSE(record.skins.empty());
  EXPECT_EQ(record.skins[0].kind, 0);
  std::size_t faces = 0;
  for (const FigureMorph& morph : figure.morphs) {
    if (morph.kind != MorphKind::Vertex) continue;
    ++faces;
    const auto found = model->morphs.find(morph.name);
    ASSERT_NE(found, model->morphs.end()) << Utf16ToUtf8(morph.name);
    EXPECT_EQ(found->second.kind, kMorphVertex);
    ASSERT_EQ(found->second.vertexOffsets.size(), morph.vertexOffsets.size());
    for (std::size_t k = 0; k < morph.vertexOffsets.size(); ++k)
      EXPECT_EQ(found->second.vertexOffsets[k].vertexIndex, morph.vertexOffsets[k].vertex);
  }
  EXPECT_GE(faces, 3u);
  EXPECT_EQ(model->morphs.size(), faces);
  ASSERT_FALSE(model->bones.empty());
  EXPECT_EQ(model->bones[0].name, u"センター");
  EXPECT_TRUE(model->bones[0].isCenter);
  for (const Bone& bone : model->bones) EXPECT_FALSE(IsPmxOnlyBone(bone.name));
  std::map<std::u16string, std::int32_t> sphereModes;
  for (const Material& m : model->materials) {
    // Found as "toon01.bmp" and so on; the shoes' toon has no file.
    EXPECT_EQ(m.toonTextureId >= 0, m.toonIndex != kToonWithoutFile) << Utf16ToUtf8(m.name);
    EXPECT_EQ(m.textureId >= 0, !m.textureName.empty()) << Utf16ToUtf8(m.name);
    if (m.sphereTextureId >= 0) {
      EXPECT_EQ(m.sphereFlag, 1);
      sphereModes[m.textureName] = m.sphereMode;
    }
  }
  // The hair's multiplying ".sph", the untextured ribbon's adding ".spa".
  EXPECT_EQ(sphereModes, (std::map<std::u16string, std::int32_t>{{u"hair.png", kSphereMultiply},
                                                                 {u"", kSphereAdd}}));
  for (const Bone& bone : model->bones) {
    if (bone.name.find(u"ひざ") != std::u16string::npos) {
      EXPECT_EQ(bone.ikMaxAngles.x, 0.0f);
    }
  }

  // The bones the PMD lacks get tracks without keys, which the pose skips.
  auto animation = std::make_shared<Animation>();
  ASSERT_EQ(VMDDecoder().Decode(SamplePath(kDanceFile), animation, model->bones), ModelBuilt);
  int filtered = 0;
  for (const BoneTrack& track : animation->boneTracks) {
    EXPECT_EQ(track.keys.empty(), IsPmxOnlyBone(track.name)) << Utf16ToUtf8(track.name);
    filtered += track.keys.empty();
  }
  EXPECT_GE(filtered, 2);
  EXPECT_EQ(animation->boneTracks[0].name, u"センター");
}

}  // namespace
}  // namespace brivonel::samples
