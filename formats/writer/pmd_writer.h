#pragma once
// Writes PMD files from PMDModel records, for tests and the sample character
// generator.
#include <cstdint>
#include <string_view>
#include <vector>

#include "formats/pmd_records.h"

namespace brivonel::writer {

// The header (magic "Pmd" and version 1.0 when left at zero), the vertices,
// indices, materials, bones, IK records and facial morphs with their list
// sizes as counts, then the whole trailer as editors write it: display
// lists, English names when the record has them, the toon file names (the
// shared toons' when the record has none), rigid bodies and joints.
std::vector<std::uint8_t> WritePmd(const PMDModel& record);

// A bone named from UTF-16 text (Shift-JIS bytes, cut at 20).
PMDBone MakePmdBone(std::u16string_view name, const Float3& position,
                    std::uint16_t parent = 0xFFFF);

}  // namespace brivonel::writer
