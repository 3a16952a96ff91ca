// The presenter into a real layered window: what it creates, that each
// frame puts the window where the program asks, and resizing.
#include "app/windows/desktop/layered_window_presenter.h"

#include <gtest/gtest.h>

#include "base/app_exception.h"

namespace brivonel {
namespace {

class LayeredWindowPresenterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass);
    window = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOPMOST, kClassName, L"presenter test",
                             WS_POPUP, 100, 50, 200, 100, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    presenter.SetWindow(window);
  }
  void TearDown() override {
    DestroyWindow(window);
    UnregisterClassW(kClassName, GetModuleHandleW(nullptr));
  }

  RECT WindowRect() const {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
  }

  static constexpr const wchar_t* kClassName = L"BrivonelPresenterTest";
  HWND window = nullptr;
  win32::LayeredWindowPresenter presenter;
};

TEST_F(LayeredWindowPresenterTest, FramesMoveTheWindowToTheirDestination) {
  const GpuDeviceObjects objects = presenter.CreateDeviceObjects(200, 100);
  ASSERT_NE(objects.device, nullptr);
  ASSERT_NE(objects.context, nullptr);
  EXPECT_EQ(objects.shaderFileExtension, u".cso");
  presenter.CreateTextObjects();
  EXPECT_EQ(presenter.TestPresent(), kSOk);

  const float clear[4] = {0, 0, 0, 0};
  objects.context->ClearRenderTargetView(clear);
  presenter.PresentFrame({30, 40});
  RECT rect = WindowRect();
  EXPECT_EQ(rect.left, 30);
  EXPECT_EQ(rect.top, 40);
  EXPECT_EQ(rect.right - rect.left, 200);
  EXPECT_EQ(rect.bottom - rect.top, 100);

  // Many frames in a row: the render target stays bound for drawing.
  for (int frame = 0; frame < 12; ++frame) {
    objects.context->ClearRenderTargetView(clear);
    presenter.PresentFrame({30 + frame, 40});
  }
  EXPECT_EQ(WindowRect().left, 41);
}

TEST_F(LayeredWindowPresenterTest, ResizedBuffersGiveTheWindowTheirSize) {
  const GpuDeviceObjects objects = presenter.CreateDeviceObjects(200, 100);
  presenter.CreateTextObjects();
  presenter.ResizeBuffers(120, 90);
  const float clear[4] = {0, 0, 0, 0};
  objects.context->ClearRenderTargetView(clear);
  presenter.PresentFrame({10, 20});
  const RECT rect = WindowRect();
  EXPECT_EQ(rect.right - rect.left, 120);
  EXPECT_EQ(rect.bottom - rect.top, 90);
  EXPECT_EQ(presenter.TestPresent(), kSOk);
}

// Four samples per pixel: the scene is drawn into a multisampled texture
// (resolved into the one-sample back buffer at each present), before and
// after a resize; one sample draws straight into the back buffer.
TEST_F(LayeredWindowPresenterTest, TheSceneIsDrawnWithTheSamplesAskedFor) {
  const auto boundDimension = [](const GpuDeviceObjects& objects) {
    auto* gpu = dynamic_cast<d3d11::D3d11Gpu*>(objects.context.get());
    Microsoft::WRL::ComPtr<ID3D11RenderTargetView> target;
    gpu->context()->OMGetRenderTargets(1, &target, nullptr);
    D3D11_RENDER_TARGET_VIEW_DESC desc{};
    target->GetDesc(&desc);
    return desc.ViewDimension;
  };
  {  // one swap chain per window: this one goes first
    win32::LayeredWindowPresenter single;
    single.SetWindow(window);
    single.SetSampleCount(1);
    const GpuDeviceObjects plain = single.CreateDeviceObjects(200, 100);
    EXPECT_EQ(single.samples(), 1u);
    EXPECT_EQ(boundDimension(plain), D3D11_RTV_DIMENSION_TEXTURE2D);
  }
  presenter.SetSampleCount(kAntialiasingSamples);
  const GpuDeviceObjects objects = presenter.CreateDeviceObjects(200, 100);
  presenter.CreateTextObjects();
  ASSERT_EQ(presenter.samples(), kAntialiasingSamples);
  EXPECT_EQ(boundDimension(objects), D3D11_RTV_DIMENSION_TEXTURE2DMS);
  const float clear[4] = {0, 0, 0.5f, 0.5f};
  objects.context->ClearRenderTargetView(clear);
  presenter.PresentFrame({10, 20});
  presenter.ResizeBuffers(120, 90);
  EXPECT_EQ(presenter.samples(), kAntialiasingSamples);
  EXPECT_EQ(boundDimension(objects), D3D11_RTV_DIMENSION_TEXTURE2DMS);
  objects.context->ClearRenderTargetView(clear);
  presenter.PresentFrame({10, 20});
  EXPECT_EQ(WindowRect().right - WindowRect().left, 120);

}

TEST_F(LayeredWindowPresenterTest, NothingToPresentBeforeTheDeviceExists) {
  try {
    presenter.PresentFrame({0, 0});
    FAIL() << "presented without a device";
  } catch (const AppException& e) {
    EXPECT_EQ(e.code(), error::kPresent);
  }
  EXPECT_NE(presenter.TestPresent(), kSOk);
  presenter.ResizeBuffers(10, 10);  // nothing to resize yet: no effect, no failure
}

}  // namespace
}  // namespace brivonel
