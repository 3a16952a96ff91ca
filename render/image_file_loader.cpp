// The general image loader: the platform front installs the codec loader
// (the imaging component on Windows, codec libraries on Linux); and the
// choice of loader by extension.
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

HResult LoadTextureFile(std::u16string_view path, TextureMetadata* metadata, LoadedImage& image) {
  const std::size_t dot = path.rfind(u'.');
  const std::u16string_view extension =
      dot == std::u16string_view::npos ? std::u16string_view() : path.substr(dot);
  if (extension == u".dds") return LoadDdsFile(path, 0, metadata, image);
  if (extension == u".tga") return LoadTgaFile(path, metadata, image);
  return LoadImageFile(path, 0, metadata, image);
}

}  // namespace brivonel
