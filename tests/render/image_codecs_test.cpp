#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>

#include "render/linux/image_codecs_linux.h"
#include "render/texture_loaders.h"
#include "tests/render/codec_writers.h"
#include "tests/render/texture_files.h"
#include "tests/support/temp_dir.h"

namespace brivonel {
namespace {

using test::Bytes;

class ImageCodecsTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterLinuxImageCodecs(); }
  void TearDown() override { SetImageFileLoader(nullptr); }

  HResult Load(const std::filesystem::path& path) {
    const HResult hr = LoadImageFile(test::U16Path(path), 0, &metadata_, image_);
    if (Succeeded(hr)) {
      EXPECT_EQ(metadata_.mipLevels, 1u);
      EXPECT_EQ(metadata_.arraySize, 1u);
      EXPECT_EQ(metadata_.dimension, TextureDimension::Texture2D);
    } else {
      EXPECT_EQ(image_.pixels, nullptr);
    }
    return hr;
  }
  HResult LoadPng(const test::PngRecipe& recipe) {
    test::WritePng(dir_ / "t.png", recipe);
    return Load(dir_ / "t.png");
  }
  Bytes Row(std::uint64_t y) const {
    const ImageRecord& r = image_.images.at(0);
    return Bytes(r.pixels + y * r.rowPitch, r.pixels + (y + 1) * r.rowPitch);
  }
  Bytes All() const {
    const ImageRecord& r = image_.images.at(0);
    return Bytes(r.pixels, r.pixels + r.slicePitch);
  }

  test::TempDir dir_;
  TextureMetadata metadata_;
  LoadedImage image_;
};

TEST_F(ImageCodecsTest, PngEightBitColourFormsAndTheSrgbChunk) {
  test::PngRecipe rgba;
  rgba.rows = {10, 20, 30, 40, 50, 60, 70, 80, 1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_EQ(LoadPng(rgba), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::B8G8R8A8_UNORM);  // 32bppBGRA, as stored
  EXPECT_EQ(Row(0), (Bytes{30, 20, 10, 40, 70, 60, 50, 80}));
  rgba.srgb = true;
  ASSERT_EQ(LoadPng(rgba), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::B8G8R8A8_UNORM_SRGB);

  test::PngRecipe rgb;
  rgb.colorType = 2;
  rgb.rows = {10, 20, 30, 40, 50, 60, 1, 2, 3, 4, 5, 6};
  ASSERT_EQ(LoadPng(rgb), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R8G8B8A8_UNORM);  // 24bppBGR -> 32bppRGBA
  EXPECT_EQ(Row(1), (Bytes{1, 2, 3, 255, 4, 5, 6, 255}));
  rgb.srgb = true;
  ASSERT_EQ(LoadPng(rgb), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R8G8B8A8_UNORM_SRGB);
  rgb.srgb = false;
  rgb.interlaced = true;
  ASSERT_EQ(LoadPng(rgb), kSOk);
  EXPECT_EQ(Row(1), (Bytes{1, 2, 3, 255, 4, 5, 6, 255}));

  test::PngRecipe greyAlpha;
  greyAlpha.colorType = 4;
  greyAlpha.rows = {100, 200, 50, 0, 1, 2, 3, 4};
  ASSERT_EQ(LoadPng(greyAlpha), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::B8G8R8A8_UNORM);
  EXPECT_EQ(Row(0), (Bytes{100, 100, 100, 200, 50, 50, 50, 0}));
}

TEST_F(ImageCodecsTest, PngPalettesAndLowDepthGrey) {
  test::PngRecipe indexed;
  indexed.colorType = 3;
  indexed.bitDepth = 4;
  indexed.width = 3;
  indexed.height = 1;
  indexed.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  indexed.paletteAlpha = {128};
  indexed.rows = {0x01, 0x20};  // indices 0, 1, 2
  ASSERT_EQ(LoadPng(indexed), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R8G8B8A8_UNORM);
  EXPECT_EQ(Row(0), (Bytes{255, 0, 0, 128, 0, 255, 0, 255, 0, 0, 255, 255}));

  test::PngRecipe blackWhite;
  blackWhite.colorType = 0;
  blackWhite.bitDepth = 1;
  blackWhite.width = 3;
  blackWhite.height = 1;
  blackWhite.rows = {0b10100000};
  ASSERT_EQ(LoadPng(blackWhite), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R8_UNORM);  // never R1_UNORM
  EXPECT_EQ(Row(0), (Bytes{255, 0, 255}));

  test::PngRecipe grey2 = blackWhite;
  grey2.bitDepth = 2;
  grey2.rows = {0b00011011};
  grey2.width = 4;
  ASSERT_EQ(LoadPng(grey2), kSOk);
  EXPECT_EQ(Row(0), (Bytes{0, 85, 170, 255}));

  test::PngRecipe keyed = blackWhite;
  keyed.bitDepth = 8;
  keyed.rows = {7, 9, 11};
  keyed.transparentGrey = 9;
  ASSERT_EQ(LoadPng(keyed), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R8G8B8A8_UNORM);
  EXPECT_EQ(Row(0), (Bytes{7, 7, 7, 255, 9, 9, 9, 0, 11, 11, 11, 255}));
}

TEST_F(ImageCodecsTest, PngSixteenBitSamplesComeLittleEndian) {
  test::PngRecipe grey;
  grey.colorType = 0;
  grey.bitDepth = 16;
  grey.width = 1;
  grey.height = 1;
  grey.rows = {0x12, 0x34};
  ASSERT_EQ(LoadPng(grey), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R16_UNORM);
  EXPECT_EQ(Row(0), (Bytes{0x34, 0x12}));

  test::PngRecipe rgb = grey;
  rgb.colorType = 2;
  rgb.rows = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
  ASSERT_EQ(LoadPng(rgb), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R16G16B16A16_UNORM);  // 48bppRGB -> 64bppRGBA
  EXPECT_EQ(Row(0), (Bytes{0x02, 0x01, 0x04, 0x03, 0x06, 0x05, 0xFF, 0xFF}));

  test::PngRecipe greyAlpha = grey;
  greyAlpha.colorType = 4;
  greyAlpha.rows = {0x01, 0x02, 0x03, 0x04};
  ASSERT_EQ(LoadPng(greyAlpha), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R16G16B16A16_UNORM);
  EXPECT_EQ(Row(0), (Bytes{0x02, 0x01, 0x02, 0x01, 0x02, 0x01, 0x04, 0x03}));
}

TEST_F(ImageCodecsTest, JpegGreyColourCmykAndExifColourSpace) {
  test::JpegRecipe grey;
  grey.components = 1;
  grey.pixels.assign(64, 90);
  test::WriteJpeg(dir_ / "g.jpg", grey);
  ASSERT_EQ(Load(dir_ / "g.jpg"), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R8_UNORM);
  EXPECT_NEAR(Row(3)[3], 90, 2);

  test::JpegRecipe rgb;
  for (int i = 0; i < 64; ++i) rgb.pixels.insert(rgb.pixels.end(), {200, 100, 30});
  test::WriteJpeg(dir_ / "c.jpg", rgb);
  ASSERT_EQ(Load(dir_ / "c.jpg"), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R8G8B8A8_UNORM);
  const Bytes row = Row(4);
  EXPECT_NEAR(row[0], 200, 4);
  EXPECT_NEAR(row[1], 100, 4);
  EXPECT_NEAR(row[2], 30, 4);
  EXPECT_EQ(row[3], 255);
  rgb.exifColorSpace = 1;
  test::WriteJpeg(dir_ / "s.jpg", rgb);
  ASSERT_EQ(Load(dir_ / "s.jpg"), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R8G8B8A8_UNORM_SRGB);
  rgb.exifColorSpace = 0xFFFF;  // uncalibrated
  test::WriteJpeg(dir_ / "u.jpg", rgb);
  ASSERT_EQ(Load(dir_ / "u.jpg"), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R8G8B8A8_UNORM);

  // Adobe CMYK stores ink inverted: 255 - (C, M, Y, K) = (0, 128, 255, 51).
  test::JpegRecipe cmyk;
  cmyk.components = 4;
  for (int i = 0; i < 64; ++i) cmyk.pixels.insert(cmyk.pixels.end(), {255, 127, 0, 204});
  test::WriteJpeg(dir_ / "k.jpg", cmyk);
  ASSERT_EQ(Load(dir_ / "k.jpg"), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R8G8B8A8_UNORM);
  const Bytes k = Row(2);
  EXPECT_NEAR(k[0], 204, 3);  // (255 - 0) * (255 - 51) / 255
  EXPECT_NEAR(k[1], 102, 3);
  EXPECT_NEAR(k[2], 0, 3);
  EXPECT_EQ(k[3], 255);
}

TEST_F(ImageCodecsTest, GifFirstFrameOnlyWithItsTransparentIndex) {
  test::GifFrame first{0, 0, 2, 2, {0, 1, 2, 3}, 2};
  test::GifFrame second{0, 0, 3, 3, Bytes(9, 1), -1};
  test::WriteGif(dir_ / "a.gif", 3, 3, {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9},
                 {first, second});
  ASSERT_EQ(Load(dir_ / "a.gif"), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R8G8B8A8_UNORM);
  EXPECT_EQ(metadata_.width, 2u);  // the first frame's own size
  EXPECT_EQ(All(), (Bytes{255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 0, 9, 9, 9, 255}));
}

// A BMP with a 40-byte (or larger) header over the given pixel rows.
Bytes Bmp(std::int32_t width, std::int32_t height, unsigned bits, std::uint32_t compression,
          const Bytes& palette, const Bytes& pixels, std::uint32_t headerSize = 40,
          const std::vector<std::uint32_t>& masks = {}, int colorsUsed = -1) {
  Bytes b = {'B', 'M'};
  const std::uint32_t offset = 14 + headerSize + static_cast<std::uint32_t>(palette.size()) +
                               (headerSize == 40 ? 4 * static_cast<std::uint32_t>(masks.size()) : 0);
  test::AppendU32(b, offset + static_cast<std::uint32_t>(pixels.size()));
  test::AppendU32(b, 0);
  test::AppendU32(b, offset);
  Bytes h(headerSize, 0);
  test::PutU32(h, 0, headerSize);
  test::PutU32(h, 4, static_cast<std::uint32_t>(width));
  test::PutU32(h, 8, static_cast<std::uint32_t>(height));
  h[12] = 1;
  h[14] = static_cast<std::uint8_t>(bits);
  test::PutU32(h, 16, compression);
  test::PutU32(h, 32, static_cast<std::uint32_t>(colorsUsed >= 0 ? colorsUsed
                                                                : static_cast<int>(palette.size() / 4)));
  if (headerSize > 40) {
    for (std::size_t i = 0; i < masks.size(); ++i) test::PutU32(h, 40 + 4 * i, masks[i]);
  }
  b.insert(b.end(), h.begin(), h.end());
  if (headerSize == 40) {
    for (std::uint32_t m : masks) test::AppendU32(b, m);
  }
  b.insert(b.end(), palette.begin(), palette.end());
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

TEST_F(ImageCodecsTest, BmpPixelFormsRecognisedByContent) {
  // 24-bit, bottom-up, rows padded to 4 bytes; named like a sphere map.
  test::WriteBytes(dir_ / "s.spa", Bmp(1, 2, 24, 0, {}, {1, 2, 3, 0, 4, 5, 6, 0}));
  ASSERT_EQ(Load(dir_ / "s.spa"), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R8G8B8A8_UNORM);
  EXPECT_EQ(All(), (Bytes{6, 5, 4, 255, 3, 2, 1, 255}));

  test::WriteBytes(dir_ / "t.bmp", Bmp(1, -2, 32, 0, {}, {1, 2, 3, 4, 5, 6, 7, 8}));
  ASSERT_EQ(Load(dir_ / "t.bmp"), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::B8G8R8X8_UNORM);
  EXPECT_EQ(All(), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));  // top-down
  test::WriteBytes(dir_ / "t.bmp", Bmp(1, 1, 32, 3, {}, {1, 2, 3, 4}, 124,
                                       {0xFF0000, 0xFF00, 0xFF, 0xFF000000}));
  ASSERT_EQ(Load(dir_ / "t.bmp"), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::B8G8R8A8_UNORM);

  const Bytes palette = {0, 0, 255, 0, 0, 255, 0, 0};  // red, green as blue-green-red-x
  test::WriteBytes(dir_ / "t.bmp", Bmp(3, 1, 1, 0, palette, {0b01000000, 0, 0, 0}));
  ASSERT_EQ(Load(dir_ / "t.bmp"), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R8G8B8A8_UNORM);  // 1bppIndexed -> 32bppRGBA
  EXPECT_EQ(All(), (Bytes{255, 0, 0, 255, 0, 255, 0, 255, 255, 0, 0, 255}));
  // RLE8: a run of 2 of index 1, a literal of 3 indices (padded), end of bitmap.
  test::WriteBytes(dir_ / "t.bmp",
                   Bmp(5, 1, 8, 1, palette, {2, 1, 0, 3, 0, 1, 0, 0, 0, 1}));
  ASSERT_EQ(Load(dir_ / "t.bmp"), kSOk);
  EXPECT_EQ(Row(0)[0 * 4 + 1], 255);  // green
  EXPECT_EQ(Row(0)[2 * 4 + 0], 255);  // red
  EXPECT_EQ(Row(0)[3 * 4 + 1], 255);

  test::WriteBytes(dir_ / "t.bmp", Bmp(1, 1, 16, 0, {}, {0x1F, 0x00, 0, 0}));
  ASSERT_EQ(Load(dir_ / "t.bmp"), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::B5G5R5A1_UNORM);  // 16bppBGR555 -> BGRA5551
  EXPECT_EQ(Row(0), (Bytes{0x1F, 0x80}));
  test::WriteBytes(dir_ / "t.bmp", Bmp(1, 1, 16, 3, {}, {0x1F, 0xF8, 0, 0}, 40,
                                       {0xF800, 0x7E0, 0x1F}));
  ASSERT_EQ(Load(dir_ / "t.bmp"), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::B5G6R5_UNORM);
  EXPECT_EQ(Row(0), (Bytes{0x1F, 0xF8}));

  // A PNG named .bmp is still a PNG.
  test::PngRecipe png;
  png.rows = Bytes(16, 1);
  test::WritePng(dir_ / "p.bmp", png);
  ASSERT_EQ(Load(dir_ / "p.bmp"), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::B8G8R8A8_UNORM);
}

TEST_F(ImageCodecsTest, DamagedAndUnknownFilesFailWithTheCodecResults) {
  test::WriteBytes(dir_ / "x.png", Bytes{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'g'});
  EXPECT_EQ(Load(dir_ / "x.png"), kCodecComponentNotFound);
  EXPECT_EQ(Load(dir_ / "none.png"), static_cast<HResult>(0x80070002u));

  test::PngRecipe png;
  png.width = 64;
  png.height = 64;
  png.colorType = 2;
  for (int i = 0; i < 64 * 64 * 3; ++i) png.rows.push_back(static_cast<std::uint8_t>(i * 7));
  test::WritePng(dir_ / "p.png", png);
  Bytes whole(std::filesystem::file_size(dir_ / "p.png"));
  {
    std::FILE* f = std::fopen((dir_ / "p.png").c_str(), "rb");
    ASSERT_EQ(std::fread(whole.data(), 1, whole.size(), f), whole.size());
    std::fclose(f);
  }
  test::WriteBytes(dir_ / "cut.png", Bytes(whole.begin(), whole.begin() + whole.size() / 2));
  EXPECT_EQ(Load(dir_ / "cut.png"), kCodecBadImage);
  // A header claiming 100000 x 100000 over a few bytes.
  Bytes huge = whole;
  test::PutU32(huge, 16, 0xA0860100);  // big-endian 100000
  test::PutU32(huge, 20, 0xA0860100);
  const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, huge.data() + 12, 17));
  for (int i = 0; i < 4; ++i) huge[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  test::WriteBytes(dir_ / "huge.png", huge);
  EXPECT_EQ(Load(dir_ / "huge.png"), kFileTooLarge);  // refused before allocating 30 GB

  test::WriteBytes(dir_ / "b.bmp", Bmp(100, 100, 24, 0, {}, Bytes(50, 1)));
  EXPECT_EQ(Load(dir_ / "b.bmp"), kCodecBadImage);
  test::WriteBytes(dir_ / "b.bmp", Bmp(1, 1, 8, 0, Bytes(8, 0), {0, 0, 0, 0}, 40, {}, 0));
  EXPECT_EQ(Load(dir_ / "b.bmp"), kCodecBadHeader);  // 256 colours, two stored
  test::WriteBytes(dir_ / "b.bmp", Bmp(0x7FFFFFFF, 0x7FFFFFFF, 32, 0, {}, Bytes(16, 1)));
  EXPECT_EQ(Load(dir_ / "b.bmp"), kFileTooLarge);
}

}  // namespace
}  // namespace brivonel
