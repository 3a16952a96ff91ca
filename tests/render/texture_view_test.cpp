#include <gtest/gtest.h>

#include <vector>

#include "base/app_exception.h"
#include "render/texture_layout.h"
#include "render/texture_loaders.h"
#include "render/texture_pool.h"
#include "tests/render/texture_files.h"
#include "tests/support/recording_gpu.h"
#include "tests/support/temp_dir.h"

namespace brivonel {
namespace {

TextureMetadata Describe(TextureDimension dimension, std::uint64_t w, std::uint64_t h,
                         std::uint64_t d, std::uint64_t array, std::uint64_t mips,
                         std::uint32_t misc = 0) {
  TextureMetadata md;
  md.dimension = dimension;
  md.width = w;
  md.height = h;
  md.depth = d;
  md.arraySize = array;
  md.mipLevels = mips;
  md.miscFlags = misc;
  md.format = DxgiFormat::R8G8B8A8_UNORM;
  return md;
}

class TextureViewTest : public ::testing::Test {
 protected:
  // Lays out md, marks every image with its index, and creates the view.
  HResult Create(const TextureMetadata& md) {
    EXPECT_EQ(InitializeImage(md, image_), kSOk);
    for (std::size_t i = 0; i < image_.images.size(); ++i) {
      image_.images[i].pixels[0] = static_cast<std::uint8_t>(i + 1);
    }
    return CreateTextureView(&gpu_, image_.images.data(), image_.images.size(), md, &view_);
  }
  test::FakeView* View() const { return test::RecordingGpu::AsView(view_.get()); }
  test::FakeTexture* Texture() const { return View()->texture.get(); }

  test::RecordingGpu gpu_;
  LoadedImage image_;
  std::shared_ptr<gpu::ShaderResourceView> view_;
};

TEST_F(TextureViewTest, ArraysAndCubesGetSubresourcesSliceMajorAndTheirViewKind) {
  ASSERT_EQ(Create(Describe(TextureDimension::Texture2D, 4, 4, 1, 3, 2)), kSOk);
  const gpu::Texture2DDesc& desc = Texture()->desc2d;
  EXPECT_EQ(desc.arraySize, 3u);
  EXPECT_EQ(desc.mipLevels, 2u);
  EXPECT_EQ(desc.bindFlags, std::uint32_t{gpu::kBindShaderResource});
  EXPECT_EQ(desc.usage, gpu::Usage::Default);
  EXPECT_EQ(desc.cpuAccessFlags, 0u);
  EXPECT_EQ(desc.miscFlags, 0u);
  EXPECT_EQ(desc.sampleCount, 1u);
  ASSERT_EQ(Texture()->subresources.size(), 6u);
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(Texture()->subresources[i].bytes.at(0), i + 1);  // slice-major, mips inside
    EXPECT_EQ(Texture()->subresources[i].rowPitch, i % 2 == 0 ? 16u : 8u);
  }
  EXPECT_EQ(View()->desc.viewDimension, gpu::SrvDimension::Texture2DArray);
  EXPECT_EQ(View()->desc.arraySize, 3u);
  EXPECT_EQ(View()->desc.mipLevels, 2u);
  EXPECT_EQ(View()->desc.format, DxgiFormat::R8G8B8A8_UNORM);

  ASSERT_EQ(Create(Describe(TextureDimension::Texture2D, 4, 4, 1, 6, 1, kTextureMiscCube)), kSOk);
  EXPECT_EQ(Texture()->desc2d.miscFlags, std::uint32_t{gpu::kResourceMiscTextureCube});
  EXPECT_EQ(View()->desc.viewDimension, gpu::SrvDimension::TextureCube);
  ASSERT_EQ(Create(Describe(TextureDimension::Texture2D, 4, 4, 1, 12, 1, kTextureMiscCube)), kSOk);
  EXPECT_EQ(View()->desc.viewDimension, gpu::SrvDimension::TextureCubeArray);
  EXPECT_EQ(View()->desc.arraySize, 2u);
  ASSERT_EQ(Create(Describe(TextureDimension::Texture2D, 4, 4, 1, 1, 1)), kSOk);
  EXPECT_EQ(View()->desc.viewDimension, gpu::SrvDimension::Texture2D);
  ASSERT_EQ(Create(Describe(TextureDimension::Texture1D, 8, 1, 1, 2, 1)), kSOk);
  EXPECT_EQ(Texture()->desc1d.arraySize, 2u);
  EXPECT_EQ(View()->desc.viewDimension, gpu::SrvDimension::Texture1DArray);
  ASSERT_EQ(Create(Describe(TextureDimension::Texture1D, 8, 1, 1, 1, 1)), kSOk);
  EXPECT_EQ(View()->desc.viewDimension, gpu::SrvDimension::Texture1D);

  // The view holds the only reference to the texture.
  EXPECT_EQ(gpu_.LiveTextures().size(), 1u);
  view_.reset();
  EXPECT_TRUE(gpu_.LiveTextures().empty());
}

TEST_F(TextureViewTest, VolumesGiveOneSubresourcePerMipOverContiguousSlices) {
  const TextureMetadata md = Describe(TextureDimension::Texture3D, 4, 2, 4, 1, 3);
  ASSERT_EQ(Create(md), kSOk);
  EXPECT_EQ(Texture()->desc3d.depth, 4u);
  ASSERT_EQ(Texture()->subresources.size(), 3u);
  EXPECT_EQ(Texture()->subresources[0].slicePitch, 32u);
  EXPECT_EQ(Texture()->subresources[0].bytes.at(32), 2);  // the second depth slice follows
  EXPECT_EQ(Texture()->subresources[1].bytes.at(0), 5);   // after 4 slices of mip 0
  EXPECT_EQ(Texture()->subresources[2].bytes.at(0), 7);
  EXPECT_EQ(View()->desc.viewDimension, gpu::SrvDimension::Texture3D);

  std::vector<ImageRecord> images = image_.images;
  std::swap(images[1].pixels, images[2].pixels);  // slices out of order
  EXPECT_EQ(CreateTextureView(&gpu_, images.data(), images.size(), md, &view_), kEFail);
  TextureMetadata array = md;
  array.arraySize = 2;
  EXPECT_EQ(CreateTextureView(&gpu_, image_.images.data(), image_.images.size(), array, &view_),
            kNotSupported);
  TextureMetadata flat = md;
  flat.depth = 0;
  EXPECT_EQ(CreateTextureView(&gpu_, image_.images.data(), image_.images.size(), flat, &view_),
            kEInvalidArg);
}

TEST_F(TextureViewTest, RefusesMissingWrongAndEmptyImagesAndPassesDeviceFailures) {
  const TextureMetadata md = Describe(TextureDimension::Texture2D, 4, 4, 1, 2, 2);
  ASSERT_EQ(InitializeImage(md, image_), kSOk);
  std::vector<ImageRecord> images = image_.images;
  EXPECT_EQ(CreateTextureView(nullptr, images.data(), images.size(), md, &view_), kEInvalidArg);
  EXPECT_EQ(CreateTextureView(&gpu_, nullptr, 4, md, &view_), kEInvalidArg);
  EXPECT_EQ(CreateTextureView(&gpu_, images.data(), images.size(), md, nullptr), kEInvalidArg);
  EXPECT_EQ(CreateTextureView(&gpu_, images.data(), 3, md, &view_), kEFail);
  images[3].format = DxgiFormat::R8_UNORM;
  EXPECT_EQ(CreateTextureView(&gpu_, images.data(), images.size(), md, &view_), kEFail);
  images = image_.images;
  images[2].pixels = nullptr;
  EXPECT_EQ(CreateTextureView(&gpu_, images.data(), images.size(), md, &view_), kEPointer);
  TextureMetadata bad = md;
  bad.mipLevels = 0;
  EXPECT_EQ(CreateTextureView(&gpu_, image_.images.data(), 4, bad, &view_), kEInvalidArg);
  bad = md;
  bad.width = std::uint64_t{1} << 32;
  EXPECT_EQ(CreateTextureView(&gpu_, image_.images.data(), 4, bad, &view_), kEInvalidArg);
  bad = md;
  bad.dimension = static_cast<TextureDimension>(7);
  EXPECT_EQ(CreateTextureView(&gpu_, image_.images.data(), 4, bad, &view_), kEFail);
  EXPECT_EQ(gpu_.CountCalls("CreateTexture2D"), 0u);

  gpu_.FailCall("CreateTexture2D", kEOutOfMemory);
  EXPECT_EQ(CreateTextureView(&gpu_, image_.images.data(), 4, md, &view_), kEOutOfMemory);
  gpu_.FailCall("CreateShaderResourceView", kEInvalidArg);
  EXPECT_EQ(CreateTextureView(&gpu_, image_.images.data(), 4, md, &view_), kEInvalidArg);
  EXPECT_EQ(view_, nullptr);
  EXPECT_TRUE(gpu_.LiveTextures().empty());
}

// The pool: dispatch by exact extension, caching by exact name, failures.
class TexturePoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gpu_ = std::make_shared<test::RecordingGpu>();
    pool_.SetDevice(gpu_);
    dir_u16_ = test::U16Path(dir_.path()) + u"/";
    test::DdsRecipe recipe;
    Bytes dds = test::DdsHeader(recipe);
    dds.resize(dds.size() + 64, 0x7F);
    test::WriteBytes(dir_ / "a.dds", dds);
    test::WriteBytes(dir_ / "a.DDS", dds);
    test::WriteBytes(dir_ / "noext", dds);
    test::TgaRecipe tga;
    Bytes t = test::TgaHeader(tga);
    t.resize(t.size() + 16, 0x10);
    test::WriteBytes(dir_ / "b.tga", t);
    std::filesystem::create_directory(dir_ / "sub");
    test::WriteBytes(dir_ / "sub" / "c.tga", t);
    test::WriteBytes(dir_ / "broken.tga", Bytes(30, 0xEE));
    imageCalls_ = 0;
    SetImageFileLoader(&CountingLoader);
  }
  void TearDown() override { SetImageFileLoader(nullptr); }

  static HResult CountingLoader(std::u16string_view, unsigned, TextureMetadata*,
                                LoadedImage& image) {
    ++imageCalls_;
    image.Release();
    return kCodecComponentNotFound;
  }

  using Bytes = test::Bytes;
  static inline int imageCalls_ = 0;
  test::TempDir dir_;
  std::u16string dir_u16_;
  std::shared_ptr<test::RecordingGpu> gpu_;
  TexturePool pool_;
};

TEST_F(TexturePoolTest, LoadsByExactExtensionAndFindsByExactName) {
  EXPECT_EQ(pool_.Find(u"a.dds"), -1);
  ASSERT_EQ(pool_.Load(dir_u16_, u"a.dds"), 0);
  EXPECT_EQ(pool_.Find(u"a.dds"), 0);
  EXPECT_EQ(pool_.Find(u"A.dds"), -1);
  EXPECT_EQ(pool_.Get(0).metadata.format, DxgiFormat::B8G8R8A8_UNORM);
  EXPECT_NE(pool_.Get(0).shaderResourceView, nullptr);
  ASSERT_EQ(pool_.Load(dir_u16_, u"b.tga"), 1);
  EXPECT_EQ(pool_.Get(1).metadata.format, DxgiFormat::R8G8B8A8_UNORM);
  // Subfolders with either separator, the name kept as given.
  ASSERT_EQ(pool_.Load(dir_u16_, u"sub\\c.tga"), 2);
  ASSERT_EQ(pool_.Load(dir_u16_, u"sub/c.tga"), 3);
  EXPECT_EQ(pool_.Get(2).name, u"sub\\c.tga");
  EXPECT_EQ(imageCalls_, 0);

  // Capitals go to the general loader, whose failure is fatal.
  try {
    pool_.Load(dir_u16_, u"a.DDS");
    FAIL() << "no exception";
  } catch (const AppException& e) {
    EXPECT_EQ(e.code(), error::kTextures);
    EXPECT_EQ(e.hr(), kCodecComponentNotFound);
  }
  EXPECT_EQ(imageCalls_, 1);
  EXPECT_EQ(pool_.Size(), 4u);

  EXPECT_EQ(pool_.Load(dir_u16_, u"noext"), -1);  // exists, but has no extension
  EXPECT_EQ(pool_.Load(dir_u16_, u"missing.dds"), -1);
  EXPECT_EQ(pool_.Size(), 4u);
  pool_.Clear();
  EXPECT_EQ(pool_.Size(), 0u);
  EXPECT_EQ(pool_.Find(u"a.dds"), -1);
}

TEST_F(TexturePoolTest, DamagedFilesAndDeviceRefusalsAreFatalAndLeaveThePoolUnchanged) {
  try {
    pool_.Load(dir_u16_, u"broken.tga");
    FAIL() << "no exception";
  } catch (const AppException& e) {
    EXPECT_EQ(e.code(), error::kTextures);
    EXPECT_EQ(e.hr(), kNotSupported);  // colour-map type 0xEE
  }
  gpu_->FailCall("CreateTexture2D", kEOutOfMemory);
  try {
    pool_.Load(dir_u16_, u"a.dds");
    FAIL() << "no exception";
  } catch (const AppException& e) {
    EXPECT_EQ(e.hr(), kEOutOfMemory);
  }
  EXPECT_EQ(pool_.Size(), 0u);
}

}  // namespace
}  // namespace brivonel
