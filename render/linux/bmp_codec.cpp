// BMP read by hand (no Debian library gives the stored pixel form): the
// core, info and V2 to V5 headers, 1/2/4/8-bit palettes, RLE4 and RLE8, 16
// bits as 5:5:5 or 5:6:5, 24-bit BGR, 32-bit BGR or BGRA with an alpha mask,
// bottom-up or top-down. Every offset is checked against the file.
#include <cstring>

#include "render/linux/decoded_frame.h"
#include "render/texture_loaders.h"

namespace brivonel::codecs {
namespace {

using P = CodecPixelFormat;

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

std::uint32_t U16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}

struct BmpInfo {
  std::uint32_t headerSize = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;  // negative: top-down
  std::uint32_t bits = 0;
  std::uint32_t compression = kBiRgb;
  std::uint32_t colorsUsed = 0;
  std::uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
};

// Decodes RLE8/RLE4 into one index per pixel (bottom-up rows as stored).
// Pixels the data skips or never reaches keep index 0.
bool DecodeRle(const std::uint8_t* p, const std::uint8_t* end, bool four, DecodedFrame& frame,
               bool topDown) {
  const std::uint32_t width = frame.width;
  const std::uint32_t height = frame.height;
  std::uint32_t x = 0;
  std::uint32_t row = 0;  // stored row, 0 = first stored
  auto put = [&](unsigned index) {
    if (x < width && row < height) {
      const std::uint32_t y = topDown ? row : height - 1 - row;
      frame.pixels[y * frame.stride + x] = static_cast<std::uint8_t>(index);
    }
    ++x;
  };
  while (p + 2 <= end) {
    const unsigned count = p[0];
    const unsigned value = p[1];
    p += 2;
    if (count > 0) {  // a run; RLE4 alternates the two nibbles
      for (unsigned i = 0; i < count; ++i) {
        put(four ? ((i % 2 == 0) ? value >> 4 : value & 0xF) : value);
      }
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // delta
      if (p + 2 > end) return false;
      x += p[0];
      row += p[1];
      p += 2;
    } else {  // literal run of `value` pixels, padded to 16 bits
      const std::size_t bytes = four ? (value + 1) / 2 : value;
      const std::size_t padded = (bytes + 1) & ~std::size_t{1};
      if (static_cast<std::size_t>(end - p) < padded) return false;
      for (unsigned i = 0; i < value; ++i) {
        put(four ? ((i % 2 == 0) ? p[i / 2] >> 4 : p[i / 2] & 0xF) : p[i]);
      }
      p += padded;
    }
    if (row > height) return true;
  }
  return true;  // data ended without an end-of-bitmap mark: keep what was read
}

HResult ReadInfo(const EncodedFile& file, BmpInfo& info) {
  const std::uint8_t* d = file.data;
  if (file.size < 18) return kCodecBadHeader;
  info.headerSize = U32(d + 14);
  if (info.headerSize < 12 || info.headerSize > file.size - 14) return kCodecBadHeader;
  const std::uint8_t* h = d + 14;
  if (info.headerSize == 12) {  // core header
    info.width = U16(h + 4);
    info.height = U16(h + 6);
    info.bits = U16(h + 10);
    return kSOk;
  }
  if (info.headerSize < 40) return kCodecBadHeader;
  info.width = static_cast<std::int32_t>(U32(h + 4));
  info.height = static_cast<std::int32_t>(U32(h + 8));
  info.bits = U16(h + 14);
  info.compression = U32(h + 16);
  info.colorsUsed = U32(h + 32);
  if (info.compression == kBiBitfields || info.compression == kBiAlphaBitfields) {
    const unsigned count = info.compression == kBiAlphaBitfields ? 4 : 3;
    // Masks sit inside V2+ headers, or right after a 40-byte header.
    const std::uint8_t* m = h + 40;
    if (static_cast<std::size_t>(m - d) + 4 * count > file.size) return kCodecBadHeader;
    for (unsigned i = 0; i < count; ++i) info.masks[i] = U32(m + 4 * i);
    if (info.headerSize >= 56 && count == 3) info.masks[3] = U32(m + 12);
  }
  return kSOk;
}

HResult ChooseForm(const BmpInfo& info, DecodedFrame& frame) {
  const std::uint32_t* m = info.masks;
  auto masks = [&](std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return m[0] == r && m[1] == g && m[2] == b;
  };
  switch (info.bits) {
    case 1: frame.format = P::Indexed1; break;
    case 2: frame.format = P::Indexed2; break;
    case 4: frame.format = P::Indexed4; break;
    case 8: frame.format = P::Indexed8; break;
    case 16:
      if (info.compression == kBiRgb || masks(0x7C00, 0x3E0, 0x1F)) {
        frame.format = info.compression != kBiRgb && m[3] == 0x8000 ? P::Bgra5551 : P::Bgr555;
      } else if (masks(0xF800, 0x7E0, 0x1F)) {
        frame.format = P::Bgr565;
      } else {
        return kCodecUnsupportedPixelFormat;
      }
      break;
    case 24:
      if (info.compression != kBiRgb) return kCodecUnsupportedPixelFormat;
      frame.format = P::Bgr24;
      break;
    case 32:
      if (info.compression == kBiRgb) {
        frame.format = P::Bgr32;
      } else if (masks(0xFF0000, 0xFF00, 0xFF)) {
        frame.format = m[3] == 0xFF000000u ? P::Bgra32 : P::Bgr32;
      } else {
        return kCodecUnsupportedPixelFormat;
      }
      break;
    default:
      return kCodecBadHeader;
  }
  const bool rle = info.compression == kBiRle8 || info.compression == kBiRle4;
  if (rle && !((info.compression == kBiRle8 && info.bits == 8) ||
               (info.compression == kBiRle4 && info.bits == 4))) {
    return kCodecBadHeader;
  }
  if (!rle && info.compression != kBiRgb && info.compression != kBiBitfields &&
      info.compression != kBiAlphaBitfields) {
    return kCodecUnsupportedPixelFormat;  // embedded JPEG or PNG, or unknown
  }
  return kSOk;
}

}  // namespace

HResult DecodeBmp(const EncodedFile& file, DecodedFrame& frame) {
  BmpInfo info;
  if (const HResult hr = ReadInfo(file, info); Failed(hr)) return hr;
  const bool topDown = info.height < 0;
  const std::int64_t height = topDown ? -info.height : info.height;
  if (info.width <= 0 || height <= 0 || info.width > 0x7FFFFFFF || height > 0x7FFFFFFF) {
    return kCodecBadHeader;
  }
  if (const HResult hr = ChooseForm(info, frame); Failed(hr)) return hr;
  frame.width = static_cast<std::uint32_t>(info.width);
  frame.height = static_cast<std::uint32_t>(height);
  if (const HResult hr = CheckTextureLimits(frame); Failed(hr)) return hr;

  const std::uint8_t* d = file.data;
  if (info.bits <= 8) {
    const bool core = info.headerSize == 12;
    const std::size_t entryBytes = core ? 3 : 4;
    std::size_t colors = std::size_t{1} << info.bits;
    if (!core && info.colorsUsed != 0 && info.colorsUsed < colors) colors = info.colorsUsed;
    std::size_t at = 14 + std::size_t{info.headerSize};
    if (info.compression == kBiBitfields) at += 12;
    if (at > file.size || (file.size - at) / entryBytes < colors) return kCodecBadHeader;
    frame.palette.resize(colors);
    for (std::size_t i = 0; i < colors; ++i, at += entryBytes) {
      frame.palette[i] = {d[at + 2], d[at + 1], d[at], 255};  // stored blue, green, red
    }
  }

  const std::uint32_t pixelOffset = U32(d + 10);
  if (pixelOffset >= file.size) return kCodecBadImage;
  const std::uint8_t* pixels = d + pixelOffset;
  const std::uint8_t* end = d + file.size;
  if (info.compression == kBiRle8 || info.compression == kBiRle4) {
    // Decoded to one index per pixel, then repacked for 4-bit.
    DecodedFrame indices;
    indices.width = frame.width;
    indices.height = frame.height;
    indices.format = P::Indexed8;  // the texture is the same either way
    if (const HResult hr = AllocateFrame(file, frame.width, indices); Failed(hr)) return hr;
    if (!DecodeRle(pixels, end, info.compression == kBiRle4, indices, topDown)) {
      return kCodecBadImage;
    }
    if (info.compression == kBiRle8) {
      frame.stride = indices.stride;
      frame.pixels = std::move(indices.pixels);
      return kSOk;
    }
    const std::uint64_t packedStride = (std::uint64_t{frame.width} + 1) / 2;
    if (const HResult hr = AllocateFrame(file, packedStride, frame); Failed(hr)) return hr;
    for (std::uint32_t y = 0; y < frame.height; ++y) {
      for (std::uint32_t x = 0; x < frame.width; ++x) {
        const std::uint8_t index = indices.pixels[y * indices.stride + x];
        frame.pixels[y * frame.stride + x / 2] |=
            static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
      }
    }
    return kSOk;
  }

  const std::uint64_t rowBytes = (std::uint64_t{frame.width} * info.bits + 7) / 8;
  const std::uint64_t storedStride = (std::uint64_t{frame.width} * info.bits + 31) / 32 * 4;
  // The last row need not carry its padding.
  const std::uint64_t needed = storedStride * (frame.height - 1) + rowBytes;
  if (static_cast<std::uint64_t>(end - pixels) < needed) return kCodecBadImage;
  if (const HResult hr = AllocateFrame(file, rowBytes, frame); Failed(hr)) return hr;
  for (std::uint32_t row = 0; row < frame.height; ++row) {
    const std::uint32_t y = topDown ? row : frame.height - 1 - row;
    std::memcpy(frame.pixels.data() + y * frame.stride, pixels + row * storedStride,
                static_cast<std::size_t>(rowBytes));
  }
  return kSOk;
}

}  // namespace brivonel::codecs
