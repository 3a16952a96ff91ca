#pragma once
// Texture file loaders and the creation of a GPU texture view from decoded
// pixels. Failures are returned as HResult values and never thrown.
#include <cstddef>
#include <memory>
#include <string_view>

#include "base/hresult.h"
#include "render/gpu_device.h"
#include "render/texture_image.h"

namespace brivonel {

HResult LoadDdsFile(std::u16string_view path, unsigned flags, TextureMetadata* metadata,
                    LoadedImage& image);
HResult LoadTgaFile(std::u16string_view path, TextureMetadata* metadata, LoadedImage& image);

// Every other image format goes through the platform's codecs; the front
// installs its loader (WIC on Windows, codec libraries on Linux).
using ImageFileLoader = HResult (*)(std::u16string_view path, unsigned flags,
                                    TextureMetadata* metadata, LoadedImage& image);
void SetImageFileLoader(ImageFileLoader loader);
HResult LoadImageFile(std::u16string_view path, unsigned flags, TextureMetadata* metadata,
                      LoadedImage& image);

HResult CreateTextureView(gpu::IGpuDevice* device, const ImageRecord* images,
                          std::size_t imageCount, const TextureMetadata& metadata,
                          std::shared_ptr<gpu::ShaderResourceView>* view);

}  // namespace brivonel
