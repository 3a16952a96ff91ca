// Texture files that claim more than a texture may be are refused with the
// too-large result before anything of their size is allocated: by every
// loader, behind a model, and by the device that stands in for a real one.
#include <gtest/gtest.h>

#include <fstream>

#include "base/app_exception.h"
#include "base/unicode.h"
#include "formats/pmx_decoder.h"
#include "model/model.h"
#include "render/linux/image_codecs_linux.h"
#include "render/null_gpu.h"
#include "render/texture_limits.h"
#include "render/texture_loaders.h"
#include "tests/render/codec_writers.h"
#include "tests/render/texture_files.h"
#include "tests/support/allocation_watch.h"
#include "tests/support/temp_dir.h"
#include "tests/support/written_files.h"

namespace brivonel {
namespace {

using test::Bytes;

// Far below any claimed picture; well above the headers and small buffers
// a refusal may allocate.
constexpr std::size_t kSmallAllocation = 1 << 20;

Bytes Concat(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

Bytes ReadAll(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class TextureLimitsTest : public ::testing::Test {
 protected:
  // Loads bytes written as `name` with the loader its extension picks and
  // gives the result; `largest` receives the largest allocation made.
  HResult Load(const std::string& name, const Bytes& bytes, std::size_t* largest = nullptr) {
    const std::filesystem::path path = dir_ / name;
    test::WriteBytes(path, bytes);
    HResult hr = kSOk;
    const std::size_t biggest = test::LargestAllocationDuring([&] {
      hr = LoadTextureFile(FromFsPath(path), &metadata_, image_);
    });
    if (largest != nullptr) *largest = biggest;
    if (Failed(hr)) {
      EXPECT_EQ(image_.pixels, nullptr);
      EXPECT_TRUE(image_.images.empty());
    }
    return hr;
  }

  void SetUp() override { RegisterLinuxImageCodecs(); }
  void TearDown() override { SetImageFileLoader(nullptr); }

  test::TempDir dir_;
  TextureMetadata metadata_;
  LoadedImage image_;
};

TEST_F(TextureLimitsTest, RunLengthTgaClaimingGigabytesIsRefusedBeforeAllocating) {
  // 65,535 x 8,192 pixels would decode to 2 GiB. The tiny body is refused
  // by the size check (not as a short file); the body that really covers
  // the picture with runs (16 MB) is refused without reading it.
  std::size_t largest = 0;
  EXPECT_EQ(Load("tiny.tga", test::HostileRleTga(65535, 8192, 8), &largest), kFileTooLarge);
  EXPECT_LT(largest, kSmallAllocation);
  const Bytes whole =
      test::HostileRleTga(65535, 8192, test::WholePictureTgaPackets(65535, 8192));
  EXPECT_EQ(Load("whole.tga", whole, &largest), kFileTooLarge);
  EXPECT_LT(largest, kSmallAllocation);

  // The widest texture there may be still decodes; one pixel more does not.
  ASSERT_EQ(Load("edge.tga", test::HostileRleTga(16384, 2, test::WholePictureTgaPackets(16384, 2))),
            kSOk);
  EXPECT_EQ(metadata_.width, 16384u);
  EXPECT_EQ(Load("past.tga", test::HostileRleTga(16385, 2, test::WholePictureTgaPackets(16385, 2))),
            kFileTooLarge);
}

TEST_F(TextureLimitsTest, Rle8BmpClaimingGigabytesIsRefusedBeforeAllocating) {
  // 32,768 x 16,384 indices would become a 2 GiB texture; a 120 KB body
  // passed the old guard of the codec loader, which looked at the indices only.
  std::size_t largest = 0;
  EXPECT_EQ(Load("tiny.bmp", test::HostileRle8Bmp(32768, 16384, 10), &largest), kFileTooLarge);
  EXPECT_LT(largest, kSmallAllocation);
  EXPECT_EQ(Load("big.bmp", test::HostileRle8Bmp(32768, 16384, 120 << 10), &largest),
            kFileTooLarge);
  EXPECT_LT(largest, kSmallAllocation);
  // Within the sides, a picture far larger than the file can describe is a
  // damaged file, refused before its indices are allocated.
  EXPECT_EQ(Load("dense.bmp", test::HostileRle8Bmp(16384, 16384, 10), &largest), kCodecBadImage);
  EXPECT_LT(largest, kSmallAllocation);
  ASSERT_EQ(Load("small.bmp", test::HostileRle8Bmp(600, 2, 10)), kSOk);
  EXPECT_EQ(metadata_.width, 600u);
}

TEST_F(TextureLimitsTest, CodecImagesPastTheSidesOrTheByteBound) {
  // A JPEG and a GIF whose headers are patched to claim 20,000 pixels a side.
  test::JpegRecipe jpeg;
  jpeg.pixels.assign(8 * 8 * 3, 128);
  test::WriteJpeg(dir_ / "a.jpg", jpeg);
  Bytes bytes = ReadAll(dir_ / "a.jpg");
  const std::uint8_t sof[] = {0xFF, 0xC0};
  const auto at = std::search(bytes.begin(), bytes.end(), std::begin(sof), std::end(sof));
  ASSERT_NE(at, bytes.end());
  at[7] = 20000 >> 8;  // width, big-endian, after length, precision and height
  at[8] = 20000 & 0xFF;
  std::size_t largest = 0;
  EXPECT_EQ(Load("wide.jpg", bytes, &largest), kFileTooLarge);
  EXPECT_LT(largest, kSmallAllocation);

  test::GifFrame frame;
  frame.indices = {0};
  test::WriteGif(dir_ / "a.gif", 1, 1, {0, 0, 0, 255, 255, 255}, {frame});
  bytes = ReadAll(dir_ / "a.gif");
  std::size_t p = 13 + ((bytes[10] & 0x80) != 0 ? 3u << ((bytes[10] & 7) + 1) : 0);
  while (bytes.at(p) == 0x21) {  // extensions before the image: skip their sub-blocks
    p += 2;
    while (bytes.at(p) != 0) p += bytes[p] + 1u;
    ++p;
  }
  ASSERT_EQ(bytes.at(p), 0x2C);
  bytes[p + 7] = 20000 & 0xFF;  // height, little-endian
  bytes[p + 8] = 20000 >> 8;
  EXPECT_EQ(Load("tall.gif", bytes, &largest), kFileTooLarge);
  EXPECT_LT(largest, kSmallAllocation);
}

TEST_F(TextureLimitsTest, DdsSidesArraysAndTheByteBound) {
  test::DdsRecipe wide;
  wide.dx10 = true;
  wide.width = 16385;
  wide.height = 1;
  EXPECT_EQ(Load("wide.dds", Concat(test::DdsHeader(wide), Bytes(64, 0))), kFileTooLarge);

  test::DdsRecipe volume;
  volume.headerFlags |= 0x800000;
  volume.width = 2048;
  volume.height = 1;
  volume.depth = 1;
  ASSERT_EQ(Load("volume.dds", Concat(test::DdsHeader(volume), Bytes(2048 * 4, 0))), kSOk);
  volume.width = 2049;  // past the 3-D side
  EXPECT_EQ(Load("volume.dds", Concat(test::DdsHeader(volume), Bytes(2049 * 4, 0))), kFileTooLarge);

  test::DdsRecipe slices;
  slices.dx10 = true;
  slices.width = 1;
  slices.height = 1;
  slices.arraySize = 2049;
  EXPECT_EQ(Load("slices.dds", Concat(test::DdsHeader(slices), Bytes(2049 * 4, 0))), kFileTooLarge);
  slices.arraySize = 342;  // cubes: 2,052 faces
  slices.miscFlag = 0x4;
  EXPECT_EQ(Load("cubes.dds", Concat(test::DdsHeader(slices), Bytes(64, 0))), kFileTooLarge);

  // 8,192 x 8,192 RGBA32F is exactly 1 GiB: within the bound, refused only
  // for its missing pixels. A second mip level takes it past the bound.
  test::DdsRecipe floats;
  floats.dx10 = true;
  floats.dxgiFormat = 2;
  floats.width = 8192;
  floats.height = 8192;
  floats.mipCount = 1;
  std::size_t largest = 0;
  EXPECT_EQ(Load("floats.dds", Concat(test::DdsHeader(floats), Bytes(64, 0)), &largest), kEFail);
  floats.mipCount = 2;
  EXPECT_EQ(Load("floats.dds", Concat(test::DdsHeader(floats), Bytes(64, 0)), &largest), kFileTooLarge);
  EXPECT_LT(largest, kSmallAllocation);
}

TEST_F(TextureLimitsTest, AModelNamingAHostileTextureFailsWithTheTooLargeResult) {
  const Bytes tga = test::HostileRleTga(65535, 8192, test::WholePictureTgaPackets(65535, 8192));
  test::WriteBytes(dir_ / "skin.tga", tga);
  const std::filesystem::path model = test::WriteOneTriangleModel(dir_.path(), u"skin.tga");
  auto decoded = std::make_shared<Model>();
  decoded->SetDevice(nullptr, std::make_shared<gpu::NullGpu>());
  std::size_t largest = 0;
  HResult refusal = kSOk;
  largest = test::LargestAllocationDuring([&] {
    try {
      PMXDecoder().Decode(FromFsPath(model), decoded);
    } catch (const AppException& e) {
      EXPECT_EQ(e.code(), error::kTextures);
      refusal = e.hr();
    }
  });
  EXPECT_EQ(refusal, kFileTooLarge);
  EXPECT_LT(largest, kSmallAllocation);
  ASSERT_TRUE(decoded->texturePool.Refused());
  EXPECT_EQ(decoded->texturePool.Refused()->name, u"skin.tga");
  EXPECT_EQ(decoded->texturePool.Size(), 0u);
}

TEST_F(TextureLimitsTest, TexturePoolNamesTheTexturesItDidNotFind) {
  const std::filesystem::path model = test::WriteOneTriangleModel(dir_.path(), u"sub\\gone.png");
  auto decoded = std::make_shared<Model>();
  decoded->SetDevice(nullptr, std::make_shared<gpu::NullGpu>());
  ASSERT_EQ(PMXDecoder().Decode(FromFsPath(model), decoded), ModelBuilt);
  EXPECT_LT(decoded->materials[0].textureId, 0);
  ASSERT_EQ(decoded->texturePool.NotFound().size(), 1u);
  const TextureLookup& missing = decoded->texturePool.NotFound()[0];
  EXPECT_EQ(missing.name, u"sub\\gone.png");
  EXPECT_EQ(ToFsPath(missing.path), dir_ / "sub" / "gone.png");
  EXPECT_FALSE(decoded->texturePool.Refused());
  decoded->texturePool.Clear();
  EXPECT_TRUE(decoded->texturePool.NotFound().empty());
}

TEST(NullDeviceTest, RefusesTexturesARealDeviceRefuses) {
  gpu::NullGpu device;
  std::shared_ptr<gpu::Resource> texture;
  gpu::Texture2DDesc flat;
  flat.width = 16384;
  flat.height = 16384;
  flat.mipLevels = 1;
  flat.arraySize = 1;
  flat.format = DxgiFormat::R8G8B8A8_UNORM;
  EXPECT_EQ(device.CreateTexture2D(flat, nullptr, &texture), kSOk);
  flat.height = 16385;
  EXPECT_EQ(device.CreateTexture2D(flat, nullptr, &texture), kEInvalidArg);
  flat.height = 1;
  flat.arraySize = 2049;
  EXPECT_EQ(device.CreateTexture2D(flat, nullptr, &texture), kEInvalidArg);

  gpu::Texture1DDesc line;
  line.width = 16385;
  line.mipLevels = 1;
  line.arraySize = 1;
  EXPECT_EQ(device.CreateTexture1D(line, nullptr, &texture), kEInvalidArg);

  gpu::Texture3DDesc volume;
  volume.width = 2048;
  volume.height = 2048;
  volume.depth = 2048;
  volume.mipLevels = 1;
  EXPECT_EQ(device.CreateTexture3D(volume, nullptr, &texture), kSOk);
  volume.depth = 2049;
  EXPECT_EQ(device.CreateTexture3D(volume, nullptr, &texture), kEInvalidArg);
}

}  // namespace
}  // namespace brivonel
