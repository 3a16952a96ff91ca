#include "formats/writer/pmd_writer.h"

#include <cstring>
#include <string>

#include "formats/material_effects.h"
#include "formats/writer/byte_writer.h"

namespace brivonel::writer {

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
  // The sections every editor writes after them, empty: facial morph
  // display list, bone display groups and list, no English names, the ten
  // shared toon file names, no rigid bodies, no joints.
  out.U8(0);
  out.U8(0);
  out.U32(0);
  out.U8(0);
  for (int toon = 0; toon < kSharedToonCount; ++toon) {
    char name[100] = {};
    const std::string file = SharedToonFileName(toon);
    std::memcpy(name, file.data(), file.size());
    out.Bytes(name, sizeof name);
  }
  out.U32(0);
  out.U32(0);
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
