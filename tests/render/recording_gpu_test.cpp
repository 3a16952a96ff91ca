// The recording fake is what the drawing and texture tests stand on, so its
// own promises are checked here: failure injection, kept contents, misuse.
#include "tests/support/recording_gpu.h"

#include <gtest/gtest.h>

#include <cstring>

namespace brivonel::test {
namespace {

TEST(RecordingGpuTest, ScheduledFailureHitsOnlyTheChosenOccurrence) {
  RecordingGpu gpu;
  gpu.FailCall("CreateBuffer", kEOutOfMemory, 2);
  gpu::BufferDesc desc;
  desc.byteWidth = 16;
  desc.bindFlags = gpu::kBindConstantBuffer;
  std::shared_ptr<gpu::Buffer> a, b, c;
  EXPECT_EQ(gpu.CreateBuffer(desc, nullptr, &a), kSOk);
  EXPECT_EQ(gpu.CreateBuffer(desc, nullptr, &b), kEOutOfMemory);
  EXPECT_EQ(gpu.CreateBuffer(desc, nullptr, &c), kSOk);
  EXPECT_NE(a, nullptr);
  EXPECT_EQ(b, nullptr);
  EXPECT_NE(c, nullptr);
  EXPECT_EQ(gpu.CallsNamed("CreateBuffer")[1]->result, kEOutOfMemory);
}

TEST(RecordingGpuTest, RefusesWhatDirect3DRefuses) {
  RecordingGpu gpu;
  std::shared_ptr<gpu::Buffer> buffer;
  gpu::BufferDesc empty;  // zero bytes: the bone buffer of a model without bones
  empty.bindFlags = gpu::kBindConstantBuffer;
  EXPECT_EQ(gpu.CreateBuffer(empty, nullptr, &buffer), kEInvalidArg);
  gpu::BufferDesc odd;
  odd.byteWidth = 20;
  odd.bindFlags = gpu::kBindConstantBuffer;
  EXPECT_EQ(gpu.CreateBuffer(odd, nullptr, &buffer), kEInvalidArg);

  std::shared_ptr<gpu::Resource> texture;
  gpu::Texture2DDesc tooManyMips;
  tooManyMips.width = tooManyMips.height = 4;
  tooManyMips.mipLevels = 4;  // a 4x4 chain has 3 levels
  tooManyMips.arraySize = 1;
  tooManyMips.format = DxgiFormat::R8G8B8A8_UNORM;
  EXPECT_EQ(gpu.CreateTexture2D(tooManyMips, nullptr, &texture), kEInvalidArg);
}

TEST(RecordingGpuTest, KeepsBufferAndTextureContents) {
  RecordingGpu gpu;
  gpu::BufferDesc desc;
  desc.byteWidth = 8;
  desc.usage = gpu::Usage::Dynamic;
  desc.bindFlags = gpu::kBindVertexBuffer;
  desc.cpuAccessFlags = gpu::kCpuAccessWrite;
  std::shared_ptr<gpu::Buffer> buffer;
  ASSERT_EQ(gpu.CreateBuffer(desc, nullptr, &buffer), kSOk);
  gpu::MappedSubresource mapped;
  ASSERT_EQ(gpu.Map(buffer.get(), gpu::MapType::WriteDiscard, &mapped), kSOk);
  // Discarding does not keep the old bytes.
  EXPECT_EQ(static_cast<std::uint8_t*>(mapped.data)[0], 0xCD);
  std::memcpy(mapped.data, "abcdefgh", 8);
  gpu.Unmap(buffer.get());
  EXPECT_EQ(std::string(RecordingGpu::AsBuffer(buffer.get())->data.begin(),
                        RecordingGpu::AsBuffer(buffer.get())->data.end()),
            "abcdefgh");
  EXPECT_EQ(gpu.CallsNamed("Unmap")[0]->bytes.size(), 8u);

  // Two mips of a 4x2 RGBA texture with padded rows: the rows are kept as given.
  std::uint8_t top[2 * 20] = {1};
  std::uint8_t next[8] = {2, 3, 4, 5, 6, 7, 8, 9};
  gpu::SubresourceData data[2] = {{top, 20, 0}, {next, 8, 0}};
  gpu::Texture2DDesc tdesc;
  tdesc.width = 4;
  tdesc.height = 2;
  tdesc.mipLevels = 2;
  tdesc.arraySize = 1;
  tdesc.format = DxgiFormat::R8G8B8A8_UNORM;
  std::shared_ptr<gpu::Resource> texture;
  ASSERT_EQ(gpu.CreateTexture2D(tdesc, data, &texture), kSOk);
  const FakeTexture* fake = RecordingGpu::AsTexture(texture.get());
  ASSERT_EQ(fake->subresources.size(), 2u);
  EXPECT_EQ(fake->subresources[0].bytes.size(), 36u);  // one padded row and one bare row
  EXPECT_EQ(fake->subresources[1].bytes, std::vector<std::uint8_t>({2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_TRUE(gpu.misuses().empty());
}

TEST(RecordingGpuTest, ViewKeepsTextureAliveAndDefaultsToWholeResource) {
  RecordingGpu gpu;
  gpu::Texture2DDesc desc;
  desc.width = desc.height = 8;
  desc.mipLevels = 0;  // full chain
  desc.arraySize = 6;
  desc.format = DxgiFormat::BC1_UNORM;
  desc.miscFlags = gpu::kResourceMiscTextureCube;
  std::shared_ptr<gpu::Resource> texture;
  ASSERT_EQ(gpu.CreateTexture2D(desc, nullptr, &texture), kSOk);
  std::shared_ptr<gpu::ShaderResourceView> view;
  ASSERT_EQ(gpu.CreateShaderResourceView(texture, nullptr, &view), kSOk);
  texture.reset();
  EXPECT_EQ(gpu.LiveTextures().size(), 1u);
  const FakeView* fake = RecordingGpu::AsView(view.get());
  EXPECT_EQ(fake->desc.viewDimension, gpu::SrvDimension::TextureCube);
  EXPECT_EQ(fake->desc.mipLevels, 4u);
  view.reset();
  EXPECT_TRUE(gpu.LiveTextures().empty());
}

TEST(RecordingGpuTest, ReportsMisuse) {
  RecordingGpu gpu;
  gpu::BufferDesc desc;
  desc.byteWidth = 16;
  desc.bindFlags = gpu::kBindConstantBuffer;
  std::shared_ptr<gpu::Buffer> buffer;
  ASSERT_EQ(gpu.CreateBuffer(desc, nullptr, &buffer), kSOk);
  gpu::MappedSubresource mapped;
  EXPECT_EQ(gpu.Map(buffer.get(), gpu::MapType::WriteDiscard, &mapped), kEInvalidArg);
  gpu.IASetVertexBuffers(0, buffer.get(), 16, 0);
  EXPECT_EQ(gpu.misuses().size(), 2u);
  EXPECT_EQ(gpu.CallTexts().back(), "IASetVertexBuffers(0, buffer#1, 16, 0)");
}

}  // namespace
}  // namespace brivonel::test
