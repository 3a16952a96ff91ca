// The program's window and loop, driven with window messages: the window's
// place and styles, what each message does to the application object (on
// fakes), how the loop ends, and that it waits instead of spinning while
// the computer sleeps.
#include "app/windows/desktop/mascot_window.h"

#include <gtest/gtest.h>

#include "app/resources.h"
#include "app/shell.h"
#include "app/windows/desktop/message_loop.h"
#include "tests/app/app_harness.h"

namespace brivonel {
namespace {

// Posts the quit message (with exitCode) after a number of frames.
class QuittingPresenter : public test::FakePresenter {
 public:
  void PresentFrame(Point destination) override {
    FakePresenter::PresentFrame(destination);
    if (static_cast<int>(presented.size()) == framesBeforeQuit) PostQuitMessage(exitCode);
  }
  int framesBeforeQuit = 3;
  int exitCode = 5;
};

class MascotWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness.realPresenter = &presenter;
    harness.RememberGoodFiles();
    app = &harness.Make();
    win32::SetMascotWindowContext({app, popupMenu, GetModuleHandleW(nullptr)});
    window = win32::CreateMascotWindow(GetModuleHandleW(nullptr), SW_HIDE, kClassName, rect);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    if (IsWindow(window)) DestroyWindow(window);
    // The window's destruction posted a quit message; it is not for the next test.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    UnregisterClassW(kClassName, GetModuleHandleW(nullptr));
    win32::SetMascotWindowContext({});
  }

  static constexpr const wchar_t* kClassName = L"BRIVONEL";
  test::AppHarness harness;
  QuittingPresenter presenter;
  DesktopMascotApp* app = nullptr;
  HMENU popupMenu =
      GetSubMenu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource::kPopupMenu)), 0);
  HWND window = nullptr;
  RECT rect{};
};

TEST_F(MascotWindowTest, CoversTheRightHalfOfTheWorkAreaAsALayeredTopmostPopup) {
  RECT workArea{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
  const Rect expected =
      MascotWindowRect(workArea.right - workArea.left, workArea.bottom - workArea.top);
  EXPECT_EQ((Rect{rect.left, rect.top, rect.right, rect.bottom}), expected);
  RECT actual{};
  GetWindowRect(window, &actual);
  EXPECT_EQ((Rect{actual.left, actual.top, actual.right, actual.bottom}), expected);

  EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & (WS_POPUP | WS_CAPTION | WS_THICKFRAME),
            static_cast<LONG>(WS_POPUP));
  EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & (WS_EX_LAYERED | WS_EX_TOPMOST),
            static_cast<LONG>(WS_EX_LAYERED | WS_EX_TOPMOST));
  wchar_t title[100] = {};
  GetWindowTextW(window, title, 100);
  EXPECT_STREQ(title, L"BRIVONEL");
  // The class menu (menu 109) is the window's menu.
  HMENU menu = GetMenu(window);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, 1), 0), static_cast<UINT>(command::kAbout));
}

TEST_F(MascotWindowTest, MessagesReachTheApplicationObject) {
  ASSERT_EQ(app->Initialise({rect.left, rect.top, rect.right, rect.bottom}), 0);

  // Mouse: signed 16-bit client coordinates.
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 200));
  EXPECT_TRUE(app->dragging());
  EXPECT_TRUE(harness.window.captured);
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(-20), 150));
  EXPECT_EQ(app->destination(), (Point{841, -50}));  // grabbed at (100, 200) of the fake window
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(80, 150));
  EXPECT_FALSE(app->dragging());

  // Power: suspend (4) and resume from suspend (7); others change nothing.
  EXPECT_EQ(SendMessageW(window, WM_POWERBROADCAST, 4, 0), 0);
  EXPECT_EQ(app->powerState(), kPowerAsleep);
  SendMessageW(window, WM_POWERBROADCAST, 10, 0);
  EXPECT_EQ(app->powerState(), kPowerAsleep);
  SendMessageW(window, WM_POWERBROADCAST, 7, 0);
  EXPECT_EQ(app->powerState(), kPowerWaking);

  // Size items write the size and move the check mark; unknown commands
  // are not ours.
  EXPECT_EQ(SendMessageW(window, WM_COMMAND, MAKEWPARAM(command::kSizeSmall, 0), 0), 0);
  EXPECT_EQ(harness.Stored(u"ModelSize"), u"3");
  EXPECT_TRUE(harness.checks.checks[command::kSizeSmall]);
  EXPECT_FALSE(harness.checks.checks[command::kSizeLarge]);

  // A new size reaches the presenter and the projection: the whole
  // window's, which the frames cover (the client area lacks the menu bar).
  SetWindowPos(window, nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_LT(client.bottom, 480);
  EXPECT_EQ(presenter.surfaceWidth, 640);
  EXPECT_EQ(presenter.surfaceHeight, 480);
  EXPECT_EQ(app->width(), 640);
  EXPECT_EQ(app->height(), 480);

  // The exit command destroys the window.
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(command::kExit, 0), 0);
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(MascotWindowTest, LoopDrawsUntilTheQuitMessageAndReturnsItsParameter) {
  ASSERT_EQ(app->Initialise({rect.left, rect.top, rect.right, rect.bottom}), 0);
  presenter.framesBeforeQuit = 3;
  presenter.exitCode = 5;
  EXPECT_EQ(win32::RunMessageLoop(*app), 5u);
  EXPECT_EQ(presenter.presented.size(), 3u);
}

TEST_F(MascotWindowTest, LoopEndsAfterAFrameFailsWithItsBox) {
  ASSERT_EQ(app->Initialise({rect.left, rect.top, rect.right, rect.bottom}), 0);
  presenter.presentFailure = static_cast<HResult>(0x887A0005);  // device removed
  win32::RunMessageLoop(*app);
  ASSERT_FALSE(harness.boxes.shown.empty());
  EXPECT_EQ(harness.boxes.shown.back().text, u"DWM関連でエラー\nhr:-2005270523 ecode: 1200");
}

// While the output cannot be had back after a resume, the loop asks again
// every so often instead of as fast as it can.
TEST_F(MascotWindowTest, WakingLoopWaitsBetweenTestPresents) {
  ASSERT_EQ(app->Initialise({rect.left, rect.top, rect.right, rect.bottom}), 0);
  presenter.testPresentResult = static_cast<HResult>(0x087A0001);  // occluded
  app->OnWakeUp();
  constexpr UINT kRunMilliseconds = 500;
  SetTimer(nullptr, 0, kRunMilliseconds, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    PostQuitMessage(0);
  });
  win32::RunMessageLoop(*app);
  EXPECT_TRUE(presenter.presented.empty());
  EXPECT_GE(presenter.testPresents, 2);
  EXPECT_LE(presenter.testPresents,
            static_cast<int>(kRunMilliseconds / win32::kAsleepWaitMilliseconds) + 3);
}

TEST_F(MascotWindowTest, PaintingLeavesNoInvalidArea) {
  ShowWindow(window, SW_SHOWNOACTIVATE);
  InvalidateRect(window, nullptr, FALSE);
  ASSERT_TRUE(GetUpdateRect(window, nullptr, FALSE));
  SendMessageW(window, WM_PAINT, 0, 0);
  EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
}

}  // namespace
}  // namespace brivonel
