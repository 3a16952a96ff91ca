// The sample files the build wrote: each decodes with the program's own
// readers to what the generator intended.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/unicode.h"
#include "render/texture_loaders.h"
#include "tests/samples/sample_test_support.h"
#include "tools/sample_generator/sample_files.h"
#include "tools/sample_generator/textures.h"

namespace brivonel::samples {
namespace {

std::uintmax_t FileSize(std::string_view name) { return std::filesystem::file_size(SampleFile(name)); }

TEST(SampleFilesTest, FaceTextureIsBc3WithAFullMipChain) {
  TextureMetadata metadata;
  LoadedImage image;
  ASSERT_EQ(LoadDdsFile(SamplePath(kFaceTexture), 0, &metadata, image), kSOk);
  EXPECT_EQ(metadata.format, DxgiFormat::BC3_UNORM);
  EXPECT_EQ(metadata.width, 512u);
  EXPECT_EQ(metadata.height, 512u);
  EXPECT_EQ(metadata.mipLevels, 10u);
  EXPECT_EQ(image.images.size(), 10u);
  EXPECT_EQ(image.images.back().width, 1u);
  EXPECT_EQ(FileSize(kFaceTexture), 128u + image.pixelSize) << "nothing after the last level";
}

TEST(SampleFilesTest, ClothTgaIsRunLengthEncodedAndDecodesToTheComputedPixels) {
  TextureMetadata metadata;
  LoadedImage image;
  ASSERT_EQ(LoadTgaFile(SamplePath(kClothTexture), &metadata, image), kSOk);
  EXPECT_EQ(metadata.format, DxgiFormat::R8G8B8A8_UNORM);
  ASSERT_EQ(metadata.width, 256u);
  ASSERT_EQ(metadata.height, 256u);
  std::ifstream file(SampleFile(kClothTexture), std::ios::binary);
  char header[3] = {};
  file.read(header, 3);
  EXPECT_EQ(header[2], 10) << "run-length true colour";
  EXPECT_LT(FileSize(kClothTexture), 256u * 256u * 3u / 2u);

  const Image expected = ClothTexture(256);
  const ImageRecord& decoded = image.images.at(0);
  std::size_t different = 0;
  for (std::size_t y = 0; y < 256; ++y)
    for (std::size_t x = 0; x < 256; ++x)
      for (std::size_t c = 0; c < 4; ++c)
        different += decoded.pixels[y * decoded.rowPitch + x * 4 + c] !=
                     expected.At(static_cast<int>(x), static_cast<int>(y))[c];
  EXPECT_EQ(different, 0u);
}

TEST(SampleFilesTest, EveryTextureTheModelsNameIsBesideThem) {
  for (std::string_view name :
       {kFaceTexture, kClothTexture, kHairTexture, kShoesTexture, kSphereMap, kRibbonSphere})
    EXPECT_GT(FileSize(name), 100u) << name;
  // Shared toons under the names models ship them with.
  for (const char* toon : {"toon01.bmp", "toon02.bmp", "toon03.bmp", "toon10.bmp"})
    EXPECT_GT(FileSize(toon), 100u) << toon;
}

}  // namespace
}  // namespace brivonel::samples
