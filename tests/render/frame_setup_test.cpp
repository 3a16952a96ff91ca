// The fixed camera, projection and light, their constant buffers, the frame
// clear and the display-size viewports.
#include "render/frame_setup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "base/app_exception.h"
#include "tests/support/recording_gpu.h"

namespace brivonel {
namespace {

using test::RecordingGpu;

TEST(FrameSetupTest, ViewportShrinksTowardBottomCentre) {
  EXPECT_EQ(ModelSizeViewport(960, 1040, 1), (gpu::Viewport{0, 0, 960, 1040, 0, 1}));
  EXPECT_EQ(ModelSizeViewport(960, 1040, 2), (gpu::Viewport{120, 260, 720, 780, 0, 1}));
  EXPECT_EQ(ModelSizeViewport(960, 1040, 3), (gpu::Viewport{240, 520, 480, 520, 0, 1}));
  // Values the settings cannot hold behave as the large size.
  EXPECT_EQ(ModelSizeViewport(960, 1040, 7), ModelSizeViewport(960, 1040, 1));
  EXPECT_EQ(ModelSizeViewport(960, 1040, 0), ModelSizeViewport(960, 1040, 1));
}

TEST(FrameSetupTest, CameraLooksAlongZFromBehindTheModel) {
  const Matrix4 view = CameraViewMatrix();
  // A pure translation by (0, -12, 35).
  Matrix4 expected = MatrixTranslation({0, -12, 35, 0});
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(view.m[r][c], expected.m[r][c], 1e-6f);

  const Matrix4 projection = CameraProjectionMatrix(960, 1040);
  const float h = 1.0f / std::tan(0.7853982f / 2);
  EXPECT_NEAR(projection.m[1][1], h, 1e-5f);
  EXPECT_NEAR(projection.m[0][0], h / (960.0f / 1040.0f), 1e-5f);
  EXPECT_NEAR(projection.m[2][2], 100.0f / 99.0f, 1e-6f);
  EXPECT_NEAR(projection.m[3][2], -100.0f / 99.0f, 1e-6f);
  EXPECT_EQ(projection.m[2][3], 1.0f);
  EXPECT_EQ(projection.m[3][3], 0.0f);
}

TEST(FrameSetupTest, BuffersHoldTransposedMatricesAndTheLight) {
  RecordingGpu gpu;
  FrameSetup frame;
  frame.Create(gpu, gpu, 960, 1040);

  const test::FakeBuffer* camera = RecordingGpu::AsBuffer(frame.cameraBuffer.get());
  ASSERT_EQ(camera->desc.byteWidth, 96u);
  EXPECT_EQ(camera->desc.usage, gpu::Usage::Default);
  EXPECT_EQ(camera->desc.bindFlags, gpu::kBindConstantBuffer);
  CameraBlock block;
  std::memcpy(&block, camera->data.data(), sizeof block);
  EXPECT_EQ(block.viewTransposed, Transpose(frame.view));
  EXPECT_EQ(block.viewTransposed.m[1][3], -12.0f) << "translation in the fourth column";
  EXPECT_EQ(block.lightDirection, (Float4{0.577f, 0.577f, -0.977f, 1.0f}));
  EXPECT_EQ(block.lightColor, (Float4{1, 1, 1, 1}));

  const test::FakeBuffer* projection = RecordingGpu::AsBuffer(frame.projectionBuffer.get());
  ASSERT_EQ(projection->desc.byteWidth, 64u);
  Matrix4 uploaded;
  std::memcpy(&uploaded, projection->data.data(), sizeof uploaded);
  EXPECT_EQ(uploaded, Transpose(frame.projection));
  EXPECT_TRUE(gpu.misuses().empty());
}

TEST(FrameSetupTest, RefusedBufferIsABufferError) {
  RecordingGpu gpu;
  gpu.FailCall("CreateBuffer", kEOutOfMemory, 2);
  FrameSetup frame;
  try {
    frame.Create(gpu, gpu, 960, 1040);
    FAIL() << "the refusal went unnoticed";
  } catch (const AppException& e) {
    EXPECT_EQ(e.code(), error::kBuffers);
    EXPECT_EQ(e.hr(), kEOutOfMemory);
  }
}

TEST(FrameSetupTest, SceneStartsWithTransparentClearAndCameraBuffers) {
  RecordingGpu gpu;
  FrameSetup frame;
  frame.Create(gpu, gpu, 960, 1040);
  gpu.ClearCalls();
  frame.BeginScene(gpu);
  EXPECT_THAT(gpu.CallTexts(),
              ::testing::ElementsAre(
                  "ClearRenderTargetView(0.000000, 0.000000, 0.000000, 0.000000)",
                  "ClearDepthStencilView(1.000000, 0)",
                  "VSSetConstantBuffers(0, " + gpu.Label(frame.cameraBuffer.get()) + ")",
                  "VSSetConstantBuffers(1, " + gpu.Label(frame.projectionBuffer.get()) + ")"));
}

}  // namespace
}  // namespace brivonel
