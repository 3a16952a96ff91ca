#include "render/linux/image_codecs_linux.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <new>
#include <vector>

#include "render/dxgi_format_info.h"
#include "render/linux/decoded_frame.h"
#include "render/texture_file.h"
#include "render/texture_layout.h"
#include "render/texture_loaders.h"

namespace brivonel {
namespace codecs {

std::uint64_t DecodedSizeLimit(const EncodedFile& file) {
  return (std::uint64_t{64} << 20) + std::uint64_t{4096} * file.size;
}

HResult DescribeTexture(const DecodedFrame& frame, TextureMetadata* metadata,
                        TextureFormatChoice* choice) {
  if (const HResult hr = ChooseTextureFormat(frame.format, true, choice); Failed(hr)) return hr;
  *metadata = SingleImageMetadata(frame.width, frame.height,
                                  frame.srgb ? SrgbVariant(choice->format) : choice->format);
  return kSOk;
}

namespace {

HResult TextureBytes(const DecodedFrame& frame, std::uint64_t* bytes) {
  TextureMetadata md;
  TextureFormatChoice choice;
  if (const HResult hr = DescribeTexture(frame, &md, &choice); Failed(hr)) return hr;
  std::uint64_t images = 0;
  return ComputeImageLayout(md, &images, bytes);  // the limits are checked here
}

}  // namespace

HResult CheckTextureLimits(const DecodedFrame& frame) {
  std::uint64_t bytes = 0;
  return TextureBytes(frame, &bytes);
}

HResult AllocateFrame(const EncodedFile& file, std::uint64_t stride, DecodedFrame& frame) {
  std::uint64_t textureBytes = 0;
  if (const HResult hr = TextureBytes(frame, &textureBytes); Failed(hr)) return hr;
  frame.stride = stride;
  const std::uint64_t size = stride * frame.height;  // stride < 2^40, height < 2^32
  const std::uint64_t limit = DecodedSizeLimit(file);
  if (stride > (std::uint64_t{1} << 40) || size > limit || textureBytes > limit) {
    return kCodecBadImage;
  }
  try {
    frame.pixels.assign(static_cast<std::size_t>(size), 0);
  } catch (const std::bad_alloc&) {
    return kEOutOfMemory;
  }
  return kSOk;
}

namespace {

using P = CodecPixelFormat;

std::array<std::uint8_t, 4> PaletteEntry(const DecodedFrame& frame, unsigned index) {
  if (index < frame.palette.size()) return frame.palette[index];
  return {0, 0, 0, 255};
}

unsigned IndexBits(P format) {
  switch (format) {
    case P::Indexed1: return 1;
    case P::Indexed2: return 2;
    case P::Indexed4: return 4;
    default: return 8;
  }
}

// The index or grey level of pixel x in a row packed most significant bits first.
unsigned PackedValue(const std::uint8_t* row, std::uint32_t x, unsigned bits) {
  if (bits == 8) return row[x];
  const std::uint32_t bit = x * bits;
  const unsigned shift = 8 - bits - (bit % 8);
  return (row[bit / 8] >> shift) & ((1u << bits) - 1);
}

}  // namespace

bool ConvertRow(const DecodedFrame& frame, const std::uint8_t* src, CodecPixelFormat target,
                std::uint8_t* dst) {
  const std::uint32_t width = frame.width;
  switch (frame.format) {
    case P::Indexed1:
    case P::Indexed2:
    case P::Indexed4:
    case P::Indexed8:
      if (target != P::Rgba32) return false;
      for (std::uint32_t x = 0; x < width; ++x, dst += 4) {
        const auto entry = PaletteEntry(frame, PackedValue(src, x, IndexBits(frame.format)));
        std::memcpy(dst, entry.data(), 4);
      }
      return true;
    case P::BlackWhite:
    case P::Gray2:
    case P::Gray4: {
      if (target != P::Gray8) return false;
      const unsigned bits = frame.format == P::BlackWhite ? 1 : frame.format == P::Gray2 ? 2 : 4;
      const unsigned scale = 255 / ((1u << bits) - 1);
      for (std::uint32_t x = 0; x < width; ++x) {
        dst[x] = static_cast<std::uint8_t>(PackedValue(src, x, bits) * scale);
      }
      return true;
    }
    case P::Bgr24:
      if (target != P::Rgba32) return false;
      for (std::uint32_t x = 0; x < width; ++x, src += 3, dst += 4) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
        dst[3] = 255;
      }
      return true;
    case P::Rgb48:  // 16-bit channels, little-endian
      if (target != P::Rgba64) return false;
      for (std::uint32_t x = 0; x < width; ++x, src += 6, dst += 8) {
        std::memcpy(dst, src, 6);
        dst[6] = 0xFF;
        dst[7] = 0xFF;
      }
      return true;
    case P::Bgr555:
      if (target != P::Bgra5551) return false;
      for (std::uint32_t x = 0; x < width; ++x, src += 2, dst += 2) {
        dst[0] = src[0];
        dst[1] = static_cast<std::uint8_t>(src[1] | 0x80);
      }
      return true;
    case P::Cmyk32:  // ink amounts, 0 = none
      if (target != P::Rgba32) return false;
      for (std::uint32_t x = 0; x < width; ++x, src += 4, dst += 4) {
        const unsigned white = 255u - src[3];
        dst[0] = static_cast<std::uint8_t>((255u - src[0]) * white / 255u);
        dst[1] = static_cast<std::uint8_t>((255u - src[1]) * white / 255u);
        dst[2] = static_cast<std::uint8_t>((255u - src[2]) * white / 255u);
        dst[3] = 255;
      }
      return true;
    default:
      return false;
  }
}

}  // namespace codecs

namespace {

using codecs::DecodedFrame;
using codecs::EncodedFile;

enum class Container { Unknown, Png, Jpeg, Gif, Bmp };

Container Recognise(const std::vector<std::uint8_t>& bytes) {
  auto startsWith = [&](std::initializer_list<std::uint8_t> magic) {
    return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
  };
  if (startsWith({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return Container::Png;
  if (startsWith({0xFF, 0xD8, 0xFF})) return Container::Jpeg;
  if (startsWith({'G', 'I', 'F', '8', '7', 'a'}) || startsWith({'G', 'I', 'F', '8', '9', 'a'})) {
    return Container::Gif;
  }
  if (startsWith({'B', 'M'})) return Container::Bmp;
  return Container::Unknown;
}

// Lays out the texture image and fills it from the frame, converting when
// the frame's form has no texture format of its own.
HResult FinishFrame(const DecodedFrame& frame, TextureMetadata* metadataOut, LoadedImage& image) {
  TextureFormatChoice choice;
  TextureMetadata md;
  if (const HResult hr = codecs::DescribeTexture(frame, &md, &choice); Failed(hr)) return hr;
  if (const HResult hr = InitializeImage(md, image); Failed(hr)) return hr;
  ImageRecord& record = image.images[0];
  for (std::uint32_t y = 0; y < frame.height; ++y) {
    const std::uint8_t* src = frame.pixels.data() + y * frame.stride;
    std::uint8_t* dst = record.pixels + y * record.rowPitch;
    if (choice.pixels == frame.format) {
      std::memcpy(dst, src, static_cast<std::size_t>(record.rowPitch));
    } else if (!codecs::ConvertRow(frame, src, choice.pixels, dst)) {
      return kEUnexpected;
    }
  }
  if (metadataOut != nullptr) *metadataOut = image.metadata;
  return kSOk;
}

HResult Load(std::u16string_view path, TextureMetadata* metadata, LoadedImage& image) {
  TextureFile file;
  if (const HResult hr = file.Open(path); Failed(hr)) return hr;
  std::vector<std::uint8_t> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(file.size()));
  } catch (const std::bad_alloc&) {
    return kEOutOfMemory;
  }
  if (!file.ReadExact(bytes.data(), bytes.size())) return kCodecStreamRead;
  const EncodedFile encoded{bytes.data(), bytes.size()};
  DecodedFrame frame;
  HResult hr = kSOk;
  switch (Recognise(bytes)) {
    case Container::Png: hr = codecs::DecodePng(encoded, frame); break;
    case Container::Jpeg: hr = codecs::DecodeJpeg(encoded, frame); break;
    case Container::Gif: hr = codecs::DecodeGif(encoded, frame); break;
    case Container::Bmp: hr = codecs::DecodeBmp(encoded, frame); break;
    case Container::Unknown: return kCodecComponentNotFound;
  }
  if (Failed(hr)) return hr;
  return FinishFrame(frame, metadata, image);
}

}  // namespace

HResult LoadImageFileWithLinuxCodecs(std::u16string_view path, unsigned /*flags*/,
                                     TextureMetadata* metadata, LoadedImage& image) {
  image.Release();
  if (path.empty()) return kEInvalidArg;
  const HResult hr = Load(path, metadata, image);
  if (Failed(hr)) image.Release();
  return hr;
}

void RegisterLinuxImageCodecs() { SetImageFileLoader(&LoadImageFileWithLinuxCodecs); }

}  // namespace brivonel
