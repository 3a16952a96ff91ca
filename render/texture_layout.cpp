#include "render/texture_layout.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "render/dxgi_format_info.h"
#include "render/texture_limits.h"

namespace brivonel {
namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

bool MulOverflows(std::uint64_t a, std::uint64_t b, std::uint64_t* out) {
  if (a != 0 && b > kMax / a) return true;
  *out = a * b;
  return false;
}
bool AddOverflows(std::uint64_t a, std::uint64_t b, std::uint64_t* out) {
  if (b > kMax - a) return true;
  *out = a + b;
  return false;
}

std::uint64_t Halve(std::uint64_t size, std::uint64_t level) {
  const std::uint64_t shifted = level >= 64 ? 0 : size >> level;
  return std::max<std::uint64_t>(1, shifted);
}

// rowPitch = perUnit bytes for every `unit` pixels of a row (rounded up);
// slice = rowPitch * rows. Returns false on overflow.
bool PackedPitch(std::uint64_t width, std::uint64_t unit, std::uint64_t perUnit,
                 std::uint64_t rows, ImagePitch* pitch) {
  const std::uint64_t units = width / unit + (width % unit != 0 ? 1 : 0);
  return !MulOverflows(units, perUnit, &pitch->rowPitch) &&
         !MulOverflows(pitch->rowPitch, rows, &pitch->slicePitch);
}

HResult ValidateDescription(const TextureMetadata& md, std::uint64_t* mipLevels) {
  const std::uint32_t format = ToUint(md.format);
  if (IsPaletteDxgiFormat(format)) return kNotSupported;
  if (!IsValidDxgiFormat(format)) return kEInvalidArg;
  if (md.width == 0 || md.height == 0 || md.depth == 0 || md.arraySize == 0) return kEInvalidArg;
  switch (md.dimension) {
    case TextureDimension::Texture1D:
      if (md.height != 1 || md.depth != 1) return kEInvalidArg;
      break;
    case TextureDimension::Texture2D:
      if (md.depth != 1) return kEInvalidArg;
      if (md.IsCubemap() && md.arraySize % 6 != 0) return kEInvalidArg;
      break;
    case TextureDimension::Texture3D:
      if (md.arraySize != 1) return kEInvalidArg;
      break;
    default:
      return kEInvalidArg;
  }
  const std::uint64_t depth = md.dimension == TextureDimension::Texture3D ? md.depth : 1;
  const std::uint64_t full = FullMipChain(md.width, md.height, depth);
  if (md.mipLevels > full) return kEInvalidArg;
  *mipLevels = md.mipLevels == 0 ? full : md.mipLevels;
  return kSOk;
}

void* AllocateAligned(std::uint64_t size) {
  constexpr std::uint64_t kAlign = 16;
  if (size > std::numeric_limits<std::size_t>::max() - kAlign) return nullptr;
  const std::size_t rounded = static_cast<std::size_t>((size + kAlign - 1) / kAlign * kAlign);
#if defined(_WIN32)  // the Windows C runtime has no aligned_alloc
  return _aligned_malloc(rounded, kAlign);
#else
  return std::aligned_alloc(kAlign, rounded);
#endif
}

}  // namespace

std::uint64_t FullMipChain(std::uint64_t width, std::uint64_t height, std::uint64_t depth) {
  std::uint64_t largest = std::max({width, height, depth});
  std::uint64_t levels = 1;
  while (largest > 1) {
    largest >>= 1;
    ++levels;
  }
  return levels;
}

HResult ComputePitch(DxgiFormat format, std::uint64_t width, std::uint64_t height,
                     ImagePitch* pitch) {
  bool ok = true;
  if (const unsigned blockBytes = BlockCompressedBytes(format); blockBytes != 0) {
    const std::uint64_t blocksWide = std::max<std::uint64_t>(1, width / 4 + (width % 4 != 0));
    const std::uint64_t blocksHigh = std::max<std::uint64_t>(1, height / 4 + (height % 4 != 0));
    ok = !MulOverflows(blocksWide, blockBytes, &pitch->rowPitch) &&
         !MulOverflows(pitch->rowPitch, blocksHigh, &pitch->slicePitch);
    return ok ? kSOk : kEArithmeticOverflow;
  }
  const std::uint64_t halfRows = height / 2 + (height % 2);  // chroma rows of 4:2:0
  std::uint64_t rows = 0;
  switch (ToUint(format)) {
    case 68: case 69: case 107:  // R8G8_B8G8, G8R8_G8B8, YUY2: 4 bytes per pixel pair
      ok = PackedPitch(width, 2, 4, height, pitch);
      break;
    case 108: case 109:  // Y210, Y216: 8 bytes per pixel pair
      ok = PackedPitch(width, 2, 8, height, pitch);
      break;
    case 103: case 106:  // NV12, 420_OPAQUE: luma rows then half-height chroma rows
      ok = !AddOverflows(height, halfRows, &rows) && PackedPitch(width, 2, 2, rows, pitch);
      break;
    case 104: case 105:  // P010, P016
      ok = !AddOverflows(height, halfRows, &rows) && PackedPitch(width, 2, 4, rows, pitch);
      break;
    case 110:  // NV11: 4:1:1, chroma as tall as luma
      ok = !MulOverflows(height, 2, &rows) && PackedPitch(width, 4, 4, rows, pitch);
      break;
    case 130:  // P208: 4:2:2 planar
      ok = !MulOverflows(height, 2, &rows) && PackedPitch(width, 2, 2, rows, pitch);
      break;
    case 131:  // V208: 4:4:0, two half-height chroma planes
      ok = !MulOverflows(halfRows, 2, &rows) && !AddOverflows(rows, height, &rows) &&
           PackedPitch(width, 1, 1, rows, pitch);
      break;
    case 132:  // V408: 4:4:4, two full chroma planes
      ok = !MulOverflows(height / 2, 4, &rows) && !AddOverflows(rows, height, &rows) &&
           PackedPitch(width, 1, 1, rows, pitch);
      break;
    default: {
      const unsigned bpp = BitsPerPixel(format);
      if (bpp == 0) return kEInvalidArg;
      std::uint64_t bits = 0;
      ok = !MulOverflows(width, bpp, &bits) && !AddOverflows(bits, 7, &bits);
      if (ok) {
        pitch->rowPitch = bits / 8;
        ok = !MulOverflows(pitch->rowPitch, height, &pitch->slicePitch);
      }
      break;
    }
  }
  return ok ? kSOk : kEArithmeticOverflow;
}

HResult ComputeImageLayout(const TextureMetadata& md, std::uint64_t* imageCount,
                           std::uint64_t* pixelSize) {
  std::uint64_t mips = 0;
  if (const HResult hr = ValidateDescription(md, &mips); Failed(hr)) return hr;
  if (const HResult hr = CheckTextureSides(md); Failed(hr)) return hr;
  std::uint64_t count = 0;
  std::uint64_t total = 0;
  const bool volume = md.dimension == TextureDimension::Texture3D;
  for (std::uint64_t mip = 0; mip < mips; ++mip) {
    ImagePitch pitch;
    const HResult hr = ComputePitch(md.format, Halve(md.width, mip), Halve(md.height, mip), &pitch);
    if (Failed(hr)) return hr;
    const std::uint64_t images = volume ? Halve(md.depth, mip) : 1;
    std::uint64_t bytes = 0;
    if (MulOverflows(pitch.slicePitch, images, &bytes) || AddOverflows(total, bytes, &total) ||
        AddOverflows(count, images, &count)) {
      return kEArithmeticOverflow;
    }
  }
  // 1-D and 2-D: the chain above repeats once per array slice.
  if (MulOverflows(total, md.arraySize, &total) || MulOverflows(count, md.arraySize, &count)) {
    return kEArithmeticOverflow;
  }
  if (const HResult hr = CheckDecodedBytes(total); Failed(hr)) return hr;
  *imageCount = count;
  *pixelSize = total;
  return kSOk;
}

HResult InitializeImage(const TextureMetadata& metadata, LoadedImage& image) {
  image.Release();
  std::uint64_t count = 0;
  std::uint64_t size = 0;
  if (const HResult hr = ComputeImageLayout(metadata, &count, &size); Failed(hr)) return hr;
  TextureMetadata md = metadata;
  if (md.mipLevels == 0) {
    md.mipLevels = FullMipChain(md.width, md.height,
                                md.dimension == TextureDimension::Texture3D ? md.depth : 1);
  }
  if (count > std::numeric_limits<std::size_t>::max() / sizeof(ImageRecord)) return kEOutOfMemory;
  std::uint8_t* block = static_cast<std::uint8_t*>(AllocateAligned(size));
  if (block == nullptr) return kEOutOfMemory;
  image.pixels.reset(block);
  try {
    image.images.reserve(static_cast<std::size_t>(count));
  } catch (const std::bad_alloc&) {
    image.Release();
    return kEOutOfMemory;
  }
  const bool volume = md.dimension == TextureDimension::Texture3D;
  std::uint64_t offset = 0;
  for (std::uint64_t item = 0; item < md.arraySize; ++item) {
    for (std::uint64_t mip = 0; mip < md.mipLevels; ++mip) {
      ImageRecord record;
      record.width = Halve(md.width, mip);
      record.height = Halve(md.height, mip);
      record.format = md.format;
      ImagePitch pitch;
      ComputePitch(md.format, record.width, record.height, &pitch);  // checked above
      record.rowPitch = pitch.rowPitch;
      record.slicePitch = pitch.slicePitch;
      const std::uint64_t slices = volume ? Halve(md.depth, mip) : 1;
      for (std::uint64_t slice = 0; slice < slices; ++slice) {
        record.pixels = block + offset;
        image.images.push_back(record);
        offset += pitch.slicePitch;
      }
    }
  }
  image.metadata = md;
  image.pixelSize = size;
  return kSOk;
}

bool ImageIndex(const TextureMetadata& md, std::uint64_t mip, std::uint64_t item,
                std::uint64_t slice, std::uint64_t* index) {
  if (mip >= md.mipLevels) return false;
  if (md.dimension == TextureDimension::Texture3D) {
    if (item != 0) return false;
    std::uint64_t position = 0;
    for (std::uint64_t level = 0; level < mip; ++level) position += Halve(md.depth, level);
    if (slice >= Halve(md.depth, mip)) return false;
    *index = position + slice;
    return true;
  }
  if (slice != 0 || item >= md.arraySize) return false;
  *index = item * md.mipLevels + mip;
  return true;
}

}  // namespace brivonel
