#include "tools/snapshot/wic_png_writer.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <cstdio>

namespace brivonel::snapshot {
namespace {

using Microsoft::WRL::ComPtr;

std::string Failure(const char* step, HRESULT hr) {
  char text[96];
  std::snprintf(text, sizeof text, "cannot be written: %s failed (0x%08X)", step,
                static_cast<unsigned>(hr));
  return text;
}

// Every encoder takes 32-bit BGRA; RGBA is not offered everywhere.
std::vector<std::uint8_t> ToBgra(const std::vector<std::uint8_t>& rgba) {
  std::vector<std::uint8_t> bgra(rgba);
  for (std::size_t i = 0; i + 3 < bgra.size(); i += 4) std::swap(bgra[i], bgra[i + 2]);
  return bgra;
}

bool Encode(const std::filesystem::path& path, std::int32_t width, std::int32_t height,
            const std::vector<std::uint8_t>& rgba, std::string* error) {
  const auto fail = [error](const char* step, HRESULT hr) {
    *error = Failure(step, hr);
    return false;
  };
  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory));
  if (FAILED(hr)) return fail("creating the imaging factory", hr);
  ComPtr<IWICStream> stream;
  hr = factory->CreateStream(&stream);
  if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
  if (FAILED(hr)) return fail("creating the file", hr);
  ComPtr<IWICBitmapEncoder> encoder;
  hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
  if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
  if (FAILED(hr)) return fail("starting the PNG encoder", hr);
  ComPtr<IWICBitmapFrameEncode> frame;
  hr = encoder->CreateNewFrame(&frame, nullptr);
  if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
  if (SUCCEEDED(hr)) hr = frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height));
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
  if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA)) hr = E_NOTIMPL;
  if (FAILED(hr)) return fail("starting the frame", hr);
  std::vector<std::uint8_t> bgra = ToBgra(rgba);
  const UINT stride = static_cast<UINT>(width) * 4;
  hr = frame->WritePixels(static_cast<UINT>(height), stride, static_cast<UINT>(bgra.size()),
                          bgra.data());
  if (SUCCEEDED(hr)) hr = frame->Commit();
  if (SUCCEEDED(hr)) hr = encoder->Commit();
  if (FAILED(hr)) return fail("writing the pixels", hr);
  return true;
}

}  // namespace

bool WritePngWithWic(const std::filesystem::path& path, std::int32_t width, std::int32_t height,
                     const std::vector<std::uint8_t>& rgba, std::string* error) {
  // The stream closes the file when the encoder and stream are released,
  // before a failed file is removed.
  if (Encode(path, width, height, rgba, error)) return true;
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  return false;
}

}  // namespace brivonel::snapshot
