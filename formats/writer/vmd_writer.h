#pragma once
// Writes VMD motion files from VMDMotion records, for tests and the sample
// character generator.
#include <cstdint>
#include <string_view>
#include <vector>

#include "formats/vmd_records.h"

namespace brivonel::writer {

// The header (default "Vocaloid Motion Data 0002" when all zero), the model
// name, the bone and morph keyframes with the 15 name bytes of nameSjis, and
// empty camera, light and shadow lists.
std::vector<std::uint8_t> WriteVmd(const VMDMotion& motion);

// Keyframes named from UTF-16 text (nameSjis from the Shift-JIS bytes, cut
// at 15 bytes; name as given).
VMDBoneFrame MakeBoneFrame(std::u16string_view name, std::uint32_t frame,
                           const Float3& translation = {},
                           const Float4& rotation = {0.0f, 0.0f, 0.0f, 1.0f});
VMDMorphFrame MakeMorphFrame(std::u16string_view name, std::uint32_t frame, float weight);

}  // namespace brivonel::writer
