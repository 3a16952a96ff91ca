// Reading a VMD file into a VMDMotion. Nothing is refused: a bone or morph
// record cut off by the end of the file keeps zeros in the fields that were
// not there, and counts read past the end are 0. Records that would start
// past the end of the file are not created, so a huge count in a short file
// allocates nothing. Property keys come after the camera, light and
// self-shadow sections; a file that ends before them, or in them, has none,
// and only whole property keys are kept (a cut one would switch IK off by
// its missing bytes).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

#include "base/trace.h"
#include "formats/binary_cursor.h"
#include "formats/text_encoding.h"
#include "formats/vmd_decoder.h"

namespace brivonel {
namespace {

std::string_view NameBytes(const std::uint8_t (&name)[16]) {
  return {reinterpret_cast<const char*>(name), 15};
}

// Number of records of recordSize bytes that begin before the end of the file.
std::size_t PresentRecords(const BinaryCursor& c, std::uint32_t count, std::size_t recordSize) {
  const std::size_t present = (c.remaining() + recordSize - 1) / recordSize;
  return count < present ? count : present;
}

std::uint32_t ReadCount(BinaryCursor& c) {
  std::uint32_t count = 0;
  std::uint8_t bytes[4] = {};
  if (c.ReadAvailable(bytes, 4) == 4) std::memcpy(&count, bytes, 4);
  return count;
}

// Fields of a record in file order; once the file ends every later field
// keeps its zero value.
template <typename T>
void Field(BinaryCursor& c, T& field) {
  c.ReadAvailable(&field, sizeof field);
}

// Names converted once each: a motion names a few hundred bones and morphs
// over thousands of keys, usually a bone's keys one after another. The
// 16-byte name fields (15 bytes and a zero) are compared and hashed as two
// 64-bit words.
class NameConverter {
 public:
  const std::u16string& Convert(const std::uint8_t (&field)[16]) {
    Field key;
    std::memcpy(key.words, field, sizeof key.words);
    if (last_ != nullptr && key == lastKey_) return *last_;
    auto [it, added] = names_.try_emplace(key);
    if (added) ShiftJisToWide(NameBytes(field), it->second);
    lastKey_ = key;
    last_ = &it->second;
    return it->second;
  }

 private:
  struct Field {
    std::uint64_t words[2] = {};
    friend bool operator==(const Field&, const Field&) = default;
  };
  struct FieldHash {
    std::size_t operator()(const Field& f) const noexcept {
      const std::uint64_t mixed = (f.words[0] ^ (f.words[1] * 0x9E3779B97F4A7C15ull)) * 0xBF58476D1CE4E5B9ull;
      return static_cast<std::size_t>(mixed ^ (mixed >> 31));
    }
  };
  std::unordered_map<Field, std::u16string, FieldHash> names_;
  Field lastKey_;
  const std::u16string* last_ = nullptr;
};

// Passes over a section of count and records; false when the file ends
// before its count or inside its records.
bool SkipSection(BinaryCursor& c, std::size_t recordSize) {
  if (c.remaining() < 4) return false;
  const std::uint32_t count = c.ReadU32();
  if (count > c.remaining() / recordSize) return false;
  c.Skip(count * recordSize);
  return true;
}

// Property keys up to the first that the file does not hold whole. Lists are
// checked against the bytes left before anything is made for them.
void ReadPropertyFrames(BinaryCursor& c, VMDMotion& motion) {
  if (c.remaining() < 4) return;
  const std::uint32_t count = c.ReadU32();
  motion.propertyFrames.reserve(std::min<std::size_t>(count, c.remaining() / kVmdPropertyKeyBytes));
  for (std::uint32_t k = 0; k < count && c.remaining() >= kVmdPropertyKeyBytes; ++k) {
    VMDPropertyFrame key;
    key.frame = c.ReadU32();
    key.shown = c.ReadU8();
    key.switchCount = c.ReadU32();
    if (key.switchCount > c.remaining() / kVmdIkSwitchBytes) break;
    key.firstSwitch = static_cast<std::uint32_t>(motion.ikSwitches.size());
    for (std::uint32_t i = 0; i < key.switchCount; ++i) {
      VMDIkSwitch& s = motion.ikSwitches.emplace_back();
      c.ReadBytes(s.nameSjis, 20);
      s.enabled = c.ReadU8();
      ShiftJisToWide(std::string_view(reinterpret_cast<const char*>(s.nameSjis), 20), s.name);
    }
    motion.propertyFrames.push_back(key);
  }
}

}  // namespace

int VMDDecoder::Read(std::span<const std::uint8_t> data, VMDMotion& motion) {
  BinaryCursor c(data);
  NameConverter names;
  Field(c, motion.header);
  Field(c, motion.modelName);

  // Records are made one by one as they are read (a list sized up front
  // would be written twice).
  const std::uint32_t boneCount = ReadCount(c);
  const std::size_t boneRecords = PresentRecords(c, boneCount, kVmdBoneRecordBytes);
  motion.boneFrames.clear();
  motion.boneFrames.reserve(boneRecords);
  for (std::size_t k = 0; k < boneRecords; ++k) {
    VMDBoneFrame& f = motion.boneFrames.emplace_back();
    c.ReadAvailable(f.nameSjis, 15);
    Field(c, f.frame);
    Field(c, f.translation);
    Field(c, f.rotation);
    Field(c, f.interpolation);
    f.name = names.Convert(f.nameSjis);
  }
  TraceFormat("BoneAnimationKey num %u vector size %zu\n", boneCount, motion.boneFrames.size());

  const std::uint32_t morphCount = ReadCount(c);
  const std::size_t morphRecords = PresentRecords(c, morphCount, kVmdMorphRecordBytes);
  motion.morphFrames.clear();
  motion.morphFrames.reserve(morphRecords);
  for (std::size_t k = 0; k < morphRecords; ++k) {
    VMDMorphFrame& f = motion.morphFrames.emplace_back();
    c.ReadAvailable(f.nameSjis, 15);
    Field(c, f.frame);
    Field(c, f.weight);
    f.name = names.Convert(f.nameSjis);
  }
  TraceFormat("Skin num %u vector size %zu\n", morphCount, motion.morphFrames.size());

  motion.propertyFrames.clear();
  motion.ikSwitches.clear();
  if (SkipSection(c, kVmdCameraRecordBytes) && SkipSection(c, kVmdLightRecordBytes) &&
      SkipSection(c, kVmdSelfShadowRecordBytes))
    ReadPropertyFrames(c, motion);
  TraceFormat("Property num %zu, IK switches %zu\n", motion.propertyFrames.size(), motion.ikSwitches.size());
  return FileRead;
}

int VMDDecoder::ReadFile(const std::u16string& path, std::shared_ptr<VMDMotion>& motion) {
  if (!motion) motion = std::make_shared<VMDMotion>();
  MappedFile file;
  const int opened = OpenForDecoding(path, kMaxMotionFileBytes, "motion", file, motion->formatError);
  if (opened != FileRead) return opened;
  // A file without the header is no motion (a model, a picture picked by
  // mistake): read as one, it would be an empty dance and a still figure.
  if (!HasVmdHeader(file.bytes())) {
    motion->formatError = "not a VMD motion";
    return FormatError;
  }
  return Read(file.bytes(), *motion);
}

bool VMDDecoder::HasVmdHeader(std::span<const std::uint8_t> data) {
  // "Vocaloid Motion Data 0002", the older "... file", and writers that end
  // the text there (a NUL after "Data") all start so.
  constexpr std::string_view kStart = "Vocaloid Motion Data";
  return data.size() >= kStart.size() &&
         std::equal(kStart.begin(), kStart.end(), data.begin(),
                    [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

int VMDDecoder::Decode(const std::u16string& path, std::shared_ptr<Animation> animation,
                       const std::vector<Bone>& modelBones) {
  auto motion = std::make_shared<VMDMotion>();
  const int result = ReadFile(path, motion);
  if (result != FileRead) return result;
  return BuildAnimation(motion, std::move(animation), modelBones);
}

}  // namespace brivonel
