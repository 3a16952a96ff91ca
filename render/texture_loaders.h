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

// Results of the platform imaging component, reported alike by every codec
// loader so both platforms fail the same way on the same file.
constexpr HResult kCodecPropertyNotFound = static_cast<HResult>(0x88982F40u);
constexpr HResult kCodecComponentNotFound = static_cast<HResult>(0x88982F50u);  // no codec knows it
constexpr HResult kCodecBadImage = static_cast<HResult>(0x88982F60u);
constexpr HResult kCodecBadHeader = static_cast<HResult>(0x88982F61u);
constexpr HResult kCodecStreamRead = static_cast<HResult>(0x88982F72u);
constexpr HResult kCodecUnsupportedPixelFormat = static_cast<HResult>(0x88982F80u);
constexpr HResult kCodecUnsupportedOperation = static_cast<HResult>(0x88982F81u);

// Every other image format goes through the platform's codecs; the front
// installs its loader (the imaging component on Windows, codec libraries on
// Linux). Without one, LoadImageFile fails with kCodecComponentNotFound.
using ImageFileLoader = HResult (*)(std::u16string_view path, unsigned flags,
                                    TextureMetadata* metadata, LoadedImage& image);
void SetImageFileLoader(ImageFileLoader loader);
HResult LoadImageFile(std::u16string_view path, unsigned flags, TextureMetadata* metadata,
                      LoadedImage& image);

// Decodes a texture file with the loader its exact, case-sensitive extension
// picks: ".dds" and ".tga" their own, everything else the general image loader.
HResult LoadTextureFile(std::u16string_view path, TextureMetadata* metadata, LoadedImage& image);

HResult CreateTextureView(gpu::IGpuDevice* device, const ImageRecord* images,
                          std::size_t imageCount, const TextureMetadata& metadata,
                          std::shared_ptr<gpu::ShaderResourceView>* view);

}  // namespace brivonel
