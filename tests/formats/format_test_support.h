#pragma once
// Small models for the decoder tests and the fuzz seeds, written as real
// files with the format writer.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/unicode.h"
#include "formats/pmd_records.h"
#include "formats/pmx_decoder.h"
#include "formats/text_encoding.h"
#include "formats/writer/byte_writer.h"
#include "formats/writer/pmd_writer.h"
#include "formats/writer/pmx_writer.h"
#include "model/model.h"
#include "tests/support/temp_dir.h"

namespace brivonel::test {

inline PMXVertex OneBoneVertex(float x, float y, float z, std::int32_t bone = 0) {
  PMXVertex v;
  v.position = {x, y, z};
  v.normal = {0.0f, 1.0f, 0.0f};
  v.deformKind = kDeformBdef1;
  v.bones[0] = bone;
  return v;
}

inline PMXBone PlainBone(std::u16string name, Float3 position, std::int32_t parent) {
  PMXBone b;
  b.name = std::move(name);
  b.position = position;
  b.parent = parent;
  b.flags = kBoneRotatable | kBoneVisible | kBoneOperable;
  return b;
}

// One triangle, one material drawing it, two bones (a root and its child).
inline PMXModel SmallPmx() {
  PMXModel r;
  r.encoding = kPmxUtf16;
  r.name = u"小さな模型";
  r.vertices = {OneBoneVertex(0, 0, 0), OneBoneVertex(1, 0, 0), OneBoneVertex(0, 1, 0, 1)};
  r.indices = {0, 1, 2};
  PMXMaterial m;
  m.name = u"材質1";
  m.diffuse = {1.0f, 0.5f, 0.25f, 1.0f};
  m.indexCount = 3;
  r.materials = {m};
  r.bones = {PlainBone(u"センター", {0, 1, 0}, -1), PlainBone(u"頭", {0, 3, 0}, 0)};
  return r;
}

// A model that uses every deform kind, two additional UVs, every morph kind,
// textures, IK and all optional bone fields.
inline PMXModel RichPmx() {
  PMXModel r = SmallPmx();
  r.additionalUvCount = 2;
  r.comment = u"comment ©";
  r.englishName = u"small";
  r.vertices.clear();
  for (int kind = 0; kind <= 4; ++kind) {
    PMXVertex v = OneBoneVertex(static_cast<float>(kind), 2, 3, 1);
    v.uv = {0.25f, 0.75f};
    v.additionalUv[0] = {1, 2, 3, 4};
    v.additionalUv[1] = {5, 6, 7, 8};
    v.deformKind = static_cast<std::uint8_t>(kind);
    v.bones[1] = 0;
    v.bones[2] = 1;
    v.bones[3] = -1;
    v.weights[0] = 0.5f;
    v.weights[1] = 0.25f;
    v.weights[2] = 0.125f;
    v.weights[3] = 0.125f;
    if (kind == kDeformSdef) v.sdefC = {1, 1, 1};
    v.edgeScale = 1.5f;
    r.vertices.push_back(v);
  }
  r.indices = {0, 1, 2, 2, 3, 4};
  r.textures = {u"tex/a.png", u"sphere.spa"};
  PMXMaterial m = r.materials[0];
  m.textureIndex = 0;
  m.sphereTextureIndex = 1;
  m.sphereMode = 1;
  m.sharedToon = 1;
  m.toon = 3;
  m.drawFlags = kMaterialDoubleSided | kMaterialDrawsEdge;
  m.edgeColor = {0, 0, 0, 1};
  m.edgeSize = 0.5f;
  m.memo = u"メモ";
  PMXMaterial second = m;
  second.name = u"材質2";
  second.sharedToon = 0;
  second.toon = 1;
  second.textureIndex = -1;
  r.materials = {m, second};
  PMXBone ik = PlainBone(u"左足ＩＫ", {1, 0, 0}, 0);
  ik.flags |= kBoneIk | kBoneTailIsBone | kBoneRotationGrant | kBoneFixedAxis | kBoneLocalAxes |
              kBoneExternalParent;
  ik.tailBone = 1;
  ik.grantParent = 0;
  ik.grantRate = 0.5f;
  ik.fixedAxisVector = {0, 0, 1};
  ik.localXAxis = {1, 0, 0};
  ik.localZAxis = {0, 0, 1};
  ik.externalParentKey = 7;
  ik.ikTarget = 1;
  ik.ikLoopCount = 40;
  ik.ikLimitAngle = 2.0f;
  ik.ikLinks = {PMXIKLink{0, true, {-1, 0, 0}, {0.5f, 0, 0}}, PMXIKLink{1, false, {}, {}}};
  r.bones.push_back(ik);

  PMXMorph group;
  group.name = u"グループ";
  group.kind = kMorphGroup;
  group.groupOffsets = {{1, 0.5f}};
  PMXMorph vertex;
  vertex.name = u"あ";
  vertex.panel = 3;
  vertex.kind = kMorphVertex;
  vertex.vertexOffsets = {{4, {0, 0.1f, 0}}};
  PMXMorph bone;
  bone.name = u"骨";
  bone.kind = kMorphBone;
  bone.boneOffsets = {{1, {1, 2, 3, 0}, {0, 0, 0, 1}}};
  PMXMorph uv;
  uv.name = u"UV2";
  uv.kind = 5;
  uv.uvOffsets = {{2, {0.5f, 0.5f, 0, 0}}};
  PMXMorph material;
  material.name = u"材質";
  material.kind = kMorphMaterial;
  PMXMaterialOffset mo;
  mo.materialIndex = 0xFFFFFFFFu;
  mo.operation = 1;
  mo.diffuse = {1, 1, 1, 1};
  mo.toonTextureTint = {0.5f, 0.5f, 0.5f, 0.5f};
  material.materialOffsets = {mo};
  r.morphs = {group, vertex, bone, uv, material};
  return r;
}

inline PMDVertex PmdVertex(float x, std::uint16_t bone0, std::uint16_t bone1,
                           std::uint8_t weight) {
  PMDVertex v;
  v.position = {x, 0, 0};
  v.normal = {0, 0, 1};
  v.uv = {0.5f, 0.5f};
  v.bones[0] = bone0;
  v.bones[1] = bone1;
  v.weight = weight;
  return v;
}

inline PMDMaterial PmdMaterial(std::u16string_view textureField, std::uint32_t indexCount,
                        std::uint8_t toonIndex = 0) {
  PMDMaterial m;
  m.diffuse = {1, 1, 1, 0.5f};
  m.specularPower = 5;
  m.specular = {0.1f, 0.2f, 0.3f};
  m.ambient = {0.4f, 0.5f, 0.6f};
  m.toonIndex = toonIndex;
  m.edgeFlag = 1;
  m.indexCount = indexCount;
  writer::SetShiftJisField(m.textureField, sizeof m.textureField, textureField);
  return m;
}

inline PMDModel SmallPmd() {
  PMDModel r;
  writer::SetShiftJisField(r.name, sizeof r.name, u"テスト");
  r.vertices = {PmdVertex(0, 0, 1, 100), PmdVertex(1, 0, 1, 50), PmdVertex(2, 1, 0, 0)};
  r.indices = {0, 1, 2};
  r.materials = {PmdMaterial(u"", 3)};
  r.bones = {writer::MakePmdBone(u"センター", {0, 1, 0}),
             writer::MakePmdBone(u"頭", {0, 3, 0}, 0)};
  return r;
}

// A body as editors make them for hair: the head's follows its bone and
// hits everything (group 0); the hair's are light, damped, in group 1 and
// pass through the head and each other.
inline RigidBodyFields BodyFields(std::uint8_t mode, std::uint8_t shape, Float3 size,
                                  Float3 position, Float3 rotation = {}) {
  RigidBodyFields f;
  f.group = mode == 0 ? 0 : 1;
  f.collisionMask = mode == 0 ? 0xFFFF : 0xFFFC;
  f.shape = shape;
  f.size = size;
  f.position = position;
  f.rotation = rotation;
  f.mass = mode == 0 ? 1.0f : 0.2f;
  f.linearDamping = 0.5f;
  f.angularDamping = 0.5f;
  f.friction = 0.5f;
  f.mode = mode;
  return f;
}

// A spring joint that lets the lower body swing a little about x and z.
inline JointFields SpringFields(Float3 position, Float3 rotation = {}) {
  JointFields j;
  j.position = position;
  j.rotation = rotation;
  j.angularLower = {-0.5f, 0.0f, -0.3f};
  j.angularUpper = {0.5f, 0.0f, 0.3f};
  j.angularStiffness = {20.0f, 0.0f, 20.0f};
  return j;
}

inline PMXRigidBody PmxBody(std::u16string name, std::int32_t bone, const RigidBodyFields& f) {
  PMXRigidBody b;
  static_cast<RigidBodyFields&>(b) = f;
  b.name = std::move(name);
  b.bone = bone;
  return b;
}

inline PMXJoint PmxJoint(std::u16string name, std::int32_t a, std::int32_t b,
                         const JointFields& f) {
  PMXJoint j;
  static_cast<JointFields&>(j) = f;
  j.name = std::move(name);
  j.bodyA = a;
  j.bodyB = b;
  return j;
}

// SmallPmx with a strand of hair, as real characters have it: the head's
// body follows its bone, two hair bodies hang below it on spring joints (the
// lower one keeping its bone's place), and the display frames editors write.
inline PMXModel PhysicsPmx() {
  PMXModel r = SmallPmx();
  r.bones.push_back(PlainBone(u"髪1", {0, 3, -0.5f}, 1));
  r.bones.push_back(PlainBone(u"髪2", {0, 2, -0.6f}, 2));
  r.displayFrames = {{u"Root", u"Root", 1, {{0, 0}}},
                     {u"表情", u"Exp", 1, {}},
                     {u"髪", u"hair", 0, {{0, 2}, {0, 3}}}};
  r.rigidBodies = {
      PmxBody(u"頭", 1, BodyFields(0, 0, {1.0f, 0, 0}, {0, 3.2f, 0})),
      PmxBody(u"髪1", 2, BodyFields(1, 2, {0.2f, 0.8f, 0}, {0, 2.5f, -0.55f}, {0.1f, 0, 0})),
      PmxBody(u"髪2", 3, BodyFields(2, 1, {0.2f, 0.4f, 0.1f}, {0, 1.6f, -0.6f}, {0, 0, 0.2f}))};
  r.rigidBodies[0].englishName = u"head";
  r.joints = {PmxJoint(u"頭-髪1", 0, 1, SpringFields({0, 3, -0.5f})),
              PmxJoint(u"髪1-髪2", 1, 2, SpringFields({0, 2, -0.6f}, {0, 0.3f, 0}))};
  return r;
}

inline PMDRigidBody PmdBody(std::u16string_view name, std::uint16_t bone,
                            const RigidBodyFields& f) {
  PMDRigidBody b;
  static_cast<RigidBodyFields&>(b) = f;
  writer::SetShiftJisField(b.name, sizeof b.name, name);
  b.bone = bone;
  return b;
}

inline PMDJoint PmdJoint(std::u16string_view name, std::uint32_t a, std::uint32_t b,
                         const JointFields& f) {
  PMDJoint j;
  static_cast<JointFields&>(j) = f;
  writer::SetShiftJisField(j.name, sizeof j.name, name);
  j.bodyA = a;
  j.bodyB = b;
  return j;
}

// SmallPmd with the same strand of hair (body positions relative to their
// bones, one body on no bone), a blink, and the whole trailer: display
// lists, English names, toon file names.
inline PMDModel PhysicsPmd() {
  PMDModel r = SmallPmd();
  r.bones.push_back(writer::MakePmdBone(u"髪1", {0, 3, -0.5f}, 1));
  r.bones.push_back(writer::MakePmdBone(u"髪2", {0, 2, -0.6f}, 2));
  PMDSkin base, blink;
  writer::SetShiftJisField(base.name, sizeof base.name, u"base");
  base.vertices = {{2, {0, 1, 0}}};
  writer::SetShiftJisField(blink.name, sizeof blink.name, u"まばたき");
  blink.kind = 2;
  blink.vertices = {{0, {0, -0.5f, 0}}};
  writer::SetShiftJisField(blink.englishName, sizeof blink.englishName, u"blink");
  r.skins = {base, blink};
  r.skinDisplayList = {1};
  r.boneGroups.resize(1);
  writer::SetShiftJisField(r.boneGroups[0].name, sizeof r.boneGroups[0].name, u"髪");
  writer::SetShiftJisField(r.boneGroups[0].englishName, sizeof r.boneGroups[0].englishName,
                           u"hair");
  r.boneGroupEntries = {{2, 1}, {3, 1}};
  r.hasEnglishNames = true;
  writer::SetShiftJisField(r.englishName, sizeof r.englishName, u"test");
  for (PMDBone& bone : r.bones) writer::SetShiftJisField(bone.englishName, sizeof bone.englishName, u"bone");
  r.rigidBodies = {PmdBody(u"頭", 1, BodyFields(0, 0, {1.0f, 0, 0}, {0, 0.2f, 0})),
                   PmdBody(u"髪1", 2, BodyFields(1, 2, {0.2f, 0.8f, 0}, {0, -0.5f, -0.05f})),
                   PmdBody(u"髪2", 3, BodyFields(2, 1, {0.2f, 0.4f, 0.1f}, {0, -0.4f, 0})),
                   PmdBody(u"襟", 0xFFFF, BodyFields(0, 1, {1.0f, 0.1f, 0.5f}, {0, 1.5f, 0}))};
  r.joints = {PmdJoint(u"頭-髪1", 0, 1, SpringFields({0, 3, -0.5f})),
              PmdJoint(u"髪1-髪2", 1, 2, SpringFields({0, 2, -0.6f}))};
  return r;
}

inline std::filesystem::path WriteBytes(const TempDir& dir, std::string_view name,
                                        const std::vector<std::uint8_t>& bytes) {
  const std::filesystem::path path = dir / name;
  writer::WriteFile(path, bytes);
  return path;
}

// Writes record as model.pmx in dir and decodes it into model.
inline int DecodePmx(const TempDir& dir, const PMXModel& record, std::shared_ptr<Model>& model,
                     std::string_view name = "model.pmx") {
  const std::filesystem::path path = WriteBytes(dir, name, writer::WritePmx(record));
  model = std::make_shared<Model>();
  return PMXDecoder().Decode(FromFsPath(path), model);
}

// Reads a written file back into a record (FileRead expected).
inline int ReadPmx(const std::vector<std::uint8_t>& bytes, PMXModel& record) {
  return PMXDecoder::Read(bytes, record);
}

}  // namespace brivonel::test
