#pragma once
// The platform image codecs' pixel formats (by their published names) and
// how a decoded frame's format becomes a DXGI format: directly, or after a
// conversion to a format that has one. Shared by every platform's codec loader
// so that the same file gives the same texture format everywhere.
#include <string_view>

#include "base/hresult.h"
#include "render/dxgi_format.h"

namespace brivonel {

enum class CodecPixelFormat {
  Unknown,
  // Formats with a DXGI format of their own.
  Rgba128Float,        // 128bppRGBAFloat
  Rgba64Half,          // 64bppRGBAHalf
  Rgba64,              // 64bppRGBA
  Rgba32,              // 32bppRGBA
  Bgra32,              // 32bppBGRA
  Bgr32,               // 32bppBGR
  Rgba1010102XR,       // 32bppRGBA1010102XR
  Rgba1010102,         // 32bppRGBA1010102
  Bgra5551,            // 16bppBGRA5551
  Bgr565,              // 16bppBGR565
  Gray32Float,         // 32bppGrayFloat
  Gray16Half,          // 16bppGrayHalf
  Gray16,              // 16bppGray
  Gray8,               // 8bppGray
  Alpha8,              // 8bppAlpha
  BlackWhite,          // BlackWhite
  Rgb96Float,          // 96bppRGBFloat (direct only with the newer factory)
  // Formats that are converted first.
  Indexed1, Indexed2, Indexed4, Indexed8,
  Gray2, Gray4,
  Gray16FixedPoint, Gray32FixedPoint,
  Bgr555, Bgr101010,
  Bgr24, Rgb24, Pbgra32, Prgba32,
  Rgb48, Bgr48, Bgra64, Prgba64, Pbgra64,
  Rgb48FixedPoint, Bgr48FixedPoint, Rgba64FixedPoint, Bgra64FixedPoint, Rgb64FixedPoint,
  Rgb64Half, Rgb48Half,
  Prgba128Float, Rgb128Float, Rgba128FixedPoint, Rgb128FixedPoint, Rgbe32,
  Cmyk32, Cmyk64, CmykAlpha40, CmykAlpha80,
  Rgb32, Rgb64, Prgba64Half,
  Rgb96FixedPoint,
};

// "32bppBGRA" and the like.
std::string_view CodecPixelFormatName(CodecPixelFormat format);

struct TextureFormatChoice {
  DxgiFormat format = DxgiFormat::Unknown;
  // The pixel form the frame must be converted to; equal to the frame's own
  // format when no conversion is needed.
  CodecPixelFormat pixels = CodecPixelFormat::Unknown;
};

// The DXGI format for a frame's pixel format: the direct table, then the
// fixed-point 96-bit rule, then the conversion table; a 1-bit result becomes
// 8-bit grey. kNotSupported when nothing fits.
HResult ChooseTextureFormat(CodecPixelFormat frame, bool newerFactory, TextureFormatChoice* choice);

// The sRGB variant of a format, or the format itself when it has none.
DxgiFormat SrgbVariant(DxgiFormat format);

}  // namespace brivonel
