#include "app/windows/desktop/notify_icon.h"

#include <shellapi.h>

#include <string>

#include "app/resources.h"
#include "app/windows/desktop/wide_text.h"
#include "base/trace.h"

namespace brivonel::win32 {
namespace {

constexpr UINT kIconId = 1;

NOTIFYICONDATAW IconData(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = kIconId;
  return data;
}

}  // namespace

UINT NotifyIcon::TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

UINT BringIntoViewMessage() {
  static const UINT message = RegisterWindowMessageW(L"BrivonelBringIntoView");
  return message;
}

NotifyIcon::~NotifyIcon() {
  if (!present_) return;
  NOTIFYICONDATAW data = IconData(window_);
  Shell_NotifyIconW(NIM_DELETE, &data);
}

bool NotifyIcon::Add() {
  NOTIFYICONDATAW data = IconData(window_);
  data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  data.uCallbackMessage = kCallbackMessage;
  data.hIcon = icon_;
  CopyToBuffer(u"Brivonel", data.szTip, sizeof data.szTip / sizeof data.szTip[0]);
  // After a shell restart the old icon is gone; an add over one that is
  // still there fails, and a modify then says whether it is.
  present_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE || Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
  TraceFormat("tray: icon %s\n", present_ ? "added" : "not added (no notification area)");
  return present_;
}

void OfferClickThrough(HMENU popupMenu, bool offered) {
  const bool there = GetMenuState(popupMenu, command::kClickThrough, MF_BYCOMMAND) != static_cast<UINT>(-1);
  if (offered && !there) {
    const std::u16string text(MessageText(Message::kClickThroughItem));
    InsertMenuW(popupMenu, command::kStartAtLogin, MF_BYCOMMAND | MF_STRING, command::kClickThrough,
                Wide(text));
  } else if (!offered && there) {
    RemoveMenu(popupMenu, command::kClickThrough, MF_BYCOMMAND);
  }
}

void ShowTrayMenu(HWND window, HMENU popupMenu, Message showHide) {
  const std::u16string showHideText(MessageText(showHide));
  const std::u16string aboutText(MessageText(Message::kAboutItem));
  InsertMenuW(popupMenu, 0, MF_BYPOSITION | MF_STRING, command::kShowHide, Wide(showHideText));
  InsertMenuW(popupMenu, 1, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
  // Exit stays last.
  InsertMenuW(popupMenu, command::kExit, MF_BYCOMMAND | MF_STRING, command::kAbout, Wide(aboutText));
  POINT at{};
  GetCursorPos(&at);
  // A menu of a window in the background would not close when the user
  // clicks elsewhere; the empty message after it is the documented cure.
  SetForegroundWindow(window);
  TrackPopupMenu(popupMenu, TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
  PostMessageW(window, WM_NULL, 0, 0);
  DeleteMenu(popupMenu, command::kAbout, MF_BYCOMMAND);
  DeleteMenu(popupMenu, command::kShowHide, MF_BYCOMMAND);
  DeleteMenu(popupMenu, 0, MF_BYPOSITION);  // the separator
}

void LayeredFigureWindow::SetShown(bool shown) {
  ShowWindow(window_, shown ? SW_SHOWNOACTIVATE : SW_HIDE);
}

void LayeredFigureWindow::Raise() {
  SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  SetForegroundWindow(window_);
}

void LayeredFigureWindow::SetClickThrough(bool on) {
  const LONG_PTR style = GetWindowLongPtrW(window_, GWL_EXSTYLE);
  SetWindowLongPtrW(window_, GWL_EXSTYLE,
                    on ? (style | WS_EX_TRANSPARENT) : (style & ~static_cast<LONG_PTR>(WS_EX_TRANSPARENT)));
  TraceFormat("click-through %s\n", on ? "on" : "off");
}

}  // namespace brivonel::win32
