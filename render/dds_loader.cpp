// DDS files: the 124-byte header, the optional DX10 extended header, then the
// pixels of every image in mip-major order. Legacy pixel formats that Direct3D
// 11 cannot sample are converted while reading.
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "render/dds_pixel_formats.h"
#include "render/dxgi_format_info.h"
#include "render/texture_file.h"
#include "render/texture_layout.h"
#include "render/texture_loaders.h"

namespace brivonel {
namespace {

constexpr std::uint32_t kDdsMagic = 0x20534444;  // "DDS "
constexpr std::uint32_t kDx10FourCC = MakeFourCC('D', 'X', '1', '0');
constexpr std::size_t kHeaderBytes = 128;        // magic + header
constexpr std::size_t kDx10HeaderBytes = 20;
constexpr std::size_t kPaletteBytes = 1024;

constexpr std::uint32_t kHeaderHeightValid = 0x2;
constexpr std::uint32_t kHeaderDepthValid = 0x800000;
constexpr std::uint32_t kCaps2Cubemap = 0x200;
constexpr std::uint32_t kCaps2AllFaces = 0xFE00;

constexpr std::uint32_t kResourceDimension1D = 2;
constexpr std::uint32_t kResourceDimension2D = 3;
constexpr std::uint32_t kResourceDimension3D = 4;

std::uint32_t ReadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void WriteU16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

// Widens a field by repeating its bits: 3 bits -> 8, 2 bits -> 8.
std::uint8_t Widen3To8(std::uint32_t v) { return static_cast<std::uint8_t>((v << 5) | (v << 2) | (v >> 1)); }
std::uint8_t Widen2To8(std::uint32_t v) { return static_cast<std::uint8_t>(v * 0x55); }

// Header fields without the extended header: 2-D, cube or 3-D, one slice.
HResult ReadLegacyDescription(const std::uint8_t* h, const DdsPixelFormat& pf,
                              TextureMetadata& md, const LegacyDdsFormat** legacy) {
  const std::uint32_t flags = ReadU32(h + 8);
  const std::uint32_t caps2 = ReadU32(h + 112);
  md.width = ReadU32(h + 16);
  md.height = ReadU32(h + 12);
  md.arraySize = 1;
  if ((flags & kHeaderDepthValid) != 0) {
    md.dimension = TextureDimension::Texture3D;
    md.depth = ReadU32(h + 24);
  } else {
    md.dimension = TextureDimension::Texture2D;
    md.depth = 1;
    if ((caps2 & kCaps2Cubemap) != 0) {
      if ((caps2 & kCaps2AllFaces) != kCaps2AllFaces) return kNotSupported;
      md.miscFlags |= kTextureMiscCube;
      md.arraySize = 6;
    }
  }
  *legacy = MatchLegacyDdsFormat(pf);
  if (*legacy == nullptr) return kNotSupported;
  md.format = (*legacy)->format;
  if (((*legacy)->handling & kLegacyPremultiplied) != 0) md.miscFlags2 = kAlphaModePremultiplied;
  return kSOk;
}

HResult ReadDx10Description(const std::uint8_t* h, const std::uint8_t* ext, TextureMetadata& md) {
  const std::uint32_t flags = ReadU32(h + 8);
  const std::uint32_t format = ReadU32(ext);
  const std::uint32_t dimension = ReadU32(ext + 4);
  const std::uint32_t misc = ReadU32(ext + 8);
  const std::uint32_t arraySize = ReadU32(ext + 12);
  if (arraySize == 0) return kInvalidData;
  if (!IsValidDxgiFormat(format) || IsPaletteDxgiFormat(format)) return kNotSupported;
  md.format = ToDxgiFormat(format);
  md.miscFlags = misc & ~kTextureMiscCube;
  md.miscFlags2 = ReadU32(ext + 16);
  md.arraySize = arraySize;
  switch (dimension) {
    case kResourceDimension1D:
      if ((flags & kHeaderHeightValid) != 0 && ReadU32(h + 12) != 1) return kInvalidData;
      md.dimension = TextureDimension::Texture1D;
      md.width = ReadU32(h + 16);
      md.height = 1;
      md.depth = 1;
      break;
    case kResourceDimension2D:
      md.dimension = TextureDimension::Texture2D;
      md.width = ReadU32(h + 16);
      md.height = ReadU32(h + 12);
      md.depth = 1;
      if ((misc & kTextureMiscCube) != 0) {
        md.miscFlags |= kTextureMiscCube;
        md.arraySize = std::uint64_t{arraySize} * 6;
      }
      break;
    case kResourceDimension3D:
      if ((flags & kHeaderDepthValid) == 0) return kInvalidData;
      if (arraySize > 1) return kNotSupported;
      md.dimension = TextureDimension::Texture3D;
      md.width = ReadU32(h + 16);
      md.height = ReadU32(h + 12);
      md.depth = ReadU32(h + 24);
      break;
    default:
      return kInvalidData;
  }
  return kSOk;
}

// Bytes the stored (unexpanded) pixels of every image take: rows packed to
// whole bytes. Returns false when the total does not fit in 64 bits.
bool StoredSize(const LoadedImage& image, unsigned bits, std::uint64_t* total) {
  std::uint64_t sum = 0;
  for (const ImageRecord& record : image.images) {
    const std::uint64_t row = (record.width * bits + 7) / 8;  // width < 2^32, bits <= 24
    const std::uint64_t bytes = row * record.height;           // height < 2^32
    if (bytes > UINT64_MAX - sum) return false;
    sum += bytes;
  }
  *total = sum;
  return true;
}

void ExpandRow(const LegacyDdsFormat& row, const std::uint8_t* src, std::uint8_t* dst,
               std::uint64_t width, const std::uint8_t* palette) {
  switch (row.expansion) {
    case LegacyExpansion::Bgr888:
      for (std::uint64_t x = 0; x < width; ++x, src += 3, dst += 4) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
        dst[3] = 255;
      }
      break;
    case LegacyExpansion::Argb8332:
      for (std::uint64_t x = 0; x < width; ++x, src += 2, dst += 4) {
        const std::uint32_t c = src[0];
        dst[0] = Widen3To8(c >> 5);
        dst[1] = Widen3To8((c >> 2) & 0x7);
        dst[2] = Widen2To8(c & 0x3);
        dst[3] = src[1];
      }
      break;
    case LegacyExpansion::Rgb332:
      for (std::uint64_t x = 0; x < width; ++x, ++src, dst += 2) {
        const std::uint32_t r = *src >> 5;
        const std::uint32_t g = (*src >> 2) & 0x7;
        const std::uint32_t b = *src & 0x3;
        const std::uint32_t r5 = (r << 2) | (r >> 1);
        const std::uint32_t g6 = (g << 3) | g;
        const std::uint32_t b5 = (b << 3) | (b << 1) | (b >> 1);
        WriteU16(dst, (r5 << 11) | (g6 << 5) | b5);
      }
      break;
    case LegacyExpansion::PaletteIndex:
      for (std::uint64_t x = 0; x < width; ++x, ++src, dst += 4) {
        std::memcpy(dst, palette + std::size_t{*src} * 4, 4);
      }
      break;
    case LegacyExpansion::PaletteIndexAlpha:
      for (std::uint64_t x = 0; x < width; ++x, src += 2, dst += 4) {
        std::memcpy(dst, palette + std::size_t{src[0]} * 4, 4);
        dst[3] |= src[1];
      }
      break;
    case LegacyExpansion::LuminanceAlpha44:
      for (std::uint64_t x = 0; x < width; ++x, ++src, dst += 2) {
        const std::uint32_t l = *src & 0xF;
        const std::uint32_t a = *src >> 4;
        WriteU16(dst, l | (l << 4) | (l << 8) | (a << 12));
      }
      break;
    case LegacyExpansion::None:
      break;
  }
}

// Red/blue exchange and opaque alpha, in place over the whole pixel block
// (the formats concerned have rows without padding).
void FinishLegacyPixels(const LegacyDdsFormat& row, LoadedImage& image) {
  std::uint8_t* p = image.pixels.get();
  const std::uint64_t size = image.pixelSize;
  if ((row.handling & kLegacySwizzle) != 0) {
    if (row.format == DxgiFormat::YUY2) {
      for (std::uint64_t i = 0; i + 1 < size; i += 2) std::swap(p[i], p[i + 1]);
    } else {  // R10G10B10A2: red bits 0-9 <-> blue bits 20-29
      for (std::uint64_t i = 0; i + 3 < size; i += 4) {
        std::uint32_t v = ReadU32(p + i);
        v = (v & 0xC00FFC00u) | ((v & 0x3FFu) << 20) | ((v >> 20) & 0x3FFu);
        std::memcpy(p + i, &v, 4);
      }
    }
  }
  if ((row.handling & kLegacyNoAlpha) != 0) {
    switch (row.format) {
      case DxgiFormat::R8G8B8A8_UNORM:
        for (std::uint64_t i = 3; i < size; i += 4) p[i] = 255;
        break;
      case DxgiFormat::B5G5R5A1_UNORM:
        for (std::uint64_t i = 1; i < size; i += 2) p[i] |= 0x80;
        break;
      case DxgiFormat::B4G4R4A4_UNORM:
        for (std::uint64_t i = 1; i < size; i += 2) p[i] |= 0xF0;
        break;
      default:
        break;
    }
  }
}

HResult LoadDds(std::u16string_view path, TextureMetadata* metadataOut, LoadedImage& image) {
  TextureFile file;
  if (const HResult hr = file.Open(path); Failed(hr)) return hr;
  if (file.size() < kHeaderBytes) return kEFail;
  std::uint8_t header[kHeaderBytes + kDx10HeaderBytes] = {};
  if (file.Read(header, kHeaderBytes) < kHeaderBytes) return kInvalidData;
  if (ReadU32(header) != kDdsMagic || ReadU32(header + 4) != 124 || ReadU32(header + 76) != 32) {
    return kEFail;
  }
  DdsPixelFormat pf;
  pf.flags = ReadU32(header + 80);
  pf.fourCC = ReadU32(header + 84);
  pf.bitCount = ReadU32(header + 88);
  pf.redMask = ReadU32(header + 92);
  pf.greenMask = ReadU32(header + 96);
  pf.blueMask = ReadU32(header + 100);
  pf.alphaMask = ReadU32(header + 104);

  TextureMetadata md;
  const std::uint32_t mips = ReadU32(header + 28);
  md.mipLevels = mips == 0 ? 1 : mips;
  const LegacyDdsFormat* legacy = nullptr;
  if ((pf.flags & kDdpfFourCC) != 0 && pf.fourCC == kDx10FourCC) {
    if (!file.ReadExact(header + kHeaderBytes, kDx10HeaderBytes)) return kEFail;
    if (const HResult hr = ReadDx10Description(header, header + kHeaderBytes, md); Failed(hr)) {
      return hr;
    }
  } else if (const HResult hr = ReadLegacyDescription(header, pf, md, &legacy); Failed(hr)) {
    return hr;
  }

  std::uint8_t palette[kPaletteBytes];
  if (legacy != nullptr && legacy->IsPalette() && !file.ReadExact(palette, kPaletteBytes)) {
    return kEFail;
  }
  if (file.remaining() == 0) return kEFail;

  std::uint64_t imageCount = 0;
  std::uint64_t pixelSize = 0;
  if (const HResult hr = ComputeImageLayout(md, &imageCount, &pixelSize); Failed(hr)) {
    return hr == kEArithmeticOverflow ? kEFail : hr;
  }
  const bool expand = legacy != nullptr && legacy->expansion != LegacyExpansion::None;
  if (!expand) {
    // The stored pixels are the laid-out block itself: check before allocating.
    if (file.remaining() < pixelSize) return kEFail;
    if (const HResult hr = InitializeImage(md, image); Failed(hr)) return hr;
    if (!file.ReadExact(image.pixels.get(), pixelSize)) return kEFail;
  } else {
    // Stored pixels are at least a quarter of the expanded ones (8 -> 32 bits
    // is the widest expansion), so this refuses absurd headers before any
    // allocation; the exact check follows.
    if (file.remaining() < pixelSize / 4) return kEFail;
    if (const HResult hr = InitializeImage(md, image); Failed(hr)) return hr;
    const unsigned bits = legacy->StoredBits();
    std::uint64_t stored = 0;
    if (!StoredSize(image, bits, &stored) || file.remaining() < stored) return kEFail;
    std::vector<std::uint8_t> source;
    try {
      source.resize(static_cast<std::size_t>(stored));
    } catch (const std::bad_alloc&) {
      return kEOutOfMemory;
    }
    if (!file.ReadExact(source.data(), stored)) return kEFail;
    const std::uint8_t* src = source.data();
    for (ImageRecord& record : image.images) {
      const std::uint64_t srcPitch = (record.width * bits + 7) / 8;
      for (std::uint64_t y = 0; y < record.height; ++y) {
        ExpandRow(*legacy, src, record.pixels + y * record.rowPitch, record.width, palette);
        src += srcPitch;
      }
    }
  }
  if (legacy != nullptr) FinishLegacyPixels(*legacy, image);
  if (metadataOut != nullptr) *metadataOut = image.metadata;
  return kSOk;
}

}  // namespace

HResult LoadDdsFile(std::u16string_view path, unsigned /*flags*/, TextureMetadata* metadata,
                    LoadedImage& image) {
  image.Release();
  if (path.empty()) return kEInvalidArg;
  const HResult hr = LoadDds(path, metadata, image);
  if (Failed(hr)) image.Release();
  return hr;
}

}  // namespace brivonel
