// Texture formats and views of the OpenGL backend: each texture is sampled by
// the textured pixel shader on a quad that fills the target.
#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "model/model_setup.h"
#include "tests/render/gl_scene.h"
#include "tests/support/test_models.h"

namespace brivonel {
namespace {

using test::Pixel;

class GlTextureTest : public ::testing::Test {
 protected:
  GlTextureTest() : scene(64, 64) {}

  void SetUp() override {
    if (!scene.ok()) GTEST_SKIP() << "no offscreen OpenGL here: " << scene.error();
    // A quad larger than the view, lit fully by its ambient colour, so that
    // every pixel shows the texture as sampled.
    test::TestModelBuilder builder;
    builder.AddBone({0, 0, 0, 0});
    builder.AddMaterial({1, 1, 1, 1}, {1, 1, 1, 0});
    builder.AddQuad(0, {0, 12, 0, 1}, 20, 20);
    builder.Build(model);
    scene.Prepare(model);
    textured = model.pixelShaderPool.Load(test::GlScene::ShaderDirectory(),
                                          kTexturedPixelShaderName);
    ASSERT_GE(textured, 0);
    gpu::SamplerDesc point;
    point.filter = gpu::Filter::MinMagMipPoint;
    ASSERT_EQ(scene.gpu().CreateSamplerState(point, &sampler), kSOk);
  }

  // Draws the quad with the view and reads back the pixel at the centre.
  Pixel DrawCentre(const std::shared_ptr<gpu::ShaderResourceView>& view) {
    scene.Draw(model);  // binds buffers, layout and vertex shader
    scene.gpu().ClearDepthStencilView(1.0f, 0);  // the second draw lies at the same depth
    scene.gpu().PSSetShader(model.pixelShaderPool.Get(textured).pixelShader.get());
    scene.gpu().PSSetShaderResources(0, view.get());
    scene.gpu().PSSetSamplers(0, sampler.get());
    scene.gpu().DrawIndexed(6, 0, 0);
    scene.ReadBack();
    return scene.At(32, 32);
  }

  std::shared_ptr<gpu::ShaderResourceView> Texture2D(DxgiFormat format, const void* texels,
                                                     std::uint32_t pitch, std::uint32_t size = 4) {
    gpu::Texture2DDesc desc;
    desc.width = desc.height = size;
    desc.mipLevels = 1;
    desc.arraySize = 1;
    desc.format = format;
    desc.bindFlags = gpu::kBindShaderResource;
    gpu::SubresourceData data{texels, pitch, 0};
    std::shared_ptr<gpu::Resource> texture;
    EXPECT_EQ(scene.gpu().CreateTexture2D(desc, &data, &texture), kSOk);
    std::shared_ptr<gpu::ShaderResourceView> view;
    if (texture) {
      EXPECT_EQ(scene.gpu().CreateShaderResourceView(texture, nullptr, &view), kSOk);
    }
    return view;
  }

  test::GlScene scene;
  Model model;
  int textured = -1;
  std::shared_ptr<gpu::SamplerState> sampler;
};

void ExpectRgba(const Pixel& p, int r, int g, int b, int a, int tolerance = 2) {
  EXPECT_NEAR(p.r, r, tolerance);
  EXPECT_NEAR(p.g, g, tolerance);
  EXPECT_NEAR(p.b, b, tolerance);
  EXPECT_NEAR(p.a, a, tolerance);
}

TEST_F(GlTextureTest, UncompressedFormatsKeepTheirChannels) {
  std::vector<std::uint8_t> rgba(4 * 4 * 4);
  for (std::size_t i = 0; i < rgba.size(); i += 4) {
    rgba[i] = 200;
    rgba[i + 1] = 100;
    rgba[i + 2] = 50;
    rgba[i + 3] = 255;
  }
  ExpectRgba(DrawCentre(Texture2D(DxgiFormat::R8G8B8A8_UNORM, rgba.data(), 16)), 200, 100, 50, 255);
  // The same bytes read as blue, green, red, alpha.
  ExpectRgba(DrawCentre(Texture2D(DxgiFormat::B8G8R8A8_UNORM, rgba.data(), 16)), 50, 100, 200, 255);

  // Rows wider than the image: only the pixels count.
  std::vector<std::uint8_t> padded(4 * 32, 0xEE);
  for (int row = 0; row < 4; ++row) std::memcpy(&padded[row * 32], rgba.data(), 16);
  ExpectRgba(DrawCentre(Texture2D(DxgiFormat::R8G8B8A8_UNORM, padded.data(), 32)), 200, 100, 50, 255);

  // 5:6:5 pure red, and an alpha-only texture that keeps its colour black.
  std::vector<std::uint16_t> red565(16, 0xF800);
  ExpectRgba(DrawCentre(Texture2D(DxgiFormat::B5G6R5_UNORM, red565.data(), 8)), 255, 0, 0, 255);
  std::vector<std::uint8_t> alpha(16, 128);
  ExpectRgba(DrawCentre(Texture2D(DxgiFormat::A8_UNORM, alpha.data(), 4)), 0, 0, 0, 128);
}

TEST_F(GlTextureTest, BlockCompressedFormatsDecode) {
  // One BC1 block of pure green (both end points 0x07E0, all indices 0).
  const std::uint8_t bc1[8] = {0xE0, 0x07, 0xE0, 0x07, 0, 0, 0, 0};
  ExpectRgba(DrawCentre(Texture2D(DxgiFormat::BC1_UNORM, bc1, 8)), 0, 255, 0, 255);
  // One BC4 block of red 51 (both end points 51, all indices 0).
  const std::uint8_t bc4[8] = {51, 51, 0, 0, 0, 0, 0, 0};
  ExpectRgba(DrawCentre(Texture2D(DxgiFormat::BC4_UNORM, bc4, 8)), 51, 0, 0, 255);
}

TEST_F(GlTextureTest, PackedFormatsAreConverted) {
  // R8G8_B8G8: red 255, greens 0 and 255, blue 0 in each pair.
  std::vector<std::uint8_t> rgbg;
  for (int i = 0; i < 8; ++i) rgbg.insert(rgbg.end(), {255, 0, 0, 255});
  const Pixel p = DrawCentre(Texture2D(DxgiFormat::R8G8_B8G8_UNORM, rgbg.data(), 8));
  EXPECT_EQ(p.r, 255);
  EXPECT_EQ(p.b, 0);
  EXPECT_TRUE(p.g == 0 || p.g == 255);
}

TEST_F(GlTextureTest, ViewSelectsItsMipLevels) {
  // Level 0 (2x2) is red, level 1 (1x1) is blue; a view of level 1 alone shows blue.
  const std::uint8_t level0[16] = {255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255};
  const std::uint8_t level1[4] = {0, 0, 255, 255};
  gpu::Texture2DDesc desc;
  desc.width = desc.height = 2;
  desc.mipLevels = 2;
  desc.arraySize = 1;
  desc.format = DxgiFormat::R8G8B8A8_UNORM;
  gpu::SubresourceData data[2] = {{level0, 8, 0}, {level1, 4, 0}};
  std::shared_ptr<gpu::Resource> texture;
  ASSERT_EQ(scene.gpu().CreateTexture2D(desc, data, &texture), kSOk);
  gpu::ShaderResourceViewDesc viewDesc;
  viewDesc.format = DxgiFormat::R8G8B8A8_UNORM;
  viewDesc.viewDimension = gpu::SrvDimension::Texture2D;
  viewDesc.mostDetailedMip = 1;
  viewDesc.mipLevels = 1;
  std::shared_ptr<gpu::ShaderResourceView> small;
  ASSERT_EQ(scene.gpu().CreateShaderResourceView(texture, &viewDesc, &small), kSOk);
  ExpectRgba(DrawCentre(small), 0, 0, 255, 255);
  std::shared_ptr<gpu::ShaderResourceView> whole;
  ASSERT_EQ(scene.gpu().CreateShaderResourceView(texture, nullptr, &whole), kSOk);
  ExpectRgba(DrawCentre(whole), 255, 0, 0, 255);
}

TEST_F(GlTextureTest, EveryDimensionCanBeCreated) {
  const std::vector<std::uint8_t> texels(8 * 8 * 8 * 4 * 6, 77);
  std::vector<gpu::SubresourceData> data(24, {texels.data(), 32, 256});
  std::shared_ptr<gpu::Resource> texture;
  std::shared_ptr<gpu::ShaderResourceView> view;

  gpu::Texture1DDesc d1;
  d1.width = 8;
  d1.mipLevels = 1;
  d1.format = DxgiFormat::R8G8B8A8_UNORM;
  for (std::uint32_t arraySize : {1u, 3u}) {
    d1.arraySize = arraySize;
    EXPECT_EQ(scene.gpu().CreateTexture1D(d1, data.data(), &texture), kSOk) << arraySize;
    EXPECT_EQ(scene.gpu().CreateShaderResourceView(texture, nullptr, &view), kSOk);
  }
  gpu::Texture2DDesc d2;
  d2.width = d2.height = 8;
  d2.mipLevels = 0;  // the full chain: 8, 4, 2, 1
  d2.format = DxgiFormat::R8G8B8A8_UNORM;
  d2.arraySize = 3;
  EXPECT_EQ(scene.gpu().CreateTexture2D(d2, data.data(), &texture), kSOk);
  d2.arraySize = 6;
  d2.miscFlags = gpu::kResourceMiscTextureCube;
  EXPECT_EQ(scene.gpu().CreateTexture2D(d2, data.data(), &texture), kSOk);
  gpu::ShaderResourceViewDesc cube;
  cube.format = DxgiFormat::R8G8B8A8_UNORM;
  cube.viewDimension = gpu::SrvDimension::TextureCube;
  cube.mipLevels = 4;
  EXPECT_EQ(scene.gpu().CreateShaderResourceView(texture, &cube, &view), kSOk);
  // A 2-D view of a cube map is no view OpenGL 3.3 can give.
  cube.viewDimension = gpu::SrvDimension::Texture2D;
  EXPECT_EQ(scene.gpu().CreateShaderResourceView(texture, &cube, &view), kNotSupported);

  gpu::Texture3DDesc d3;
  d3.width = d3.height = d3.depth = 8;
  d3.mipLevels = 1;
  d3.format = DxgiFormat::R8G8B8A8_UNORM;
  EXPECT_EQ(scene.gpu().CreateTexture3D(d3, data.data(), &texture), kSOk);

  // Descriptions Direct3D refuses are refused here too.
  d2.miscFlags = 0;
  d2.arraySize = 0;
  EXPECT_EQ(scene.gpu().CreateTexture2D(d2, nullptr, &texture), kEInvalidArg);
  EXPECT_EQ(texture, nullptr);
  d2.arraySize = 1;
  d2.mipLevels = 5;
  EXPECT_EQ(scene.gpu().CreateTexture2D(d2, nullptr, &texture), kEInvalidArg);
  d2.mipLevels = 1;
  d2.format = DxgiFormat::Unknown;
  EXPECT_EQ(scene.gpu().CreateTexture2D(d2, nullptr, &texture), kNotSupported);
}

// Each subresource lands in its own array layer, cube face or depth slice,
// at its own mip level: every subresource (every depth slice of a 3-D
// texture) holds a byte of its own, and OpenGL gives each level back.
struct LayeredTexture {
  const char* name;
  int dimensions;
  std::uint32_t width, height, depth, arraySize, mipLevels, miscFlags;
  DxgiFormat format;
  GLenum target;
};

TEST_F(GlTextureTest, EverySubresourceLandsInItsLayerFaceOrSlice) {
  constexpr std::uint32_t kCube = gpu::kResourceMiscTextureCube;
  constexpr DxgiFormat kRgba = DxgiFormat::R8G8B8A8_UNORM;
  const LayeredTexture cases[] = {
      {"1-D array", 1, 8, 1, 1, 3, 2, 0, kRgba, GL_TEXTURE_1D_ARRAY},
      {"2-D array, full chain", 2, 8, 4, 1, 3, 0, 0, kRgba, GL_TEXTURE_2D_ARRAY},
      {"cube", 2, 4, 4, 1, 6, 2, kCube, kRgba, GL_TEXTURE_CUBE_MAP},
      {"cube array", 2, 4, 4, 1, 12, 1, kCube, kRgba, GL_TEXTURE_CUBE_MAP_ARRAY},
      {"3-D", 3, 4, 4, 4, 1, 2, 0, kRgba, GL_TEXTURE_3D},
      {"compressed 2-D array", 2, 8, 8, 1, 2, 2, 0, DxgiFormat::BC1_UNORM, GL_TEXTURE_2D_ARRAY},
  };
  auto partByte = [](std::uint32_t part, std::uint32_t mip) {
    return static_cast<std::uint8_t>(1 + part * 16 + mip);
  };
  for (const LayeredTexture& c : cases) {
    SCOPED_TRACE(c.name);
    const bool compressed = c.format == DxgiFormat::BC1_UNORM;
    const std::uint32_t mips = c.mipLevels != 0 ? c.mipLevels : 4;  // 8 wide: 8, 4, 2, 1
    auto size = [](std::uint32_t full, std::uint32_t mip) { return std::max(full >> mip, 1u); };
    auto rowBytes = [&](std::uint32_t mip) {
      return compressed ? (size(c.width, mip) + 3) / 4 * 8 : size(c.width, mip) * 4;
    };
    auto partBytes = [&](std::uint32_t mip) -> std::size_t {
      const std::uint32_t h = size(c.height, mip);
      return std::size_t{rowBytes(mip)} * (compressed ? (h + 3) / 4 : h);
    };
    // The parts of one level: its depth slices (3-D) or the array's layers.
    auto parts = [&](std::uint32_t mip) {
      return c.dimensions == 3 ? size(c.depth, mip) : c.arraySize;
    };
    auto levelBytes = [&](std::uint32_t slice, std::uint32_t mip, std::uint32_t count) {
      std::vector<std::uint8_t> bytes;
      for (std::uint32_t part = slice; part < slice + count; ++part) {
        bytes.insert(bytes.end(), partBytes(mip), partByte(part, mip));
      }
      return bytes;
    };

    std::vector<std::vector<std::uint8_t>> images;
    std::vector<gpu::SubresourceData> data;
    for (std::uint32_t slice = 0; slice < c.arraySize; ++slice) {
      for (std::uint32_t mip = 0; mip < mips; ++mip) {
        images.push_back(levelBytes(slice, mip, c.dimensions == 3 ? parts(mip) : 1));
        data.push_back({images.back().data(), rowBytes(mip),
                        static_cast<std::uint32_t>(partBytes(mip))});
      }
    }
    std::shared_ptr<gpu::Resource> texture;
    HResult hr = kEInvalidArg;
    if (c.dimensions == 1) {
      hr = scene.gpu().CreateTexture1D({.width = c.width, .mipLevels = c.mipLevels,
                                        .arraySize = c.arraySize, .format = c.format},
                                       data.data(), &texture);
    } else if (c.dimensions == 2) {
      hr = scene.gpu().CreateTexture2D({.width = c.width, .height = c.height,
                                        .mipLevels = c.mipLevels, .arraySize = c.arraySize,
                                        .format = c.format, .miscFlags = c.miscFlags},
                                       data.data(), &texture);
    } else {
      hr = scene.gpu().CreateTexture3D({.width = c.width, .height = c.height, .depth = c.depth,
                                        .mipLevels = c.mipLevels, .format = c.format},
                                       data.data(), &texture);
    }
    // Cube arrays and block compression are extensions of OpenGL 3.3.
    if (hr == kNotSupported && (c.target == GL_TEXTURE_CUBE_MAP_ARRAY || compressed)) continue;
    ASSERT_EQ(hr, kSOk);

    // The backend uploads through the last texture unit and leaves the new
    // texture bound there.
    GLint units = 0;
    glGetIntegerv(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, &units);
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(units - 1));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (std::uint32_t mip = 0; mip < mips; ++mip) {
      const std::vector<std::uint8_t> expected = levelBytes(0, mip, parts(mip));
      std::vector<std::uint8_t> read(expected.size(), 0);
      const auto level = static_cast<GLint>(mip);
      if (c.target == GL_TEXTURE_CUBE_MAP) {
        for (GLenum face = 0; face < 6; ++face) {
          glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, level, GL_RGBA, GL_UNSIGNED_BYTE,
                        read.data() + face * partBytes(mip));
        }
      } else if (compressed) {
        glGetCompressedTexImage(c.target, level, read.data());
      } else {
        glGetTexImage(c.target, level, GL_RGBA, GL_UNSIGNED_BYTE, read.data());
      }
      EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
      EXPECT_EQ(read, expected) << "level " << mip;
    }
  }
}

TEST_F(GlTextureTest, ShaderSourcesThatDoNotCompileOrMatchAreRefused) {
  std::shared_ptr<gpu::VertexShader> vs;
  const std::string broken = "#version 330 core\nvoid main() { gl_Position = nonsense; }\n";
  EXPECT_EQ(scene.gpu().CreateVertexShader(broken.data(), broken.size(), &vs), kEInvalidArg);
  std::shared_ptr<gpu::PixelShader> ps;
  EXPECT_EQ(scene.gpu().CreatePixelShader(broken.data(), broken.size(), &ps), kEInvalidArg);

  // An input that no layout element feeds, and one whose type disagrees.
  const std::string unknown =
      "#version 330 core\nin vec4 POSITION;\nin vec4 COLOR;\n"
      "void main() { gl_Position = POSITION + COLOR; }\n";
  const std::string wrongType =
      "#version 330 core\nin uvec4 POSITION;\nvoid main() { gl_Position = vec4(POSITION); }\n";
  const std::string good =
      "#version 330 core\nin vec4 POSITION;\nin uvec4 BONEINDEXES;\nin vec4 TEXCOORD2;\n"
      "void main() { gl_Position = POSITION + TEXCOORD2 + vec4(BONEINDEXES); }\n";
  std::shared_ptr<gpu::InputLayout> layout;
  EXPECT_EQ(scene.gpu().CreateInputLayout(kVertexInputLayout, 9, unknown.data(), unknown.size(),
                                          &layout),
            kEInvalidArg);
  EXPECT_EQ(scene.gpu().CreateInputLayout(kVertexInputLayout, 9, wrongType.data(),
                                          wrongType.size(), &layout),
            kEInvalidArg);
  EXPECT_EQ(scene.gpu().CreateInputLayout(kVertexInputLayout, 9, good.data(), good.size(), &layout),
            kSOk);
}

}  // namespace
}  // namespace brivonel
