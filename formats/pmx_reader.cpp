// Reading a PMX file into a PMXModel.
#include <cstring>
#include <string>

#include "base/trace.h"
#include "base/unicode.h"
#include "formats/binary_cursor.h"
#include "formats/physics_block_reader.h"
#include "formats/pmx_decoder.h"
#include "formats/text_encoding.h"

namespace brivonel {
namespace {

// Smallest file size of the list elements, used to refuse counts that the
// rest of the file cannot hold before anything is allocated.
constexpr std::size_t kTextMin = 4;
constexpr std::size_t kMaterialMin = 2 * kTextMin + 16 + 12 + 4 + 12 + 1 + 16 + 4 + 1 + 1 + 1 +
                                     kTextMin + 4;
constexpr std::size_t kMorphMin = 2 * kTextMin + 1 + 1 + 4;

class PmxReader {
 public:
  PmxReader(BinaryCursor& cursor, PMXModel& record) : c_(cursor), r_(record) {}

  // True once the reader has passed the face indices.
  bool pastIndices() const { return pastIndices_; }

  void Read() {
    ReadHeader();
    ReadText(c_, r_.encoding, r_.name);
    ReadText(c_, r_.encoding, r_.englishName);
    ReadText(c_, r_.encoding, r_.comment);
    ReadText(c_, r_.encoding, r_.englishComment);
    ReadVertices();
    ReadIndices();
    pastIndices_ = true;
    ReadTextures();
    ReadMaterials();
    ReadBones();
    ReadMorphs();
    ReadPmxPhysics(c_, r_);
  }

 private:
  [[noreturn]] void Refuse(const std::string& what) const {
    throw FormatRefused(what + " at byte " + std::to_string(c_.offset()));
  }

  std::size_t Count(const char* what, std::size_t elementSize) {
    const std::int32_t count = c_.ReadI32();
    if (count < 0) Refuse(std::string("negative ") + what + " count " + std::to_string(count));
    c_.RequireList(static_cast<std::uint32_t>(count), elementSize);
    return static_cast<std::size_t>(count);
  }

  static bool ValidIndexSize(int size) { return size == 1 || size == 2 || size == 4; }

  void ReadHeader() {
    c_.ReadBytes(r_.magic, sizeof r_.magic);
    r_.version = c_.ReadFloat();
    r_.headerSize = c_.ReadU8();
    c_.ReadBytes(r_.header, sizeof r_.header);
    if (r_.header[0] != kPmxUtf16 && r_.header[0] != kPmxUtf8) {
      r_.encoding = 2;
      Refuse("text encoding " + std::to_string(r_.header[0]));
    }
    r_.encoding = r_.header[0];
    r_.additionalUvCount = r_.header[1];
    r_.vertexIndexSize = r_.header[2];
    r_.textureIndexSize = r_.header[3];
    r_.materialIndexSize = r_.header[4];
    r_.boneIndexSize = r_.header[5];
    r_.morphIndexSize = r_.header[6];
    r_.rigidBodyIndexSize = r_.header[7];
    // A vertex holds at most four additional UVs, the most the format allows.
    if (r_.additionalUvCount > 4) {
      Refuse("additional UV count " + std::to_string(r_.additionalUvCount));
    }
    // Without a valid width the face indices could not be read at all.
    if (!ValidIndexSize(r_.vertexIndexSize)) {
      Refuse("vertex index size " + std::to_string(r_.vertexIndexSize));
    }
  }

  std::int32_t BoneIndex() { return ReadIndex(c_, r_.boneIndexSize, true); }

  // Bone references of a vertex: above 255 they become 255.
  static std::int32_t ClampBone(std::int32_t bone) { return bone > 255 ? 255 : bone; }
  static float ClampWeight(float w) { return w > 1.0f ? 1.0f : w; }

  void ReadVertices() {
    if (r_.vertexBoneIndexSize == 0) r_.vertexBoneIndexSize = r_.boneIndexSize;
    ReadVertexList();
  }

  std::int32_t VertexBone() { return ReadIndex(c_, r_.vertexBoneIndexSize, true); }

  void ReadVertexList() {
    const std::size_t boneSize =
        ValidIndexSize(r_.vertexBoneIndexSize) ? r_.vertexBoneIndexSize : 1;
    const std::size_t count = Count("vertex", 32 + 16 * r_.additionalUvCount + 1 + boneSize + 4);
    TraceFormat("頂点数:%zu\r\n", count);
    r_.vertices.assign(count, PMXVertex{});
    const int uvCount = r_.additionalUvCount;
    for (PMXVertex& v : r_.vertices) {
      v.position = c_.Read<Float3>();
      v.normal = c_.Read<Float3>();
      v.uv = c_.Read<Float2>();
      for (int j = 0; j < uvCount; ++j) v.additionalUv[j] = c_.Read<Float4>();
      v.deformKind = c_.ReadU8();
      switch (v.deformKind) {
        case kDeformBdef1:
          v.bones[0] = ClampBone(VertexBone());
          break;
        case kDeformBdef2:
          v.bones[0] = ClampBone(VertexBone());
          v.bones[1] = ClampBone(VertexBone());
          v.weights[0] = ClampWeight(c_.ReadFloat());
          break;
        case kDeformBdef4:
        case kDeformQdef:
          for (int j = 0; j < 4; ++j) v.bones[j] = ClampBone(VertexBone());
          for (int j = 0; j < 4; ++j) v.weights[j] = ClampWeight(c_.ReadFloat());
          break;
        case kDeformSdef:
          v.bones[0] = ClampBone(VertexBone());
          v.bones[1] = ClampBone(VertexBone());
          v.weights[0] = c_.ReadFloat();
          v.sdefC = c_.Read<Float3>();
          v.sdefR0 = c_.Read<Float3>();
          v.sdefR1 = c_.Read<Float3>();
          break;
        default:
          Refuse("deform kind " + std::to_string(v.deformKind) + " of vertex " +
                 std::to_string(&v - r_.vertices.data()));
      }
      v.edgeScale = c_.ReadFloat();
    }
  }

  void ReadIndices() {
    const int size = r_.vertexIndexSize;
    const std::size_t count = Count("index", static_cast<std::size_t>(size));
    TraceFormat("頂点インデックス数:%zu\r\n", count);
    r_.indices.resize(count);
    const std::uint8_t* p = c_.Take(count * static_cast<std::size_t>(size));
    std::int32_t* out = r_.indices.data();
    if (size == 1) {
      for (std::size_t i = 0; i < count; ++i) out[i] = p[i];
    } else if (size == 2) {
      for (std::size_t i = 0; i < count; ++i) {
        out[i] = static_cast<std::int32_t>(p[2 * i] | (p[2 * i + 1] << 8));
      }
    } else if (count != 0) {
      std::memcpy(out, p, count * 4);
    }
  }

  void ReadTextures() {
    const std::size_t count = Count("texture", kTextMin);
    TraceFormat("テクスチャ数:%zu\r\n", count);
    r_.textures.resize(count);
    for (std::u16string& name : r_.textures) {
      ReadText(c_, r_.encoding, name);
      if (TraceEnabled()) TraceFormat("%s\r\n", Utf16ToUtf8(name).c_str());
    }
  }

  // A texture index; not read (left at -1) for a texture index size other
  // than 1, 2 or 4.
  void TextureIndex(std::int32_t& index) {
    if (ValidIndexSize(r_.textureIndexSize)) index = ReadIndex(c_, r_.textureIndexSize, true);
  }

  void ReadMaterials() {
    const std::size_t count = Count("material", kMaterialMin);
    TraceFormat("マテリアル数:%zu\r\n", count);
    r_.materials.resize(count);
    for (PMXMaterial& m : r_.materials) {
      ReadText(c_, r_.encoding, m.name);
      ReadText(c_, r_.encoding, m.englishName);
      m.diffuse = c_.Read<Float4>();
      m.specular = c_.Read<Float3>();
      m.specularPower = c_.ReadFloat();
      m.ambient = c_.Read<Float3>();
      m.drawFlags = c_.ReadU8();
      m.edgeColor = c_.Read<Float4>();
      m.edgeSize = c_.ReadFloat();
      TextureIndex(m.textureIndex);
      TextureIndex(m.sphereTextureIndex);
      m.sphereMode = c_.ReadU8();
      m.sharedToon = c_.ReadU8();
      if (m.sharedToon != 0) {
        m.toon = c_.ReadI8();
      } else {
        TextureIndex(m.toon);
      }
      ReadText(c_, r_.encoding, m.memo);
      m.indexCount = c_.ReadI32();
      if (TraceEnabled()) {
        TraceFormat("%s 頂点数:%d テクスチャindex:%d\r\n", Utf16ToUtf8(m.name).c_str(),
                    m.indexCount, m.textureIndex);
      }
    }
  }

  void ReadBones() {
    const std::size_t boneSize = ValidIndexSize(r_.boneIndexSize) ? r_.boneIndexSize : 1;
    const std::size_t count = Count("bone", 2 * kTextMin + 12 + boneSize + 4 + 2 + 12);
    TraceFormat("ボーン数: %zu\r\n", count);
    r_.bones.resize(count);
    for (PMXBone& b : r_.bones) {
      ReadText(c_, r_.encoding, b.name);
      ReadText(c_, r_.encoding, b.englishName);
      b.position = c_.Read<Float3>();
      b.parent = BoneIndex();
      b.deformLayer = c_.ReadI32();
      b.flags = c_.ReadU16();
      const std::uint16_t f = b.flags;
      b.tailIsBone = (f & kBoneTailIsBone) != 0;
      b.rotatable = (f & kBoneRotatable) != 0;
      b.movable = (f & kBoneMovable) != 0;
      b.visible = (f & kBoneVisible) != 0;
      b.operable = (f & kBoneOperable) != 0;
      b.ik = (f & kBoneIk) != 0;
      b.localGrant = (f & kBoneLocalGrant) != 0;
      b.rotationGrant = (f & kBoneRotationGrant) != 0;
      b.translationGrant = (f & kBoneTranslationGrant) != 0;
      b.fixedAxis = (f & kBoneFixedAxis) != 0;
      b.localAxes = (f & kBoneLocalAxes) != 0;
      b.deformAfterPhysics = (f & kBoneDeformAfterPhysics) != 0;
      b.externalParent = (f & kBoneExternalParent) != 0;
      if (b.tailIsBone) {
        b.tailBone = BoneIndex();
      } else {
        b.tailOffset = c_.Read<Float3>();
      }
      if (b.rotationGrant || b.translationGrant) {
        b.grantParent = BoneIndex();
        b.grantRate = c_.ReadFloat();
      }
      if (b.fixedAxis) b.fixedAxisVector = c_.Read<Float3>();
      if (b.localAxes) {
        b.localXAxis = c_.Read<Float3>();
        b.localZAxis = c_.Read<Float3>();
      }
      if (b.externalParent) b.externalParentKey = c_.ReadI32();
      if (b.ik) {
        b.ikTarget = BoneIndex();
        b.ikLoopCount = c_.ReadI32();
        b.ikLimitAngle = c_.ReadFloat();
        b.ikLinkCount = static_cast<std::int32_t>(Count("IK link", boneSize + 1));
        TraceFormat("IKリンク数 %d\r\n", b.ikLinkCount);
        b.ikLinks.resize(static_cast<std::size_t>(b.ikLinkCount));
        for (PMXIKLink& link : b.ikLinks) {
          link.bone = BoneIndex();
          link.hasLimits = c_.ReadU8() != 0;
          if (link.hasLimits) {
            link.lowerLimit = c_.Read<Float3>();
            link.upperLimit = c_.Read<Float3>();
          }
        }
      }
      if (TraceEnabled()) {
        TraceFormat("%s(%s) %d\r\n", Utf16ToUtf8(b.name).c_str(),
                    Utf16ToUtf8(b.englishName).c_str(), b.parent);
      }
    }
  }

  template <typename T, typename ReadOne>
  void Offsets(std::vector<T>& list, std::size_t count, std::size_t elementSize, ReadOne readOne) {
    c_.RequireList(count, elementSize);
    list.resize(count);
    for (T& entry : list) readOne(entry);
  }

  void ReadMorphs() {
    const std::size_t count = Count("morph", kMorphMin);
    TraceFormat("モーフ数: %zu\r\n", count);
    r_.morphs.resize(count);
    const std::size_t vSize = r_.vertexIndexSize;
    for (PMXMorph& m : r_.morphs) {
      ReadText(c_, r_.encoding, m.name);
      ReadText(c_, r_.encoding, m.englishName);
      m.panel = c_.ReadU8();
      m.kind = c_.ReadU8();
      const std::size_t n = Count("morph offset", 1);
      m.offsetCount = static_cast<std::int32_t>(n);
      switch (m.kind) {
        case kMorphGroup:
        case kMorphFlip:  // the same entries: a morph and its weight
          TraceFormat("%s %zu\n", m.kind == kMorphGroup ? "グループモーフ" : "フリップモーフ", n);
          Offsets(m.groupOffsets, n, 5, [this](PMXGroupOffset& o) {
            o.morphIndex = ReadIndex(c_, r_.morphIndexSize, true);
            o.weight = c_.ReadFloat();
          });
          break;
        case kMorphVertex:
          TraceFormat("頂点モーフ %zu\n", n);
          Offsets(m.vertexOffsets, n, vSize + 12, [this](PMXVertexOffset& o) {
            o.vertexIndex = static_cast<std::uint32_t>(ReadIndex(c_, r_.vertexIndexSize, false));
            o.translation = c_.Read<Float3>();
          });
          break;
        case kMorphBone:
          TraceFormat("ボーンモーフ %zu\n", n);
          Offsets(m.boneOffsets, n, 29, [this](PMXBoneOffset& o) {
            o.boneIndex = static_cast<std::uint32_t>(ReadIndex(c_, r_.boneIndexSize, false));
            const Float3 t = c_.Read<Float3>();
            o.translation = {t.x, t.y, t.z, 0.0f};
            o.rotation = c_.Read<Float4>();
          });
          break;
        case kMorphMaterial:
          if (TraceEnabled()) TraceFormat("マテリアルモーフ %s %zu\n", Utf16ToUtf8(m.name).c_str(), n);
          Offsets(m.materialOffsets, n, 114, [this](PMXMaterialOffset& o) {
            o.materialIndex = MaterialIndex();
            o.operation = c_.ReadU8();
            o.diffuse = c_.Read<Float4>();
            o.specular = c_.Read<Float3>();
            o.specularPower = c_.ReadFloat();
            o.ambient = c_.Read<Float3>();
            o.edgeColor = c_.Read<Float4>();
            o.edgeSize = c_.ReadFloat();
            o.textureTint = c_.Read<Float4>();
            o.sphereTextureTint = c_.Read<Float4>();
            o.toonTextureTint = c_.Read<Float4>();
          });
          break;
        case kMorphImpulse:
          TraceFormat("インパルスモーフ %zu\n", n);
          Offsets(m.impulseOffsets, n, 26, [this](PMXImpulseOffset& o) {
            o.bodyIndex = ReadIndex(c_, r_.rigidBodyIndexSize, true);
            o.local = c_.ReadU8() != 0;
            o.velocity = c_.Read<Float3>();
            o.torque = c_.Read<Float3>();
          });
          break;
        default:
          if (m.kind >= kMorphUv && m.kind <= kMorphAdditionalUv4) {
            TraceFormat("UVモーフ %zu\n", n);
            Offsets(m.uvOffsets, n, vSize + 16, [this](PMXUvOffset& o) {
              o.vertexIndex = static_cast<std::uint32_t>(ReadIndex(c_, r_.vertexIndexSize, false));
              o.offset = c_.Read<Float4>();
            });
          } else {
            Refuse("morph kind " + std::to_string(m.kind));
          }
      }
    }
  }

  // Material indices widen unsigned, except that the all-ones value of any
  // width is -1 (0xFFFFFFFF), "all materials", as files write it.
  std::uint32_t MaterialIndex() {
    const int size = r_.materialIndexSize;
    const auto index = static_cast<std::uint32_t>(ReadIndex(c_, size, false));
    if ((size == 1 && index == 0xFFu) || (size == 2 && index == 0xFFFFu)) return 0xFFFFFFFFu;
    return index;
  }

  BinaryCursor& c_;
  PMXModel& r_;
  bool pastIndices_ = false;
};

bool FaceIndicesNameVertices(const PMXModel& r) {
  for (std::int32_t index : r.indices) {
    if (index < 0 || static_cast<std::size_t>(index) >= r.vertices.size()) return false;
  }
  return true;
}

// Some writers put 2- or 4-byte bone references in the vertices while the
// header says narrower. When a file fails to read in its vertices or face
// indices, the wider widths are tried; one is taken when the whole file then
// reads and its face indices name its vertices.
bool ReadWithWiderVertexBones(std::span<const std::uint8_t> data, PMXModel& record) {
  const std::uint8_t headerWidth = record.boneIndexSize;
  if (headerWidth != 1 && headerWidth != 2) return false;
  for (const std::uint8_t wider : {std::uint8_t{2}, std::uint8_t{4}}) {
    if (wider <= headerWidth) continue;
    PMXModel attempt;
    attempt.vertexBoneIndexSize = wider;
    BinaryCursor cursor(data);
    try {
      PmxReader(cursor, attempt).Read();
    } catch (const FormatRefused&) {
      continue;
    } catch (const FileEndsEarly&) {
      continue;
    }
    if (!FaceIndicesNameVertices(attempt)) continue;
    TraceFormat("vertex bone references are %u bytes wide\n", wider);
    record = std::move(attempt);
    return true;
  }
  return false;
}

}  // namespace

int PMXDecoder::Read(std::span<const std::uint8_t> data, PMXModel& record) {
  BinaryCursor cursor(data);
  PmxReader reader(cursor, record);
  try {
    try {
      reader.Read();
    } catch (const std::exception&) {
      if (reader.pastIndices() || !ReadWithWiderVertexBones(data, record)) throw;
    }
  } catch (const FormatRefused& refused) {
    record.formatError = refused.what();
    TraceFormat("PMX refused: %s\n", refused.what());
    return FormatError;
  }
  return FileRead;
}

int PMXDecoder::ReadFile(const std::u16string& path, std::shared_ptr<PMXModel>& record) {
  if (!record) record = std::make_shared<PMXModel>();
  MappedFile file;
  const int opened = OpenForDecoding(path, kMaxModelFileBytes, "model", file, record->formatError);
  return opened == FileRead ? Read(file.bytes(), *record) : opened;
}

int PMXDecoder::Decode(const char16_t* path, std::shared_ptr<Model>& model) {
  const std::u16string pathText = path != nullptr ? path : u"";
  auto record = std::make_shared<PMXModel>();
  const int result = ReadFile(pathText, record);
  if (result != FileRead) return result;
  if (!model) model = std::make_shared<Model>();
  model->path = pathText;
  return BuildModel(record, model);
}

int PMXDecoder::Decode(const std::u16string& path, std::shared_ptr<Model>& model) {
  return Decode(path.c_str(), model);
}

}  // namespace brivonel
