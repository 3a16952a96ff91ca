#include "render/gl/gl_formats.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace brivonel::gl {

namespace {

GlFormat Plain(GLenum internalFormat, GLenum format, GLenum type, std::uint32_t bytes) {
  GlFormat info;
  info.internalFormat = internalFormat;
  info.format = format;
  info.type = type;
  info.uploadBytesPerPixel = bytes;
  return info;
}

GlFormat Compressed(GLenum internalFormat, Extension needs) {
  GlFormat info;
  info.internalFormat = internalFormat;
  info.compressed = true;
  info.needs = needs;
  return info;
}

GlFormat Converted(GlFormat info, Conversion conversion) {
  info.conversion = conversion;
  return info;
}

std::uint8_t ClampByte(float value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0.0f, 255.0f) + 0.5f);
}

void PutRgba(std::uint8_t* out, float r, float g, float b) {
  out[0] = ClampByte(r);
  out[1] = ClampByte(g);
  out[2] = ClampByte(b);
  out[3] = 255;
}

// BT.601 limited-range YUV to RGB.
void PutYuv(std::uint8_t* out, int y, int u, int v) {
  const float c = static_cast<float>(y - 16) * 1.164f;
  const float d = static_cast<float>(u - 128);
  const float e = static_cast<float>(v - 128);
  PutRgba(out, c + 1.596f * e, c - 0.392f * d - 0.813f * e, c + 2.017f * d);
}

}  // namespace

bool LookUpGlFormat(DxgiFormat format, GlFormat* info) {
  switch (format) {
    case DxgiFormat::R32G32B32A32_FLOAT:
      *info = Plain(GL_RGBA32F, GL_RGBA, GL_FLOAT, 16);
      return true;
    case DxgiFormat::R32G32B32A32_UINT:
      *info = Plain(GL_RGBA32UI, GL_RGBA_INTEGER, GL_UNSIGNED_INT, 16);
      return true;
    case DxgiFormat::R32G32B32_FLOAT:
      *info = Plain(GL_RGB32F, GL_RGB, GL_FLOAT, 12);
      return true;
    case DxgiFormat::R16G16B16A16_FLOAT:
      *info = Plain(GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, 8);
      return true;
    case DxgiFormat::R16G16B16A16_UNORM:
      *info = Plain(GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT, 8);
      return true;
    case DxgiFormat::R16G16B16A16_SNORM:
      *info = Plain(GL_RGBA16_SNORM, GL_RGBA, GL_SHORT, 8);
      return true;
    case DxgiFormat::R32G32_FLOAT:
      *info = Plain(GL_RG32F, GL_RG, GL_FLOAT, 8);
      return true;
    case DxgiFormat::R10G10B10A2_UNORM:
      *info = Plain(GL_RGB10_A2, GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV, 4);
      return true;
    case DxgiFormat::R8G8B8A8_UNORM:
      *info = Plain(GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4);
      return true;
    case DxgiFormat::R8G8B8A8_UNORM_SRGB:
      *info = Plain(GL_SRGB8_ALPHA8, GL_RGBA, GL_UNSIGNED_BYTE, 4);
      return true;
    case DxgiFormat::R8G8B8A8_UINT:
      *info = Plain(GL_RGBA8UI, GL_RGBA_INTEGER, GL_UNSIGNED_BYTE, 4);
      return true;
    case DxgiFormat::R8G8B8A8_SNORM:
      *info = Plain(GL_RGBA8_SNORM, GL_RGBA, GL_BYTE, 4);
      return true;
    case DxgiFormat::R16G16_FLOAT:
      *info = Plain(GL_RG16F, GL_RG, GL_HALF_FLOAT, 4);
      return true;
    case DxgiFormat::R16G16_UNORM:
      *info = Plain(GL_RG16, GL_RG, GL_UNSIGNED_SHORT, 4);
      return true;
    case DxgiFormat::R16G16_SNORM:
      *info = Plain(GL_RG16_SNORM, GL_RG, GL_SHORT, 4);
      return true;
    case DxgiFormat::D32_FLOAT:
      *info = Plain(GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, GL_FLOAT, 4);
      return true;
    case DxgiFormat::R32_FLOAT:
      *info = Plain(GL_R32F, GL_RED, GL_FLOAT, 4);
      return true;
    case DxgiFormat::R32_UINT:
      *info = Plain(GL_R32UI, GL_RED_INTEGER, GL_UNSIGNED_INT, 4);
      return true;
    case DxgiFormat::D24_UNORM_S8_UINT:
      *info = Converted(Plain(GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, 4),
                        Conversion::D24S8ToGl);
      return true;
    case DxgiFormat::R8G8_UNORM:
      *info = Plain(GL_RG8, GL_RG, GL_UNSIGNED_BYTE, 2);
      return true;
    case DxgiFormat::R8G8_SNORM:
      *info = Plain(GL_RG8_SNORM, GL_RG, GL_BYTE, 2);
      return true;
    case DxgiFormat::R16_FLOAT:
      *info = Plain(GL_R16F, GL_RED, GL_HALF_FLOAT, 2);
      return true;
    case DxgiFormat::R16_UNORM:
      *info = Plain(GL_R16, GL_RED, GL_UNSIGNED_SHORT, 2);
      return true;
    case DxgiFormat::R16_UINT:
      *info = Plain(GL_R16UI, GL_RED_INTEGER, GL_UNSIGNED_SHORT, 2);
      return true;
    case DxgiFormat::R8_UNORM:
      *info = Plain(GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1);
      return true;
    case DxgiFormat::A8_UNORM:
      *info = Plain(GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1);
      info->alphaOnly = true;
      return true;
    case DxgiFormat::R1_UNORM:
      *info = Converted(Plain(GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1), Conversion::R1ToR8);
      return true;
    case DxgiFormat::R8G8_B8G8_UNORM:
      *info = Converted(Plain(GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4), Conversion::RgbgToRgba8);
      return true;
    case DxgiFormat::G8R8_G8B8_UNORM:
      *info = Converted(Plain(GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4), Conversion::GrgbToRgba8);
      return true;
    case DxgiFormat::YUY2:
      *info = Converted(Plain(GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4), Conversion::Yuy2ToRgba8);
      return true;
    case DxgiFormat::BC1_UNORM:
      *info = Compressed(GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, Extension::S3tc);
      return true;
    case DxgiFormat::BC1_UNORM_SRGB:
      *info = Compressed(GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT1_EXT, Extension::S3tcSrgb);
      return true;
    case DxgiFormat::BC2_UNORM:
      *info = Compressed(GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, Extension::S3tc);
      return true;
    case DxgiFormat::BC2_UNORM_SRGB:
      *info = Compressed(GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT3_EXT, Extension::S3tcSrgb);
      return true;
    case DxgiFormat::BC3_UNORM:
      *info = Compressed(GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, Extension::S3tc);
      return true;
    case DxgiFormat::BC3_UNORM_SRGB:
      *info = Compressed(GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT5_EXT, Extension::S3tcSrgb);
      return true;
    case DxgiFormat::BC4_UNORM:
      *info = Compressed(GL_COMPRESSED_RED_RGTC1, Extension::None);
      return true;
    case DxgiFormat::BC4_SNORM:
      *info = Compressed(GL_COMPRESSED_SIGNED_RED_RGTC1, Extension::None);
      return true;
    case DxgiFormat::BC5_UNORM:
      *info = Compressed(GL_COMPRESSED_RG_RGTC2, Extension::None);
      return true;
    case DxgiFormat::BC5_SNORM:
      *info = Compressed(GL_COMPRESSED_SIGNED_RG_RGTC2, Extension::None);
      return true;
    case DxgiFormat::BC7_UNORM:
      *info = Compressed(GL_COMPRESSED_RGBA_BPTC_UNORM, Extension::Bptc);
      return true;
    case DxgiFormat::BC7_UNORM_SRGB:
      *info = Compressed(GL_COMPRESSED_SRGB_ALPHA_BPTC_UNORM, Extension::Bptc);
      return true;
    case DxgiFormat::B5G6R5_UNORM:
      *info = Plain(GL_RGB8, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 2);
      return true;
    case DxgiFormat::B5G5R5A1_UNORM:
      *info = Plain(GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2);
      return true;
    case DxgiFormat::B8G8R8A8_UNORM:
      *info = Plain(GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4);
      return true;
    case DxgiFormat::B8G8R8X8_UNORM:
      *info = Plain(GL_RGB8, GL_BGRA, GL_UNSIGNED_BYTE, 4);
      return true;
    case DxgiFormat::R10G10B10_XR_BIAS_A2_UNORM:
      *info = Converted(Plain(GL_RGBA32F, GL_RGBA, GL_FLOAT, 16), Conversion::XrBiasToRgba32f);
      return true;
    case DxgiFormat::B8G8R8A8_UNORM_SRGB:
      *info = Plain(GL_SRGB8_ALPHA8, GL_BGRA, GL_UNSIGNED_BYTE, 4);
      return true;
    case DxgiFormat::B8G8R8X8_UNORM_SRGB:
      *info = Plain(GL_SRGB8, GL_BGRA, GL_UNSIGNED_BYTE, 4);
      return true;
    case DxgiFormat::B4G4R4A4_UNORM:
      *info = Plain(GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, 2);
      return true;
    case DxgiFormat::Unknown:
      break;
  }
  return false;
}

void ConvertImage(Conversion conversion, const std::uint8_t* source, std::uint32_t rowPitch,
                  std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t>& out) {
  const std::size_t outBytes = conversion == Conversion::R1ToR8             ? 1
                               : conversion == Conversion::XrBiasToRgba32f ? 16
                                                                            : 4;
  out.assign(static_cast<std::size_t>(width) * height * outBytes, 0);
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = source + static_cast<std::size_t>(y) * rowPitch;
    std::uint8_t* target = out.data() + static_cast<std::size_t>(y) * width * outBytes;
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint8_t* pixel = target + static_cast<std::size_t>(x) * outBytes;
      const std::uint8_t* pair = row + (x / 2) * 4;  // the 32-bit group of two pixels
      switch (conversion) {
        case Conversion::RgbgToRgba8:  // bytes R, G0, B, G1
          PutRgba(pixel, pair[0], x % 2 == 0 ? pair[1] : pair[3], pair[2]);
          break;
        case Conversion::GrgbToRgba8:  // bytes G0, R, G1, B
          PutRgba(pixel, pair[1], x % 2 == 0 ? pair[0] : pair[2], pair[3]);
          break;
        case Conversion::Yuy2ToRgba8:  // bytes Y0, U, Y1, V
          PutYuv(pixel, x % 2 == 0 ? pair[0] : pair[2], pair[1], pair[3]);
          break;
        case Conversion::R1ToR8:
          pixel[0] = (row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
          break;
        case Conversion::XrBiasToRgba32f: {
          std::uint32_t packed;
          std::memcpy(&packed, row + static_cast<std::size_t>(x) * 4, 4);
          const float rgba[4] = {
              static_cast<float>(static_cast<int>(packed & 0x3FF) - 0x180) / 510.0f,
              static_cast<float>(static_cast<int>((packed >> 10) & 0x3FF) - 0x180) / 510.0f,
              static_cast<float>(static_cast<int>((packed >> 20) & 0x3FF) - 0x180) / 510.0f,
              static_cast<float>(packed >> 30) / 3.0f};
          std::memcpy(pixel, rgba, sizeof rgba);
          break;
        }
        case Conversion::D24S8ToGl: {
          std::uint32_t packed;
          std::memcpy(&packed, row + static_cast<std::size_t>(x) * 4, 4);
          const std::uint32_t gl = (packed & 0xFFFFFFu) << 8 | packed >> 24;
          std::memcpy(pixel, &gl, 4);
          break;
        }
        case Conversion::None:
          break;
      }
    }
  }
}

}  // namespace brivonel::gl
