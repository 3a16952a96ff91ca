#include "render/windows/wic_image_loader.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <limits>
#include <string>

#include "render/image_codec_formats.h"
#include "render/texture_layout.h"
#include "render/texture_loaders.h"
#include "render/windows/wic_pixel_formats.h"

namespace brivonel {
namespace {

using Microsoft::WRL::ComPtr;

// Made on the first load and kept for the life of the process.
struct Factory {
  ComPtr<IWICImagingFactory> factory;
  bool newer = false;  // the second-generation factory (96-bit float RGB is direct)
};

HResult GetFactory(Factory** out) {
  static Factory shared;
  if (!shared.factory) {
    ComPtr<IWICImagingFactory2> second;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(&second)))) {
      shared.factory = second;
      shared.newer = true;
    } else if (FAILED(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_PPV_ARGS(&shared.factory)))) {
      return kENoInterface;
    }
  }
  *out = &shared;
  return kSOk;
}

// Whether the frame declares the sRGB colour space: a PNG through its sRGB
// chunk (any rendering intent), other containers through the colour-space
// tag. A query that finds nothing means "no", not a failure.
HResult DeclaresSrgb(IWICBitmapDecoder* decoder, IWICBitmapFrameDecode* frame, bool* srgb) {
  *srgb = false;
  GUID container{};
  if (const HRESULT hr = decoder->GetContainerFormat(&container); FAILED(hr)) return hr;
  ComPtr<IWICMetadataQueryReader> reader;
  const HRESULT hr = frame->GetMetadataQueryReader(&reader);
  if (hr == static_cast<HRESULT>(kCodecUnsupportedOperation)) return kSOk;  // no metadata
  if (FAILED(hr)) return hr;
  PROPVARIANT value;
  PropVariantInit(&value);
  if (IsEqualGUID(container, GUID_ContainerFormatPng)) {
    *srgb = SUCCEEDED(reader->GetMetadataByName(L"/sRGB/RenderingIntent", &value)) &&
            value.vt == VT_UI1;
  } else {
    *srgb = SUCCEEDED(reader->GetMetadataByName(L"System.Image.ColorSpace", &value)) &&
            value.vt == VT_UI2 && value.uiVal == 1;
  }
  PropVariantClear(&value);
  return kSOk;
}

bool FitsUint(std::uint64_t value) { return value <= std::numeric_limits<UINT>::max(); }

// Fills the one image from the frame, through a converter when the frame's
// pixel form has no texture format of its own.
HResult CopyFrame(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame,
                  const WICPixelFormatGUID& framePixels, CodecPixelFormat target,
                  const ImageRecord& record) {
  if (!FitsUint(record.rowPitch) || !FitsUint(record.slicePitch)) return kEArithmeticOverflow;
  const auto rowPitch = static_cast<UINT>(record.rowPitch);
  const auto size = static_cast<UINT>(record.slicePitch);
  const GUID* targetGuid = wic::PixelFormatGuid(target);
  if (targetGuid == nullptr || IsEqualGUID(*targetGuid, framePixels)) {
    return frame->CopyPixels(nullptr, rowPitch, size, record.pixels);
  }
  ComPtr<IWICFormatConverter> converter;
  if (const HRESULT hr = factory->CreateFormatConverter(&converter); FAILED(hr)) return hr;
  BOOL possible = FALSE;
  if (FAILED(converter->CanConvert(framePixels, *targetGuid, &possible)) || !possible) {
    return kEUnexpected;
  }
  if (const HRESULT hr = converter->Initialize(frame, *targetGuid, WICBitmapDitherTypeNone,
                                               nullptr, 0.0, WICBitmapPaletteTypeCustom);
      FAILED(hr)) {
    return hr;
  }
  return converter->CopyPixels(nullptr, rowPitch, size, record.pixels);
}

HResult Load(const std::wstring& path, TextureMetadata* metadataOut, LoadedImage& image) {
  Factory* shared = nullptr;
  if (const HResult hr = GetFactory(&shared); Failed(hr)) return hr;
  IWICImagingFactory* factory = shared->factory.Get();

  ComPtr<IWICBitmapDecoder> decoder;
  if (const HRESULT hr = factory->CreateDecoderFromFilename(
          path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &decoder);
      FAILED(hr)) {
    return hr;
  }
  ComPtr<IWICBitmapFrameDecode> frame;
  if (const HRESULT hr = decoder->GetFrame(0, &frame); FAILED(hr)) return hr;
  UINT width = 0;
  UINT height = 0;
  if (const HRESULT hr = frame->GetSize(&width, &height); FAILED(hr)) return hr;
  WICPixelFormatGUID framePixels{};
  if (const HRESULT hr = frame->GetPixelFormat(&framePixels); FAILED(hr)) return hr;

  TextureFormatChoice choice;
  if (const HResult hr =
          ChooseTextureFormat(wic::CodecPixelFormatOf(framePixels), shared->newer, &choice);
      Failed(hr)) {
    return hr;
  }
  bool srgb = false;
  if (const HResult hr = DeclaresSrgb(decoder.Get(), frame.Get(), &srgb); Failed(hr)) return hr;

  TextureMetadata md =
      SingleImageMetadata(width, height, srgb ? SrgbVariant(choice.format) : choice.format);
  if (const HResult hr = InitializeImage(md, image); Failed(hr)) return hr;
  if (const HResult hr = CopyFrame(factory, frame.Get(), framePixels, choice.pixels,
                                   image.images[0]);
      Failed(hr)) {
    return hr;
  }
  if (metadataOut != nullptr) *metadataOut = image.metadata;
  return kSOk;
}

}  // namespace

HResult LoadImageFileWithWic(std::u16string_view path, unsigned /*flags*/,
                             TextureMetadata* metadata, LoadedImage& image) {
  image.Release();
  if (path.empty()) return kEInvalidArg;
  const std::wstring widePath(path.begin(), path.end());
  const HResult hr = Load(widePath, metadata, image);
  if (Failed(hr)) image.Release();
  return hr;
}

void RegisterWicImageLoader() { SetImageFileLoader(&LoadImageFileWithWic); }

}  // namespace brivonel
