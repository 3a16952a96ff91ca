#pragma once
// The program's icon in the notification area (Shell_NotifyIcon) and the
// figure window's side of it: the window gets the icon's mouse messages,
// shows the tray menu (the figure's menu with show/hide first and the About
// box before exit), puts the icon back when the shell restarts
// (TaskbarCreated), and makes the figure show, hide, let clicks through and
// come into view.
#include <windows.h>

#include "app/figure_controls.h"
#include "app/platform/figure_window.h"

namespace brivonel::win32 {

class NotifyIcon {
 public:
  // The message the icon's mouse events come in (lParam: the mouse message).
  static constexpr UINT kCallbackMessage = WM_APP + 1;
  // The shell's broadcast after (re)starting its taskbar.
  static UINT TaskbarCreatedMessage();

  NotifyIcon(HWND window, HICON icon) : window_(window), icon_(icon) {}
  ~NotifyIcon();
  NotifyIcon(const NotifyIcon&) = delete;
  NotifyIcon& operator=(const NotifyIcon&) = delete;

  // Adds the icon (again, after the shell restarted); whether it is there.
  bool Add();
  bool present() const { return present_; }

 private:
  HWND window_;
  HICON icon_;
  bool present_ = false;
};

// The popup menu's click-through item is in the menu only while the tray
// icon exists (it goes before the start-at-login item).
void OfferClickThrough(HMENU popupMenu, bool offered);

// The tray menu at the mouse: the popup menu with the show/hide item
// (showHide's words) first and the About box before exit, for this one
// showing. The chosen command comes to window as WM_COMMAND.
void ShowTrayMenu(HWND window, HMENU popupMenu, Message showHide);

// The figure's window under the tray's commands.
class LayeredFigureWindow final : public IFigureWindow {
 public:
  explicit LayeredFigureWindow(HWND window) : window_(window) {}
  void SetShown(bool shown) override;
  void Raise() override;
  // WS_EX_TRANSPARENT on the layered window: every click goes below.
  void SetClickThrough(bool on) override;

 private:
  HWND window_;
};

// The message a second copy posts to the running copy's window.
UINT BringIntoViewMessage();

}  // namespace brivonel::win32
