// The Direct3D presenter without a window: the device objects it hands the
// program, the frames it reads back (blue, green, red, alpha; top row
// first) and resizing.
#include "app/windows/offscreen_presenter_d3d11.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "base/app_exception.h"

namespace brivonel {
namespace {

using Microsoft::WRL::ComPtr;

// The pixel at (x, y) of a read-back frame.
std::array<std::uint8_t, 4> PixelAt(const OffscreenPresenterD3d11& presenter, int x, int y) {
  const std::uint8_t* p =
      presenter.frame().data() + (static_cast<std::size_t>(y) * presenter.frameWidth() + x) * 4;
  return {p[0], p[1], p[2], p[3]};
}

TEST(OffscreenPresenterD3d11Test, FramesComeBackAsBgraTopRowFirst) {
  OffscreenPresenterD3d11 presenter;
  presenter.SetSampleCount(1);  // the test writes texels straight into the surface
  const GpuDeviceObjects objects = presenter.CreateDeviceObjects(6, 4);
  ASSERT_NE(objects.device, nullptr);
  ASSERT_NE(objects.context, nullptr);
  EXPECT_EQ(objects.shaderFileExtension, u".cso");
  EXPECT_TRUE(presenter.failure().empty());
  EXPECT_EQ(presenter.TestPresent(), kSOk);

  // The whole surface red, then the top row half-transparent green (blue,
  // green, red, alpha bytes written straight into the surface).
  const float red[4] = {1, 0, 0, 1};
  objects.context->ClearRenderTargetView(red);
  auto* gpu = dynamic_cast<d3d11::D3d11Gpu*>(objects.context.get());
  ASSERT_NE(gpu, nullptr);
  ComPtr<ID3D11RenderTargetView> target;
  gpu->context()->OMGetRenderTargets(1, &target, nullptr);
  ASSERT_NE(target, nullptr);
  ComPtr<ID3D11Resource> surface;
  target->GetResource(&surface);
  std::vector<std::uint8_t> green(6 * 4, 0);
  for (std::size_t x = 0; x < 6; ++x) {
    green[x * 4 + 1] = 255;
    green[x * 4 + 3] = 128;
  }
  const D3D11_BOX topRow{0, 0, 0, 6, 1, 1};
  gpu->context()->UpdateSubresource(surface.Get(), 0, &topRow, green.data(), 24, 0);

  presenter.PresentFrame({40, 50});
  ASSERT_EQ(presenter.frame().size(), 6u * 4 * 4);
  EXPECT_EQ(presenter.frameWidth(), 6);
  EXPECT_EQ(presenter.frameHeight(), 4);
  EXPECT_EQ(PixelAt(presenter, 5, 0), (std::array<std::uint8_t, 4>{0, 255, 0, 128}));
  EXPECT_EQ(PixelAt(presenter, 0, 3), (std::array<std::uint8_t, 4>{0, 0, 255, 255}));
  EXPECT_EQ(presenter.destination().x, 40);
  EXPECT_EQ(presenter.destination().y, 50);
  EXPECT_EQ(presenter.framesPresented(), 1);

  // The render target stays bound after a present, as after a window's.
  ComPtr<ID3D11RenderTargetView> bound;
  ComPtr<ID3D11DepthStencilView> depth;
  gpu->context()->OMGetRenderTargets(1, &bound, &depth);
  EXPECT_EQ(bound.Get(), target.Get());
  EXPECT_NE(depth, nullptr);
}

// Four samples per pixel: drawing goes into a multisampled surface, which
// the present resolves; a resize keeps the sample count. A surface cleared
// to one colour resolves to that colour.
TEST(OffscreenPresenterD3d11Test, MultisampledSurfaceIsResolvedForTheFrame) {
  OffscreenPresenterD3d11 presenter;
  presenter.SetSampleCount(kAntialiasingSamples);
  const GpuDeviceObjects objects = presenter.CreateDeviceObjects(8, 6);
  ASSERT_EQ(presenter.samples(), kAntialiasingSamples);
  auto* gpu = dynamic_cast<d3d11::D3d11Gpu*>(objects.context.get());
  ASSERT_NE(gpu, nullptr);
  ComPtr<ID3D11RenderTargetView> target;
  ComPtr<ID3D11DepthStencilView> depth;
  gpu->context()->OMGetRenderTargets(1, &target, &depth);
  ASSERT_NE(target, nullptr);
  ASSERT_NE(depth, nullptr);
  D3D11_RENDER_TARGET_VIEW_DESC targetDesc{};
  target->GetDesc(&targetDesc);
  EXPECT_EQ(targetDesc.ViewDimension, D3D11_RTV_DIMENSION_TEXTURE2DMS);
  D3D11_DEPTH_STENCIL_VIEW_DESC depthDesc{};
  depth->GetDesc(&depthDesc);
  EXPECT_EQ(depthDesc.ViewDimension, D3D11_DSV_DIMENSION_TEXTURE2DMS);

  const float halfBlue[4] = {0, 0, 0.5f, 0.5f};
  objects.context->ClearRenderTargetView(halfBlue);
  presenter.PresentFrame({});
  EXPECT_EQ(PixelAt(presenter, 7, 5), (std::array<std::uint8_t, 4>{128, 0, 0, 128}));

  presenter.ResizeBuffers(10, 4);
  EXPECT_EQ(presenter.samples(), kAntialiasingSamples);
  objects.context->ClearRenderTargetView(halfBlue);
  presenter.PresentFrame({});
  EXPECT_EQ(presenter.frameWidth(), 10);
  EXPECT_EQ(PixelAt(presenter, 9, 3), (std::array<std::uint8_t, 4>{128, 0, 0, 128}));
}

TEST(OffscreenPresenterD3d11Test, ResizingChangesTheFramesAndARefusedSizeKeepsTheOld) {
  OffscreenPresenterD3d11 presenter;
  presenter.ResizeBuffers(10, 10);  // before the device: nothing to resize
  const GpuDeviceObjects objects = presenter.CreateDeviceObjects(8, 8);
  presenter.ResizeBuffers(20, 12);
  const float clear[4] = {0, 0, 1, 1};
  objects.context->ClearRenderTargetView(clear);
  objects.context->ClearDepthStencilView(1.0f, 0);
  presenter.PresentFrame({});
  EXPECT_EQ(presenter.frameWidth(), 20);
  EXPECT_EQ(presenter.frameHeight(), 12);
  EXPECT_EQ(PixelAt(presenter, 19, 11), (std::array<std::uint8_t, 4>{255, 0, 0, 255}));

  presenter.ResizeBuffers(0, 12);
  presenter.PresentFrame({});
  EXPECT_EQ(presenter.frameWidth(), 20);
  EXPECT_EQ(presenter.frame().size(), 20u * 12 * 4);
}

TEST(OffscreenPresenterD3d11Test, PresentingBeforeTheDeviceIsThePresentError) {
  OffscreenPresenterD3d11 presenter;
  EXPECT_EQ(presenter.TestPresent(), kEFail);
  try {
    presenter.PresentFrame({});
    ADD_FAILURE() << "nothing to present";
  } catch (const AppException& e) {
    EXPECT_EQ(e.code(), error::kPresent);
  }
}

}  // namespace
}  // namespace brivonel
