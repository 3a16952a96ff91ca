#pragma once
// The DDS pixel-format block and the table that maps the legacy (pre-DX10)
// descriptions onto DXGI formats, with what must happen to the pixels.
#include <cstdint>

#include "render/dxgi_format.h"

namespace brivonel {

// Pixel-format flags of the DDS header.
enum DdsPixelFlag : std::uint32_t {
  kDdpfAlphaPixels = 0x1,
  kDdpfAlpha = 0x2,
  kDdpfFourCC = 0x4,
  kDdpfPaletteIndexed8 = 0x20,
  kDdpfRgb = 0x40,
  kDdpfLuminance = 0x20000,
  kDdpfBumpDuDv = 0x80000,
};

constexpr std::uint32_t MakeFourCC(char a, char b, char c, char d) {
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(a)) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(b)) << 8) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(c)) << 16) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(d)) << 24);
}

struct DdsPixelFormat {
  std::uint32_t flags = 0;
  std::uint32_t fourCC = 0;
  std::uint32_t bitCount = 0;
  std::uint32_t redMask = 0;
  std::uint32_t greenMask = 0;
  std::uint32_t blueMask = 0;
  std::uint32_t alphaMask = 0;
};

// How stored legacy pixels become the result format.
enum class LegacyExpansion : std::uint8_t {
  None,
  Bgr888,        // 24-bit blue, green, red -> R8G8B8A8 with alpha 255
  Argb8332,      // 16-bit 3:3:2 colour + 8-bit alpha -> R8G8B8A8
  Rgb332,        // 8-bit 3:3:2 -> B5G6R5
  PaletteIndex,  // 8-bit index -> R8G8B8A8 palette entry
  PaletteIndexAlpha,  // 16-bit index + alpha -> R8G8B8A8
  LuminanceAlpha44,   // 8-bit 4:4 -> B4G4R4A4
};

enum LegacyHandling : std::uint8_t {
  kLegacyNoAlpha = 0x1,        // set every pixel's alpha to opaque
  kLegacySwizzle = 0x2,        // exchange red and blue (byte pairs for YUY2)
  kLegacyPremultiplied = 0x4,  // alpha mode premultiplied
};

struct LegacyDdsFormat {
  std::uint32_t flags;
  std::uint32_t codeOrBits;  // four-character code for kDdpfFourCC rows, else bit count
  std::uint32_t masks[4];    // red, green, blue, alpha
  DxgiFormat format;
  LegacyExpansion expansion;
  std::uint8_t handling;
  // Bits per stored pixel for expansion rows.
  unsigned StoredBits() const;
  bool IsPalette() const {
    return expansion == LegacyExpansion::PaletteIndex ||
           expansion == LegacyExpansion::PaletteIndexAlpha;
  }
};

// The first matching row, or nullptr when no row matches.
const LegacyDdsFormat* MatchLegacyDdsFormat(const DdsPixelFormat& pixelFormat);

}  // namespace brivonel
