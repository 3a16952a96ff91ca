// The PMD decoder: materials with generated names, toon and sphere textures,
// percent weights, knee limits, bones that follow another, IK records,
// broken files.
#include <gtest/gtest.h>

#include <fstream>

#include "base/app_exception.h"
#include "formats/binary_cursor.h"
#include "formats/pmd_decoder.h"
#include "formats/writer/byte_writer.h"
#include "formats/writer/pmd_writer.h"
#include "model/model_setup.h"
#include "render/texture_loaders.h"
#include "tests/formats/format_test_support.h"
#include "tests/support/recording_gpu.h"
#include "tests/support/test_models.h"

namespace brivonel {
namespace {

using test::TempDir;
using test::PmdMaterial;
using test::PmdVertex;
using test::SmallPmd;
using writer::MakePmdBone;

int DecodePmd(const TempDir& dir, const PMDModel& record, std::shared_ptr<Model>& model,
              std::shared_ptr<test::RecordingGpu> gpu = nullptr) {
  const auto path = test::WriteBytes(dir, "model.pmd", writer::WritePmd(record));
  model = std::make_shared<Model>();
  if (gpu) model->SetDevice(gpu, gpu);
  return PMDDecoder().Decode(FromFsPath(path), model);
}

TEST(PmdRead, FieldsReadBackAsWritten) {
  PMDModel r = SmallPmd();
  r.iks = {PMDIK{1, 0, 1, 15, 0.25f, {0}}};
  r.bones[1].tail = 7;
  r.bones[1].kind = 2;
  PMDModel back;
  ASSERT_EQ(PMDDecoder::Read(writer::WritePmd(r), back), FileRead);
  EXPECT_EQ(std::string(back.magic, 3), "Pmd");
  EXPECT_EQ(back.version, 1.0f);
  ASSERT_EQ(back.vertices.size(), 3u);
  EXPECT_EQ(back.vertices[1].weight, 50);
  EXPECT_EQ(back.vertices[2].bones[0], 1);
  EXPECT_EQ(back.indices, r.indices);
  EXPECT_EQ(back.materials[0].specular, (Float3{0.1f, 0.2f, 0.3f}));
  EXPECT_EQ(back.bones[1].parent, 0);
  EXPECT_EQ(back.bones[1].tail, 7);
  EXPECT_EQ(back.bones[0].parent, 0xFFFF);
  ASSERT_EQ(back.iks.size(), 1u);
  EXPECT_EQ(back.iks[0].iterations, 15);
  EXPECT_EQ(back.iks[0].chain, (std::vector<std::uint16_t>{0}));
}

TEST(PmdBuild, MaterialsGetNumberedNamesColoursAndPieces) {
  TempDir dir;
  PMDModel r = SmallPmd();
  r.vertices.push_back(PmdVertex(3, 0, 0, 100));
  r.indices = {0, 1, 2, 1, 2, 3, 3, 2};
  r.materials = {PmdMaterial(u"", 7), PmdMaterial(u"", 1)};
  std::shared_ptr<Model> model;
  ASSERT_EQ(DecodePmd(dir, r, model), ModelBuilt);
  ASSERT_EQ(model->materials.size(), 2u);
  const Material& m = model->materials[0];
  EXPECT_EQ(m.name, u"mat01");
  EXPECT_EQ(model->materials[1].name, u"mat02");
  EXPECT_EQ(m.diffuse, (Float4{1, 1, 1, 0.5f}));
  EXPECT_EQ(m.ambient, (Float4{0.4f, 0.5f, 0.6f, 0}));
  EXPECT_EQ(m.specular, (Float4{0.1f, 0.2f, 0.3f, 5}));
  EXPECT_EQ(m.edgeFlag, 1);
  EXPECT_EQ(m.textureName, u"");  // an empty field: no texture, not refused
  EXPECT_EQ(m.textureId, -1);
  const Mesh& mesh = *model->meshes[0];
  EXPECT_EQ(mesh.pieces[0].faceCount, 2u);
  EXPECT_EQ(mesh.pieces[1].ranges[0].firstFace, 2u);
  EXPECT_EQ(mesh.indices, (std::vector<std::uint32_t>{0, 1, 2, 1, 2, 3, 3, 2}));
  EXPECT_TRUE(model->morphs.empty());
  EXPECT_TRUE(model->morphList.empty());
}

TEST(PmdBuild, PercentWeightsAndLowByteBoneIndices) {
  TempDir dir;
  PMDModel r = SmallPmd();
  r.vertices = {PmdVertex(0, 0, 1, 100), PmdVertex(1, 0, 1, 50), PmdVertex(2, 1, 0, 0),
                PmdVertex(3, 300, 1, 50), PmdVertex(4, 1, 0, 200)};
  r.indices = {0, 1, 2, 2, 3, 4};
  r.materials[0].indexCount = 6;
  std::shared_ptr<Model> model;
  ASSERT_EQ(DecodePmd(dir, r, model), ModelBuilt);
  const auto& vs = model->meshes[0]->vertices;
  auto pair = [&](std::size_t i) {
    return std::pair<int, int>{vs[i].boneWeights[0], vs[i].boneWeights[1]};
  };
  EXPECT_EQ(pair(0), (std::pair<int, int>{255, 0}));
  EXPECT_EQ(pair(1), (std::pair<int, int>{127, 128}));
  EXPECT_EQ(pair(2), (std::pair<int, int>{0, 255}));
  EXPECT_EQ(pair(4), (std::pair<int, int>{255, 0}));  // above 100 %: held to 255
  EXPECT_EQ(vs[3].boneIndices[0], 44);  // 300 mod 256
  EXPECT_EQ(vs[3].boneWeights[0], 0);   // bone 300 does not exist: no weight
  EXPECT_EQ(vs[3].boneWeights[1], 128);
  EXPECT_EQ(vs[2].boneIndices[0], 1);
  EXPECT_EQ(vs[0].position, (Float4{0, 0, 0, 1}));
  EXPECT_EQ(vs[0].uv, (Float2{0.5f, 0.5f}));
}

TEST(PmdBuild, ToonNamesArePaddedWithSpaces) {
  TempDir dir;
  PMDModel r = SmallPmd();
  r.materials = {PmdMaterial(u"", 3, 0), PmdMaterial(u"", 0, 9), PmdMaterial(u"", 0, 255)};
  std::ofstream(dir / "toon 1.bmp") << "x";  // present but not an image
  std::shared_ptr<Model> model;
  try {
    DecodePmd(dir, r, model);
    FAIL() << "no exception";
  } catch (const AppException& e) {
    EXPECT_EQ(e.code(), 1104);
  }
  std::filesystem::remove(dir / "toon 1.bmp");
  std::ofstream(dir / "toon256.bmp") << "x";
  EXPECT_THROW(DecodePmd(dir, r, model), AppException);
  std::filesystem::remove(dir / "toon256.bmp");
  std::ofstream(dir / "toon10.bmp") << "x";
  EXPECT_THROW(DecodePmd(dir, r, model), AppException);
  std::filesystem::remove(dir / "toon10.bmp");
  ASSERT_EQ(DecodePmd(dir, r, model), ModelBuilt);
  EXPECT_EQ(model->materials[2].toonTextureId, -1);
}

// Texture fields: "*" and "/" split off a sphere texture. With a texture pool
// that cannot load anything present, the split is seen through which file
// names the decoder asks for.
TEST(PmdBuild, TextureFieldSplitsOffTheSphereTexture) {
  TempDir dir;
  PMDModel r = SmallPmd();
  r.materials = {PmdMaterial(u"face.bmp*face.spa", 3), PmdMaterial(u"body.bmp/extra.png", 0),
                 PmdMaterial(u"hair.bmp*", 0), PmdMaterial(u"*only.sph", 0),
                 PmdMaterial(u"顔テクスチャ.bmp", 0)};
  std::shared_ptr<Model> model;
  ASSERT_EQ(DecodePmd(dir, r, model), ModelBuilt);
  EXPECT_EQ(model->materials[0].textureName, u"face.bmp");
  EXPECT_EQ(model->materials[1].textureName, u"body.bmp");
  EXPECT_EQ(model->materials[2].textureName, u"hair.bmp");
  EXPECT_EQ(model->materials[3].textureName, u"");
  EXPECT_EQ(model->materials[4].textureName, u"顔テクスチャ.bmp");
  for (const Material& m : model->materials) {
    EXPECT_EQ(m.sphereTextureId, -1);  // none of the files exist
    EXPECT_EQ(m.sphereFlag, 0);
  }
  // A present sphere file is loaded (and refused by the loader here).
  std::ofstream(dir / "extra.png") << "x";
  EXPECT_THROW(DecodePmd(dir, r, model), AppException);
}

TEST(PmdBuild, SphereFlagFollowsTheSeparatorAndTheExtension) {
  TempDir dir;
  const std::vector<std::uint8_t> pixel = {1, 2, 3, 4};
  for (const char* name : {"s.spa", "s.sph", "s.tga", "t.tga"}) test::WriteTga(dir / name, 1, 1, pixel);
  PMDModel r = SmallPmd();
  r.materials = {PmdMaterial(u"t.tga*s.spa", 3), PmdMaterial(u"t.tga*s.sph", 0),
                 PmdMaterial(u"t.tga*s.tga", 0), PmdMaterial(u"t.tga/s.tga", 0),
                 PmdMaterial(u"t.tga*missing.spa", 0)};
  // Sphere files (".spa", ".sph") go to the platform's image loader: here
  // one that reads the TGA content the test wrote.
  SetImageFileLoader([](std::u16string_view path, unsigned, TextureMetadata* metadata,
                        LoadedImage& image) { return LoadTgaFile(path, metadata, image); });
  std::shared_ptr<Model> model;
  const int result = DecodePmd(dir, r, model, std::make_shared<test::RecordingGpu>());
  SetImageFileLoader(nullptr);
  ASSERT_EQ(result, ModelBuilt);
  const auto& ms = model->materials;
  EXPECT_EQ(ms[0].sphereFlag, 1);
  EXPECT_GE(ms[0].sphereTextureId, 0);
  EXPECT_EQ(ms[1].sphereFlag, 1);
  EXPECT_EQ(ms[2].sphereFlag, 0);  // after "*" only .sph and .spa are spheres
  EXPECT_GE(ms[2].sphereTextureId, 0);
  EXPECT_EQ(ms[3].sphereFlag, 1);  // after "/" any loaded file is
  EXPECT_EQ(ms[3].sphereTextureId, ms[2].sphereTextureId);
  EXPECT_EQ(ms[4].sphereFlag, 0);
  EXPECT_EQ(ms[4].sphereTextureId, -1);
  EXPECT_GE(ms[0].textureId, 0);
  EXPECT_EQ(ms[0].textureId, ms[1].textureId);  // one pool entry per name
  EXPECT_EQ(model->texturePool.Size(), 4u);
}

TEST(PmdBuild, TwentyByteTextureFieldWithoutNulIsUsedWhole) {
  TempDir dir;
  PMDModel r = SmallPmd();
  std::memcpy(r.materials[0].textureField, "abcdefghijklmnop.bmp", 20);
  std::shared_ptr<Model> model;
  ASSERT_EQ(DecodePmd(dir, r, model), ModelBuilt);
  EXPECT_EQ(model->materials[0].textureName, u"abcdefghijklmnop.bmp");
}

TEST(PmdBuild, BonesCentreParentsAndLimits) {
  TempDir dir;
  PMDModel r = SmallPmd();
  r.bones = {MakePmdBone(u"センター", {0, 1, 0}),   MakePmdBone(u"左ひざ", {1, 2, 0}, 0),
             MakePmdBone(u"右足首", {1, 1, 0}, 1),  MakePmdBone(u"ひざ足首", {0, 0, 0}, 0),
             MakePmdBone(u"root2", {5, 5, 5}),      MakePmdBone(u"early", {2, 0, 0}, 6),
             MakePmdBone(u"late", {1, 0, 0}, 0),    MakePmdBone(u"outside", {}, 500)};
  std::shared_ptr<Model> model;
  ASSERT_EQ(DecodePmd(dir, r, model), ModelBuilt);
  const auto& b = model->bones;
  EXPECT_EQ(b[0].name, u"センター");
  EXPECT_TRUE(b[0].isCenter);
  EXPECT_EQ(b[0].parentIndex, -1);
  EXPECT_FALSE(b[4].isCenter);  // a later root is not the centre
  EXPECT_EQ(b[1].ikMinAngles, (Float4{-kPi, 0, 0, 0}));
  EXPECT_EQ(b[1].ikMaxAngles, (Float4{}));
  EXPECT_EQ(b[2].ikMinAngles, (Float4{-kPi, -kPi, -kPi, 0}));  // an ankle turns freely
  EXPECT_EQ(b[2].ikMaxAngles, (Float4{kPi, kPi, kPi, 0}));
  EXPECT_EQ(b[3].ikMinAngles, (Float4{-kPi, 0, 0, 0}));  // a knee by its name
  EXPECT_EQ(b[4].ikMaxAngles, (Float4{kPi, kPi, kPi, 0}));
  EXPECT_EQ(b[1].position, (Float4{1, 1, 0, 0}));
  EXPECT_EQ(b[2].worldMatrix.m[3][0], 1.0f);
  EXPECT_EQ(b[2].worldMatrix.m[3][1], 1.0f);
  EXPECT_EQ(b[5].parentIndex, 6);  // parent after child: own position, no parent matrix
  EXPECT_EQ(b[5].position, (Float4{2, 0, 0, 0}));
  EXPECT_EQ(b[5].worldMatrix, MatrixTranslation({2, 0, 0, 0}));
  EXPECT_EQ(b[7].parentIndex, -1);  // past the bone list
}

TEST(PmdBuild, IkRecordsBecomeChainsAndBrokenOnesAreDropped) {
  TempDir dir;
  PMDModel r = SmallPmd();
  r.bones.push_back(MakePmdBone(u"右足ＩＫ", {0, 0, 0}, 0));
  r.iks = {PMDIK{2, 1, 2, 40, 0.5f, {1, 0}}, PMDIK{2, 9, 1, 10, 1.0f, {1}},
           PMDIK{2, 1, 1, 10, 1.0f, {70}}};
  std::shared_ptr<Model> model;
  ASSERT_EQ(DecodePmd(dir, r, model), ModelBuilt);
  ASSERT_EQ(model->ikChains.size(), 1u);
  const IkChain& chain = model->ikChains[0];
  EXPECT_EQ(chain.ikBone, 2);
  EXPECT_EQ(chain.targetBone, 1);
  EXPECT_EQ(chain.linkCount, 2);
  EXPECT_EQ(chain.iterations, 40);
  EXPECT_EQ(chain.angleFactor, 0.5f);
  EXPECT_EQ(chain.links, (std::vector<std::uint16_t>{1, 0}));
}

TEST(PmdBuild, FacesAndMaterialsThatReachPastTheirListsAreRefused) {
  TempDir dir;
  PMDModel r = SmallPmd();
  r.indices[1] = 3;
  std::shared_ptr<Model> model;
  EXPECT_EQ(DecodePmd(dir, r, model), FormatError);
  r = SmallPmd();
  r.materials[0].indexCount = 6;
  EXPECT_EQ(DecodePmd(dir, r, model), FormatError);
}

TEST(PmdRead, EveryCutOfAValidFileEndsEarly) {
  PMDModel r = SmallPmd();
  r.iks = {PMDIK{1, 0, 1, 15, 0.25f, {0}}};
  const std::vector<std::uint8_t> bytes = writer::WritePmd(r);
  // After the IK list: no facial morphs (2 bytes), empty display lists (6),
  // no English names (1), the toon names (1000), no physics (8). Files that
  // end within them load without facial morphs (see below); files shorter
  // than the signature are refused for it.
  const std::size_t unread = 1017;
  for (std::size_t size = 3; size + unread < bytes.size(); ++size) {
    PMDModel back;
    EXPECT_THROW(PMDDecoder::Read(std::span(bytes.data(), size), back), FileEndsEarly) << size;
  }
  std::vector<std::uint8_t> huge = bytes;
  huge[283] = huge[284] = huge[285] = huge[286] = 0xFF;  // vertex count
  PMDModel back;
  EXPECT_THROW(PMDDecoder::Read(huge, back), FileEndsEarly);
  EXPECT_TRUE(back.vertices.empty());
}

TEST(PmdRead, FilesWithoutTheSignatureAreRefusedWithTheReason) {
  const std::vector<std::uint8_t> valid = writer::WritePmd(SmallPmd());
  std::vector<std::uint8_t> lowerCase = valid;
  lowerCase[0] = 'p';
  const std::string notPmd = "not a PMD file: it does not start with \"Pmd\"";
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::string reason;
  } cases[] = {
      {"empty", {}, "the file is empty"},
      {"the signature's first two bytes", {'P', 'm'}, notPmd},
      {"zeros as long as a model", std::vector<std::uint8_t>(valid.size(), 0), notPmd},
      {"lower-case signature", lowerCase, notPmd},
  };
  for (const auto& c : cases) {
    PMDModel back;
    EXPECT_EQ(PMDDecoder::Read(c.bytes, back), FormatError) << c.name;
    EXPECT_EQ(back.formatError, c.reason) << c.name;
    EXPECT_TRUE(back.vertices.empty() && back.bones.empty()) << c.name;
  }
}

// Facial morphs: a base list of vertices, and morphs whose entries name an
// entry of the base and give that vertex's offset.
PMDModel PmdWithFaces() {
  PMDModel r = SmallPmd();
  PMDSkin base;
  writer::SetShiftJisField(base.name, sizeof base.name, u"base");
  base.vertices = {{2, {0, 1, 0}}, {0, {0, 0, 0}}, {50, {0, 0, 0}}};  // vertex 50 does not exist
  PMDSkin blink;
  writer::SetShiftJisField(blink.name, sizeof blink.name, u"まばたき");
  blink.kind = 2;
  blink.vertices = {{0, {0, -0.5f, 0}}, {1, {0.25f, 0, 0}}, {9, {1, 1, 1}}, {2, {1, 1, 1}}};
  PMDSkin mouth;
  writer::SetShiftJisField(mouth.name, sizeof mouth.name, u"あ");
  mouth.kind = 3;
  mouth.vertices = {{1, {0, 0, 2}}};
  r.skins = {base, blink, mouth};
  return r;
}

TEST(PmdRead, FacialMorphsReadBackAsWritten) {
  PMDModel back;
  ASSERT_EQ(PMDDecoder::Read(writer::WritePmd(PmdWithFaces()), back), FileRead);
  ASSERT_EQ(back.skins.size(), 3u);
  EXPECT_EQ(back.skins[1].kind, 2);
  ASSERT_EQ(back.skins[1].vertices.size(), 4u);
  EXPECT_EQ(back.skins[1].vertices[1].index, 1u);
  EXPECT_EQ(back.skins[1].vertices[1].position, (Float3{0.25f, 0, 0}));
}

TEST(PmdBuild, FacialMorphsBecomeVertexMorphsWithoutTheBase) {
  TempDir dir;
  std::shared_ptr<Model> model;
  ASSERT_EQ(DecodePmd(dir, PmdWithFaces(), model), ModelBuilt);
  ASSERT_EQ(model->morphs.size(), 2u);
  EXPECT_EQ(model->morphs.count(u"base"), 0u);
  ASSERT_EQ(model->morphList.size(), 2u);
  const PMXMorph& blink = *model->morphList[0];
  EXPECT_EQ(blink.name, u"まばたき");
  EXPECT_EQ(blink.kind, kMorphVertex);
  EXPECT_EQ(blink.panel, 2);
  // Base entry 0 is vertex 2, entry 1 vertex 0; entry 9 and vertex 50 do
  // not exist and their offsets are dropped.
  ASSERT_EQ(blink.vertexOffsets.size(), 2u);
  EXPECT_EQ(blink.vertexOffsets[0].vertexIndex, 2u);
  EXPECT_EQ(blink.vertexOffsets[0].translation, (Float3{0, -0.5f, 0}));
  EXPECT_EQ(blink.vertexOffsets[1].vertexIndex, 0u);
  EXPECT_EQ(blink.offsetCount, 2);
  EXPECT_EQ(model->morphList[1], &model->morphs.at(u"あ"));
}

// A dance's morph track moves the face of a PMD character: each vertex by
// weight times its offset.
TEST(PmdBuild, MorphTrackMovesTheFacialMorphsVertices) {
  TempDir dir;
  std::shared_ptr<Model> model;
  ASSERT_EQ(DecodePmd(dir, PmdWithFaces(), model), ModelBuilt);
  model->baseVertices = model->meshes[0]->vertices;
  model->posedVertices = model->baseVertices;
  auto animation = std::make_shared<Animation>();
  MorphTrack& track = animation->morphTracks[u"まばたき"];
  track.name = u"まばたき";
  track.keys = {{0.0f, 0}, {1.0f, 10}};
  animation->morphTracks[u"あ"] = MorphTrack{u"あ", 0, {{1.0f, 0}, {1.0f, 10}}, 0, nullptr};
  model->animation = animation;
  LinkMorphTracks(*model);
  model->Update(5 * 33);
  const std::vector<Vertex>& rest = model->baseVertices;
  const std::vector<Vertex>& posed = model->posedVertices;
  EXPECT_FLOAT_EQ(posed[2].position.y, rest[2].position.y - 0.25f);
  EXPECT_FLOAT_EQ(posed[0].position.x, rest[0].position.x + 0.125f);
  EXPECT_FLOAT_EQ(posed[1].position.z, rest[1].position.z);  // "あ" names only base entry 1, vertex 0
  EXPECT_FLOAT_EQ(posed[0].position.z, rest[0].position.z + 2.0f);
}

TEST(PmdRead, FileCutWithinItsFacialMorphsLoadsWithoutThem) {
  const std::vector<std::uint8_t> bytes = writer::WritePmd(PmdWithFaces());
  PMDModel whole;
  ASSERT_EQ(PMDDecoder::Read(bytes, whole), FileRead);
  const std::size_t end = bytes.size() - 1017 + 2;  // the end of the last facial morph
  for (std::size_t cut : {end - 1, end - 60}) {
    PMDModel back;
    ASSERT_EQ(PMDDecoder::Read(std::span(bytes.data(), cut), back), FileRead) << cut;
    EXPECT_TRUE(back.skins.empty());
    EXPECT_EQ(back.vertices.size(), whole.vertices.size());
  }
}

// Kind 5 follows the whole turn of the bone in its IK field; kind 9 (arm
// twist helpers) takes the signed percent in its IK field of its tail
// bone's turn; IK-affected (4) and invisible (7) bones are ordinary bones.
TEST(PmdBuild, BonesThatFollowAnotherBecomeRotationGrants) {
  struct Row {
    std::uint8_t kind;
    std::uint16_t tail, ikParent;
    bool grant;
    std::int32_t from;
    float weight;
  };
  const Row rows[] = {
      {kPmdRotationInfluenced, 0, 2, true, 2, 1.0f},     // an eye following both eyes
      {kPmdRotationInfluenced, 2, 77, false, 0, 0.0f},   // no such source: dropped
      {kPmdRotationLinked, 2, 25, true, 2, 0.25f},
      {kPmdRotationLinked, 2, 0xFFCE, true, 2, -0.5f},  // -50 %
      {kPmdRotationLinked, 0, 50, false, 0, 0.0f},       // a tail of 0 is no tail
      {4, 2, 2, false, 0, 0.0f},                         // under IK
      {7, 2, 2, false, 0, 0.0f},                         // invisible
  };
  for (const Row& row : rows) {
    TempDir dir;
    PMDModel r = SmallPmd();
    r.bones.push_back(MakePmdBone(u"両目", {0, 3, 0}, 0));
    r.bones.push_back(MakePmdBone(u"左目", {1, 3, 0}, 0));
    r.bones[3].kind = row.kind;
    r.bones[3].tail = row.tail;
    r.bones[3].ikParent = row.ikParent;
    std::shared_ptr<Model> model;
    ASSERT_EQ(DecodePmd(dir, r, model), ModelBuilt);
    SCOPED_TRACE(testing::Message() << "kind " << int{row.kind} << " tail " << row.tail << " ik " << row.ikParent);
    ASSERT_EQ(model->grants.size(), row.grant ? 1u : 0u);
    EXPECT_EQ(model->bones.size(), 4u);
    EXPECT_EQ(model->bones[3].parentIndex, 0);
    if (!row.grant) continue;
    EXPECT_EQ(model->grants[0].bone, 3);
    EXPECT_EQ(model->grants[0].parent, row.from);
    EXPECT_FLOAT_EQ(model->grants[0].weight, row.weight);
    EXPECT_TRUE(model->grants[0].rotation);
    EXPECT_FALSE(model->grants[0].translation);
    EXPECT_FALSE(model->grants[0].local);
  }
}

TEST(PmdDecode, MissingFileFailsToOpen) {
  TempDir dir;
  auto model = std::make_shared<Model>();
  EXPECT_EQ(PMDDecoder().Decode(FromFsPath(dir / "none.pmd"), model), OpenFailed);
}

}  // namespace
}  // namespace brivonel
