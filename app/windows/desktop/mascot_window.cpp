#include "app/windows/desktop/mascot_window.h"

#include <windowsx.h>

#include "app/resources.h"
#include "app/shell.h"
#include "app/windows/desktop/language_resources.h"
#include "app/windows/desktop/user_language.h"
#include "app/window_place.h"
#include "app/windows/desktop/monitor_layout.h"

namespace brivonel::win32 {
namespace {

MascotWindowContext context;

// Sent when the window's monitor changes its scale, or the window reaches a
// monitor of another scale (Windows 8.1 and later).
constexpr UINT kDpiChangedMessage = 0x02E0;  // WM_DPICHANGED

// The commands the window carries out itself.
class WindowCommands final : public IShellCommands {
 public:
  explicit WindowCommands(HWND window) : window_(window) {}
  void ShowAbout() override {
    DialogBoxIn(context.instance, resource::kAboutDialog, ResourceLanguageInUse(), window_,
                AboutDialogProc);
  }
  void CloseWindow() override { DestroyWindow(window_); }

 private:
  HWND window_;
};

bool RegisterMascotClass(HINSTANCE instance, const wchar_t* className) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = 0;
  windowClass.lpfnWndProc = MascotWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(resource::kLargeIcon));
  windowClass.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(resource::kSmallIcon));
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  // The menu comes with the window, in the language in use.
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = className;
  return RegisterClassExW(&windowClass) != 0;
}

}  // namespace

void SetMascotWindowContext(const MascotWindowContext& windowContext) { context = windowContext; }

namespace {
void NoteTray(bool present) {
  OfferClickThrough(context.popupMenu, present);
  context.controls->SetTrayPresent(present);
}
}  // namespace

void SetTrayControls(FigureControls* controls, NotifyIcon* tray) {
  context.controls = controls;
  context.tray = tray;
  if (controls == nullptr || tray == nullptr) return;  // the program is ending
  NoteTray(tray->Add());
  controls->RefreshChecks();
}

HWND CreateMascotWindow(HINSTANCE instance, int showCommand, const wchar_t* className,
                        RECT& rect) {
  RegisterMascotClass(instance, className);  // a failure shows in CreateWindowExW

  // Where the user last dropped the figure, when that place still shows;
  // else the right half of the primary monitor's work area.
  RECT workArea{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
  const Rect place =
      StartWindowRect(context.app != nullptr ? context.app->settings().WindowPlace() : std::nullopt,
                      DesktopMonitors())
          .value_or(MascotWindowRect(workArea.right - workArea.left,
                                     workArea.bottom - workArea.top));
  RECT adjusted{0, 0, place.right - place.left, place.bottom - place.top};
  if (!AdjustWindowRect(&adjusted, WS_POPUP, FALSE)) {
    OutputDebugStringW(L"OnError AdjustWindowRect");
    return nullptr;
  }
  const LONG width = adjusted.right - adjusted.left;
  const LONG height = adjusted.bottom - adjusted.top;
  rect = {place.left, place.top, place.left + width, place.top + height};

  HMENU classMenu = LoadMenuIn(instance, resource::kClassMenu, ResourceLanguageInUse());
  HWND window = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOPMOST, className, className, WS_POPUP,
                                place.left, place.top, width, height, nullptr, classMenu,
                                instance, nullptr);
  if (window == nullptr) {
    DestroyMenu(classMenu);
    return nullptr;
  }
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  return window;
}

LRESULT CALLBACK MascotWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DesktopMascotApp* app = context.app;
  if (app == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  // Client coordinates, signed 16-bit each.
  const std::int32_t x = GET_X_LPARAM(lParam);
  const std::int32_t y = GET_Y_LPARAM(lParam);
  if (context.controls != nullptr) {
    if (message == NotifyIcon::kCallbackMessage) {
      switch (LOWORD(lParam)) {
        case WM_LBUTTONUP:
          context.controls->RunCommand(command::kShowHide);
          break;
        case WM_RBUTTONUP:
        case WM_CONTEXTMENU:
          context.controls->RefreshChecks();
          ShowTrayMenu(window, context.popupMenu, context.controls->ShowHideText());
          break;
        default:
          break;
      }
      return 0;
    }
    if (message == NotifyIcon::TaskbarCreatedMessage()) {
      NoteTray(context.tray->Add());
      return 0;
    }
    if (message == BringIntoViewMessage()) {
      context.controls->BringIntoView();
      return 0;
    }
  }
  switch (message) {
    case WM_LBUTTONDOWN:
      app->OnLButtonDown(wParam, x, y);
      return 0;
    case WM_LBUTTONUP:
      app->OnLButtonUp(wParam, x, y);
      return 0;
    case WM_MOUSEMOVE:
      app->OnMouseMove(wParam, x, y);
      return 0;
    case WM_MOUSEWHEEL:
      // Ctrl + wheel scales the figure; without Ctrl the wheel goes on to
      // the default handling.
      if (app->OnMouseWheel(GET_KEYSTATE_WPARAM(wParam), GET_WHEEL_DELTA_WPARAM(wParam)) == 0)
        return 0;
      break;
    case kDpiChangedMessage:
    case WM_DISPLAYCHANGE:
      // The size comes from the monitor's work area in its own pixels, not
      // from the rectangle Windows suggests for a scaled window.
      app->FitToMonitor();
      return 0;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETWORKAREA) app->FitToMonitor();
      break;
    case WM_RBUTTONDOWN: {
      POINT screen{x, y};
      ClientToScreen(window, &screen);
      if (context.controls != nullptr) context.controls->RefreshChecks();
      TrackPopupMenu(context.popupMenu, TPM_RIGHTBUTTON, screen.x, screen.y, 0, window, nullptr);
      return 0;
    }
    case WM_POWERBROADCAST:
      OnPowerEvent(*app, wParam);
      return 0;
    case WM_SIZE: {
      // Each frame covers the whole window, the bar of the class menu
      // included (the layered window shows only the frames), so the
      // frame's size is the window's, not the client area's. Frames of
      // the client's size would shrink the window by the bar at every size
      // message.
      RECT rect{};
      GetWindowRect(window, &rect);
      app->OnSize(rect.right - rect.left, rect.bottom - rect.top);
      return 0;
    }
    case WM_PAINT: {
      // The layered window's content comes from the frames alone; nothing
      // is painted, but the area is marked valid (Wine keeps sending
      // WM_PAINT to a layered window until it is, and the loop would never
      // get to draw a frame).
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_NCPAINT:
      // Nor is its frame painted (the class menu's bar included): Wine
      // draws that straight onto the window, which it has given an alpha
      // visual for the frames, and fails there.
      return 0;
    case WM_COMMAND: {
      WindowCommands commands(window);
      if (context.controls != nullptr && context.controls->RunCommand(LOWORD(wParam))) return 0;
      if (RunMenuCommand(LOWORD(wParam), *app, commands)) return 0;
      break;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace brivonel::win32
