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
