// PNG through libpng. The pixel forms follow the Windows PNG decoder: grey
// of 1 to 16 bits as grey, palettes (and low-depth grey with a transparent
// colour) as indexed, 8-bit RGB as BGR, anything with alpha as 32bppBGRA or
// 64bppRGBA; 16-bit samples little-endian.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

#include "render/linux/decoded_frame.h"
#include "render/texture_loaders.h"

namespace brivonel::codecs {
namespace {

using P = CodecPixelFormat;

struct Reader {
  const EncodedFile* file;
  std::size_t position;
};

void ReadData(png_structp png, png_bytep out, png_size_t count) {
  auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
  if (count > reader->file->size - reader->position) png_error(png, "truncated");
  std::memcpy(out, reader->file->data + reader->position, count);
  reader->position += count;
}

void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

struct PngHandles {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngHandles() { png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr); }
};

P IndexedFormat(int bits) {
  switch (bits) {
    case 1: return P::Indexed1;
    case 2: return P::Indexed2;
    case 4: return P::Indexed4;
    default: return P::Indexed8;
  }
}

P GreyFormat(int bits) {
  switch (bits) {
    case 1: return P::BlackWhite;
    case 2: return P::Gray2;
    case 4: return P::Gray4;
    case 8: return P::Gray8;
    default: return P::Gray16;
  }
}

// Chooses the delivered form and sets up the libpng transformations for it.
void Configure(png_structp png, png_infop info, DecodedFrame& frame) {
  const int colorType = png_get_color_type(png, info);
  const int bits = png_get_bit_depth(png, info);
  const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (bits == 16) png_set_swap(png);
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
      if (!transparency) {
        frame.format = GreyFormat(bits);
      } else if (bits <= 8) {
        // A grey palette whose one transparent level has alpha 0.
        png_color_16p key = nullptr;
        png_get_tRNS(png, info, nullptr, nullptr, &key);
        const unsigned levels = 1u << bits;
        frame.format = IndexedFormat(bits);
        frame.palette.resize(levels);
        for (unsigned i = 0; i < levels; ++i) {
          const auto grey = static_cast<std::uint8_t>(i * 255 / (levels - 1));
          const bool clear = key != nullptr && key->gray == i;
          frame.palette[i] = {grey, grey, grey, static_cast<std::uint8_t>(clear ? 0 : 255)};
        }
      } else {
        png_set_tRNS_to_alpha(png);
        png_set_gray_to_rgb(png);
        frame.format = P::Rgba64;
      }
      break;
    case PNG_COLOR_TYPE_PALETTE: {
      frame.format = IndexedFormat(bits);
      png_colorp colors = nullptr;
      int count = 0;
      png_get_PLTE(png, info, &colors, &count);
      png_bytep alphas = nullptr;
      int alphaCount = 0;
      if (transparency) png_get_tRNS(png, info, &alphas, &alphaCount, nullptr);
      frame.palette.resize(static_cast<std::size_t>(count));
      for (int i = 0; i < count; ++i) {
        const std::uint8_t alpha = i < alphaCount ? alphas[i] : 255;
        frame.palette[static_cast<std::size_t>(i)] = {colors[i].red, colors[i].green,
                                                      colors[i].blue, alpha};
      }
      break;
    }
    case PNG_COLOR_TYPE_RGB:
      if (transparency) {
        png_set_tRNS_to_alpha(png);
        if (bits == 8) png_set_bgr(png);
        frame.format = bits == 8 ? P::Bgra32 : P::Rgba64;
      } else {
        if (bits == 8) png_set_bgr(png);
        frame.format = bits == 8 ? P::Bgr24 : P::Rgb48;
      }
      break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      png_set_gray_to_rgb(png);
      if (bits == 8) png_set_bgr(png);
      frame.format = bits == 8 ? P::Bgra32 : P::Rgba64;
      break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      if (bits == 8) png_set_bgr(png);
      frame.format = bits == 8 ? P::Bgra32 : P::Rgba64;
      break;
    default:
      break;
  }
}

}  // namespace

HResult DecodePng(const EncodedFile& file, DecodedFrame& frame) {
  PngHandles h;
  h.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, &OnError, &OnWarning);
  if (h.png == nullptr) return kEOutOfMemory;
  h.info = png_create_info_struct(h.png);
  if (h.info == nullptr) return kEOutOfMemory;
  Reader reader{&file, 0};
  std::vector<png_bytep> rows;
  // Only trivially destructible locals live past this point until the end of
  // the reading, so the jump back on a libpng error leaks nothing.
  if (setjmp(png_jmpbuf(h.png)) != 0) return kCodecBadImage;
  png_set_read_fn(h.png, &reader, &ReadData);
  png_read_info(h.png, h.info);
  frame.width = png_get_image_width(h.png, h.info);
  frame.height = png_get_image_height(h.png, h.info);
  frame.srgb = png_get_valid(h.png, h.info, PNG_INFO_sRGB) != 0;
  Configure(h.png, h.info, frame);
  if (frame.format == P::Unknown) return kCodecUnsupportedPixelFormat;
  png_set_interlace_handling(h.png);
  png_read_update_info(h.png, h.info);
  if (const HResult hr = AllocateFrame(file, png_get_rowbytes(h.png, h.info), frame); Failed(hr)) {
    return hr;
  }
  rows.resize(frame.height);
  for (std::uint32_t y = 0; y < frame.height; ++y) rows[y] = frame.pixels.data() + y * frame.stride;
  png_read_image(h.png, rows.data());
  return kSOk;
}

}  // namespace brivonel::codecs
