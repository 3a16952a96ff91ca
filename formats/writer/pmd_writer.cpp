#include "formats/writer/pmd_writer.h"

#include <cstring>
#include <string>

#include "formats/material_effects.h"
#include "formats/writer/byte_writer.h"
#include "formats/writer/physics_fields_writer.h"

namespace brivonel::writer {
namespace {

// The record's toon file names, or the shared toons' when it has none.
void WriteToonFileNames(const PMDModel& r, ByteWriter& out) {
  bool named = false;
  for (const auto& name : r.toonFileNames) named = named || name[0] != 0;
  for (int toon = 0; toon < kPmdToonFileCount; ++toon) {
    char name[100] = {};
    if (named) {
      std::memcpy(name, r.toonFileNames[toon], sizeof name);
    } else {
      const std::string file = SharedToonFileName(toon);
      std::memcpy(name, file.data(), file.size());
    }
    out.Bytes(name, sizeof name);
  }
}

void WriteTrailer(const PMDModel& r, ByteWriter& out) {
  out.U8(static_cast<std::uint8_t>(r.skinDisplayList.size()));
  for (std::uint16_t skin : r.skinDisplayList) out.U16(skin);
  out.U8(static_cast<std::uint8_t>(r.boneGroups.size()));
  for (const PMDBoneGroup& group : r.boneGroups) out.Bytes(group.name, sizeof group.name);
  out.U32(static_cast<std::uint32_t>(r.boneGroupEntries.size()));
  for (const PMDBoneGroupEntry& entry : r.boneGroupEntries) out.U16(entry.bone).U8(entry.group);
  out.U8(r.hasEnglishNames ? 1 : 0);
  if (r.hasEnglishNames) {
    out.Bytes(r.englishName, sizeof r.englishName).Bytes(r.englishComment, sizeof r.englishComment);
    for (const PMDBone& bone : r.bones) out.Bytes(bone.englishName, sizeof bone.englishName);
    for (std::size_t i = 1; i < r.skins.size(); ++i)
      out.Bytes(r.skins[i].englishName, sizeof r.skins[i].englishName);
    for (const PMDBoneGroup& group : r.boneGroups)
      out.Bytes(group.englishName, sizeof group.englishName);
  }
  WriteToonFileNames(r, out);
  out.U32(static_cast<std::uint32_t>(r.rigidBodies.size()));
  for (const PMDRigidBody& body : r.rigidBodies) {
    out.Bytes(body.name, sizeof body.name).U16(body.bone);
    WriteRigidBodyFields(out, body);
  }
  out.U32(static_cast<std::uint32_t>(r.joints.size()));
  for (const PMDJoint& joint : r.joints) {
    out.Bytes(joint.name, sizeof joint.name).U32(joint.bodyA).U32(joint.bodyB);
    WriteJointFields(out, joint);
  }
}

}  // namespace

std::vector<std::uint8_t> WritePmd(const PMDModel& r) {
  ByteWriter out;
  if (r.magic[0] == 0 && r.magic[1] == 0 && r.magic[2] == 0) {
    out.Bytes("Pmd", 3);
  } else {
    out.Bytes(r.magic, 3);
  }
  out.F32(r.version != 0.0f ? r.version : 1.0f);
  out.Bytes(r.name, sizeof r.name).Bytes(r.comment, sizeof r.comment);
  out.U32(static_cast<std::uint32_t>(r.vertices.size()));
  for (const PMDVertex& v : r.vertices) {
    out.Put(v.position).Put(v.normal).Put(v.uv);
    out.U16(v.bones[0]).U16(v.bones[1]).U8(v.weight).U8(v.edgeFlag);
  }
  out.U32(static_cast<std::uint32_t>(r.indices.size()));
  for (std::uint16_t i : r.indices) out.U16(i);
  out.U32(static_cast<std::uint32_t>(r.materials.size()));
  for (const PMDMaterial& m : r.materials) {
    out.Put(m.diffuse).F32(m.specularPower).Put(m.specular).Put(m.ambient);
    out.U8(m.toonIndex).U8(m.edgeFlag).U32(m.indexCount);
    out.Bytes(m.textureField, sizeof m.textureField);
  }
  out.U16(static_cast<std::uint16_t>(r.bones.size()));
  for (const PMDBone& b : r.bones) {
    out.Bytes(b.name, sizeof b.name).U16(b.parent).U16(b.tail).U8(b.kind).U16(b.ikParent);
    out.Put(b.position);
  }
  out.U16(static_cast<std::uint16_t>(r.iks.size()));
  for (const PMDIK& ik : r.iks) {
    out.U16(ik.ikBone).U16(ik.targetBone).U8(static_cast<std::uint8_t>(ik.chain.size()));
    out.U16(ik.iterations).F32(ik.controlWeight);
    for (std::uint16_t bone : ik.chain) out.U16(bone);
  }
  out.U16(static_cast<std::uint16_t>(r.skins.size()));
  for (const PMDSkin& skin : r.skins) {
    out.Bytes(skin.name, sizeof skin.name).U32(static_cast<std::uint32_t>(skin.vertices.size()));
    out.U8(skin.kind);
    for (const PMDSkinVertex& v : skin.vertices) out.U32(v.index).Put(v.position);
  }
  WriteTrailer(r, out);
  return std::move(out.bytes());
}

PMDBone MakePmdBone(std::u16string_view name, const Float3& position, std::uint16_t parent) {
  PMDBone b;
  SetShiftJisField(b.name, sizeof b.name, name);
  b.position = position;
  b.parent = parent;
  return b;
}

}  // namespace brivonel::writer
