// The imaging-component loader: the texture format each kind of file
// becomes, the pixels it holds, the sRGB declaration, the first frame of an
// animation, and the platform's own results for files it cannot read.
#include "render/windows/wic_image_loader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <memory>

#include "base/app_exception.h"
#include "base/unicode.h"
#include "render/d3d11/d3d11_device.h"
#include "render/d3d11/d3d11_gpu.h"
#include "render/image_codec_formats.h"
#include "render/texture_loaders.h"
#include "render/texture_pixel.h"
#include "render/texture_pool.h"
#include "tests/support/temp_dir.h"
#include "tests/windows/windows_test_support.h"

namespace brivonel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Rgba = std::array<std::uint8_t, 4>;

void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A Windows bitmap as paint programs write it: bottom row first, rows padded
// to four bytes, a palette for 8 bits and fewer. rows: one entry per pixel,
// top row first (palette indices, or 0xRRGGBB).
Bytes Bitmap(std::int32_t width, std::int32_t height, std::uint16_t bits,
             const std::vector<Rgba>& palette, const std::vector<std::vector<std::uint32_t>>& rows) {
  const std::uint32_t stride = ((static_cast<std::uint32_t>(width) * bits + 31) / 32) * 4;
  const std::uint32_t paletteBytes = static_cast<std::uint32_t>(palette.size()) * 4;
  Bytes b = {'B', 'M'};
  Put32(b, 54 + paletteBytes + stride * static_cast<std::uint32_t>(height));
  Put32(b, 0);
  Put32(b, 54 + paletteBytes);
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(width));
  Put32(b, static_cast<std::uint32_t>(height));
  Put16(b, 1);
  Put16(b, bits);
  Put32(b, 0);  // no compression
  Put32(b, stride * static_cast<std::uint32_t>(height));
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, static_cast<std::uint32_t>(palette.size()));
  Put32(b, 0);
  for (const Rgba& c : palette) b.insert(b.end(), {c[2], c[1], c[0], 0});
  for (std::int32_t y = height - 1; y >= 0; --y) {
    Bytes row(stride, 0);
    for (std::int32_t x = 0; x < width; ++x) {
      const std::uint32_t v = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
      if (bits < 8) {
        const std::uint32_t bit = static_cast<std::uint32_t>(x) * bits;
        row[bit / 8] = static_cast<std::uint8_t>(row[bit / 8] | (v << (8 - bits - bit % 8)));
      } else {
        for (std::uint32_t k = 0; k < bits / 8u; ++k)
          row[static_cast<std::size_t>(x) * bits / 8 + k] = static_cast<std::uint8_t>(v >> (8 * k));
      }
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void PutBig32(Bytes& b, std::uint32_t v) {
  b.insert(b.end(), {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                     static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)});
}

void PutChunk(Bytes& png, const char* type, const Bytes& data) {
  PutBig32(png, static_cast<std::uint32_t>(data.size()));
  Bytes typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  png.insert(png.end(), typed.begin(), typed.end());
  PutBig32(png, Crc32(typed.data(), typed.size()));
}

// A PNG file: colourType 6 (RGBA, 8 bits) or 0 (grey) at bitDepth, its
// rows as stored (packed, without filter bytes), the pixels in one stored
// (uncompressed) deflate block; with an sRGB chunk (intent "perceptual")
// when srgb is set, as image editors write them.
Bytes Png(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth, std::uint8_t colourType,
          const std::vector<Bytes>& rows, bool srgb) {
  Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Bytes header;
  PutBig32(header, width);
  PutBig32(header, height);
  header.insert(header.end(), {bitDepth, colourType, 0, 0, 0});
  PutChunk(png, "IHDR", header);
  if (srgb) PutChunk(png, "sRGB", {0});
  Bytes raw;
  for (const Bytes& row : rows) {
    raw.push_back(0);  // no filter
    raw.insert(raw.end(), row.begin(), row.end());
  }
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  Bytes zlib = {0x78, 0x01, 0x01};  // one final stored block
  Put16(zlib, static_cast<std::uint32_t>(raw.size()));
  Put16(zlib, static_cast<std::uint32_t>(~raw.size() & 0xFFFF));
  zlib.insert(zlib.end(), raw.begin(), raw.end());
  PutBig32(zlib, (b << 16) | a);
  PutChunk(png, "IDAT", zlib);
  PutChunk(png, "IEND", {});
  return png;
}

// An animated GIF of two 1x1 frames: red, then blue.
Bytes TwoFrameGif() {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
  Put16(b, 1);
  Put16(b, 1);
  b.insert(b.end(), {0x80, 0, 0});  // global table of two colours
  b.insert(b.end(), {255, 0, 0, 0, 0, 255});
  b.insert(b.end(), {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0,
                     0, 0});  // loop forever
  for (std::uint8_t index : {0, 1}) {
    b.insert(b.end(), {0x21, 0xF9, 4, 0, 10, 0, 0, 0});  // 100 ms per frame
    b.push_back(0x2C);
    Put32(b, 0);
    Put16(b, 1);
    Put16(b, 1);
    b.push_back(0);
    // Codes of 3 bits: clear (4), the index, end (5).
    b.insert(b.end(), {2, 2, static_cast<std::uint8_t>(0x44 | (index << 3)), 0x01, 0});
  }
  b.push_back(0x3B);
  return b;
}

class WicImageLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override { test::UseCom(); }

  HResult Load(const std::filesystem::path& path) {
    return LoadImageFileWithWic(FromFsPath(path), 0, &metadata, image);
  }
  Rgba Pixel(std::uint64_t x, std::uint64_t y) {
    Rgba rgba{};
    EXPECT_TRUE(ReadPixelRgba8(image, x, y, &rgba)) << static_cast<int>(metadata.format);
    return rgba;
  }

  test::TempDir dir;
  TextureMetadata metadata;
  LoadedImage image;
};

TEST_F(WicImageLoaderTest, TrueColourBitmapsBecomeRgbaWithOpaqueAlpha) {
  WriteFile(dir / "skin.bmp", Bitmap(3, 2, 24, {},
                                     {{0xFF0000, 0x00FF00, 0x0000FF},     // red green blue
                                      {0xFFFFFF, 0x808080, 0x102030}}));
  ASSERT_EQ(Load(dir / "skin.bmp"), kSOk);
  EXPECT_EQ(metadata.format, DxgiFormat::R8G8B8A8_UNORM);
  EXPECT_EQ(metadata.width, 3u);
  EXPECT_EQ(metadata.height, 2u);
  EXPECT_EQ(metadata.mipLevels, 1u);
  EXPECT_EQ(metadata.arraySize, 1u);
  EXPECT_EQ(metadata.dimension, TextureDimension::Texture2D);
  EXPECT_EQ(Pixel(0, 0), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(Pixel(2, 0), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(Pixel(2, 1), (Rgba{0x10, 0x20, 0x30, 255}));
}

TEST_F(WicImageLoaderTest, PaletteBitmapsAreConvertedToRgba) {
  WriteFile(dir / "eyes.bmp", Bitmap(2, 2, 8, {{10, 20, 30, 0}, {200, 100, 50, 0}},
                                     {{0, 1}, {1, 0}}));
  ASSERT_EQ(Load(dir / "eyes.bmp"), kSOk);
  EXPECT_EQ(metadata.format, DxgiFormat::R8G8B8A8_UNORM);
  EXPECT_EQ(Pixel(0, 0), (Rgba{10, 20, 30, 255}));
  EXPECT_EQ(Pixel(1, 0), (Rgba{200, 100, 50, 255}));

  // Two-colour bitmaps are palette pictures too.
  WriteFile(dir / "mask.bmp", Bitmap(9, 1, 1, {{0, 0, 0, 0}, {255, 200, 0, 0}},
                                     {{1, 0, 0, 0, 0, 0, 0, 0, 1}}));
  ASSERT_EQ(Load(dir / "mask.bmp"), kSOk);
  EXPECT_EQ(metadata.format, DxgiFormat::R8G8B8A8_UNORM);
  EXPECT_EQ(Pixel(0, 0), (Rgba{255, 200, 0, 255}));
  EXPECT_EQ(Pixel(1, 0), (Rgba{0, 0, 0, 255}));
  EXPECT_EQ(Pixel(8, 0), (Rgba{255, 200, 0, 255}));
}

TEST_F(WicImageLoaderTest, OneBitGreyBecomesEightBitGrey) {
  WriteFile(dir / "mask.png", Png(9, 1, 1, 0, {{0x80, 0x80}}, false));
  if (test::RunningUnderWine()) {
    // Wine's converter offers this conversion but cannot do it; its result
    // is passed on.
    EXPECT_EQ(Load(dir / "mask.png"), kCodecUnsupportedOperation);
    return;
  }
  ASSERT_EQ(Load(dir / "mask.png"), kSOk);
  EXPECT_EQ(metadata.format, DxgiFormat::R8_UNORM);
  EXPECT_EQ(Pixel(0, 0)[0], 255);
  EXPECT_EQ(Pixel(1, 0)[0], 0);
  EXPECT_EQ(Pixel(8, 0)[0], 255);
}

TEST_F(WicImageLoaderTest, PngKeepsItsAlphaAndItsSrgbChunkDecidesTheFormatOnWindows) {
  const std::vector<Bytes> rows = {{255, 0, 0, 255, 0, 255, 0, 128}, {0, 0, 255, 0, 255, 255, 255, 255}};
  WriteFile(dir / "hair.png", Png(2, 2, 8, 6, rows, false));
  ASSERT_EQ(Load(dir / "hair.png"), kSOk);
  const DxgiFormat plain = metadata.format;
  EXPECT_TRUE(plain == DxgiFormat::B8G8R8A8_UNORM || plain == DxgiFormat::R8G8B8A8_UNORM)
      << static_cast<int>(plain);
  EXPECT_EQ(Pixel(0, 0), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(Pixel(1, 0), (Rgba{0, 255, 0, 128}));
  EXPECT_EQ(Pixel(0, 1)[3], 0);

  // Windows reports the chunk and the texture is sampled as sRGB; Wine's
  // component answers "property not found", which means no sRGB.
  WriteFile(dir / "srgb.png", Png(2, 2, 8, 6, rows, true));
  ASSERT_EQ(Load(dir / "srgb.png"), kSOk);
  EXPECT_EQ(metadata.format, test::RunningUnderWine() ? plain : SrgbVariant(plain));
  EXPECT_EQ(Pixel(1, 0), (Rgba{0, 255, 0, 128}));
}

TEST_F(WicImageLoaderTest, AnimatedGifGivesItsFirstFrame) {
  WriteFile(dir / "blink.gif", TwoFrameGif());
  ASSERT_EQ(Load(dir / "blink.gif"), kSOk);
  EXPECT_EQ(metadata.format, DxgiFormat::R8G8B8A8_UNORM);
  EXPECT_EQ(metadata.width, 1u);
  EXPECT_EQ(Pixel(0, 0), (Rgba{255, 0, 0, 255}));
}

TEST_F(WicImageLoaderTest, FilesItCannotReadGiveThePlatformsResult) {
  metadata.width = 77;
  WriteFile(dir / "notes.png", Bytes(64, 'x'));
  EXPECT_EQ(Load(dir / "notes.png"), kCodecComponentNotFound);
  EXPECT_EQ(image.pixelSize, 0u);
  EXPECT_EQ(metadata.width, 77u) << "metadata is written only on success";
  EXPECT_EQ(Load(dir / "missing.png"), HResultFromSystemError(2));
  EXPECT_EQ(LoadImageFileWithWic(u"", 0, &metadata, image), kEInvalidArg);

  // A picture cut short after its header.
  const Bytes whole = Bitmap(16, 16, 24, {}, std::vector<std::vector<std::uint32_t>>(
                                                 16, std::vector<std::uint32_t>(16, 0x336699)));
  WriteFile(dir / "cut.bmp", Bytes(whole.begin(), whole.begin() + 100));
  EXPECT_LT(Load(dir / "cut.bmp"), 0);
  EXPECT_EQ(image.pixelSize, 0u);
}

// Through the texture pool as the model builders use it: a missing file
// leaves the material untextured; one the component cannot read is fatal.
TEST_F(WicImageLoaderTest, TexturePoolTurnsUnreadableFilesIntoError1104) {
  RegisterWicImageLoader();
  d3d11::DeviceAndContext created = d3d11::CreateDeviceAndContext();
  auto gpu = std::make_shared<d3d11::D3d11Gpu>(created.device, created.context);
  TexturePool pool;
  pool.SetDevice(gpu);
  const std::u16string folder = FromFsPath(dir.path()) + u"\\";
  WriteFile(dir / "skin.bmp", Bitmap(1, 1, 24, {}, {{0x0000FF}}));
  EXPECT_EQ(pool.Load(folder, u"skin.bmp"), 0);
  EXPECT_EQ(pool.Get(0).metadata.format, DxgiFormat::R8G8B8A8_UNORM);
  EXPECT_NE(pool.Get(0).shaderResourceView, nullptr);
  EXPECT_EQ(pool.Load(folder, u"missing.png"), -1);

  WriteFile(dir / "broken.jpg", Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F'});
  try {
    pool.Load(folder, u"broken.jpg");
    ADD_FAILURE() << "an unreadable texture is fatal";
  } catch (const AppException& e) {
    EXPECT_EQ(e.code(), error::kTextures);
    EXPECT_LT(e.hr(), 0);
  }
  EXPECT_EQ(pool.Size(), 1u);
}

}  // namespace
}  // namespace brivonel
