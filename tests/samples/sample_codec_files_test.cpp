// The sample textures that go through the platform's image codecs: the hair
// PNG is taken as sRGB, the bitmaps (the sphere map named .sph included)
// decode to the computed pixels.
#include <gtest/gtest.h>

#include "render/linux/image_codecs_linux.h"
#include "render/texture_loaders.h"
#include "tests/samples/sample_test_support.h"
#include "tools/sample_generator/sample_files.h"
#include "tools/sample_generator/textures.h"

namespace brivonel::samples {
namespace {

class SampleCodecFilesTest : public ::testing::Test {
 protected:
  void Load(std::string_view name) {
    ASSERT_EQ(LoadImageFileWithLinuxCodecs(SamplePath(name), 0, &metadata_, image_), kSOk) << name;
  }
  // Channels that differ from the computed image (alpha is opaque in both).
  std::size_t Differences(const Image& expected) const {
    const ImageRecord& r = image_.images.at(0);
    std::size_t different = 0;
    for (int y = 0; y < expected.height; ++y)
      for (int x = 0; x < expected.width; ++x)
        for (int c = 0; c < 4; ++c)
          different += r.pixels[static_cast<std::size_t>(y) * r.rowPitch + static_cast<std::size_t>(x) * 4 +
                                static_cast<std::size_t>(c)] != expected.At(x, y)[c];
    return different;
  }

  TextureMetadata metadata_;
  LoadedImage image_;
};

TEST_F(SampleCodecFilesTest, HairPngIsSrgb) {
  Load(kHairTexture);
  EXPECT_EQ(metadata_.format, DxgiFormat::R8G8B8A8_UNORM_SRGB);
  EXPECT_EQ(Differences(HairTexture(256)), 0u);
}

TEST_F(SampleCodecFilesTest, BitmapsDecodeToTheComputedPixels) {
  Load(kShoesTexture);
  EXPECT_EQ(metadata_.format, DxgiFormat::R8G8B8A8_UNORM);
  EXPECT_EQ(Differences(ShoesTexture(128)), 0u);
  Load(kSphereMap);
  EXPECT_EQ(Differences(SphereMap(64)), 0u);
  Load("toon10.bmp");
  EXPECT_EQ(Differences(ToonTexture(9)), 0u);
}

}  // namespace
}  // namespace brivonel::samples
