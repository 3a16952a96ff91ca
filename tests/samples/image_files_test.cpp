// The texture encoders of the sample generator: BC1/BC3 blocks that decode
// close to their pixels, and a PNG that carries its pixels and an sRGB chunk.
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <string>

#include "tools/sample_generator/image_files.h"

namespace brivonel::samples {
namespace {

using Block = std::uint8_t[16][4];

// The four colours of a BC1 block as a GPU expands them.
void DecodeBc1(const std::uint8_t* in, std::uint8_t (&out)[16][3]) {
  const auto expand = [](std::uint16_t c, int (&rgb)[3]) {
    const int r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    rgb[0] = (r << 3) | (r >> 2);
    rgb[1] = (g << 2) | (g >> 4);
    rgb[2] = (b << 3) | (b >> 2);
  };
  const std::uint16_t c0 = static_cast<std::uint16_t>(in[0] | (in[1] << 8));
  const std::uint16_t c1 = static_cast<std::uint16_t>(in[2] | (in[3] << 8));
  int palette[4][3];
  expand(c0, palette[0]);
  expand(c1, palette[1]);
  for (int c = 0; c < 3; ++c) {
    palette[2][c] = c0 > c1 ? (2 * palette[0][c] + palette[1][c]) / 3 : (palette[0][c] + palette[1][c]) / 2;
    palette[3][c] = c0 > c1 ? (palette[0][c] + 2 * palette[1][c]) / 3 : 0;
  }
  const std::uint32_t indices = static_cast<std::uint32_t>(in[4] | (in[5] << 8) | (in[6] << 16)) |
                                (static_cast<std::uint32_t>(in[7]) << 24);
  for (int i = 0; i < 16; ++i)
    for (int c = 0; c < 3; ++c) out[i][c] = static_cast<std::uint8_t>(palette[(indices >> (2 * i)) & 3][c]);
}

int MaxError(const Block& block, const std::uint8_t (&decoded)[16][3]) {
  int worst = 0;
  for (int i = 0; i < 16; ++i)
    for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(block[i][c] - decoded[i][c]));
  return worst;
}

TEST(SampleImageFilesTest, Bc1BlocksDecodeCloseToTheirPixels) {
  Block gradient, twoColours, flat;
  for (int i = 0; i < 16; ++i) {
    const auto t = static_cast<std::uint8_t>(i * 4);  // a ramp four palette steps can follow
    std::uint8_t g[4] = {static_cast<std::uint8_t>(40 + t), static_cast<std::uint8_t>(200 - t / 2),
                         static_cast<std::uint8_t>(90 + t / 3), 255};
    std::memcpy(gradient[i], g, 4);
    std::uint8_t two[4] = {static_cast<std::uint8_t>(i % 2 ? 250 : 20), static_cast<std::uint8_t>(i % 2 ? 30 : 60),
                           static_cast<std::uint8_t>(i % 2 ? 40 : 200), 255};
    std::memcpy(twoColours[i], two, 4);
    std::uint8_t one[4] = {255, 224, 204, 255};
    std::memcpy(flat[i], one, 4);
  }
  std::uint8_t encoded[8];
  std::uint8_t decoded[16][3];
  EncodeBc1Block(gradient, encoded);
  DecodeBc1(encoded, decoded);
  EXPECT_LE(MaxError(gradient, decoded), 16);
  EncodeBc1Block(twoColours, encoded);
  DecodeBc1(encoded, decoded);
  EXPECT_LE(MaxError(twoColours, decoded), 8);
  ASSERT_NE(encoded[0] | (encoded[1] << 8), encoded[2] | (encoded[3] << 8));
  EXPECT_GT(encoded[0] | (encoded[1] << 8), encoded[2] | (encoded[3] << 8)) << "four-colour mode";
  EncodeBc1Block(flat, encoded);
  DecodeBc1(encoded, decoded);
  EXPECT_LE(MaxError(flat, decoded), 4);
}

TEST(SampleImageFilesTest, Bc3AlphaBlocksKeepOpaqueAndGradedAlpha) {
  Block block{};
  for (auto& p : block) p[3] = 255;
  std::uint8_t encoded[8];
  EncodeBc3AlphaBlock(block, encoded);
  EXPECT_EQ(encoded[0], 255);
  EXPECT_EQ(encoded[1], 255);
  for (int i = 0; i < 16; ++i) block[i][3] = static_cast<std::uint8_t>(i * 17);
  EncodeBc3AlphaBlock(block, encoded);
  ASSERT_GT(encoded[0], encoded[1]) << "eight-alpha mode";
  std::uint64_t bits = 0;
  for (int i = 0; i < 6; ++i) bits |= static_cast<std::uint64_t>(encoded[2 + i]) << (8 * i);
  for (int i = 0; i < 16; ++i) {
    const int k = static_cast<int>((bits >> (3 * i)) & 7);
    const int a0 = encoded[0], a1 = encoded[1];
    const int value = k == 0 ? a0 : k == 1 ? a1 : ((8 - k) * a0 + (k - 1) * a1) / 7;
    EXPECT_LE(std::abs(value - block[i][3]), 19) << "pixel " << i;
  }
}

TEST(SampleImageFilesTest, DdsHoldsEveryMipLevelAsBc3Blocks) {
  const std::vector<Image> mips = MipChain(Image(16, 8));
  ASSERT_EQ(mips.size(), 5u);  // 16x8, 8x4, 4x2, 2x1, 1x1
  const Bytes dds = EncodeDdsBc3(mips);
  ASSERT_GE(dds.size(), 128u);
  EXPECT_EQ(std::memcmp(dds.data(), "DDS ", 4), 0);
  EXPECT_EQ(std::memcmp(dds.data() + 84, "DXT5", 4), 0);
  EXPECT_EQ(dds[28], 5) << "mip count";
  // 4x2 + 2x1 blocks, then one block for each level from 4x2 down.
  EXPECT_EQ(dds.size(), 128u + 16u * (8 + 2 + 1 + 1 + 1));
}

TEST(SampleImageFilesTest, PngCarriesItsPixelsAndAnSrgbChunk) {
  Image image(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      std::uint8_t* p = image.At(x, y);
      p[0] = static_cast<std::uint8_t>(x * 50);
      p[1] = static_cast<std::uint8_t>(y * 100);
      p[2] = 77;
      p[3] = 255;
    }
  const Bytes png = EncodePngSrgb(image);

  // Chunks follow the 8-byte signature: length, type, data, CRC.
  bool srgbBeforeData = false;
  for (std::size_t at = 8; at + 8 <= png.size();) {
    const std::uint32_t length = (static_cast<std::uint32_t>(png[at]) << 24) | (png[at + 1] << 16) |
                                 (png[at + 2] << 8) | png[at + 3];
    const std::string type(png.begin() + static_cast<std::ptrdiff_t>(at + 4),
                           png.begin() + static_cast<std::ptrdiff_t>(at + 8));
    if (type == "IDAT") break;
    if (type == "sRGB") srgbBeforeData = true;
    at += 12 + length;
  }
  EXPECT_TRUE(srgbBeforeData);

  png_image read;
  std::memset(&read, 0, sizeof read);
  read.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_memory(&read, png.data(), png.size()));
  read.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(read));
  ASSERT_TRUE(png_image_finish_read(&read, nullptr, pixels.data(), 0, nullptr));
  EXPECT_EQ(read.width, 5u);
  EXPECT_EQ(read.height, 3u);
  EXPECT_EQ(pixels, image.rgba);
}

}  // namespace
}  // namespace brivonel::samples
