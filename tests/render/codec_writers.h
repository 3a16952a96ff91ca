#pragma once
// Image files written with the codec libraries themselves (PNG, JPEG, GIF),
// so the loader tests read what real encoders produce.
#include <cstdint>
#include <filesystem>
#include <vector>

namespace brivonel::test {

struct PngRecipe {
  int width = 2;
  int height = 2;
  int colorType = 6;  // PNG_COLOR_TYPE_*: 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
  int bitDepth = 8;
  bool interlaced = false;
  bool srgb = false;
  // Palette entries (red, green, blue) and their alphas (tRNS), for type 3.
  std::vector<std::uint8_t> palette;
  std::vector<std::uint8_t> paletteAlpha;
  // Transparent grey level (type 0) or colour (type 2) when >= 0.
  int transparentGrey = -1;
  // Rows packed as PNG stores them (16-bit samples big-endian).
  std::vector<std::uint8_t> rows;
};
void WritePng(const std::filesystem::path& path, const PngRecipe& recipe);

struct JpegRecipe {
  int width = 8;
  int height = 8;
  int components = 3;  // 1 grey, 3 RGB, 4 CMYK (stored as given, Adobe marker written)
  std::vector<std::uint8_t> pixels;
  int exifColorSpace = -1;  // writes an Exif block with this ColorSpace when >= 0
};
void WriteJpeg(const std::filesystem::path& path, const JpegRecipe& recipe);

struct GifFrame {
  int left = 0;
  int top = 0;
  int width = 1;
  int height = 1;
  std::vector<std::uint8_t> indices;
  int transparentIndex = -1;
};
// A GIF with a global colour table (red, green, blue per entry) and frames.
void WriteGif(const std::filesystem::path& path, int width, int height,
              const std::vector<std::uint8_t>& colors, const std::vector<GifFrame>& frames);

}  // namespace brivonel::test
