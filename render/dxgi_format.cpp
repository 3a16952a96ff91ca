#include "render/dxgi_format.h"

namespace brivonel {

std::uint32_t DxgiBitsPerPixel(DxgiFormat format) {
  switch (format) {
    case DxgiFormat::R32G32B32A32_FLOAT:
    case DxgiFormat::R32G32B32A32_UINT:
      return 128;
    case DxgiFormat::R32G32B32_FLOAT:
      return 96;
    case DxgiFormat::R16G16B16A16_FLOAT:
    case DxgiFormat::R16G16B16A16_UNORM:
    case DxgiFormat::R16G16B16A16_SNORM:
    case DxgiFormat::R32G32_FLOAT:
      return 64;
    case DxgiFormat::R10G10B10A2_UNORM:
    case DxgiFormat::R8G8B8A8_UNORM:
    case DxgiFormat::R8G8B8A8_UNORM_SRGB:
    case DxgiFormat::R8G8B8A8_UINT:
    case DxgiFormat::R8G8B8A8_SNORM:
    case DxgiFormat::R16G16_FLOAT:
    case DxgiFormat::R16G16_UNORM:
    case DxgiFormat::R16G16_SNORM:
    case DxgiFormat::D32_FLOAT:
    case DxgiFormat::R32_FLOAT:
    case DxgiFormat::R32_UINT:
    case DxgiFormat::D24_UNORM_S8_UINT:
    case DxgiFormat::R8G8_B8G8_UNORM:
    case DxgiFormat::G8R8_G8B8_UNORM:
    case DxgiFormat::B8G8R8A8_UNORM:
    case DxgiFormat::B8G8R8X8_UNORM:
    case DxgiFormat::R10G10B10_XR_BIAS_A2_UNORM:
    case DxgiFormat::B8G8R8A8_UNORM_SRGB:
    case DxgiFormat::B8G8R8X8_UNORM_SRGB:
      return 32;
    case DxgiFormat::R8G8_UNORM:
    case DxgiFormat::R8G8_SNORM:
    case DxgiFormat::R16_FLOAT:
    case DxgiFormat::R16_UNORM:
    case DxgiFormat::R16_UINT:
    case DxgiFormat::B5G6R5_UNORM:
    case DxgiFormat::B5G5R5A1_UNORM:
    case DxgiFormat::B4G4R4A4_UNORM:
    case DxgiFormat::YUY2:
      return 16;
    case DxgiFormat::R8_UNORM:
    case DxgiFormat::A8_UNORM:
    case DxgiFormat::BC2_UNORM:
    case DxgiFormat::BC2_UNORM_SRGB:
    case DxgiFormat::BC3_UNORM:
    case DxgiFormat::BC3_UNORM_SRGB:
    case DxgiFormat::BC5_UNORM:
    case DxgiFormat::BC5_SNORM:
    case DxgiFormat::BC7_UNORM:
    case DxgiFormat::BC7_UNORM_SRGB:
      return 8;
    case DxgiFormat::BC1_UNORM:
    case DxgiFormat::BC1_UNORM_SRGB:
    case DxgiFormat::BC4_UNORM:
    case DxgiFormat::BC4_SNORM:
      return 4;
    case DxgiFormat::R1_UNORM:
      return 1;
    case DxgiFormat::Unknown:
      break;
  }
  return 0;
}

bool DxgiIsBlockCompressed(DxgiFormat format) {
  switch (format) {
    case DxgiFormat::BC1_UNORM:
    case DxgiFormat::BC1_UNORM_SRGB:
    case DxgiFormat::BC2_UNORM:
    case DxgiFormat::BC2_UNORM_SRGB:
    case DxgiFormat::BC3_UNORM:
    case DxgiFormat::BC3_UNORM_SRGB:
    case DxgiFormat::BC4_UNORM:
    case DxgiFormat::BC4_SNORM:
    case DxgiFormat::BC5_UNORM:
    case DxgiFormat::BC5_SNORM:
    case DxgiFormat::BC7_UNORM:
    case DxgiFormat::BC7_UNORM_SRGB:
      return true;
    default:
      return false;
  }
}

bool DxgiImageLayout(DxgiFormat format, std::uint64_t width, std::uint64_t height,
                     std::uint64_t* rowBytes, std::uint64_t* rows) {
  const std::uint32_t bits = DxgiBitsPerPixel(format);
  if (bits == 0) return false;
  if (DxgiIsBlockCompressed(format)) {
    // 4x4 blocks of 8 bytes (BC1, BC4) or 16 bytes (the others).
    const std::uint64_t blockBytes = bits == 4 ? 8 : 16;
    *rowBytes = (width + 3) / 4 * blockBytes;
    *rows = (height + 3) / 4;
  } else if (format == DxgiFormat::R8G8_B8G8_UNORM || format == DxgiFormat::G8R8_G8B8_UNORM ||
             format == DxgiFormat::YUY2) {
    // Two pixels share one 32-bit group.
    *rowBytes = (width + 1) / 2 * 4;
    *rows = height;
  } else {
    *rowBytes = (width * bits + 7) / 8;
    *rows = height;
  }
  return true;
}

}  // namespace brivonel
