#include "tests/render/codec_writers.h"

#include <cstdio>
#include <jpeglib.h>
#include <gif_lib.h>
#include <png.h>

#include <stdexcept>

namespace brivonel::test {

void WritePng(const std::filesystem::path& path, const PngRecipe& recipe) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) throw std::runtime_error("cannot write png");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, out);
  png_set_IHDR(png, info, static_cast<png_uint_32>(recipe.width),
               static_cast<png_uint_32>(recipe.height), recipe.bitDepth, recipe.colorType,
               recipe.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> colors;
  for (std::size_t i = 0; i + 2 < recipe.palette.size(); i += 3) {
    colors.push_back({recipe.palette[i], recipe.palette[i + 1], recipe.palette[i + 2]});
  }
  if (!colors.empty()) png_set_PLTE(png, info, colors.data(), static_cast<int>(colors.size()));
  if (!recipe.paletteAlpha.empty()) {
    png_set_tRNS(png, info, recipe.paletteAlpha.data(), static_cast<int>(recipe.paletteAlpha.size()),
                 nullptr);
  }
  if (recipe.transparentGrey >= 0) {
    png_color_16 key{};
    key.gray = key.red = key.green = key.blue = static_cast<png_uint_16>(recipe.transparentGrey);
    png_set_tRNS(png, info, nullptr, 0, &key);
  }
  if (recipe.srgb) png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
  png_write_info(png, info);
  const std::size_t rowBytes = recipe.rows.size() / static_cast<std::size_t>(recipe.height);
  std::vector<png_bytep> rows;
  for (int y = 0; y < recipe.height; ++y) {
    rows.push_back(const_cast<png_bytep>(recipe.rows.data() + static_cast<std::size_t>(y) * rowBytes));
  }
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(out);
}

namespace {

// A little-endian TIFF block with an Exif sub-directory holding ColorSpace.
std::vector<std::uint8_t> ExifBlock(int colorSpace) {
  std::vector<std::uint8_t> b = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0};
  auto u16 = [&](unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  auto u32 = [&](std::uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  u16(1);                 // IFD0: one entry
  u16(0x8769);            // Exif IFD pointer
  u16(4);                 // LONG
  u32(1);
  u32(26);                // the Exif IFD follows at TIFF offset 26
  u32(0);                 // no next IFD
  u16(1);                 // Exif IFD: one entry
  u16(0xA001);            // ColorSpace
  u16(3);                 // SHORT
  u32(1);
  u16(static_cast<unsigned>(colorSpace));
  u16(0);
  u32(0);
  return b;
}

}  // namespace

void WriteJpeg(const std::filesystem::path& path, const JpegRecipe& recipe) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) throw std::runtime_error("cannot write jpeg");
  jpeg_compress_struct c{};
  jpeg_error_mgr errors{};
  c.err = jpeg_std_error(&errors);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, out);
  c.image_width = static_cast<JDIMENSION>(recipe.width);
  c.image_height = static_cast<JDIMENSION>(recipe.height);
  c.input_components = recipe.components;
  c.in_color_space = recipe.components == 1 ? JCS_GRAYSCALE : recipe.components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 100, TRUE);
  jpeg_start_compress(&c, TRUE);
  if (recipe.exifColorSpace >= 0) {
    const std::vector<std::uint8_t> exif = ExifBlock(recipe.exifColorSpace);
    jpeg_write_marker(&c, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
  }
  const std::size_t stride = static_cast<std::size_t>(recipe.width * recipe.components);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(recipe.pixels.data() + c.next_scanline * stride);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::fclose(out);
}

void WriteGif(const std::filesystem::path& path, int width, int height,
              const std::vector<std::uint8_t>& colors, const std::vector<GifFrame>& frames) {
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  if (gif == nullptr) throw std::runtime_error("cannot write gif");
  std::vector<GifColorType> entries;
  for (std::size_t i = 0; i + 2 < colors.size(); i += 3) {
    entries.push_back({colors[i], colors[i + 1], colors[i + 2]});
  }
  ColorMapObject* map = GifMakeMapObject(static_cast<int>(entries.size()), entries.data());
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, width, height, 8, 0, map);
  for (const GifFrame& frame : frames) {
    GraphicsControlBlock control{};
    control.TransparentColor = frame.transparentIndex;
    control.DisposalMode = DISPOSAL_UNSPECIFIED;
    GifByteType block[4];
    const std::size_t length = EGifGCBToExtension(&control, block);
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), block);
    EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, false, nullptr);
    for (int y = 0; y < frame.height; ++y) {
      EGifPutLine(gif, const_cast<GifPixelType*>(frame.indices.data() + y * frame.width),
                  frame.width);
    }
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
}

}  // namespace brivonel::test
