#include "render/windows/wic_pixel_formats.h"

#include <wincodec.h>

namespace brivonel::wic {
namespace {

using P = CodecPixelFormat;

struct Entry {
  CodecPixelFormat format;
  const GUID& guid;
};

const Entry kFormats[] = {
    {P::Rgba128Float, GUID_WICPixelFormat128bppRGBAFloat},
    {P::Rgba64Half, GUID_WICPixelFormat64bppRGBAHalf},
    {P::Rgba64, GUID_WICPixelFormat64bppRGBA},
    {P::Rgba32, GUID_WICPixelFormat32bppRGBA},
    {P::Bgra32, GUID_WICPixelFormat32bppBGRA},
    {P::Bgr32, GUID_WICPixelFormat32bppBGR},
    {P::Rgba1010102XR, GUID_WICPixelFormat32bppRGBA1010102XR},
    {P::Rgba1010102, GUID_WICPixelFormat32bppRGBA1010102},
    {P::Bgra5551, GUID_WICPixelFormat16bppBGRA5551},
    {P::Bgr565, GUID_WICPixelFormat16bppBGR565},
    {P::Gray32Float, GUID_WICPixelFormat32bppGrayFloat},
    {P::Gray16Half, GUID_WICPixelFormat16bppGrayHalf},
    {P::Gray16, GUID_WICPixelFormat16bppGray},
    {P::Gray8, GUID_WICPixelFormat8bppGray},
    {P::Alpha8, GUID_WICPixelFormat8bppAlpha},
    {P::BlackWhite, GUID_WICPixelFormatBlackWhite},
    {P::Rgb96Float, GUID_WICPixelFormat96bppRGBFloat},
    {P::Indexed1, GUID_WICPixelFormat1bppIndexed},
    {P::Indexed2, GUID_WICPixelFormat2bppIndexed},
    {P::Indexed4, GUID_WICPixelFormat4bppIndexed},
    {P::Indexed8, GUID_WICPixelFormat8bppIndexed},
    {P::Gray2, GUID_WICPixelFormat2bppGray},
    {P::Gray4, GUID_WICPixelFormat4bppGray},
    {P::Gray16FixedPoint, GUID_WICPixelFormat16bppGrayFixedPoint},
    {P::Gray32FixedPoint, GUID_WICPixelFormat32bppGrayFixedPoint},
    {P::Bgr555, GUID_WICPixelFormat16bppBGR555},
    {P::Bgr101010, GUID_WICPixelFormat32bppBGR101010},
    {P::Bgr24, GUID_WICPixelFormat24bppBGR},
    {P::Rgb24, GUID_WICPixelFormat24bppRGB},
    {P::Pbgra32, GUID_WICPixelFormat32bppPBGRA},
    {P::Prgba32, GUID_WICPixelFormat32bppPRGBA},
    {P::Rgb48, GUID_WICPixelFormat48bppRGB},
    {P::Bgr48, GUID_WICPixelFormat48bppBGR},
    {P::Bgra64, GUID_WICPixelFormat64bppBGRA},
    {P::Prgba64, GUID_WICPixelFormat64bppPRGBA},
    {P::Pbgra64, GUID_WICPixelFormat64bppPBGRA},
    {P::Rgb48FixedPoint, GUID_WICPixelFormat48bppRGBFixedPoint},
    {P::Bgr48FixedPoint, GUID_WICPixelFormat48bppBGRFixedPoint},
    {P::Rgba64FixedPoint, GUID_WICPixelFormat64bppRGBAFixedPoint},
    {P::Bgra64FixedPoint, GUID_WICPixelFormat64bppBGRAFixedPoint},
    {P::Rgb64FixedPoint, GUID_WICPixelFormat64bppRGBFixedPoint},
    {P::Rgb64Half, GUID_WICPixelFormat64bppRGBHalf},
    {P::Rgb48Half, GUID_WICPixelFormat48bppRGBHalf},
    {P::Prgba128Float, GUID_WICPixelFormat128bppPRGBAFloat},
    {P::Rgb128Float, GUID_WICPixelFormat128bppRGBFloat},
    {P::Rgba128FixedPoint, GUID_WICPixelFormat128bppRGBAFixedPoint},
    {P::Rgb128FixedPoint, GUID_WICPixelFormat128bppRGBFixedPoint},
    {P::Rgbe32, GUID_WICPixelFormat32bppRGBE},
    {P::Cmyk32, GUID_WICPixelFormat32bppCMYK},
    {P::Cmyk64, GUID_WICPixelFormat64bppCMYK},
    {P::CmykAlpha40, GUID_WICPixelFormat40bppCMYKAlpha},
    {P::CmykAlpha80, GUID_WICPixelFormat80bppCMYKAlpha},
    {P::Rgb32, GUID_WICPixelFormat32bppRGB},
    {P::Rgb64, GUID_WICPixelFormat64bppRGB},
    {P::Prgba64Half, GUID_WICPixelFormat64bppPRGBAHalf},
    {P::Rgb96FixedPoint, GUID_WICPixelFormat96bppRGBFixedPoint},
};

}  // namespace

CodecPixelFormat CodecPixelFormatOf(const GUID& format) {
  for (const Entry& entry : kFormats) {
    if (IsEqualGUID(entry.guid, format)) return entry.format;
  }
  return P::Unknown;
}

const GUID* PixelFormatGuid(CodecPixelFormat format) {
  for (const Entry& entry : kFormats) {
    if (entry.format == format) return &entry.guid;
  }
  return nullptr;
}

}  // namespace brivonel::wic
