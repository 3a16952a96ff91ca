#include "tools/inspect/vmd_layout.h"

#include <algorithm>
#include <cstring>

#include "formats/vmd_records.h"

namespace brivonel::tools {
namespace {

constexpr std::size_t kHeaderBytes = sizeof(VMDMotion::header);
constexpr std::size_t kModelNameBytes = sizeof(VMDMotion::modelName);
// "Vocaloid Motion Data 0002" and the older "... file" both start so.
constexpr char kHeaderStart[] = "Vocaloid Motion Data ";

std::uint32_t ReadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Reads a count at `at` and measures its records; false when the file ends
// before the count or inside the records (layout says where).
bool MeasureSection(std::span<const std::uint8_t> file, std::size_t& at, std::size_t recordBytes,
                    const char* countName, const char* recordsName, std::uint64_t& cut,
                    VmdLayout& layout) {
  if (file.size() - at < 4) {
    layout.endsInside = countName;
    return false;
  }
  const std::uint64_t count = ReadU32(file.data() + at);
  at += 4;
  const std::uint64_t whole = (file.size() - at) / recordBytes;
  if (count > whole) {
    layout.endsInside = recordsName;
    cut = count - whole;
    return false;
  }
  at += count * recordBytes;
  return true;
}

// The sections after the morph records, which older files leave out: the
// file may end before any count, but not inside a section.
bool MeasureOptionalSection(std::span<const std::uint8_t> file, std::size_t& at,
                            std::size_t recordBytes, const char* recordsName, VmdLayout& layout) {
  if (file.size() - at < 4) return false;
  std::uint64_t cut = 0;
  return MeasureSection(file, at, recordBytes, "", recordsName, cut, layout);
}

void MeasurePropertyKeys(std::span<const std::uint8_t> file, std::size_t at, VmdLayout& layout) {
  if (file.size() - at < 4) return;
  layout.propertySection = true;
  const std::uint64_t count = ReadU32(file.data() + at);
  at += 4;
  for (std::uint64_t k = 0; k < count; ++k) {
    if (file.size() - at < kVmdPropertyKeyBytes ||
        ReadU32(file.data() + at + 5) > (file.size() - at - kVmdPropertyKeyBytes) / kVmdIkSwitchBytes) {
      layout.endsInside = "property keys";
      layout.propertyKeysCut = count - k;
      return;
    }
    at += kVmdPropertyKeyBytes + ReadU32(file.data() + at + 5) * kVmdIkSwitchBytes;
  }
}

}  // namespace

VmdLayout MeasureVmdLayout(std::span<const std::uint8_t> file) {
  VmdLayout layout;
  const std::size_t headerBytes = std::min(file.size(), kHeaderBytes);
  for (std::size_t i = 0; i < headerBytes && file[i] != 0; ++i) {
    layout.header.push_back(file[i] >= 0x20 && file[i] < 0x7F ? static_cast<char>(file[i]) : '?');
  }
  layout.vmdHeader = layout.header.starts_with(kHeaderStart);
  if (file.size() < kHeaderBytes) {
    layout.endsInside = "header";
    return layout;
  }
  if (file.size() < kHeaderBytes + kModelNameBytes) {
    layout.endsInside = "model name";
    return layout;
  }
  std::size_t at = kHeaderBytes + kModelNameBytes;
  if (MeasureSection(file, at, kVmdBoneRecordBytes, "bone count", "bone records",
                     layout.boneRecordsCut, layout) &&
      MeasureSection(file, at, kVmdMorphRecordBytes, "morph count", "morph records",
                     layout.morphRecordsCut, layout) &&
      MeasureOptionalSection(file, at, kVmdCameraRecordBytes, "camera records", layout) &&
      MeasureOptionalSection(file, at, kVmdLightRecordBytes, "light records", layout) &&
      MeasureOptionalSection(file, at, kVmdSelfShadowRecordBytes, "self-shadow records", layout))
    MeasurePropertyKeys(file, at, layout);
  return layout;
}

}  // namespace brivonel::tools
