#pragma once
// Decoded texture pixels and their description, as every texture loader
// produces them and CreateTextureView consumes them.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "render/dxgi_format.h"

namespace brivonel {

enum class TextureDimension : std::uint32_t { Texture1D = 2, Texture2D = 3, Texture3D = 4 };

constexpr std::uint32_t kTextureMiscCube = 0x4;
constexpr std::uint32_t kAlphaModePremultiplied = 2;

struct TextureMetadata {
  std::uint64_t width = 0;
  std::uint64_t height = 0;     // 1 for 1-D textures
  std::uint64_t depth = 0;      // 1 unless 3-D
  std::uint64_t arraySize = 0;  // 6 per cube for cube maps
  std::uint64_t mipLevels = 0;
  std::uint32_t miscFlags = 0;   // kTextureMiscCube
  std::uint32_t miscFlags2 = 0;  // alpha mode (kAlphaModePremultiplied, ...)
  DxgiFormat format = DxgiFormat::Unknown;
  TextureDimension dimension = TextureDimension::Texture2D;

  bool IsCubemap() const { return (miscFlags & kTextureMiscCube) != 0; }
};

// The description of one 2-D picture without mip levels, as image files
// (everything but DDS) hold.
inline TextureMetadata SingleImageMetadata(std::uint64_t width, std::uint64_t height,
                                           DxgiFormat format) {
  TextureMetadata md;
  md.width = width;
  md.height = height;
  md.depth = 1;
  md.arraySize = 1;
  md.mipLevels = 1;
  md.format = format;
  md.dimension = TextureDimension::Texture2D;
  return md;
}

// One two-dimensional image (a mip level of one array slice, or one depth
// slice of a 3-D mip level) inside a LoadedImage's pixel block.
struct ImageRecord {
  std::uint64_t width = 0;
  std::uint64_t height = 0;
  DxgiFormat format = DxgiFormat::Unknown;
  std::uint64_t rowPitch = 0;
  std::uint64_t slicePitch = 0;
  std::uint8_t* pixels = nullptr;
};

}  // namespace brivonel

namespace brivonel {

// Owns the decoded pixels of one texture file: one ImageRecord per 2-D image,
// all pointing into one 16-byte aligned block.
struct LoadedImage {
  TextureMetadata metadata;
  std::vector<ImageRecord> images;
  std::uint64_t pixelSize = 0;

  struct AlignedFree {
    void operator()(std::uint8_t* p) const;
  };
  std::unique_ptr<std::uint8_t[], AlignedFree> pixels;

  // Frees everything and zeroes every field.
  void Release();
};

}  // namespace brivonel
