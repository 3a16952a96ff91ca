// Placeholder bodies until the DDS/TGA loaders and the texture view creation
// land; they refuse every file, so a present texture fails with 1104.
#include "render/texture_loaders.h"

namespace brivonel {

namespace {
ImageFileLoader g_imageFileLoader = nullptr;
}

HResult LoadDdsFile(std::u16string_view, unsigned, TextureMetadata*, LoadedImage& image) {
  image.Release();
  return kENotImpl;
}

HResult LoadTgaFile(std::u16string_view, TextureMetadata*, LoadedImage& image) {
  image.Release();
  return kENotImpl;
}

void SetImageFileLoader(ImageFileLoader loader) { g_imageFileLoader = loader; }

HResult LoadImageFile(std::u16string_view path, unsigned flags, TextureMetadata* metadata,
                      LoadedImage& image) {
  if (g_imageFileLoader == nullptr) {
    image.Release();
    return kENotImpl;
  }
  return g_imageFileLoader(path, flags, metadata, image);
}

HResult CreateTextureView(gpu::IGpuDevice*, const ImageRecord*, std::size_t,
                          const TextureMetadata&, std::shared_ptr<gpu::ShaderResourceView>*) {
  return kENotImpl;
}

}  // namespace brivonel
