#pragma once
// Small models and motions for the decoder tests, written as real files with
// the format writer.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/unicode.h"
#include "formats/pmx_decoder.h"
#include "formats/text_encoding.h"
#include "formats/writer/byte_writer.h"
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
