// The general image loader: the platform front installs the codec loader
// (the imaging component on Windows, codec libraries on Linux).
#include "render/texture_loaders.h"

namespace brivonel {
namespace {
ImageFileLoader g_imageFileLoader = nullptr;
}

void SetImageFileLoader(ImageFileLoader loader) { g_imageFileLoader = loader; }

HResult LoadImageFile(std::u16string_view path, unsigned flags, TextureMetadata* metadata,
                      LoadedImage& image) {
  image.Release();
  if (path.empty()) return kEInvalidArg;
  // Without a codec loader no image container can be opened, which is what
  // the platform reports for a file no codec recognises.
  if (g_imageFileLoader == nullptr) return kCodecComponentNotFound;
  const HResult hr = g_imageFileLoader(path, flags, metadata, image);
  if (Failed(hr)) image.Release();
  return hr;
}

}  // namespace brivonel
