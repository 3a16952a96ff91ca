// brivonel-snapshot's Windows backend, run in-process: the whole program
// drawing a written model through Direct3D 11 with the program's shader
// files, textures through the imaging component, and what bad input gives.
#include "tools/snapshot/d3d11_snapshot_backend.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <sstream>

#include "base/unicode.h"
#include "render/frame_setup.h"
#include "render/texture_pixel.h"
#include "render/windows/wic_image_loader.h"
#include "tests/support/temp_dir.h"
#include "tests/support/written_quad.h"
#include "tests/windows/windows_test_support.h"

namespace brivonel {
namespace {

using snapshot::Options;

class SnapshotD3d11Test : public ::testing::Test {
 protected:
  int Run(const Options& options, std::u16string shaderFolder = test::D3dShaderFolder()) {
    out.str("");
    err.str("");
    snapshot::D3d11SnapshotBackend backend;
    return snapshot::Run(options, shaderFolder, backend, out, err);
  }

  Options QuadOptions(const std::filesystem::path& model) {
    Options options;
    options.model = FromFsPath(model);
    options.width = 240;
    options.height = 260;
    options.out = dir / "quad.png";
    return options;
  }

  // The written PNG's pixel at (x, y) as straight RGBA.
  std::array<std::uint8_t, 4> PixelAt(const std::filesystem::path& png, int x, int y) {
    TextureMetadata metadata;
    LoadedImage image;
    EXPECT_EQ(LoadImageFileWithWic(FromFsPath(png), 0, &metadata, image), kSOk);
    std::array<std::uint8_t, 4> rgba{};
    EXPECT_TRUE(ReadPixelRgba8(image, static_cast<std::uint64_t>(x), static_cast<std::uint64_t>(y),
                               &rgba));
    return rgba;
  }

  // The pixel of the 240x260 picture where the model-space point (x, y, 0) lands.
  std::array<std::uint8_t, 4> ModelPointAt(const std::filesystem::path& png, float x, float y) {
    const Float4 clip = Transform(Transform({x, y, 0, 1}, CameraViewMatrix()),
                                  CameraProjectionMatrix(240, 260));
    return PixelAt(png, static_cast<int>((clip.x / clip.w + 1) / 2 * 240),
                   static_cast<int>((1 - clip.y / clip.w) / 2 * 260));
  }

  test::TempDir dir;
  std::ostringstream out;
  std::ostringstream err;
};

TEST_F(SnapshotD3d11Test, DrawsAWrittenModelWithItsTextureAsStraightAlpha) {
  const Options options = QuadOptions(test::WriteTexturedQuad(dir.path()));
  ASSERT_EQ(Run(options), 0) << err.str();
  EXPECT_TRUE(err.str().empty());
  const std::string line = out.str();
  EXPECT_EQ(line.find("{\"frame\": 0, \"shift\": 0, \"coverage\": "), 0u) << line;
  EXPECT_EQ(line.back(), '\n');

  // Red and green above, blue with its own alpha and white below: the
  // texture is the right way up, the channels in their places, and the
  // half-transparent texel keeps its straight colour.
  const auto topLeft = ModelPointAt(options.out, -3, 15);
  EXPECT_GT(topLeft[0], 240);
  EXPECT_LT(topLeft[1], 15);
  EXPECT_GE(topLeft[3], 250);
  const auto topRight = ModelPointAt(options.out, 3, 15);
  EXPECT_GT(topRight[1], 240);
  EXPECT_LT(topRight[0], 15);
  const auto bottomLeft = ModelPointAt(options.out, -3, 9);
  EXPECT_LT(bottomLeft[0], 15);
  EXPECT_GT(bottomLeft[2], 240);
  EXPECT_NEAR(bottomLeft[3], 128, 6);
  EXPECT_EQ(PixelAt(options.out, 2, 2)[3], 0);
}

// The bytecode's sub-texture (sphere mode 3): the second picture at the
// first additional UV set, mirrored against the texture's, multiplied in
// with its alpha. Quarters: blue, red; white, half-transparent green.
TEST_F(SnapshotD3d11Test, SubTextureIsMultipliedInAtTheAdditionalUvs) {
  Options options = QuadOptions(test::WriteSubTexturedQuad(dir.path()));
  ASSERT_EQ(Run(options), 0) << err.str();
  const auto expectClose = [](const std::array<std::uint8_t, 4>& pixel,
                       const std::array<int, 4>& expected) {
    for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(pixel[i], expected[i], 3) << i;
  };
  expectClose(ModelPointAt(options.out, -3, 15), {0, 0, 255, 255});
  expectClose(ModelPointAt(options.out, 3, 15), {128, 0, 0, 255});
  expectClose(ModelPointAt(options.out, -3, 9), {128, 255, 255, 255});
  expectClose(ModelPointAt(options.out, 3, 9), {0, 255, 0, 128});
}

TEST_F(SnapshotD3d11Test, JapaneseFolderAndFileNamesWork) {
  const std::filesystem::path folder = dir.path() / std::filesystem::path(u"モデル");
  std::filesystem::create_directory(folder);
  Options options = QuadOptions(test::WriteTexturedQuad(folder, u"四色.tga"));
  options.out = folder / std::filesystem::path(u"絵.png");
  ASSERT_EQ(Run(options), 0) << err.str();
  EXPECT_GT(ModelPointAt(options.out, -3, 15)[0], 240);  // the texture's red corner
}

TEST_F(SnapshotD3d11Test, AMissingTextureLeavesTheMaterialUntextured) {
  const Options options = QuadOptions(test::WriteTexturedQuad(dir.path(), u"gone.png", false));
  ASSERT_EQ(Run(options), 0) << err.str();
  const auto middle = ModelPointAt(options.out, 0, 12);
  EXPECT_GT(middle[0], 200);  // the material's own white
  EXPECT_GT(middle[1], 200);
  EXPECT_GT(middle[2], 200);
  EXPECT_GE(middle[3], 250);
}

TEST_F(SnapshotD3d11Test, ATextureTheComponentCannotReadIsFatal) {
  const Options options = QuadOptions(test::WriteTexturedQuad(dir.path(), u"four.png", false));
  std::ofstream(dir / "four.png", std::ios::binary) << std::string(80, '?');
  EXPECT_EQ(Run(options), 1);
  EXPECT_NE(err.str().find("quad.pmx: its texture \"four.png\""), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("cannot be loaded: not an image any loader reads (0x88982F50)"),
            std::string::npos)
      << err.str();
  EXPECT_TRUE(out.str().empty());
  EXPECT_FALSE(std::filesystem::exists(options.out));
}

TEST_F(SnapshotD3d11Test, MissingOrRefusedShaderFilesStopTheStart) {
  const Options options = QuadOptions(test::WriteTexturedQuad(dir.path()));
  const test::TempDir shaders;
  const std::u16string folder = FromFsPath(shaders.path()) + u"\\";
  EXPECT_EQ(Run(options, folder), 1);
  EXPECT_NE(err.str().find("holds no shader files (vs_pos4norm3uv2.cso"), std::string::npos)
      << err.str();

  // Bytecode the device refuses: 1103 for the vertex shader, and the
  // pixel pool's 1100 once the vertex shader loads.
  const std::u16string real = test::D3dShaderFolder();
  for (const char* name : {"vs_pos4norm3uv2.cso", "ps_pos4color4uv2.cso", "ps_pos4color4.cso"})
    std::filesystem::copy_file(std::filesystem::path(real) / name, shaders.path() / name);
  const std::string junk(300, '\x01');
  std::ofstream(shaders.path() / "vs_pos4norm3uv2.cso", std::ios::binary) << junk;
  EXPECT_EQ(Run(options, folder), 1);
  EXPECT_NE(err.str().find("ecode: 1103"), std::string::npos) << err.str();

  std::filesystem::copy_file(std::filesystem::path(real) / "vs_pos4norm3uv2.cso",
                             shaders.path() / "vs_pos4norm3uv2.cso",
                             std::filesystem::copy_options::overwrite_existing);
  std::ofstream(shaders.path() / "ps_pos4color4uv2.cso", std::ios::binary) << junk;
  EXPECT_EQ(Run(options, folder), 1);
  EXPECT_NE(err.str().find("ecode: 1100"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace brivonel
