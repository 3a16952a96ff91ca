#pragma once
// Pixel formats by their DXGI numbers, the numbering textures are described
// with everywhere in the program (files, metadata, GPU interface).
#include <cstdint>

namespace brivonel {

enum class DxgiFormat : std::uint32_t {
  Unknown = 0,
  R32G32B32A32_FLOAT = 2,
  R32G32B32A32_UINT = 3,
  R32G32B32_FLOAT = 6,
  R16G16B16A16_FLOAT = 10,
  R16G16B16A16_UNORM = 11,
  R16G16B16A16_SNORM = 13,
  R32G32_FLOAT = 16,
  R10G10B10A2_UNORM = 24,
  R8G8B8A8_UNORM = 28,
  R8G8B8A8_UNORM_SRGB = 29,
  R8G8B8A8_UINT = 30,
  R8G8B8A8_SNORM = 31,
  R16G16_FLOAT = 34,
  R16G16_UNORM = 35,
  R16G16_SNORM = 37,
  D32_FLOAT = 40,
  R32_FLOAT = 41,
  R32_UINT = 42,
  D24_UNORM_S8_UINT = 45,
  R8G8_UNORM = 49,
  R8G8_SNORM = 51,
  R16_FLOAT = 54,
  R16_UNORM = 56,
  R16_UINT = 57,
  R8_UNORM = 61,
  A8_UNORM = 65,
  R1_UNORM = 66,
  R8G8_B8G8_UNORM = 68,
  G8R8_G8B8_UNORM = 69,
  BC1_UNORM = 71,
  BC1_UNORM_SRGB = 72,
  BC2_UNORM = 74,
  BC2_UNORM_SRGB = 75,
  BC3_UNORM = 77,
  BC3_UNORM_SRGB = 78,
  BC4_UNORM = 80,
  BC4_SNORM = 81,
  BC5_UNORM = 83,
  BC5_SNORM = 84,
  B5G6R5_UNORM = 85,
  B5G5R5A1_UNORM = 86,
  B8G8R8A8_UNORM = 87,
  B8G8R8X8_UNORM = 88,
  R10G10B10_XR_BIAS_A2_UNORM = 89,
  B8G8R8A8_UNORM_SRGB = 91,
  B8G8R8X8_UNORM_SRGB = 93,
  BC7_UNORM = 98,
  BC7_UNORM_SRGB = 99,
  YUY2 = 107,
  B4G4R4A4_UNORM = 115,
};

// Bits per pixel of a format (per texel for block-compressed formats: 4 for
// BC1 and BC4, 8 for the others); 0 for Unknown.
std::uint32_t DxgiBitsPerPixel(DxgiFormat format);
bool DxgiIsBlockCompressed(DxgiFormat format);
// Tightly packed bytes per row and number of rows (block rows for
// block-compressed formats) of one width x height image; false for Unknown.
bool DxgiImageLayout(DxgiFormat format, std::uint64_t width, std::uint64_t height,
                     std::uint64_t* rowBytes, std::uint64_t* rows);

}  // namespace brivonel
