// Reading a VMD file into a VMDMotion. Nothing is refused: a record cut off
// by the end of the file keeps zeros in the fields that were not there, and
// counts read past the end are 0. Records that would start past the end of
// the file are not created, so a huge count in a short file allocates nothing.
#include <cstring>
#include <string>
#include <unordered_map>

#include "base/trace.h"
#include "formats/binary_cursor.h"
#include "formats/text_encoding.h"
#include "formats/vmd_decoder.h"

namespace brivonel {
namespace {

constexpr std::size_t kBoneFrameSize = 111;
constexpr std::size_t kMorphFrameSize = 23;

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
// over thousands of keys, usually a bone's keys one after another.
class NameConverter {
 public:
  const std::u16string& Convert(const std::uint8_t (&name)[16]) {
    const std::string_view bytes = NameBytes(name);
    if (last_ != nullptr && bytes == lastBytes_) return *last_;
    auto [it, added] = names_.try_emplace(std::string(bytes));
    if (added) ShiftJisToWide(bytes, it->second);
    lastBytes_ = it->first;
    last_ = &it->second;
    return it->second;
  }

 private:
  std::unordered_map<std::string, std::u16string> names_;
  std::string_view lastBytes_;
  const std::u16string* last_ = nullptr;
};

}  // namespace

int VMDDecoder::Read(std::span<const std::uint8_t> data, VMDMotion& motion) {
  BinaryCursor c(data);
  NameConverter names;
  Field(c, motion.header);
  Field(c, motion.modelName);

  const std::uint32_t boneCount = ReadCount(c);
  motion.boneFrames.resize(PresentRecords(c, boneCount, kBoneFrameSize));
  for (VMDBoneFrame& f : motion.boneFrames) {
    c.ReadAvailable(f.nameSjis, 15);
    Field(c, f.frame);
    Field(c, f.translation);
    Field(c, f.rotation);
    Field(c, f.interpolation);
    f.name = names.Convert(f.nameSjis);
  }
  TraceFormat("BoneAnimationKey num %u vector size %zu\n", boneCount, motion.boneFrames.size());

  const std::uint32_t morphCount = ReadCount(c);
  motion.morphFrames.resize(PresentRecords(c, morphCount, kMorphFrameSize));
  for (VMDMorphFrame& f : motion.morphFrames) {
    c.ReadAvailable(f.nameSjis, 15);
    Field(c, f.frame);
    Field(c, f.weight);
    f.name = names.Convert(f.nameSjis);
  }
  TraceFormat("Skin num %u vector size %zu\n", morphCount, motion.morphFrames.size());
  return FileRead;
}

int VMDDecoder::ReadFile(const std::u16string& path, std::shared_ptr<VMDMotion>& motion) {
  std::optional<FileBytes> file = ReadWholeFile(path);
  if (!file) return OpenFailed;
  if (!motion) motion = std::make_shared<VMDMotion>();
  return Read(file->bytes(), *motion);
}

int VMDDecoder::Decode(const std::u16string& path, std::shared_ptr<Animation> animation,
                       const std::vector<Bone>& modelBones) {
  auto motion = std::make_shared<VMDMotion>();
  const int result = ReadFile(path, motion);
  if (result != FileRead) return result;
  return BuildAnimation(motion, std::move(animation), modelBones);
}

}  // namespace brivonel
