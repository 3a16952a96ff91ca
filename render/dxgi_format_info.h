#pragma once
// Facts about DXGI pixel formats that the texture code needs: validity, bits
// per pixel, block compression and the printable name.
#include <cstdint>
#include <string_view>

#include "render/dxgi_format.h"

namespace brivonel {

// Values 1 to 190 are the formats a texture description may carry.
constexpr bool IsValidDxgiFormat(std::uint32_t format) { return format >= 1 && format <= 190; }
// The four palette formats (AI44, IA44, P8, A8P8).
constexpr bool IsPaletteDxgiFormat(std::uint32_t format) { return format >= 111 && format <= 114; }

// Bits per pixel, or 0 for formats whose size is not defined here.
unsigned BitsPerPixel(DxgiFormat format);
// Bytes per 4x4 block for BC1 to BC7 (8 or 16), 0 for every other format.
unsigned BlockCompressedBytes(DxgiFormat format);
// "R8G8B8A8_UNORM" and the like; "UNKNOWN" for values without a name.
std::string_view DxgiFormatName(DxgiFormat format);

constexpr DxgiFormat ToDxgiFormat(std::uint32_t value) { return static_cast<DxgiFormat>(value); }
constexpr std::uint32_t ToUint(DxgiFormat format) { return static_cast<std::uint32_t>(format); }

}  // namespace brivonel
