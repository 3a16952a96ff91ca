#include <gtest/gtest.h>

#include <cstring>

#include "render/texture_layout.h"
#include "render/texture_pixel.h"
#include "render/texture_loaders.h"
#include "tests/render/texture_files.h"
#include "tests/support/temp_dir.h"

namespace brivonel {
namespace {

using test::Bytes;
using test::DdsRecipe;

class DdsLoaderTest : public ::testing::Test {
 protected:
  // Writes header + data and loads it; the metadata is checked to agree with
  // the image on success and to stay untouched on failure.
  HResult Load(const Bytes& header, const Bytes& data) {
    Bytes file = header;
    file.insert(file.end(), data.begin(), data.end());
    return LoadBytes(file);
  }
  HResult LoadBytes(const Bytes& file) {
    const auto path = dir_ / "t.dds";
    test::WriteBytes(path, file);
    metadata_ = TextureMetadata{};
    metadata_.width = 12345;
    const HResult hr = LoadDdsFile(test::U16Path(path), 0, &metadata_, image_);
    if (Failed(hr)) {
      EXPECT_EQ(metadata_.width, 12345u) << "metadata written on failure";
      EXPECT_TRUE(image_.images.empty());
      EXPECT_EQ(image_.pixels, nullptr);
    } else {
      EXPECT_EQ(metadata_.width, image_.metadata.width);
      EXPECT_EQ(metadata_.format, image_.metadata.format);
    }
    return hr;
  }
  const std::uint8_t* Pixel(std::size_t image, std::uint64_t x, std::uint64_t y, unsigned bytes) {
    const ImageRecord& r = image_.images.at(image);
    return r.pixels + y * r.rowPitch + x * bytes;
  }
  std::uint16_t U16At(std::size_t image, std::uint64_t x, std::uint64_t y) {
    std::uint16_t v;
    std::memcpy(&v, Pixel(image, x, y, 2), 2);
    return v;
  }
  std::uint32_t U32At(std::size_t image, std::uint64_t x, std::uint64_t y) {
    std::uint32_t v;
    std::memcpy(&v, Pixel(image, x, y, 4), 4);
    return v;
  }

  test::TempDir dir_;
  TextureMetadata metadata_;
  LoadedImage image_;
};

DdsRecipe Legacy(std::uint32_t flags, std::uint32_t bits, std::uint32_t r, std::uint32_t g,
               std::uint32_t b, std::uint32_t a, std::uint32_t w = 2, std::uint32_t h = 1) {
  DdsRecipe recipe;
  recipe.width = w;
  recipe.height = h;
  recipe.pixelFlags = flags;
  recipe.bitCount = bits;
  recipe.masks[0] = r;
  recipe.masks[1] = g;
  recipe.masks[2] = b;
  recipe.masks[3] = a;
  return recipe;
}

DdsRecipe FourCCRecipe(std::uint32_t code, std::uint32_t w = 4, std::uint32_t h = 4) {
  DdsRecipe recipe;
  recipe.width = w;
  recipe.height = h;
  recipe.pixelFlags = 0x4;
  recipe.fourCC = code;
  return recipe;
}

TEST_F(DdsLoaderTest, LegacyRowsMatchByFlagsCodeBitsAndMasksInTableOrder) {
  struct Case {
    DdsRecipe recipe;
    DxgiFormat format;
    std::uint32_t alphaMode;
  };
  const Case cases[] = {
      {FourCCRecipe(test::FourCC("DXT1")), DxgiFormat::BC1_UNORM, 0},
      {FourCCRecipe(test::FourCC("DXT2")), DxgiFormat::BC2_UNORM, 2},
      {FourCCRecipe(test::FourCC("DXT4")), DxgiFormat::BC3_UNORM, 2},
      {FourCCRecipe(test::FourCC("ATI2")), DxgiFormat::BC5_UNORM, 0},
      {FourCCRecipe(test::FourCC("GRGB")), DxgiFormat::G8R8_G8B8_UNORM, 0},
      {FourCCRecipe(113), DxgiFormat::R16G16B16A16_FLOAT, 0},
      // An RGB-only file with an alpha mask still matches the first 32-bit row.
      {Legacy(0x40, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000), DxgiFormat::B8G8R8A8_UNORM, 0},
      {Legacy(0x40, 32, 0xFF0000, 0xFF00, 0xFF, 0), DxgiFormat::B8G8R8X8_UNORM, 0},
      {Legacy(0x40, 32, 0xFFFF, 0xFFFF0000, 0, 0), DxgiFormat::R16G16_UNORM, 0},
      {Legacy(0x40, 32, 0xFFFFFFFF, 0, 0, 0), DxgiFormat::R32_FLOAT, 0},
      {Legacy(0x20000, 8, 0xFF, 0, 0, 0), DxgiFormat::R8_UNORM, 0},
      {Legacy(0x20001, 16, 0xFF, 0, 0, 0xFF00), DxgiFormat::R8G8_UNORM, 0},
      {Legacy(0x2, 8, 0, 0, 0, 0xFF), DxgiFormat::A8_UNORM, 0},
      {Legacy(0x41, 16, 0xF00, 0xF0, 0xF, 0xF000), DxgiFormat::B4G4R4A4_UNORM, 0},
      {Legacy(0x80000, 32, 0xFFFF, 0xFFFF0000, 0, 0), DxgiFormat::R16G16_SNORM, 0},
      {Legacy(0x80000, 16, 0xFF, 0xFF00, 0, 0), DxgiFormat::R8G8_SNORM, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.format));
    ASSERT_EQ(Load(test::DdsHeader(c.recipe), Bytes(256, 0x11)), kSOk);
    EXPECT_EQ(metadata_.format, c.format);
    EXPECT_EQ(metadata_.miscFlags2, c.alphaMode);
    EXPECT_EQ(metadata_.mipLevels, 1u);  // a stored count of 0 means one level
    EXPECT_EQ(metadata_.dimension, TextureDimension::Texture2D);
  }
  // Same bits, masks nobody lists; and a flag no row carries.
  EXPECT_EQ(Load(test::DdsHeader(Legacy(0x40, 32, 0xFF, 0xFF0000, 0xFF00, 0)), Bytes(64)),
            kNotSupported);
  EXPECT_EQ(Load(test::DdsHeader(Legacy(0x100, 32, 0xFF, 0xFF00, 0xFF0000, 0)), Bytes(64)),
            kNotSupported);
  EXPECT_EQ(Load(test::DdsHeader(FourCCRecipe(test::FourCC("DXT9"))), Bytes(64)), kNotSupported);
}

TEST_F(DdsLoaderTest, Expands888To8888WithOpaqueAlpha) {
  const Bytes data = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60};  // blue, green, red per pixel
  ASSERT_EQ(Load(test::DdsHeader(Legacy(0x40, 24, 0xFF0000, 0xFF00, 0xFF, 0)), data), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R8G8B8A8_UNORM);
  EXPECT_EQ(U32At(0, 0, 0), 0xFF102030u);  // a b g r in memory order r g b a
  EXPECT_EQ(U32At(0, 1, 0), 0xFF405060u);
}

TEST_F(DdsLoaderTest, Expands332And8332ByRepeatingBits) {
  // 3:3:2: red 7, green 0, blue 1 -> 5:6:5 red 31, green 0, blue 0b01010.
  ASSERT_EQ(Load(test::DdsHeader(Legacy(0x40, 8, 0xE0, 0x1C, 0x3, 0)), Bytes{0xE1, 0x1C}), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::B5G6R5_UNORM);
  EXPECT_EQ(U16At(0, 0, 0), (31u << 11) | 0x0Au);
  EXPECT_EQ(U16At(0, 1, 0), 63u << 5);  // green 7 -> 63
  // 8:3:3:2: colour in the low byte, alpha in the high byte.
  ASSERT_EQ(Load(test::DdsHeader(Legacy(0x40, 16, 0xE0, 0x1C, 0x3, 0xFF00)),
                 Bytes{0b10001110, 0x7F, 0x00, 0x00}),
            kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R8G8B8A8_UNORM);
  const std::uint8_t* p = Pixel(0, 0, 0, 4);
  EXPECT_EQ(p[0], 0b10010010);  // red 100 repeated
  EXPECT_EQ(p[1], 0b01101101);  // green 011 repeated
  EXPECT_EQ(p[2], 0b10101010);  // blue 10 repeated
  EXPECT_EQ(p[3], 0x7F);
}

TEST_F(DdsLoaderTest, ExpandsPalettesAndLuminanceAlpha) {
  Bytes palette(1024, 0);
  test::PutU32(palette, 4 * 1, 0x80112233);
  test::PutU32(palette, 4 * 2, 0x00445566);
  DdsRecipe indexed = Legacy(0x20, 8, 0, 0, 0, 0);
  Bytes data = palette;
  data.insert(data.end(), {1, 2});
  ASSERT_EQ(Load(test::DdsHeader(indexed), data), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R8G8B8A8_UNORM);
  EXPECT_EQ(U32At(0, 0, 0), 0x80112233u);
  EXPECT_EQ(U32At(0, 1, 0), 0x00445566u);

  DdsRecipe indexedAlpha = Legacy(0x20, 16, 0, 0, 0, 0);
  data = palette;
  data.insert(data.end(), {1, 0x0F, 2, 0xA0});  // index, alpha
  ASSERT_EQ(Load(test::DdsHeader(indexedAlpha), data), kSOk);
  EXPECT_EQ(U32At(0, 0, 0), 0x8F112233u);  // alpha or'ed into the entry
  EXPECT_EQ(U32At(0, 1, 0), 0xA0445566u);

  // A palette cut short.
  EXPECT_EQ(Load(test::DdsHeader(indexed), Bytes(1000)), kEFail);

  ASSERT_EQ(Load(test::DdsHeader(Legacy(0x20000, 8, 0xF, 0, 0, 0xF0)), Bytes{0x3C, 0xF0}), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::B4G4R4A4_UNORM);
  EXPECT_EQ(U16At(0, 0, 0), 0x3CCCu);
  EXPECT_EQ(U16At(0, 1, 0), 0xF000u);
}

TEST_F(DdsLoaderTest, PixelsReadBackAsShadersSeeThem) {
  std::array<std::uint8_t, 4> rgba{};
  ASSERT_EQ(Load(test::DdsHeader(Legacy(0x40, 8, 0xE0, 0x1C, 0x3, 0)), Bytes{0xE1, 0x1C}), kSOk);
  ASSERT_TRUE(ReadPixelRgba8(image_, 0, 0, &rgba));
  EXPECT_EQ(rgba, (std::array<std::uint8_t, 4>{255, 0, 82, 255}));
  ASSERT_TRUE(ReadPixelRgba8(image_, 1, 0, &rgba));
  EXPECT_EQ(rgba, (std::array<std::uint8_t, 4>{0, 255, 0, 255}));
  EXPECT_FALSE(ReadPixelRgba8(image_, 2, 0, &rgba));
  ASSERT_EQ(Load(test::DdsHeader(Legacy(0x20000, 8, 0xF, 0, 0, 0xF0)), Bytes{0x3C, 0xF0}), kSOk);
  ASSERT_TRUE(ReadPixelRgba8(image_, 0, 0, &rgba));
  EXPECT_EQ(rgba, (std::array<std::uint8_t, 4>{0xCC, 0xCC, 0xCC, 0x33}));
  ASSERT_EQ(Load(test::DdsHeader(Legacy(0x41, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000)),
                 Bytes{1, 2, 3, 4, 5, 6, 7, 8}),
            kSOk);
  ASSERT_TRUE(ReadPixelRgba8(image_, 1, 0, &rgba));
  EXPECT_EQ(rgba, (std::array<std::uint8_t, 4>{7, 6, 5, 8}));
  ASSERT_EQ(Load(test::DdsHeader(FourCCRecipe(test::FourCC("DXT1"))), Bytes(8)), kSOk);
  EXPECT_FALSE(ReadPixelRgba8(image_, 0, 0, &rgba));
}

TEST_F(DdsLoaderTest, SwizzlesAndOpaqueAlphaRows) {
  // 10:10:10:2 stored blue-low: red and blue fields are exchanged.
  Bytes data;
  test::AppendU32(data, 0x40000000u | 0x3FFu | (0x155u << 10));
  test::AppendU32(data, 0);
  ASSERT_EQ(Load(test::DdsHeader(Legacy(0x40, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000)), data),
            kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::R10G10B10A2_UNORM);
  EXPECT_EQ(U32At(0, 0, 0), 0x40000000u | (0x3FFu << 20) | (0x155u << 10));

  ASSERT_EQ(Load(test::DdsHeader(FourCCRecipe(test::FourCC("UYVY"), 2, 1)), Bytes{1, 2, 3, 4}), kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::YUY2);
  EXPECT_EQ(U32At(0, 0, 0), 0x03040102u);

  ASSERT_EQ(Load(test::DdsHeader(Legacy(0x40, 32, 0xFF, 0xFF00, 0xFF0000, 0)),
                 Bytes{1, 2, 3, 0, 4, 5, 6, 7}),
            kSOk);
  EXPECT_EQ(U32At(0, 0, 0), 0xFF030201u);
  EXPECT_EQ(U32At(0, 1, 0), 0xFF060504u);

  ASSERT_EQ(Load(test::DdsHeader(Legacy(0x40, 16, 0x7C00, 0x3E0, 0x1F, 0)), Bytes{1, 2, 3, 4}),
            kSOk);
  EXPECT_EQ(metadata_.format, DxgiFormat::B5G5R5A1_UNORM);
  EXPECT_EQ(U16At(0, 0, 0), 0x8201u);
  ASSERT_EQ(Load(test::DdsHeader(Legacy(0x40, 16, 0xF00, 0xF0, 0xF, 0)), Bytes{1, 2, 3, 4}), kSOk);
  EXPECT_EQ(U16At(0, 1, 0), 0xF403u);
}

TEST_F(DdsLoaderTest, Bc3MipChainLaysOutBlocksAndReadsExactly) {
  DdsRecipe recipe = FourCCRecipe(test::FourCC("DXT5"), 8, 4);
  recipe.mipCount = 4;  // 8x4, 4x2, 2x1, 1x1
  const Bytes data(32 + 16 * 3 + 7, 0xAB);  // 7 extra bytes are ignored
  ASSERT_EQ(Load(test::DdsHeader(recipe), data), kSOk);
  ASSERT_EQ(image_.images.size(), 4u);
  EXPECT_EQ(image_.images[0].rowPitch, 32u);
  EXPECT_EQ(image_.images[0].slicePitch, 32u);
  for (std::size_t i = 1; i < 4; ++i) EXPECT_EQ(image_.images[i].slicePitch, 16u);
  EXPECT_EQ(image_.pixelSize, 80u);

  EXPECT_EQ(Load(test::DdsHeader(recipe), Bytes(79)), kEFail);  // one byte short
  recipe.mipCount = 5;  // more than the chain of 8x4
  EXPECT_EQ(Load(test::DdsHeader(recipe), Bytes(200)), kEInvalidArg);
}

TEST_F(DdsLoaderTest, Dx10ArraysCubesAndVolumesFollowTheImageOrder) {
  DdsRecipe recipe;
  recipe.dx10 = true;
  recipe.width = 2;
  recipe.height = 2;
  recipe.mipCount = 2;
  recipe.arraySize = 3;
  recipe.dxgiFormat = 61;  // R8_UNORM
  Bytes data;
  for (std::uint8_t slice = 0; slice < 3; ++slice) {
    data.insert(data.end(), 4, static_cast<std::uint8_t>(slice * 16));      // mip 0
    data.push_back(static_cast<std::uint8_t>(slice * 16 + 1));              // mip 1
  }
  ASSERT_EQ(Load(test::DdsHeader(recipe), data), kSOk);
  EXPECT_EQ(metadata_.arraySize, 3u);
  ASSERT_EQ(image_.images.size(), 6u);
  std::uint64_t index = 0;
  ASSERT_TRUE(ImageIndex(metadata_, 1, 2, 0, &index));
  EXPECT_EQ(image_.images[index].pixels[0], 33);
  EXPECT_EQ(image_.images[index].width, 1u);

  recipe.arraySize = 2;
  recipe.mipCount = 1;
  recipe.miscFlag = 0x4 | 0x10;  // cube, and a flag that is kept
  recipe.miscFlags2 = 3;
  ASSERT_EQ(Load(test::DdsHeader(recipe), Bytes(12 * 4)), kSOk);
  EXPECT_EQ(metadata_.arraySize, 12u);
  EXPECT_TRUE(metadata_.IsCubemap());
  EXPECT_EQ(metadata_.miscFlags, 0x14u);
  EXPECT_EQ(metadata_.miscFlags2, 3u);
  EXPECT_EQ(Load(test::DdsHeader(recipe), Bytes(12 * 4 - 1)), kEFail);

  DdsRecipe volume = recipe;
  volume.miscFlag = 0x4;  // the cube bit means nothing for volumes
  volume.resourceDimension = 4;
  volume.headerFlags |= 0x800000;
  volume.arraySize = 1;
  volume.depth = 4;
  volume.mipCount = 3;  // 2x2x4, 1x1x2, 1x1x1
  ASSERT_EQ(Load(test::DdsHeader(volume), Bytes(16 + 2 + 1)), kSOk);
  EXPECT_EQ(metadata_.dimension, TextureDimension::Texture3D);
  EXPECT_FALSE(metadata_.IsCubemap());
  EXPECT_EQ(image_.images.size(), 7u);
  volume.arraySize = 2;
  EXPECT_EQ(Load(test::DdsHeader(volume), Bytes(64)), kNotSupported);
  volume.arraySize = 1;
  volume.headerFlags &= ~0x800000u;
  EXPECT_EQ(Load(test::DdsHeader(volume), Bytes(64)), kInvalidData);

  DdsRecipe line = recipe;
  line.miscFlag = 0;
  line.resourceDimension = 2;
  line.arraySize = 4;
  line.height = 1;
  ASSERT_EQ(Load(test::DdsHeader(line), Bytes(8)), kSOk);
  EXPECT_EQ(metadata_.dimension, TextureDimension::Texture1D);
  EXPECT_EQ(metadata_.arraySize, 4u);
  line.height = 2;  // the header says height is valid, and it is not 1
  EXPECT_EQ(Load(test::DdsHeader(line), Bytes(8)), kInvalidData);
}

TEST_F(DdsLoaderTest, Dx10HeaderFieldsOutOfRange) {
  DdsRecipe recipe;
  recipe.dx10 = true;
  const Bytes data(64, 0);
  recipe.arraySize = 0;
  EXPECT_EQ(Load(test::DdsHeader(recipe), data), kInvalidData);
  recipe.arraySize = 1;
  for (std::uint32_t format : {0u, 111u, 114u, 191u}) {
    recipe.dxgiFormat = format;
    EXPECT_EQ(Load(test::DdsHeader(recipe), data), kNotSupported) << format;
  }
  recipe.dxgiFormat = 150;  // in range, but no size is defined for it
  EXPECT_EQ(Load(test::DdsHeader(recipe), data), kEInvalidArg);
  recipe.dxgiFormat = 28;
  recipe.resourceDimension = 5;
  EXPECT_EQ(Load(test::DdsHeader(recipe), data), kInvalidData);
  // The extended header itself is cut short.
  Bytes shortFile = test::DdsHeader(recipe);
  shortFile.resize(140);
  EXPECT_EQ(LoadBytes(shortFile), kEFail);
}

TEST_F(DdsLoaderTest, MalformedFilesFailWithoutReadingOrAllocatingPastTheFile) {
  DdsRecipe recipe;
  const Bytes header = test::DdsHeader(recipe);
  EXPECT_EQ(LoadBytes(Bytes(header.begin(), header.begin() + 127)), kEFail);
  EXPECT_EQ(LoadBytes(header), kEFail);  // header only: no pixel data at all
  Bytes bad = header;
  bad[0] = 'X';
  EXPECT_EQ(Load(bad, Bytes(64)), kEFail);
  bad = header;
  test::PutU32(bad, 4, 123);
  EXPECT_EQ(Load(bad, Bytes(64)), kEFail);
  bad = header;
  test::PutU32(bad, 76, 31);
  EXPECT_EQ(Load(bad, Bytes(64)), kEFail);

  // Sizes far beyond the file: refused before any allocation is attempted,
  // as too large past the largest texture, as a short file within it.
  recipe.width = 0xFFFFFFFF;
  recipe.height = 0xFFFFFFFF;
  EXPECT_EQ(Load(test::DdsHeader(recipe), Bytes(64)), kFileTooLarge);
  recipe.width = 65536;
  recipe.height = 65536;
  EXPECT_EQ(Load(test::DdsHeader(recipe), Bytes(64)), kFileTooLarge);
  recipe.width = 16384;
  recipe.height = 16384;
  EXPECT_EQ(Load(test::DdsHeader(recipe), Bytes(64)), kEFail);
  DdsRecipe expand = Legacy(0x20, 8, 0, 0, 0, 0, 60000, 60000);
  EXPECT_EQ(Load(test::DdsHeader(expand), Bytes(1024 + 64)), kFileTooLarge);
  expand = Legacy(0x20, 8, 0, 0, 0, 0, 16000, 16000);
  EXPECT_EQ(Load(test::DdsHeader(expand), Bytes(1024 + 64)), kEFail);
  DdsRecipe array;
  array.dx10 = true;
  array.arraySize = 0xFFFFFFFF;
  array.miscFlag = 0x4;
  EXPECT_EQ(Load(test::DdsHeader(array), Bytes(64)), kFileTooLarge);

  recipe.width = 0;
  recipe.height = 4;
  EXPECT_EQ(Load(test::DdsHeader(recipe), Bytes(64)), kEInvalidArg);

  EXPECT_EQ(LoadDdsFile(test::U16Path(dir_ / "missing.dds"), 0, nullptr, image_),
            static_cast<HResult>(0x80070002u));
  EXPECT_EQ(LoadDdsFile(u"", 0, nullptr, image_), kEInvalidArg);
}

TEST_F(DdsLoaderTest, LegacyCubeNeedsAllSixFaces) {
  DdsRecipe recipe;
  recipe.caps2 = 0x200 | 0xFE00;
  ASSERT_EQ(Load(test::DdsHeader(recipe), Bytes(6 * 64)), kSOk);
  EXPECT_EQ(metadata_.arraySize, 6u);
  EXPECT_TRUE(metadata_.IsCubemap());
  recipe.caps2 = 0x200 | 0x400 | 0x800;  // two faces only
  EXPECT_EQ(Load(test::DdsHeader(recipe), Bytes(6 * 64)), kNotSupported);

  DdsRecipe volume;
  volume.headerFlags |= 0x800000;
  volume.depth = 2;
  ASSERT_EQ(Load(test::DdsHeader(volume), Bytes(2 * 64)), kSOk);
  EXPECT_EQ(metadata_.dimension, TextureDimension::Texture3D);
  EXPECT_EQ(metadata_.depth, 2u);
}

TEST(TextureLayoutTest, PitchesOfBitBlockAndVideoFormats) {
  ImagePitch pitch;
  ASSERT_EQ(ComputePitch(DxgiFormat::R1_UNORM, 9, 3, &pitch), kSOk);
  EXPECT_EQ(pitch.rowPitch, 2u);
  EXPECT_EQ(pitch.slicePitch, 6u);
  ASSERT_EQ(ComputePitch(DxgiFormat::BC1_UNORM, 1, 1, &pitch), kSOk);
  EXPECT_EQ(pitch.slicePitch, 8u);
  ASSERT_EQ(ComputePitch(DxgiFormat::BC7_UNORM, 5, 9, &pitch), kSOk);
  EXPECT_EQ(pitch.rowPitch, 32u);
  EXPECT_EQ(pitch.slicePitch, 96u);
  ASSERT_EQ(ComputePitch(DxgiFormat::YUY2, 3, 2, &pitch), kSOk);
  EXPECT_EQ(pitch.rowPitch, 8u);
  ASSERT_EQ(ComputePitch(static_cast<DxgiFormat>(103), 4, 4, &pitch), kSOk);  // NV12
  EXPECT_EQ(pitch.rowPitch, 4u);
  EXPECT_EQ(pitch.slicePitch, 24u);
  EXPECT_EQ(ComputePitch(static_cast<DxgiFormat>(150), 4, 4, &pitch), kEInvalidArg);
  EXPECT_EQ(ComputePitch(DxgiFormat::R32G32B32A32_FLOAT, UINT64_MAX / 8, 2, &pitch),
            kEArithmeticOverflow);
  EXPECT_EQ(FullMipChain(8, 4, 1), 4u);
  EXPECT_EQ(FullMipChain(1, 1, 33), 6u);
  EXPECT_EQ(FullMipChain(1, 64, 1), 7u);

  TextureMetadata md;
  md.width = 4;
  md.height = 4;
  md.depth = 1;
  md.arraySize = 1;
  md.mipLevels = 1;
  md.format = static_cast<DxgiFormat>(113);  // P8
  LoadedImage image;
  EXPECT_EQ(InitializeImage(md, image), kNotSupported);
  md.format = DxgiFormat::R8G8B8A8_UNORM;
  md.mipLevels = 0;  // the full chain
  ASSERT_EQ(InitializeImage(md, image), kSOk);
  EXPECT_EQ(image.metadata.mipLevels, 3u);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(image.pixels.get()) % 16, 0u);
  md.miscFlags = kTextureMiscCube;  // 1 slice is no cube
  EXPECT_EQ(InitializeImage(md, image), kEInvalidArg);
}

}  // namespace
}  // namespace brivonel
