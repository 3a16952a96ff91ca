// The PMX decoder: reading every field, building the model, and refusing or
// surviving broken files.
#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

#include "base/app_exception.h"
#include "formats/binary_cursor.h"
#include "tests/formats/format_test_support.h"

namespace brivonel {
namespace {

using test::DecodePmx;
using test::OneBoneVertex;
using test::PlainBone;
using test::RichPmx;
using test::SmallPmx;
using test::TempDir;

class PmxRoundTrip : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(PmxRoundTrip, EveryFieldReadsBackAsWritten) {
  PMXModel r = RichPmx();
  r.encoding = static_cast<std::uint8_t>(std::get<0>(GetParam()));
  const auto size = static_cast<std::uint8_t>(std::get<1>(GetParam()));
  r.vertexIndexSize = r.textureIndexSize = r.materialIndexSize = size;
  r.boneIndexSize = r.morphIndexSize = r.rigidBodyIndexSize = size;
  PMXModel back;
  ASSERT_EQ(PMXDecoder::Read(writer::WritePmx(r), back), FileRead) << back.formatError;

  EXPECT_EQ(std::string(back.magic, 4), "PMX ");
  EXPECT_EQ(back.version, 2.0f);
  EXPECT_EQ(back.encoding, r.encoding);
  EXPECT_EQ(back.boneIndexSize, size);
  EXPECT_EQ(back.name, r.name);
  EXPECT_EQ(back.comment, r.comment);
  ASSERT_EQ(back.vertices.size(), 5u);
  for (int kind = 0; kind <= 4; ++kind) {
    const PMXVertex& v = back.vertices[static_cast<std::size_t>(kind)];
    EXPECT_EQ(v.deformKind, kind);
    EXPECT_EQ(v.position, (Float3{static_cast<float>(kind), 2, 3}));
    EXPECT_EQ(v.additionalUv[1], (Float4{5, 6, 7, 8}));
    EXPECT_EQ(v.bones[0], 1);
    EXPECT_EQ(v.weights[0], kind == 0 ? 0.0f : 0.5f);
    EXPECT_EQ(v.edgeScale, 1.5f);
  }
  EXPECT_EQ(back.vertices[2].bones[3], -1);
  EXPECT_EQ(back.vertices[4].weights[3], 0.125f);
  EXPECT_EQ(back.vertices[3].sdefC, (Float3{1, 1, 1}));
  EXPECT_EQ(back.indices, r.indices);
  EXPECT_EQ(back.textures, r.textures);
  ASSERT_EQ(back.materials.size(), 2u);
  EXPECT_EQ(back.materials[0].memo, u"メモ");
  EXPECT_EQ(back.materials[0].toon, 3);
  EXPECT_EQ(back.materials[0].sphereTextureIndex, 1);
  EXPECT_EQ(back.materials[1].toon, 1);
  EXPECT_EQ(back.materials[1].textureIndex, -1);
  ASSERT_EQ(back.bones.size(), 3u);
  const PMXBone& ik = back.bones[2];
  EXPECT_TRUE(ik.ik && ik.tailIsBone && ik.rotationGrant && ik.fixedAxis && ik.localAxes);
  EXPECT_FALSE(ik.translationGrant || ik.movable);
  EXPECT_EQ(ik.grantRate, 0.5f);
  EXPECT_EQ(ik.externalParentKey, 7);
  EXPECT_EQ(ik.ikLinkCount, 2);
  EXPECT_EQ(ik.ikLinks[0].upperLimit, (Float3{0.5f, 0, 0}));
  EXPECT_FALSE(ik.ikLinks[1].hasLimits);
  ASSERT_EQ(back.morphs.size(), 5u);
  EXPECT_EQ(back.morphs[0].groupOffsets[0].morphIndex, 1);
  EXPECT_EQ(back.morphs[1].panel, 3);
  EXPECT_EQ(back.morphs[1].vertexOffsets[0].vertexIndex, 4u);
  EXPECT_EQ(back.morphs[2].boneOffsets[0].translation, (Float4{1, 2, 3, 0}));
  EXPECT_EQ(back.morphs[3].uvOffsets[0].offset.x, 0.5f);
  // -1 (all materials) survives every width; other indices widen unsigned.
  EXPECT_EQ(back.morphs[4].materialOffsets[0].materialIndex, 0xFFFFFFFFu);
  EXPECT_EQ(back.morphs[4].materialOffsets[0].toonTextureTint.w, 0.5f);
  EXPECT_EQ(back.morphs[4].offsetCount, 1);
}

INSTANTIATE_TEST_SUITE_P(EncodingsAndIndexSizes, PmxRoundTrip,
                         ::testing::Combine(::testing::Values(0, 1), ::testing::Values(1, 2, 4)));

TEST(PmxBuild, MaterialsPiecesAndMeshFollowTheFile) {
  TempDir dir;
  std::shared_ptr<Model> model;
  ASSERT_EQ(DecodePmx(dir, RichPmx(), model), ModelBuilt);
  EXPECT_EQ(model->path, FromFsPath(dir / "model.pmx"));
  ASSERT_EQ(model->meshes.size(), 1u);
  const Mesh& mesh = *model->meshes[0];
  EXPECT_EQ(mesh.name, u"mesh01");
  ASSERT_EQ(model->materials.size(), 2u);
  const Material& m = model->materials[0];
  EXPECT_EQ(m.number, 1);
  EXPECT_EQ(m.name, u"材質1");
  EXPECT_EQ(m.edgeFlag, 1);
  EXPECT_EQ(m.diffuse, (Float4{1.0f, 0.5f, 0.25f, 1.0f}));
  EXPECT_EQ(m.textureName, u"tex/a.png");
  EXPECT_EQ(m.textureId, -1);  // no such file
  EXPECT_EQ(m.sphereTextureId, -1);
  EXPECT_EQ(m.toonTextureId, -1);
  EXPECT_EQ(model->materials[1].textureName, u"");
  EXPECT_EQ(mesh.pieces[0].material, &model->materials[0]);
  const Vertex& v = mesh.vertices[2];
  EXPECT_EQ(v.position, (Float4{2, 2, 3, 1.5f}));  // w: the vertex's edge scale
  EXPECT_EQ(v.uv, (Float2{0.25f, 0.75f}));
  EXPECT_EQ(v.additionalUv[0], (Float4{1, 2, 3, 4}));
  EXPECT_EQ(v.additionalUv[1], (Float4{5, 6, 7, 8}));
  EXPECT_EQ(v.additionalUv[2], (Float4{}));
}

PMXModel WeightModel(std::vector<PMXVertex> vertices, int boneCount) {
  PMXModel r;
  r.vertices = std::move(vertices);
  for (int i = 0; i < boneCount; ++i) {
    r.bones.push_back(PlainBone(u"b" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)),
                                {}, i - 1));
  }
  return r;
}

PMXVertex Deform(std::uint8_t kind, std::array<std::int32_t, 4> bones,
                 std::array<float, 4> weights) {
  PMXVertex v = OneBoneVertex(0, 0, 0);
  v.deformKind = kind;
  for (int j = 0; j < 4; ++j) {
    v.bones[j] = bones[static_cast<std::size_t>(j)];
    v.weights[j] = weights[static_cast<std::size_t>(j)];
  }
  return v;
}

TEST(PmxBuild, BlendIndicesAndWeightsByDeformKind) {
  TempDir dir;
  PMXModel r = WeightModel({Deform(1, {0, 1}, {0.5f}), Deform(1, {0, 1}, {1.7f}),
                            Deform(2, {0, 1, 2, 3}, {0.3f, 0.3f, 0.2f, 0.2f}),
                            Deform(3, {2, 3}, {1.7f}), Deform(0, {3}, {}),
                            Deform(4, {3, 2, 1, 0}, {-0.5f, 1, 0, 0})},
                           4);
  std::shared_ptr<Model> model;
  ASSERT_EQ(DecodePmx(dir, r, model), ModelBuilt);
  const auto& vs = model->meshes[0]->vertices;
  auto weights = [&](std::size_t i) {
    const Vertex& v = vs[i];
    return std::array<int, 4>{v.boneWeights[0], v.boneWeights[1], v.boneWeights[2],
                              v.boneWeights[3]};
  };
  EXPECT_EQ(weights(0), (std::array<int, 4>{127, 128, 0, 0}));
  EXPECT_EQ(weights(1), (std::array<int, 4>{255, 0, 0, 0}));
  EXPECT_EQ(weights(2), (std::array<int, 4>{76, 76, 51, 51}));
  // Kind 3 keeps its weight unclamped in the record; the blend weight is held to 255.
  EXPECT_EQ(weights(3), (std::array<int, 4>{255, 0, 0, 0}));
  EXPECT_EQ(weights(4), (std::array<int, 4>{255, 0, 0, 0}));
  EXPECT_EQ(weights(5), (std::array<int, 4>{0, 255, 0, 0}));  // a negative weight gives 0
  EXPECT_EQ(vs[2].boneIndices[3], 3);
  EXPECT_EQ(vs[4].boneIndices[0], 3);
  EXPECT_EQ(vs[4].boneIndices[1], 0);
}

TEST(PmxBuild, BoneReferencesThatNameNoBoneGetIndex255AndNoWeight) {
  TempDir dir;
  PMXModel r = WeightModel({Deform(1, {-1, 0}, {0.5f}), Deform(1, {300, 1}, {0.5f}),
                            Deform(2, {0, 1, 2, -1}, {0.25f, 0.25f, 0.5f, 0.0f})},
                           3);
  r.boneIndexSize = 2;
  PMXModel back;
  ASSERT_EQ(PMXDecoder::Read(writer::WritePmx(r), back), FileRead);
  EXPECT_EQ(back.vertices[1].bones[0], 255);  // references above 255 become 255
  std::shared_ptr<Model> model;
  ASSERT_EQ(DecodePmx(dir, r, model), ModelBuilt);
  const auto& vs = model->meshes[0]->vertices;
  EXPECT_EQ(vs[0].boneIndices[0], 255);
  EXPECT_EQ(vs[0].boneWeights[0], 0);
  EXPECT_EQ(vs[0].boneWeights[1], 128);
  EXPECT_EQ(vs[1].boneIndices[0], 255);
  EXPECT_EQ(vs[1].boneWeights[0], 0);
  EXPECT_EQ(vs[2].boneIndices[3], 255);
  EXPECT_EQ(vs[2].boneWeights[2], 127);
}

TEST(PmxBuild, OneByteVertexIndexIsUnsignedWhileOneByteParentIsSigned) {
  TempDir dir;
  PMXModel r;
  for (int i = 0; i < 256; ++i) r.vertices.push_back(OneBoneVertex(static_cast<float>(i), 0, 0));
  r.indices = {255, 0, 1};
  r.bones = {PlainBone(u"root", {}, -1)};
  r.vertexIndexSize = 1;
  r.boneIndexSize = 1;
  const std::vector<std::uint8_t> bytes = writer::WritePmx(r);
  PMXModel back;
  ASSERT_EQ(PMXDecoder::Read(bytes, back), FileRead);
  EXPECT_EQ(back.indices[0], 255);
  EXPECT_EQ(back.bones[0].parent, -1);
}

TEST(PmxBuild, CentreFlagOnlyForTheExactName) {
  TempDir dir;
  PMXModel r = SmallPmx();
  r.bones = {PlainBone(u"センター先", {}, -1), PlainBone(u"センター", {}, 0)};
  std::shared_ptr<Model> model;
  ASSERT_EQ(DecodePmx(dir, r, model), ModelBuilt);
  EXPECT_FALSE(model->bones[0].isCenter);
  EXPECT_TRUE(model->bones[1].isCenter);
}

TEST(PmxBuild, RestPoseIsRelativeToParentsThatComeFirst) {
  TempDir dir;
  PMXModel r = SmallPmx();
  r.bones = {PlainBone(u"root", {1, 2, 3}, -1), PlainBone(u"child", {1, 5, 3}, 0),
             PlainBone(u"before parent", {4, 0, 0}, 3), PlainBone(u"late", {2, 0, 0}, 1)};
  std::shared_ptr<Model> model;
  ASSERT_EQ(DecodePmx(dir, r, model), ModelBuilt);
  const auto& bones = model->bones;
  EXPECT_EQ(bones[1].position, (Float4{0, 3, 0, 0}));
  EXPECT_EQ(bones[1].worldMatrix.m[3][1], 5.0f);  // child's world = local x parent's
  EXPECT_EQ(bones[1].bindMatrix, bones[1].worldMatrix);
  EXPECT_EQ(bones[2].parentIndex, 3);
  EXPECT_EQ(bones[2].position, (Float4{4, 0, 0, 0}));  // own position, no parent matrix
  EXPECT_EQ(bones[2].worldMatrix, MatrixTranslation({4, 0, 0, 0}));
  EXPECT_EQ(bones[3].position, (Float4{1, -5, -3, 0}));
  EXPECT_EQ(bones[3].worldMatrix.m[3][0], 2.0f);
  EXPECT_EQ(bones[0].scale, (Float4{1, 1, 1, 1}));
  EXPECT_EQ(bones[0].rotation, (Float4{0, 0, 0, 1}));
  EXPECT_EQ(bones[0].localAxes.m[3][3], 0.0f);
  EXPECT_EQ(bones[0].localAxes.m[2][2], 1.0f);
}

TEST(PmxBuild, ParentLoopsSelfParentsAndMissingParentsEndAtARoot) {
  TempDir dir;
  PMXModel r = SmallPmx();
  r.bones = {PlainBone(u"a", {}, 2), PlainBone(u"b", {}, 0), PlainBone(u"c", {}, 1),
             PlainBone(u"self", {}, 3), PlainBone(u"past", {}, 99)};
  std::shared_ptr<Model> model;
  ASSERT_EQ(DecodePmx(dir, r, model), ModelBuilt);
  const auto& bones = model->bones;
  EXPECT_EQ(bones[0].parentIndex, -1);  // the loop a -> c -> b -> a is cut at a
  EXPECT_EQ(bones[1].parentIndex, 0);
  EXPECT_EQ(bones[2].parentIndex, 1);
  EXPECT_EQ(bones[3].parentIndex, -1);
  EXPECT_EQ(bones[4].parentIndex, -1);
  for (const Bone& b : bones) {
    int steps = 0;
    for (int p = b.parentIndex; p >= 0; p = bones[static_cast<std::size_t>(p)].parentIndex) {
      ASSERT_LT(++steps, 6) << "parents of " << b.index << " loop";
    }
  }
}

TEST(PmxBuild, IkChainsAndLinkLimits) {
  TempDir dir;
  std::shared_ptr<Model> model;
  PMXModel r = RichPmx();
  ASSERT_EQ(DecodePmx(dir, r, model), ModelBuilt);
  ASSERT_EQ(model->ikChains.size(), 3u);
  EXPECT_TRUE(model->ikChains[0].links.empty());
  EXPECT_EQ(model->ikChains[0].iterations, 0);
  EXPECT_EQ(model->ikChains[1].ikBone, 1);
  const IkChain& chain = model->ikChains[2];
  EXPECT_EQ(chain.ikBone, 2);
  EXPECT_EQ(chain.targetBone, 1);
  EXPECT_EQ(chain.linkCount, 2);
  EXPECT_EQ(chain.iterations, 40);
  EXPECT_EQ(chain.angleFactor, 0.5f);
  EXPECT_EQ(chain.links, (std::vector<std::uint16_t>{0, 1}));
  EXPECT_EQ(model->bones[0].ikMinAngles, (Float4{-1, 0, 0, 0}));
  EXPECT_EQ(model->bones[0].ikMaxAngles, (Float4{0.5f, 0, 0, 0}));
  EXPECT_EQ(model->bones[1].ikMinAngles, (Float4{-kPi, -kPi, -kPi, 0}));
  EXPECT_EQ(model->bones[1].ikMaxAngles, (Float4{kPi, kPi, kPi, 0}));
  EXPECT_EQ(model->bones[2].ikMaxAngles, (Float4{}));  // not a link

  r.bones[2].ikLinks[1].bone = 3;  // past the bone list
  ASSERT_EQ(DecodePmx(dir, r, model), ModelBuilt);
  EXPECT_TRUE(model->ikChains[2].links.empty());
  EXPECT_EQ(model->ikChains[2].iterations, 0);
  EXPECT_EQ(model->bones[0].ikMinAngles, (Float4{}));
}

// Grant bones keep their source, share and kinds, in bone order; a grant
// naming a bone that does not exist (or the bone itself) is dropped.
TEST(PmxBuild, GrantBonesKeepSourceShareAndKinds) {
  TempDir dir;
  PMXModel r = SmallPmx();
  r.bones.push_back(PlainBone(u"twist", {0, 2, 0}, 0));
  r.bones.push_back(PlainBone(u"cancel", {0, 2, 0}, 0));
  r.bones.push_back(PlainBone(u"nowhere", {0, 2, 0}, 0));
  r.bones.push_back(PlainBone(u"itself", {0, 2, 0}, 0));
  auto grant = [&](std::size_t bone, std::int32_t from, float rate, std::uint16_t kinds) {
    r.bones[bone].flags |= kinds;
    r.bones[bone].grantParent = from;
    r.bones[bone].grantRate = rate;
  };
  grant(2, 1, 0.5f, kBoneRotationGrant);
  grant(3, 5, -1.0f, kBoneRotationGrant | kBoneTranslationGrant);  // a later source
  grant(4, 40, 1.0f, kBoneTranslationGrant);
  grant(5, 5, 1.0f, kBoneRotationGrant);
  std::shared_ptr<Model> model;
  ASSERT_EQ(DecodePmx(dir, r, model), ModelBuilt);
  ASSERT_EQ(model->grants.size(), 2u);
  const BoneGrant& twist = model->grants[0];
  EXPECT_EQ(twist.bone, 2);
  EXPECT_EQ(twist.parent, 1);
  EXPECT_EQ(twist.weight, 0.5f);
  EXPECT_TRUE(twist.rotation);
  EXPECT_FALSE(twist.translation);
  const BoneGrant& cancel = model->grants[1];
  EXPECT_EQ(cancel.bone, 3);
  EXPECT_EQ(cancel.parent, 5);
  EXPECT_EQ(cancel.weight, -1.0f);
  EXPECT_TRUE(cancel.rotation && cancel.translation);
  // The rest offsets stay beside the pose for the translation grants.
  EXPECT_EQ(model->bones[3].restPosition, (Float4{0, 1, 0, 0}));
}

TEST(PmxBuild, IndexCountsMakeFacesAndRunningFirstFaces) {
  TempDir dir;
  PMXModel r = SmallPmx();
  for (int i = 0; i < 4; ++i) r.vertices.push_back(OneBoneVertex(0, 0, static_cast<float>(i)));
  r.indices = {0, 1, 2, 3, 4, 5, 6, 0, 1, 2, 3, 4};
  r.materials.resize(2);
  r.materials[0].indexCount = 7;
  r.materials[1].indexCount = 5;
  std::shared_ptr<Model> model;
  ASSERT_EQ(DecodePmx(dir, r, model), ModelBuilt);
  const Mesh& mesh = *model->meshes[0];
  EXPECT_EQ(mesh.pieces[0].faceCount, 2u);
  EXPECT_EQ(mesh.pieces[1].ranges[0].firstFace, 2u);  // 7 / 3
  EXPECT_EQ(mesh.pieces[1].faceCount, 1u);
  EXPECT_EQ(mesh.faceCount, 3);
  EXPECT_EQ(mesh.indices.size(), 12u);

  r.materials[1].indexCount = 6;  // 13 indices from a list of 12
  PMXModel back;
  ASSERT_EQ(PMXDecoder::Read(writer::WritePmx(r), back), FileRead);
  EXPECT_EQ(PMXDecoder::Build(back, *model, TextureLoading::kLoad), FormatError);
  EXPECT_NE(back.formatError.find("material 2"), std::string::npos) << back.formatError;
}

TEST(PmxBuild, FaceIndexPastTheVerticesIsRefused) {
  TempDir dir;
  PMXModel r = SmallPmx();
  r.indices[2] = 3;
  std::shared_ptr<Model> model;
  EXPECT_EQ(DecodePmx(dir, r, model), FormatError);
}

TEST(PmxBuild, TexturesComeFromThePoolOnlyWhenNamed) {
  TempDir dir;
  PMXModel r = SmallPmx();
  r.textures = {u"present.png", u"missing.png"};
  r.materials.resize(4);
  r.materials[0].textureIndex = 1;
  r.materials[1].textureIndex = -1;
  r.materials[2].textureIndex = 7;  // past the list: no texture
  r.materials[3].textureIndex = 1;
  std::shared_ptr<Model> model;
  ASSERT_EQ(DecodePmx(dir, r, model), ModelBuilt);
  EXPECT_EQ(model->materials[0].textureName, u"missing.png");
  EXPECT_EQ(model->materials[0].textureId, -1);
  EXPECT_EQ(model->materials[1].textureName, u"");
  EXPECT_EQ(model->materials[2].textureName, u"");
  EXPECT_EQ(model->materials[2].textureId, -1);
  EXPECT_EQ(model->texturePool.Size(), 0u);

  // A texture file that exists but cannot be decoded is the pool's fatal error.
  std::ofstream(dir / "present.png") << "not an image";
  r.materials[0].textureIndex = 0;
  try {
    DecodePmx(dir, r, model);
    FAIL() << "no exception";
  } catch (const AppException& e) {
    EXPECT_EQ(e.code(), 1104);
  }
  // Skipping textures leaves the ids at -1 and the pool untouched.
  PMXModel back;
  ASSERT_EQ(PMXDecoder::Read(writer::WritePmx(r), back), FileRead);
  model = std::make_shared<Model>();
  model->path = FromFsPath(dir / "model.pmx");
  ASSERT_EQ(PMXDecoder::Build(back, *model, TextureLoading::kSkip), ModelBuilt);
  EXPECT_EQ(model->materials[0].textureName, u"present.png");
  EXPECT_EQ(model->materials[0].textureId, -1);
}

TEST(PmxBuild, SameNamedMorphsShareOneMapEntryHoldingTheLater) {
  TempDir dir;
  PMXModel r = RichPmx();
  PMXMorph again = r.morphs[1];
  again.vertexOffsets = {{0, {9, 9, 9}}, {1, {8, 8, 8}}};
  r.morphs.push_back(again);
  std::shared_ptr<Model> model;
  ASSERT_EQ(DecodePmx(dir, r, model), ModelBuilt);
  EXPECT_EQ(model->morphs.size(), 5u);
  ASSERT_EQ(model->morphList.size(), 6u);
  EXPECT_EQ(model->morphList[1], model->morphList[5]);
  EXPECT_EQ(model->morphList[1], &model->morphs.at(u"あ"));
  EXPECT_EQ(model->morphList[1]->vertexOffsets.size(), 2u);
  EXPECT_EQ(model->morphs.at(u"材質").materialOffsets[0].operation, 1);
  EXPECT_EQ(model->morphs.at(u"骨").boneOffsets[0].translation, (Float4{1, 2, 3, 0}));
}

TEST(PmxBuild, MorphOffsetsThatNameNothingAreDropped) {
  TempDir dir;
  PMXModel r = RichPmx();
  // Morph 1 exists; 0 is the group itself (kept: the pose step reports it).
  r.morphs[0].groupOffsets = {{1, 1.0f}, {0, 1.0f}, {42, 1.0f}, {-1, 1.0f}};
  r.morphs[1].vertexOffsets.push_back({5, {}});
  r.morphs[2].boneOffsets.push_back({3, {}, {}});
  r.morphs[3].uvOffsets.push_back({77, {}});
  PMXMaterialOffset pastMaterials;
  pastMaterials.materialIndex = 2;
  r.morphs[4].materialOffsets.push_back(pastMaterials);
  std::shared_ptr<Model> model;
  ASSERT_EQ(DecodePmx(dir, r, model), ModelBuilt);
  EXPECT_EQ(model->morphList[0]->groupOffsets.size(), 2u);
  EXPECT_EQ(model->morphList[0]->offsetCount, 2);
  EXPECT_EQ(model->morphList[1]->vertexOffsets.size(), 1u);
  EXPECT_EQ(model->morphList[2]->boneOffsets.size(), 1u);
  EXPECT_EQ(model->morphList[3]->uvOffsets.size(), 1u);
  EXPECT_EQ(model->morphList[4]->materialOffsets.size(), 1u);  // -1 (all) stays
}

// The morph kinds of PMX 2.1, written byte by byte as the format lays them
// out: flip (9) lists morphs and weights as a group does; impulse (10) lists
// rigid bodies with a local flag, a velocity and a torque. The morph after
// them still reads; the builder drops entries that name no body.
TEST(PmxRead, FlipAndImpulseMorphsReadAsTheFormatLaysThemOut) {
  PMXModel r = SmallPmx();
  std::vector<std::uint8_t> bytes = writer::WritePmx(r);
  bytes.resize(bytes.size() - 16);  // drop the morph count and the three empty lists
  writer::ByteWriter tail;
  tail.I32(3);
  tail.PmxText(u"flip", 0).PmxText(u"", 0).U8(1).U8(9).I32(2);
  tail.Index(2, 1).F32(1.0f).Index(1, 1).F32(0.5f);
  tail.PmxText(u"impulse", 0).PmxText(u"", 0).U8(1).U8(10).I32(2);
  tail.Index(0, 1).U8(1).Put(Float3{1, 2, 3}).Put(Float3{4, 5, 6});
  tail.Index(5, 1).U8(0).Put(Float3{}).Put(Float3{});
  tail.PmxText(u"あ", 0).PmxText(u"", 0).U8(1).U8(1).I32(1).Index(2, 1).Put(Float3{0, 1, 0});
  tail.I32(0).I32(0).I32(0);  // display frames, bodies, joints
  bytes.insert(bytes.end(), tail.bytes().begin(), tail.bytes().end());
  PMXModel back;
  ASSERT_EQ(PMXDecoder::Read(bytes, back), FileRead) << back.formatError;
  ASSERT_EQ(back.morphs.size(), 3u);
  EXPECT_EQ(back.morphs[0].kind, kMorphFlip);
  ASSERT_EQ(back.morphs[0].groupOffsets.size(), 2u);
  EXPECT_EQ(back.morphs[0].groupOffsets[0].morphIndex, 2);
  EXPECT_EQ(back.morphs[0].groupOffsets[1].weight, 0.5f);
  const PMXMorph& impulse = back.morphs[1];
  EXPECT_EQ(impulse.kind, kMorphImpulse);
  ASSERT_EQ(impulse.impulseOffsets.size(), 2u);
  EXPECT_EQ(impulse.impulseOffsets[0].bodyIndex, 0);
  EXPECT_TRUE(impulse.impulseOffsets[0].local);
  EXPECT_EQ(impulse.impulseOffsets[0].velocity, (Float3{1, 2, 3}));
  EXPECT_EQ(impulse.impulseOffsets[0].torque, (Float3{4, 5, 6}));
  EXPECT_FALSE(impulse.impulseOffsets[1].local);
  EXPECT_EQ(back.morphs[2].name, u"あ");
  EXPECT_EQ(back.morphs[2].vertexOffsets[0].vertexIndex, 2u);

  back.rigidBodies.resize(3);  // bodies 0 to 2: the impulse's body 5 names none
  Model model;
  ASSERT_EQ(PMXDecoder::Build(back, model, TextureLoading::kSkip), ModelBuilt);
  EXPECT_EQ(model.morphs.at(u"impulse").impulseOffsets.size(), 1u);
  EXPECT_EQ(model.morphs.at(u"impulse").offsetCount, 1);
  EXPECT_EQ(model.morphs.at(u"flip").offsetCount, 2);

  bytes[bytes.size() - tail.size() + 4 + 4 + 8 + 4 + 1] = 11;  // first morph's kind
  EXPECT_EQ(PMXDecoder::Read(bytes, back), FormatError);
}

// Offset of the vertex count in a file written from SmallPmx with empty texts
// except the model name.
std::size_t VertexCountOffset(const PMXModel& r) {
  return 17 + 4 + r.name.size() * 2 + 4 * 3;
}

TEST(PmxRead, RefusedHeadersAndRecords) {
  PMXModel r = SmallPmx();
  auto refused = [](const PMXModel& model, std::string_view reason) {
    PMXModel back;
    EXPECT_EQ(PMXDecoder::Read(writer::WritePmx(model), back), FormatError);
    EXPECT_NE(back.formatError.find(reason), std::string::npos) << back.formatError;
    return back;
  };
  PMXModel bad = r;
  bad.encoding = 2;
  EXPECT_EQ(refused(bad, "text encoding 2").encoding, 2);
  bad = r;
  bad.additionalUvCount = 5;
  refused(bad, "additional UV count 5");
  bad = r;
  bad.vertexIndexSize = 3;
  refused(bad, "vertex index size 3");
  bad = r;
  bad.boneIndexSize = 3;
  refused(bad, "index size 3");
  bad = r;
  bad.vertices[1].deformKind = 5;
  refused(bad, "deform kind 5 of vertex 1");

  std::vector<std::uint8_t> bytes = writer::WritePmx(r);
  const std::size_t at = VertexCountOffset(r);
  bytes[at + 3] = 0x80;  // vertex count becomes negative
  PMXModel back;
  EXPECT_EQ(PMXDecoder::Read(bytes, back), FormatError);
  EXPECT_NE(back.formatError.find("negative vertex count"), std::string::npos);
}

TEST(PmxRead, VertexBoneReferencesWiderThanTheHeaderSaysAreFound) {
  PMXModel r = RichPmx();
  r.boneIndexSize = 1;
  r.vertexBoneIndexSize = 2;
  PMXModel back;
  ASSERT_EQ(PMXDecoder::Read(writer::WritePmx(r), back), FileRead) << back.formatError;
  EXPECT_EQ(back.vertexBoneIndexSize, 2);
  EXPECT_EQ(back.vertices[2].bones[3], -1);
  EXPECT_EQ(back.bones[2].ikLinks[1].bone, 1);

  // A vertex list that reads with no width stays refused with the first reason.
  r.vertices[0].deformKind = 9;
  EXPECT_EQ(PMXDecoder::Read(writer::WritePmx(r), back), FormatError);
  EXPECT_NE(back.formatError.find("deform kind 9 of vertex 0"), std::string::npos);
}

TEST(PmxRead, TextureIndexSizeOutsideOneTwoFourReadsNoTextureIndices) {
  PMXModel r = SmallPmx();
  r.textureIndexSize = 3;
  r.materials[0].textureIndex = 0;
  PMXModel back;
  ASSERT_EQ(PMXDecoder::Read(writer::WritePmx(r), back), FileRead) << back.formatError;
  EXPECT_EQ(back.materials[0].textureIndex, -1);
  EXPECT_EQ(back.materials[0].indexCount, 3);
}

TEST(PmxRead, HugeCountsInASmallFileEndEarlyBeforeAllocating) {
  PMXModel r = SmallPmx();
  std::vector<std::uint8_t> bytes = writer::WritePmx(r);
  const std::size_t at = VertexCountOffset(r);
  bytes[at] = 0xFF;
  bytes[at + 1] = 0xFF;
  bytes[at + 2] = 0xFF;
  bytes[at + 3] = 0x7F;
  PMXModel back;
  try {
    PMXDecoder::Read(bytes, back);
    FAIL() << "no exception";
  } catch (const FileEndsEarly& e) {
    EXPECT_EQ(e.offset(), at + 4);
  }
  EXPECT_TRUE(back.vertices.empty());
}

// Up to the morphs a cut file ends early. A file may end right after its
// morphs; one cut inside the display frames, bodies and joints reads without
// them, with a note.
TEST(PmxRead, EveryCutOfAValidFileEndsEarlyOrLosesItsPhysics) {
  PMXModel r = RichPmx();
  const std::size_t morphsEnd = writer::WritePmx(r).size() - 12;
  const PMXModel physics = test::PhysicsPmx();
  r.displayFrames = physics.displayFrames;
  r.rigidBodies = physics.rigidBodies;
  r.joints = physics.joints;
  const std::vector<std::uint8_t> bytes = writer::WritePmx(r);
  for (std::size_t size = 0; size <= bytes.size(); ++size) {
    PMXModel back;
    const std::span<const std::uint8_t> cut(bytes.data(), size);
    if (size < morphsEnd) {
      EXPECT_THROW(PMXDecoder::Read(cut, back), FileEndsEarly) << size;
      continue;
    }
    ASSERT_EQ(PMXDecoder::Read(cut, back), FileRead) << size;
    const bool whole = size == morphsEnd || size == bytes.size();
    EXPECT_EQ(back.physicsNote.empty(), whole) << size;
    EXPECT_EQ(back.rigidBodies.size(), size == bytes.size() ? 3u : 0u) << size;
  }
}

TEST(PmxDecode, MissingFilesFailToOpenAndShortFilesRaiseTheStreamFailure) {
  TempDir dir;
  auto model = std::make_shared<Model>();
  EXPECT_EQ(PMXDecoder().Decode(FromFsPath(dir / "none.pmx"), model), OpenFailed);
  EXPECT_EQ(PMXDecoder().Decode(FromFsPath(dir.path()), model), OpenFailed);
  std::vector<std::uint8_t> bytes = writer::WritePmx(SmallPmx());
  bytes.resize(bytes.size() / 2);
  const auto path = test::WriteBytes(dir, "short.pmx", bytes);
  EXPECT_THROW(PMXDecoder().Decode(FromFsPath(path), model), std::ios_base::failure);
  EXPECT_TRUE(model->path.empty());
}

}  // namespace
}  // namespace brivonel
