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
// sizes as counts, then the later sections as editors write them for a
// model without display lists, English names or physics.
std::vector<std::uint8_t> WritePmd(const PMDModel& record);

// A bone named from UTF-16 text (Shift-JIS bytes, cut at 20).
PMDBone MakePmdBone(std::u16string_view name, const Float3& position,
                    std::uint16_t parent = 0xFFFF);

}  // namespace brivonel::writer
