#include "render/image_codec_formats.h"

namespace brivonel {
namespace {

using P = CodecPixelFormat;
using F = DxgiFormat;

struct DirectRow {
  P pixels;
  F format;
};

// Searched in order, first match wins.
constexpr DirectRow kDirect[] = {
    {P::Rgba128Float, F::R32G32B32A32_FLOAT},
    {P::Rgba64Half, F::R16G16B16A16_FLOAT},
    {P::Rgba64, F::R16G16B16A16_UNORM},
    {P::Rgba32, F::R8G8B8A8_UNORM},
    {P::Bgra32, F::B8G8R8A8_UNORM},
    {P::Bgr32, F::B8G8R8X8_UNORM},
    {P::Rgba1010102XR, F::R10G10B10_XR_BIAS_A2_UNORM},
    {P::Rgba1010102, F::R10G10B10A2_UNORM},
    {P::Bgra5551, F::B5G5R5A1_UNORM},
    {P::Bgr565, F::B5G6R5_UNORM},
    {P::Gray32Float, F::R32_FLOAT},
    {P::Gray16Half, F::R16_FLOAT},
    {P::Gray16, F::R16_UNORM},
    {P::Gray8, F::R8_UNORM},
    {P::Alpha8, F::A8_UNORM},
    {P::BlackWhite, F::R1_UNORM},
};

struct ConversionRow {
  P source;
  P target;
};

// 38 rows, searched in order.
constexpr ConversionRow kConversions[] = {
    {P::Indexed1, P::Rgba32},
    {P::Indexed2, P::Rgba32},
    {P::Indexed4, P::Rgba32},
    {P::Indexed8, P::Rgba32},
    {P::Gray2, P::Gray8},
    {P::Gray4, P::Gray8},
    {P::Gray16FixedPoint, P::Gray16Half},
    {P::Gray32FixedPoint, P::Gray32Float},
    {P::Bgr555, P::Bgra5551},
    {P::Bgr101010, P::Rgba1010102},
    {P::Bgr24, P::Rgba32},
    {P::Rgb24, P::Rgba32},
    {P::Pbgra32, P::Rgba32},
    {P::Prgba32, P::Rgba32},
    {P::Rgb48, P::Rgba64},
    {P::Bgr48, P::Rgba64},
    {P::Bgra64, P::Rgba64},
    {P::Prgba64, P::Rgba64},
    {P::Pbgra64, P::Rgba64},
    {P::Rgb48FixedPoint, P::Rgba64Half},
    {P::Bgr48FixedPoint, P::Rgba64Half},
    {P::Rgba64FixedPoint, P::Rgba64Half},
    {P::Bgra64FixedPoint, P::Rgba64Half},
    {P::Rgb64FixedPoint, P::Rgba64Half},
    {P::Rgb64Half, P::Rgba64Half},
    {P::Rgb48Half, P::Rgba64Half},
    {P::Prgba128Float, P::Rgba128Float},
    {P::Rgb128Float, P::Rgba128Float},
    {P::Rgba128FixedPoint, P::Rgba128Float},
    {P::Rgb128FixedPoint, P::Rgba128Float},
    {P::Rgbe32, P::Rgba128Float},
    {P::Cmyk32, P::Rgba32},
    {P::Cmyk64, P::Rgba64},
    {P::CmykAlpha40, P::Rgba64},
    {P::CmykAlpha80, P::Rgba64},
    {P::Rgb32, P::Rgba32},
    {P::Rgb64, P::Rgba64},
    {P::Prgba64Half, P::Rgba64Half},
};
static_assert(sizeof(kConversions) / sizeof(kConversions[0]) == 38);

F Direct(P pixels, bool newerFactory) {
  for (const DirectRow& row : kDirect) {
    if (row.pixels == pixels) return row.format;
  }
  if (newerFactory && pixels == P::Rgb96Float) return F::R32G32B32_FLOAT;
  return F::Unknown;
}

}  // namespace

std::string_view CodecPixelFormatName(CodecPixelFormat format) {
  switch (format) {
    case P::Unknown: return "DontCare";
    case P::Rgba128Float: return "128bppRGBAFloat";
    case P::Rgba64Half: return "64bppRGBAHalf";
    case P::Rgba64: return "64bppRGBA";
    case P::Rgba32: return "32bppRGBA";
    case P::Bgra32: return "32bppBGRA";
    case P::Bgr32: return "32bppBGR";
    case P::Rgba1010102XR: return "32bppRGBA1010102XR";
    case P::Rgba1010102: return "32bppRGBA1010102";
    case P::Bgra5551: return "16bppBGRA5551";
    case P::Bgr565: return "16bppBGR565";
    case P::Gray32Float: return "32bppGrayFloat";
    case P::Gray16Half: return "16bppGrayHalf";
    case P::Gray16: return "16bppGray";
    case P::Gray8: return "8bppGray";
    case P::Alpha8: return "8bppAlpha";
    case P::BlackWhite: return "BlackWhite";
    case P::Rgb96Float: return "96bppRGBFloat";
    case P::Indexed1: return "1bppIndexed";
    case P::Indexed2: return "2bppIndexed";
    case P::Indexed4: return "4bppIndexed";
    case P::Indexed8: return "8bppIndexed";
    case P::Gray2: return "2bppGray";
    case P::Gray4: return "4bppGray";
    case P::Gray16FixedPoint: return "16bppGrayFixedPoint";
    case P::Gray32FixedPoint: return "32bppGrayFixedPoint";
    case P::Bgr555: return "16bppBGR555";
    case P::Bgr101010: return "32bppBGR101010";
    case P::Bgr24: return "24bppBGR";
    case P::Rgb24: return "24bppRGB";
    case P::Pbgra32: return "32bppPBGRA";
    case P::Prgba32: return "32bppPRGBA";
    case P::Rgb48: return "48bppRGB";
    case P::Bgr48: return "48bppBGR";
    case P::Bgra64: return "64bppBGRA";
    case P::Prgba64: return "64bppPRGBA";
    case P::Pbgra64: return "64bppPBGRA";
    case P::Rgb48FixedPoint: return "48bppRGBFixedPoint";
    case P::Bgr48FixedPoint: return "48bppBGRFixedPoint";
    case P::Rgba64FixedPoint: return "64bppRGBAFixedPoint";
    case P::Bgra64FixedPoint: return "64bppBGRAFixedPoint";
    case P::Rgb64FixedPoint: return "64bppRGBFixedPoint";
    case P::Rgb64Half: return "64bppRGBHalf";
    case P::Rgb48Half: return "48bppRGBHalf";
    case P::Prgba128Float: return "128bppPRGBAFloat";
    case P::Rgb128Float: return "128bppRGBFloat";
    case P::Rgba128FixedPoint: return "128bppRGBAFixedPoint";
    case P::Rgb128FixedPoint: return "128bppRGBFixedPoint";
    case P::Rgbe32: return "32bppRGBE";
    case P::Cmyk32: return "32bppCMYK";
    case P::Cmyk64: return "64bppCMYK";
    case P::CmykAlpha40: return "40bppCMYKAlpha";
    case P::CmykAlpha80: return "80bppCMYKAlpha";
    case P::Rgb32: return "32bppRGB";
    case P::Rgb64: return "64bppRGB";
    case P::Prgba64Half: return "64bppPRGBAHalf";
    case P::Rgb96FixedPoint: return "96bppRGBFixedPoint";
  }
  return "DontCare";
}

HResult ChooseTextureFormat(CodecPixelFormat frame, bool newerFactory,
                            TextureFormatChoice* choice) {
  TextureFormatChoice result;
  result.format = Direct(frame, newerFactory);
  result.pixels = frame;
  if (result.format == F::Unknown && frame == P::Rgb96FixedPoint) {
    result.pixels = newerFactory ? P::Rgb96Float : P::Rgba128Float;
    result.format = newerFactory ? F::R32G32B32_FLOAT : F::R32G32B32A32_FLOAT;
  }
  if (result.format == F::Unknown) {
    for (const ConversionRow& row : kConversions) {
      if (row.source == frame) {
        result.pixels = row.target;
        result.format = Direct(row.target, newerFactory);
        break;
      }
    }
  }
  if (result.format == F::R1_UNORM) {
    result.format = F::R8_UNORM;
    result.pixels = P::Gray8;
  }
  if (result.format == F::Unknown) return kNotSupported;
  *choice = result;
  return kSOk;
}

DxgiFormat SrgbVariant(DxgiFormat format) {
  switch (format) {
    case F::R8G8B8A8_UNORM: return F::R8G8B8A8_UNORM_SRGB;
    case F::BC1_UNORM: return F::BC1_UNORM_SRGB;
    case F::BC2_UNORM: return F::BC2_UNORM_SRGB;
    case F::BC3_UNORM: return F::BC3_UNORM_SRGB;
    case F::B8G8R8A8_UNORM: return F::B8G8R8A8_UNORM_SRGB;
    case F::B8G8R8X8_UNORM: return F::B8G8R8X8_UNORM_SRGB;
    case F::BC7_UNORM: return F::BC7_UNORM_SRGB;
    default: return format;
  }
}

}  // namespace brivonel
