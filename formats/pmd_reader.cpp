// Reading a PMD file into a PMDModel.
#include <cstring>
#include <string_view>

#include "base/trace.h"
#include "base/unicode.h"
#include "formats/binary_cursor.h"
#include "formats/physics_block_reader.h"
#include "formats/pmd_decoder.h"
#include "formats/text_encoding.h"

namespace brivonel {
namespace {

constexpr std::size_t kVertexSize = 38;
constexpr std::size_t kMaterialSize = 70;
constexpr std::size_t kBoneSize = 39;
constexpr std::size_t kIkMinSize = 11;
constexpr std::size_t kSkinMinSize = 25;
constexpr std::size_t kSkinVertexSize = 16;

// Facial morphs follow the IK list. Older files end before them; a file
// whose facial morphs are cut off by its end loads without them. True when
// the list was read whole, and the trailer may follow.
bool ReadSkins(BinaryCursor& c, PMDModel& r) {
  if (c.AtEnd()) return false;
  try {
    const std::uint16_t skinCount = c.ReadU16();
    c.RequireList(skinCount, kSkinMinSize);
    r.skins.resize(skinCount);
    for (PMDSkin& skin : r.skins) {
      c.ReadBytes(skin.name, sizeof skin.name);
      const std::uint32_t vertexCount = c.ReadU32();
      skin.kind = c.ReadU8();
      c.RequireList(vertexCount, kSkinVertexSize);
      skin.vertices.resize(vertexCount);
      for (PMDSkinVertex& v : skin.vertices) {
        v.index = c.ReadU32();
        v.position = c.Read<Float3>();
      }
    }
  } catch (const FileEndsEarly& cut) {
    TraceFormat("PMD facial morphs cut off (%s); none loaded\n", cut.what());
    r.skins.clear();
    return false;
  }
  TraceFormat("Skin num:%zu\n", r.skins.size());
  return true;
}

// Zeros, or any bytes at all, would read as a model with empty lists, which
// draws nothing: the signature tells a PMD from an empty or mistaken file.
void RequireSignature(std::span<const std::uint8_t> data) {
  if (data.empty()) throw FormatRefused("the file is empty");
  constexpr std::string_view kSignature = "Pmd";
  if (data.size() < kSignature.size() ||
      std::memcmp(data.data(), kSignature.data(), kSignature.size()) != 0) {
    throw FormatRefused("not a PMD file: it does not start with \"Pmd\"");
  }
}

void ReadPmd(BinaryCursor& c, PMDModel& r) {
  c.ReadBytes(r.magic, sizeof r.magic);
  r.version = c.ReadFloat();
  c.ReadBytes(r.name, sizeof r.name);
  c.ReadBytes(r.comment, sizeof r.comment);

  const std::uint32_t vertexCount = c.ReadU32();
  c.RequireList(vertexCount, kVertexSize);
  r.vertices.resize(vertexCount);
  for (PMDVertex& v : r.vertices) {
    v.position = c.Read<Float3>();
    v.normal = c.Read<Float3>();
    v.uv = c.Read<Float2>();
    v.bones[0] = c.ReadU16();
    v.bones[1] = c.ReadU16();
    v.weight = c.ReadU8();
    v.edgeFlag = c.ReadU8();
  }

  const std::uint32_t indexCount = c.ReadU32();
  c.RequireList(indexCount, 2);
  r.indices.resize(indexCount);
  if (indexCount != 0) c.ReadBytes(r.indices.data(), indexCount * std::size_t{2});
  TraceFormat("Index num:%u\n", indexCount);

  const std::uint32_t materialCount = c.ReadU32();
  c.RequireList(materialCount, kMaterialSize);
  r.materials.resize(materialCount);
  TraceFormat("Material num:%u\n", materialCount);
  std::uint64_t faceIndices = 0;
  for (PMDMaterial& m : r.materials) {
    m.diffuse = c.Read<Float4>();
    m.specularPower = c.ReadFloat();
    m.specular = c.Read<Float3>();
    m.ambient = c.Read<Float3>();
    m.toonIndex = c.ReadU8();
    m.edgeFlag = c.ReadU8();
    m.indexCount = c.ReadU32();
    c.ReadBytes(m.textureField, sizeof m.textureField);
    faceIndices += m.indexCount;
  }
  TraceFormat("Face num:%llu\n", static_cast<unsigned long long>(faceIndices));

  const std::uint16_t boneCount = c.ReadU16();
  c.RequireList(boneCount, kBoneSize);
  r.bones.resize(boneCount);
  for (PMDBone& b : r.bones) {
    c.ReadBytes(b.name, sizeof b.name);
    b.parent = c.ReadU16();
    b.tail = c.ReadU16();
    b.kind = c.ReadU8();
    b.ikParent = c.ReadU16();
    b.position = c.Read<Float3>();
    if (TraceEnabled()) {
      std::u16string name;
      ShiftJisToWide(std::string_view(reinterpret_cast<const char*>(b.name), sizeof b.name), name);
      TraceFormat("bone: %s %d %d %d %d (%f, %f, %f)\n", Utf16ToUtf8(name).c_str(), b.parent,
                  b.tail, b.kind, b.ikParent, static_cast<double>(b.position.x),
                  static_cast<double>(b.position.y), static_cast<double>(b.position.z));
    }
  }
  TraceFormat("Bone num:%d\n", boneCount);

  const std::uint16_t ikCount = c.ReadU16();
  c.RequireList(ikCount, kIkMinSize);
  r.iks.resize(ikCount);
  for (PMDIK& ik : r.iks) {
    ik.ikBone = c.ReadU16();
    ik.targetBone = c.ReadU16();
    ik.chainLength = c.ReadU8();
    ik.iterations = c.ReadU16();
    ik.controlWeight = c.ReadFloat();
    c.RequireList(ik.chainLength, 2);
    ik.chain.resize(ik.chainLength);
    for (std::uint16_t& bone : ik.chain) bone = c.ReadU16();
  }
  if (ReadSkins(c, r)) ReadPmdTrailer(c, r);
}

}  // namespace

int PMDDecoder::Read(std::span<const std::uint8_t> data, PMDModel& record) {
  BinaryCursor cursor(data);
  try {
    RequireSignature(data);
    ReadPmd(cursor, record);
  } catch (const FormatRefused& refused) {
    record.formatError = refused.what();
    TraceFormat("PMD refused: %s\n", refused.what());
    return FormatError;
  }
  return FileRead;
}

int PMDDecoder::ReadFile(const std::u16string& path, std::shared_ptr<PMDModel>& record) {
  if (!record) record = std::make_shared<PMDModel>();
  MappedFile file;
  const int opened = OpenForDecoding(path, kMaxModelFileBytes, "model", file, record->formatError);
  return opened == FileRead ? Read(file.bytes(), *record) : opened;
}

PMDDecoder::~PMDDecoder() { Trace("Call PMD Decoder Destructor\n"); }

int PMDDecoder::Decode(const char16_t* path, std::shared_ptr<Model>& model) {
  const std::u16string pathText = path != nullptr ? path : u"";
  auto record = std::make_shared<PMDModel>();
  const int result = ReadFile(pathText, record);
  if (result != FileRead) return result;
  if (!model) model = std::make_shared<Model>();
  model->path = pathText;
  return BuildModel(record, model);
}

int PMDDecoder::Decode(const std::u16string& path, std::shared_ptr<Model>& model) {
  return Decode(path.c_str(), model);
}

}  // namespace brivonel
