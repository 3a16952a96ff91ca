// TGA files: an 18-byte header, an identification field, then true-colour or
// grey pixels, plain or run-length encoded, stored bottom-up unless the
// descriptor says otherwise. Colour-mapped images are not read.
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "render/texture_file.h"
#include "render/texture_layout.h"
#include "render/texture_loaders.h"

namespace brivonel {
namespace {

constexpr std::size_t kHeaderBytes = 18;
constexpr std::uint8_t kDescriptorRightToLeft = 0x10;
constexpr std::uint8_t kDescriptorTopDown = 0x20;
constexpr std::uint8_t kDescriptorInterleave = 0xC0;

enum TgaImageType : std::uint8_t {
  kNoImage = 0,
  kColorMapped = 1,
  kTrueColor = 2,
  kGrey = 3,
  kRleColorMapped = 9,
  kRleTrueColor = 10,
  kRleGrey = 11,
};

struct TgaHeader {
  std::uint8_t idLength;
  std::uint8_t colorMapType;
  std::uint8_t imageType;
  std::uint16_t colorMapLength;
  std::uint16_t width;
  std::uint16_t height;
  std::uint8_t bitsPerPixel;
  std::uint8_t descriptor;
};

std::uint16_t ReadU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

HResult DescribeTga(const TgaHeader& h, TextureMetadata& md, bool* expand24) {
  if (h.colorMapType != 0 || h.colorMapLength != 0 || (h.descriptor & kDescriptorInterleave) != 0) {
    return kNotSupported;
  }
  if (h.width == 0 || h.height == 0) return kInvalidData;
  *expand24 = false;
  switch (h.imageType) {
    case kTrueColor:
    case kRleTrueColor:
      switch (h.bitsPerPixel) {
        case 16: md.format = DxgiFormat::B5G5R5A1_UNORM; break;
        case 24: md.format = DxgiFormat::R8G8B8A8_UNORM; *expand24 = true; break;
        case 32: md.format = DxgiFormat::R8G8B8A8_UNORM; break;
        default: md.format = DxgiFormat::Unknown; break;  // laying out fails
      }
      break;
    case kGrey:
    case kRleGrey:
      if (h.bitsPerPixel != 8) return kNotSupported;
      md.format = DxgiFormat::R8_UNORM;
      break;
    case kNoImage:
    case kColorMapped:
    case kRleColorMapped:
      return kNotSupported;
    default:
      return kInvalidData;
  }
  md = SingleImageMetadata(h.width, h.height, md.format);
  return kSOk;
}

// Opaque alpha when no pixel carries any: 32-bit pixels whose alpha bytes are
// all zero, or 16-bit pixels without a set alpha bit.
void ApplyOpaqueAlphaRule(LoadedImage& image) {
  std::uint8_t* p = image.pixels.get();
  const std::uint64_t size = image.pixelSize;
  if (image.metadata.format == DxgiFormat::R8G8B8A8_UNORM) {
    for (std::uint64_t i = 3; i < size; i += 4) {
      if (p[i] != 0) return;
    }
    for (std::uint64_t i = 3; i < size; i += 4) p[i] = 255;
  } else if (image.metadata.format == DxgiFormat::B5G5R5A1_UNORM) {
    for (std::uint64_t i = 1; i < size; i += 2) {
      if ((p[i] & 0x80) != 0) return;
    }
    for (std::uint64_t i = 1; i < size; i += 2) p[i] |= 0x80;
  }
}

// One stored pixel (blue, green, red[, alpha], or 16-bit, or grey) into the
// destination format.
template <unsigned kStored>
inline void PutPixel(const std::uint8_t* src, std::uint8_t* dst) {
  if constexpr (kStored == 4) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
    dst[3] = src[3];
  } else if constexpr (kStored == 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
    dst[3] = 255;
  } else if constexpr (kStored == 2) {
    dst[0] = src[0];
    dst[1] = src[1];
  } else {
    dst[0] = src[0];
  }
}

// Decodes plain or run-length rows honouring both orientation bits. Returns
// false when the data ends early or a packet crosses the end of a row.
template <unsigned kStored>
bool DecodeRows(const std::uint8_t* data, std::size_t size, bool rle, std::uint8_t descriptor,
                ImageRecord& record) {
  constexpr unsigned kOut = kStored == 3 ? 4 : kStored;
  const std::size_t width = static_cast<std::size_t>(record.width);
  const std::size_t height = static_cast<std::size_t>(record.height);
  const bool topDown = (descriptor & kDescriptorTopDown) != 0;
  const bool rightToLeft = (descriptor & kDescriptorRightToLeft) != 0;
  const std::uint8_t* end = data + size;
  for (std::size_t row = 0; row < height; ++row) {
    const std::size_t y = topDown ? row : height - 1 - row;
    std::uint8_t* line = record.pixels + y * record.rowPitch;
    // Destination of the i-th stored pixel of this row.
    auto at = [&](std::size_t i) { return line + (rightToLeft ? width - 1 - i : i) * kOut; };
    if (!rle) {
      if (static_cast<std::size_t>(end - data) < width * kStored) return false;
      for (std::size_t x = 0; x < width; ++x, data += kStored) PutPixel<kStored>(data, at(x));
      continue;
    }
    std::size_t x = 0;
    while (x < width) {
      if (data == end) return false;
      const std::uint8_t packet = *data++;
      const std::size_t count = (packet & 0x7F) + 1u;
      if (count > width - x) return false;
      if ((packet & 0x80) != 0) {
        if (static_cast<std::size_t>(end - data) < kStored) return false;
        for (std::size_t i = 0; i < count; ++i) PutPixel<kStored>(data, at(x + i));
        data += kStored;
      } else {
        if (static_cast<std::size_t>(end - data) < count * kStored) return false;
        for (std::size_t i = 0; i < count; ++i, data += kStored) PutPixel<kStored>(data, at(x + i));
      }
      x += count;
    }
  }
  return true;
}

HResult LoadTga(std::u16string_view path, TextureMetadata* metadataOut, LoadedImage& image) {
  TextureFile file;
  if (const HResult hr = file.Open(path); Failed(hr)) return hr;
  if (file.size() <= 17) return kEFail;
  std::uint8_t raw[kHeaderBytes];
  if (!file.ReadExact(raw, kHeaderBytes)) return kEFail;
  const TgaHeader h{raw[0], raw[1], raw[2], ReadU16(raw + 5), ReadU16(raw + 12), ReadU16(raw + 14),
                    raw[16], raw[17]};
  TextureMetadata md;
  bool expand24 = false;
  if (const HResult hr = DescribeTga(h, md, &expand24); Failed(hr)) return hr;

  std::uint8_t identification[255];
  if (!file.ReadExact(identification, h.idLength) || file.remaining() == 0) return kEFail;

  std::uint64_t imageCount = 0;
  std::uint64_t pixelSize = 0;
  if (const HResult hr = ComputeImageLayout(md, &imageCount, &pixelSize); Failed(hr)) return hr;

  const bool rle = h.imageType == kRleTrueColor || h.imageType == kRleGrey;
  const unsigned stored = h.bitsPerPixel / 8;
  const std::uint64_t pixels = std::uint64_t{h.width} * h.height;
  const bool fastPath = !rle && !expand24 && (h.descriptor & kDescriptorRightToLeft) == 0 &&
                        (h.descriptor & kDescriptorTopDown) != 0;
  if (fastPath) {
    if (file.remaining() < pixelSize) return kEFail;
    if (const HResult hr = InitializeImage(md, image); Failed(hr)) return hr;
    if (!file.ReadExact(image.pixels.get(), pixelSize)) return kEFail;
    if (md.format == DxgiFormat::R8G8B8A8_UNORM) {
      std::uint8_t* p = image.pixels.get();
      for (std::uint64_t i = 0; i < pixelSize; i += 4) std::swap(p[i], p[i + 2]);
    }
    ApplyOpaqueAlphaRule(image);
  } else {
    // The fewest bytes that can describe the image: every pixel stored, or
    // for run-length data one run packet per 128 pixels of each row.
    const std::uint64_t packetsPerRow = (std::uint64_t{h.width} + 127) / 128;
    const std::uint64_t needed =
        rle ? packetsPerRow * h.height * (1 + stored) : pixels * stored;
    if (file.remaining() < needed) return kEFail;
    std::vector<std::uint8_t> data;
    try {
      data.resize(static_cast<std::size_t>(file.remaining()));
    } catch (const std::bad_alloc&) {
      return kEOutOfMemory;
    }
    if (!file.ReadExact(data.data(), data.size())) return kEFail;
    if (const HResult hr = InitializeImage(md, image); Failed(hr)) return hr;
    ImageRecord& record = image.images[0];
    bool ok = false;
    switch (stored) {
      case 4: ok = DecodeRows<4>(data.data(), data.size(), rle, h.descriptor, record); break;
      case 3: ok = DecodeRows<3>(data.data(), data.size(), rle, h.descriptor, record); break;
      case 2: ok = DecodeRows<2>(data.data(), data.size(), rle, h.descriptor, record); break;
      default: ok = DecodeRows<1>(data.data(), data.size(), rle, h.descriptor, record); break;
    }
    if (!ok) return kEFail;
    ApplyOpaqueAlphaRule(image);
  }
  if (metadataOut != nullptr) *metadataOut = image.metadata;
  return kSOk;
}

}  // namespace

HResult LoadTgaFile(std::u16string_view path, TextureMetadata* metadata, LoadedImage& image) {
  image.Release();
  if (path.empty()) return kEInvalidArg;
  const HResult hr = LoadTga(path, metadata, image);
  if (Failed(hr)) image.Release();
  return hr;
}

}  // namespace brivonel
