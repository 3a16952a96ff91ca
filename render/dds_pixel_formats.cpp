#include "render/dds_pixel_formats.h"

namespace brivonel {
namespace {

using E = LegacyExpansion;
using F = DxgiFormat;

constexpr std::uint8_t kNoAlpha = kLegacyNoAlpha;
constexpr std::uint8_t kSwizzle = kLegacySwizzle;
constexpr std::uint8_t kPremul = kLegacyPremultiplied;

// Searched in order; the first match wins, so the order matters.
constexpr LegacyDdsFormat kLegacyFormats[] = {
    {0x4, MakeFourCC('D', 'X', 'T', '1'), {}, F::BC1_UNORM, E::None, 0},
    {0x4, MakeFourCC('D', 'X', 'T', '3'), {}, F::BC2_UNORM, E::None, 0},
    {0x4, MakeFourCC('D', 'X', 'T', '5'), {}, F::BC3_UNORM, E::None, 0},
    {0x4, MakeFourCC('D', 'X', 'T', '2'), {}, F::BC2_UNORM, E::None, kPremul},
    {0x4, MakeFourCC('D', 'X', 'T', '4'), {}, F::BC3_UNORM, E::None, kPremul},
    {0x4, MakeFourCC('B', 'C', '4', 'U'), {}, F::BC4_UNORM, E::None, 0},
    {0x4, MakeFourCC('B', 'C', '4', 'S'), {}, F::BC4_SNORM, E::None, 0},
    {0x4, MakeFourCC('B', 'C', '5', 'U'), {}, F::BC5_UNORM, E::None, 0},
    {0x4, MakeFourCC('B', 'C', '5', 'S'), {}, F::BC5_SNORM, E::None, 0},
    {0x4, MakeFourCC('A', 'T', 'I', '1'), {}, F::BC4_UNORM, E::None, 0},
    {0x4, MakeFourCC('A', 'T', 'I', '2'), {}, F::BC5_UNORM, E::None, 0},
    {0x4, MakeFourCC('R', 'G', 'B', 'G'), {}, F::R8G8_B8G8_UNORM, E::None, 0},
    {0x4, MakeFourCC('G', 'R', 'G', 'B'), {}, F::G8R8_G8B8_UNORM, E::None, 0},
    {0x41, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, F::B8G8R8A8_UNORM, E::None, 0},
    {0x40, 32, {0xFF0000, 0xFF00, 0xFF, 0}, F::B8G8R8X8_UNORM, E::None, 0},
    {0x41, 32, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}, F::R8G8B8A8_UNORM, E::None, 0},
    {0x40, 32, {0xFF, 0xFF00, 0xFF0000, 0}, F::R8G8B8A8_UNORM, E::None, kNoAlpha},
    {0x40, 32, {0xFFFF, 0xFFFF0000, 0, 0}, F::R16G16_UNORM, E::None, 0},
    {0x40, 32, {0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000}, F::R10G10B10A2_UNORM, E::None, kSwizzle},
    {0x40, 32, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}, F::R10G10B10A2_UNORM, E::None, 0},
    {0x40, 24, {0xFF0000, 0xFF00, 0xFF, 0}, F::R8G8B8A8_UNORM, E::Bgr888, 0},
    {0x40, 16, {0xF800, 0x7E0, 0x1F, 0}, F::B5G6R5_UNORM, E::None, 0},
    {0x41, 16, {0x7C00, 0x3E0, 0x1F, 0x8000}, F::B5G5R5A1_UNORM, E::None, 0},
    {0x40, 16, {0x7C00, 0x3E0, 0x1F, 0}, F::B5G5R5A1_UNORM, E::None, kNoAlpha},
    {0x40, 16, {0xE0, 0x1C, 0x3, 0xFF00}, F::R8G8B8A8_UNORM, E::Argb8332, 0},
    {0x40, 8, {0xE0, 0x1C, 0x3, 0}, F::B5G6R5_UNORM, E::Rgb332, 0},
    {0x20000, 8, {0xFF, 0, 0, 0}, F::R8_UNORM, E::None, 0},
    {0x20000, 16, {0xFFFF, 0, 0, 0}, F::R16_UNORM, E::None, 0},
    {0x20001, 16, {0xFF, 0, 0, 0xFF00}, F::R8G8_UNORM, E::None, 0},
    {0x2, 8, {0, 0, 0, 0xFF}, F::A8_UNORM, E::None, 0},
    {0x4, 36, {}, F::R16G16B16A16_UNORM, E::None, 0},
    {0x4, 110, {}, F::R16G16B16A16_SNORM, E::None, 0},
    {0x4, 111, {}, F::R16_FLOAT, E::None, 0},
    {0x4, 112, {}, F::R16G16_FLOAT, E::None, 0},
    {0x4, 113, {}, F::R16G16B16A16_FLOAT, E::None, 0},
    {0x4, 114, {}, F::R32_FLOAT, E::None, 0},
    {0x4, 115, {}, F::R32G32_FLOAT, E::None, 0},
    {0x4, 116, {}, F::R32G32B32A32_FLOAT, E::None, 0},
    {0x40, 32, {0xFFFFFFFF, 0, 0, 0}, F::R32_FLOAT, E::None, 0},
    {0x20, 16, {}, F::R8G8B8A8_UNORM, E::PaletteIndexAlpha, 0},
    {0x20, 8, {}, F::R8G8B8A8_UNORM, E::PaletteIndex, 0},
    {0x41, 16, {0xF00, 0xF0, 0xF, 0xF000}, F::B4G4R4A4_UNORM, E::None, 0},
    {0x40, 16, {0xF00, 0xF0, 0xF, 0}, F::B4G4R4A4_UNORM, E::None, kNoAlpha},
    {0x20000, 8, {0xF, 0, 0, 0xF0}, F::B4G4R4A4_UNORM, E::LuminanceAlpha44, 0},
    {0x4, MakeFourCC('Y', 'U', 'Y', '2'), {}, F::YUY2, E::None, 0},
    {0x4, MakeFourCC('U', 'Y', 'V', 'Y'), {}, F::YUY2, E::None, kSwizzle},
    {0x80000, 16, {0xFF, 0xFF00, 0, 0}, F::R8G8_SNORM, E::None, 0},
    {0x80000, 32, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}, F::R8G8B8A8_SNORM, E::None, 0},
    {0x80000, 32, {0xFFFF, 0xFFFF0000, 0, 0}, F::R16G16_SNORM, E::None, 0},
};
static_assert(sizeof(kLegacyFormats) / sizeof(kLegacyFormats[0]) == 49);

bool Matches(const LegacyDdsFormat& row, const DdsPixelFormat& pf) {
  if ((pf.flags & row.flags) == 0) return false;
  if ((row.flags & kDdpfFourCC) != 0) return pf.fourCC == row.codeOrBits;
  if ((row.flags & kDdpfPaletteIndexed8) != 0) return pf.bitCount == row.codeOrBits;
  return pf.bitCount == row.codeOrBits && pf.redMask == row.masks[0] &&
         pf.greenMask == row.masks[1] && pf.blueMask == row.masks[2] &&
         pf.alphaMask == row.masks[3];
}

}  // namespace

unsigned LegacyDdsFormat::StoredBits() const {
  switch (expansion) {
    case E::Bgr888: return 24;
    case E::Argb8332:
    case E::PaletteIndexAlpha: return 16;
    case E::Rgb332:
    case E::PaletteIndex:
    case E::LuminanceAlpha44: return 8;
    case E::None: break;
  }
  return 0;
}

const LegacyDdsFormat* MatchLegacyDdsFormat(const DdsPixelFormat& pixelFormat) {
  for (const LegacyDdsFormat& row : kLegacyFormats) {
    if (Matches(row, pixelFormat)) return &row;
  }
  return nullptr;
}

}  // namespace brivonel
