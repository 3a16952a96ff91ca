#pragma once
// The largest texture any loader decodes. A texture file says how big its
// picture is in a few header bytes, and run-length or deflate data can claim
// gigabytes in a file of kilobytes; every loader (and any new platform
// loader) checks the claimed size here before it allocates anything.
//
// The sizes are those Direct3D 11 accepts (feature level 11), which the GL
// backend shares; the byte bound keeps one texture from taking the memory of
// the whole machine even within them (16,384 x 16,384 RGBA32F is 4 GiB).
#include <cstdint>

#include "base/hresult.h"
#include "render/texture_image.h"

namespace brivonel {

constexpr std::uint64_t kMaxTextureSide = 16384;       // 1-D width, 2-D and cube width and height
constexpr std::uint64_t kMaxVolumeTextureSide = 2048;  // 3-D width, height and depth
constexpr std::uint64_t kMaxTextureArraySize = 2048;   // array slices (6 per cube)
constexpr std::uint64_t kMaxDecodedTextureBytes = std::uint64_t{1} << 30;  // 1 GiB
constexpr std::uint64_t kMaxTextureFileBytes = (std::uint64_t{1} << 32) - 1;  // below 4 GiB

// Whether a texture whose largest side (width, height, and depth of a 3-D
// one) is largestSide and that has arraySize slices is within the limits.
constexpr bool TextureSidesFit(std::uint64_t largestSide, bool volume, std::uint64_t arraySize) {
  return largestSide <= (volume ? kMaxVolumeTextureSide : kMaxTextureSide) &&
         arraySize <= kMaxTextureArraySize;
}

// kFileTooLarge when a side or the array size of the description is past the
// limits above, kSOk otherwise. Only the sizes are looked at.
HResult CheckTextureSides(const TextureMetadata& metadata);

// kFileTooLarge when one texture's decoded pixels would take more than
// kMaxDecodedTextureBytes.
constexpr HResult CheckDecodedBytes(std::uint64_t bytes) {
  return bytes > kMaxDecodedTextureBytes ? kFileTooLarge : kSOk;
}

}  // namespace brivonel
