#pragma once
// How decoded texture pixels are laid out: pitches per format, mip chains,
// the order of the images and the one aligned pixel block that holds them.
#include <cstdint>

#include "base/hresult.h"
#include "render/texture_image.h"

namespace brivonel {

// A size computation that does not fit in 64 bits (the Windows code for an
// arithmetic overflow). Loaders that meet it report their own failure.
constexpr HResult kEArithmeticOverflow = static_cast<HResult>(0x80070216u);

// Mip levels of the full chain down to 1x1(x1).
std::uint64_t FullMipChain(std::uint64_t width, std::uint64_t height, std::uint64_t depth);

// Width, height or depth of a mip level: halved per level, never below 1.
constexpr std::uint32_t MipSize(std::uint32_t size, std::uint32_t level) {
  return level >= 32 || (size >> level) == 0 ? 1 : size >> level;
}

struct ImagePitch {
  std::uint64_t rowPitch = 0;    // bytes per row (per block row when compressed)
  std::uint64_t slicePitch = 0;  // bytes per image
};

// Row and slice pitch of one width x height image. kEInvalidArg for a format
// whose size is undefined, kEArithmeticOverflow when the sizes do not fit.
HResult ComputePitch(DxgiFormat format, std::uint64_t width, std::uint64_t height,
                     ImagePitch* pitch);

// Checks the description against the layout rules and gives the number of
// images and the total bytes it needs, without allocating anything. A mip
// count of 0 stands for the full chain. A texture past the size limits
// (render/texture_limits.h) gives kFileTooLarge.
HResult ComputeImageLayout(const TextureMetadata& metadata, std::uint64_t* imageCount,
                           std::uint64_t* pixelSize);

// Releases image, then lays out and allocates it for the description: one
// record per image in the documented order, pointing into one 16-byte aligned
// block. On failure image stays empty.
HResult InitializeImage(const TextureMetadata& metadata, LoadedImage& image);

// Position of the image of (mip, item, slice) in a LoadedImage laid out for
// metadata: item is the array slice of 1-D/2-D textures, slice the depth slice
// of 3-D ones. Returns false when there is no such image.
bool ImageIndex(const TextureMetadata& metadata, std::uint64_t mip, std::uint64_t item,
                std::uint64_t slice, std::uint64_t* index);

}  // namespace brivonel
