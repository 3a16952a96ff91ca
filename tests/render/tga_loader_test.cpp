#include <gtest/gtest.h>

#include <cstring>

#include "render/texture_loaders.h"
#include "tests/render/texture_files.h"
#include "tests/support/temp_dir.h"

namespace brivonel {
namespace {

using test::Bytes;
using test::TgaRecipe;

class TgaLoaderTest : public ::testing::Test {
 protected:
  HResult Load(const TgaRecipe& recipe, const Bytes& data) {
    Bytes file = test::TgaHeader(recipe);
    file.insert(file.end(), data.begin(), data.end());
    return LoadBytes(file);
  }
  HResult LoadBytes(const Bytes& file) {
    const auto path = dir_ / "t.tga";
    test::WriteBytes(path, file);
    const HResult hr = LoadTgaFile(test::U16Path(path), &metadata_, image_);
    if (Failed(hr)) {
      EXPECT_EQ(image_.pixels, nullptr);
    }
    return hr;
  }
  // The decoded image, row by row from the top, as bytes.
  Bytes Pixels() const {
    const ImageRecord& r = image_.images.at(0);
    return Bytes(r.pixels, r.pixels + r.slicePitch);
  }

  test::TempDir dir_;
  TextureMetadata metadata_;
  LoadedImage image_;
};

// A 3x2 picture of 32-bit pixels (blue, green, red, alpha), top row first.
const std::uint8_t kPicture[2][3][4] = {
    {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}},
    {{10, 11, 12, 0}, {13, 14, 15, 0}, {16, 17, 18, 0}},
};

// Stores kPicture with the given orientation bits and bytes per pixel.
Bytes Store(std::uint8_t descriptor, unsigned bytes, std::uint8_t alpha = 0) {
  Bytes out;
  const bool topDown = (descriptor & 0x20) != 0;
  const bool rightToLeft = (descriptor & 0x10) != 0;
  for (int row = 0; row < 2; ++row) {
    const int y = topDown ? row : 1 - row;
    for (int i = 0; i < 3; ++i) {
      const int x = rightToLeft ? 2 - i : i;
      out.insert(out.end(), kPicture[y][x], kPicture[y][x] + 3);
      if (bytes == 4) out.push_back(x == 1 && y == 1 ? alpha : 0);
    }
  }
  return out;
}

// The expected R8G8B8A8 bytes of kPicture.
Bytes Expected(std::uint8_t alpha24or32, std::uint8_t centreAlpha) {
  Bytes out;
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      out.insert(out.end(), {kPicture[y][x][2], kPicture[y][x][1], kPicture[y][x][0]});
      out.push_back(x == 1 && y == 1 ? centreAlpha : alpha24or32);
    }
  }
  return out;
}

TEST_F(TgaLoaderTest, EveryOrientationDecodesToTheSamePicture) {
  for (std::uint8_t descriptor : {0x00, 0x20, 0x10, 0x30}) {
    SCOPED_TRACE(descriptor);
    TgaRecipe recipe;
    recipe.width = 3;
    recipe.descriptor = descriptor;
    recipe.bitsPerPixel = 24;
    ASSERT_EQ(Load(recipe, Store(descriptor, 3)), kSOk);
    EXPECT_EQ(metadata_.format, DxgiFormat::R8G8B8A8_UNORM);
    EXPECT_EQ(Pixels(), Expected(255, 255));
    recipe.bitsPerPixel = 32;
    ASSERT_EQ(Load(recipe, Store(descriptor, 4, 0x40)), kSOk);
    EXPECT_EQ(Pixels(), Expected(0, 0x40)) << "one non-zero alpha keeps alpha as stored";
    ASSERT_EQ(Load(recipe, Store(descriptor, 4, 0)), kSOk);
    EXPECT_EQ(Pixels(), Expected(255, 255)) << "all-zero alpha becomes opaque";
  }
}

// Run-length encodes each row of raw pixels as: a run of the first pixel
// when the next equals it, literals otherwise (never crossing a row).
Bytes Rle(const Bytes& raw, unsigned width, unsigned bytes) {
  Bytes out;
  const std::size_t rows = raw.size() / (width * bytes);
  for (std::size_t y = 0; y < rows; ++y) {
    const std::uint8_t* row = raw.data() + y * width * bytes;
    unsigned x = 0;
    while (x < width) {
      unsigned run = 1;
      while (x + run < width && run < 128 &&
             std::memcmp(row + x * bytes, row + (x + run) * bytes, bytes) == 0) {
        ++run;
      }
      if (run > 1) {
        out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
        out.insert(out.end(), row + x * bytes, row + (x + 1) * bytes);
        x += run;
      } else {
        out.push_back(0);
        out.insert(out.end(), row + x * bytes, row + (x + 1) * bytes);
        ++x;
      }
    }
  }
  return out;
}

TEST_F(TgaLoaderTest, RunLengthPacketsInEveryOrientation) {
  for (std::uint8_t descriptor : {0x00, 0x20, 0x10, 0x30}) {
    SCOPED_TRACE(descriptor);
    TgaRecipe recipe;
    recipe.imageType = 10;
    recipe.width = 3;
    recipe.descriptor = descriptor;
    recipe.bitsPerPixel = 32;
    ASSERT_EQ(Load(recipe, Rle(Store(descriptor, 4, 9), 3, 4)), kSOk);
    EXPECT_EQ(Pixels(), Expected(0, 9));
  }
  // A run of 3 equal pixels then literals over two rows of 3.
  TgaRecipe recipe;
  recipe.imageType = 11;
  recipe.bitsPerPixel = 8;
  recipe.width = 3;
  recipe.descriptor = 0x20;
  ASSERT_EQ(Load(recipe, Bytes{0x82, 7, 0x02, 1, 2, 3}), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R8_UNORM);
  EXPECT_EQ(Pixels(), (Bytes{7, 7, 7, 1, 2, 3}));
  // A run that would cross the end of the first row.
  EXPECT_EQ(Load(recipe, Bytes{0x83, 7, 0x01, 1, 2}), kEFail);
  // Data ending inside a literal packet, and with a packet header only.
  EXPECT_EQ(Load(recipe, Bytes{0x82, 7, 0x02, 1, 2}), kEFail);
  EXPECT_EQ(Load(recipe, Bytes{0x82, 7, 0x82}), kEFail);
  // A header claiming a huge image over a few bytes fails before allocating:
  // past the largest texture, as too large; within it, as a short file.
  recipe.width = 65535;
  recipe.height = 65535;
  recipe.imageType = 10;
  recipe.bitsPerPixel = 32;
  EXPECT_EQ(Load(recipe, Bytes(100, 0xFF)), kFileTooLarge);
  recipe.width = 16384;
  recipe.height = 16384;
  EXPECT_EQ(Load(recipe, Bytes(100, 0xFF)), kEFail);
}

TEST_F(TgaLoaderTest, SixteenBitAlphaBitRule) {
  TgaRecipe recipe;
  recipe.bitsPerPixel = 16;
  recipe.width = 2;
  recipe.height = 1;
  ASSERT_EQ(Load(recipe, Bytes{0x01, 0x02, 0x03, 0x04}), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::B5G5R5A1_UNORM);
  EXPECT_EQ(Pixels(), (Bytes{0x01, 0x82, 0x03, 0x84}));
  ASSERT_EQ(Load(recipe, Bytes{0x01, 0x82, 0x03, 0x04}), kSOk);
  EXPECT_EQ(Pixels(), (Bytes{0x01, 0x82, 0x03, 0x04}));
  recipe.descriptor = 0;  // bottom-up takes the decoding path
  ASSERT_EQ(Load(recipe, Bytes{0x01, 0x02, 0x03, 0x04}), kSOk);
  EXPECT_EQ(Pixels(), (Bytes{0x01, 0x82, 0x03, 0x84}));
}

TEST_F(TgaLoaderTest, RefusedHeadersAndTruncatedData) {
  TgaRecipe recipe;
  const Bytes data(64, 1);
  EXPECT_EQ(LoadBytes(Bytes(17, 0)), kEFail);
  EXPECT_EQ(LoadBytes(test::TgaHeader(recipe)), kEFail);  // ends where the pixels start
  TgaRecipe withId = recipe;
  withId.idLength = 10;
  EXPECT_EQ(LoadBytes(test::TgaHeader(withId)), kEFail);
  EXPECT_EQ(Load(withId, Bytes(16, 0)), kSOk);  // identification skipped
  Bytes cut = test::TgaHeader(withId);
  cut.resize(22);  // ends inside the identification field
  EXPECT_EQ(LoadBytes(cut), kEFail);

  TgaRecipe s = recipe;
  s.colorMapType = 1;
  EXPECT_EQ(Load(s, data), kNotSupported);
  s = recipe;
  s.imageType = 1;
  EXPECT_EQ(Load(s, data), kNotSupported);
  s = recipe;
  s.imageType = 9;
  EXPECT_EQ(Load(s, data), kNotSupported);
  s = recipe;
  s.descriptor = 0x60;  // interleaved
  EXPECT_EQ(Load(s, data), kNotSupported);
  s = recipe;
  s.imageType = 3;
  s.bitsPerPixel = 16;
  EXPECT_EQ(Load(s, data), kNotSupported);
  s = recipe;
  s.bitsPerPixel = 8;  // 8-bit true colour has no format
  EXPECT_EQ(Load(s, data), kEInvalidArg);
  s = recipe;
  s.imageType = 5;
  EXPECT_EQ(Load(s, data), kInvalidData);
  s = recipe;
  s.width = 0;
  EXPECT_EQ(Load(s, data), kInvalidData);
  EXPECT_EQ(Load(recipe, Bytes(15, 0)), kEFail);  // 2x2x4 needs 16
  s = recipe;
  s.descriptor = 0;
  EXPECT_EQ(Load(s, Bytes(15, 0)), kEFail);
  EXPECT_EQ(LoadTgaFile(test::U16Path(dir_ / "none.tga"), nullptr, image_),
            static_cast<HResult>(0x80070002u));
}

}  // namespace
}  // namespace brivonel
