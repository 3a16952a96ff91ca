#pragma once
// Writes VMD motion files from VMDMotion records, for tests and the sample
// character generator.
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "formats/vmd_records.h"

namespace brivonel::writer {

// The header (default "Vocaloid Motion Data 0002" when all zero), the model
// name, the bone and morph keyframes with the 15 name bytes of nameSjis,
// empty camera, light and shadow lists, and the property keys with their
// switches (20 name bytes each); a motion without property keys ends after
// the shadow list, as older editors write it.
std::vector<std::uint8_t> WriteVmd(const VMDMotion& motion);

// Keyframes named from UTF-16 text (nameSjis from the Shift-JIS bytes, cut
// at 15 bytes; name as given).
VMDBoneFrame MakeBoneFrame(std::u16string_view name, std::uint32_t frame,
                           const Float3& translation = {},
                           const Float4& rotation = {0.0f, 0.0f, 0.0f, 1.0f});
VMDMorphFrame MakeMorphFrame(std::u16string_view name, std::uint32_t frame, float weight);

// Appends a property key: the model shown or not from `frame`, and the IK of
// each named bone switched on or off.
struct IkSwitchOf {
  std::u16string_view bone;
  bool on = true;
};
void AddPropertyFrame(VMDMotion& motion, std::uint32_t frame, bool shown,
                      std::initializer_list<IkSwitchOf> switches = {});

}  // namespace brivonel::writer
