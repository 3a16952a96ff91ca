#pragma once
// One decoded image frame in the pixel form its codec delivers, before the
// conversion to a texture format. Internal to the Linux codec loader.
#include <array>
#include <cstdint>
#include <vector>

#include "base/hresult.h"
#include "render/image_codec_formats.h"
#include "render/texture_image.h"

namespace brivonel::codecs {

struct DecodedFrame {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  CodecPixelFormat format = CodecPixelFormat::Unknown;
  std::uint64_t stride = 0;          // bytes per row in pixels
  std::vector<std::uint8_t> pixels;  // rows top to bottom
  // Indexed formats: red, green, blue, alpha per entry; indices past the
  // end read as opaque black.
  std::vector<std::array<std::uint8_t, 4>> palette;
  bool srgb = false;  // the file declares the sRGB colour space
};

// Encoded input held in memory (the whole file, read with bounds checked).
struct EncodedFile {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

// Decoded frames (and the textures made from them) larger than this are
// refused before allocating: no codec here compresses beyond a few thousand
// to one, so a small file claiming a huge picture is damaged.
std::uint64_t DecodedSizeLimit(const EncodedFile& file);

HResult DecodePng(const EncodedFile& file, DecodedFrame& frame);
HResult DecodeJpeg(const EncodedFile& file, DecodedFrame& frame);
HResult DecodeGif(const EncodedFile& file, DecodedFrame& frame);
HResult DecodeBmp(const EncodedFile& file, DecodedFrame& frame);

// The texture a frame of this size and pixel form becomes (whatever its
// pixels), and the pixel form it is converted to first.
HResult DescribeTexture(const DecodedFrame& frame, TextureMetadata* metadata,
                        TextureFormatChoice* choice);

// kFileTooLarge when that texture is past the limits of every texture, so
// that a codec can refuse the frame as soon as its header is read.
HResult CheckTextureLimits(const DecodedFrame& frame);

// Allocates frame.pixels for the frame's size, pixel form and stride, once
// the texture it becomes is known to be within the limits of every texture
// (kFileTooLarge) and of what the file can hold (kCodecBadImage). Call it
// before the codec decodes any pixel.
HResult AllocateFrame(const EncodedFile& file, std::uint64_t stride, DecodedFrame& frame);

// Converts one row of `width` pixels from the frame's form into `target`.
// Returns false for a pair this loader cannot convert.
bool ConvertRow(const DecodedFrame& frame, const std::uint8_t* src, CodecPixelFormat target,
                std::uint8_t* dst);

}  // namespace brivonel::codecs
