#include "render/texture_pixel.h"

namespace brivonel {
namespace {

// Widens an n-bit field to 8 bits by repeating its bits.
std::uint8_t Widen(std::uint32_t value, unsigned bits) {
  std::uint32_t out = 0;
  for (int shift = 8 - static_cast<int>(bits); shift > -static_cast<int>(bits);
       shift -= static_cast<int>(bits)) {
    out |= shift >= 0 ? value << shift : value >> -shift;
  }
  return static_cast<std::uint8_t>(out & 0xFF);
}

}  // namespace

bool ReadPixelRgba8(const LoadedImage& image, std::uint64_t x, std::uint64_t y,
                    std::array<std::uint8_t, 4>* rgba) {
  if (image.images.empty() || image.pixels == nullptr) return false;
  const ImageRecord& record = image.images[0];
  if (x >= record.width || y >= record.height) return false;
  const std::uint8_t* row = record.pixels + y * record.rowPitch;
  auto u16 = [&](std::uint64_t at) { return static_cast<std::uint32_t>(row[at] | (row[at + 1] << 8)); };
  switch (record.format) {
    case DxgiFormat::R8G8B8A8_UNORM:
    case DxgiFormat::R8G8B8A8_UNORM_SRGB: {
      const std::uint8_t* p = row + x * 4;
      *rgba = {p[0], p[1], p[2], p[3]};
      return true;
    }
    case DxgiFormat::B8G8R8A8_UNORM:
    case DxgiFormat::B8G8R8A8_UNORM_SRGB:
    case DxgiFormat::B8G8R8X8_UNORM:
    case DxgiFormat::B8G8R8X8_UNORM_SRGB: {
      const std::uint8_t* p = row + x * 4;
      const bool opaque = record.format == DxgiFormat::B8G8R8X8_UNORM ||
                          record.format == DxgiFormat::B8G8R8X8_UNORM_SRGB;
      *rgba = {p[2], p[1], p[0], opaque ? std::uint8_t{255} : p[3]};
      return true;
    }
    case DxgiFormat::R8_UNORM:
      *rgba = {row[x], 0, 0, 255};
      return true;
    case DxgiFormat::A8_UNORM:
      *rgba = {0, 0, 0, row[x]};
      return true;
    case DxgiFormat::R8G8_UNORM:
      *rgba = {row[x * 2], row[x * 2 + 1], 0, 255};
      return true;
    case DxgiFormat::B5G6R5_UNORM: {
      const std::uint32_t v = u16(x * 2);
      *rgba = {Widen(v >> 11, 5), Widen((v >> 5) & 0x3F, 6), Widen(v & 0x1F, 5), 255};
      return true;
    }
    case DxgiFormat::B5G5R5A1_UNORM: {
      const std::uint32_t v = u16(x * 2);
      *rgba = {Widen((v >> 10) & 0x1F, 5), Widen((v >> 5) & 0x1F, 5), Widen(v & 0x1F, 5),
               static_cast<std::uint8_t>((v & 0x8000) != 0 ? 255 : 0)};
      return true;
    }
    case DxgiFormat::B4G4R4A4_UNORM: {
      const std::uint32_t v = u16(x * 2);
      *rgba = {Widen((v >> 8) & 0xF, 4), Widen((v >> 4) & 0xF, 4), Widen(v & 0xF, 4),
               Widen(v >> 12, 4)};
      return true;
    }
    default:
      return false;
  }
}

}  // namespace brivonel
