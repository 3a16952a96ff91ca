#pragma once
// Every platform service of the desktop program on Windows. They are made
// before the window (the application object that uses them is made during
// static initialisation); the entry point hands them its handles as it
// makes them.
#include <windows.h>

#include "app/platform/platform.h"
#include "app/windows/desktop/cursor_pointer.h"
#include "app/windows/desktop/known_folders.h"
#include "app/windows/desktop/layered_window_presenter.h"
#include "app/windows/desktop/monitor_layout.h"
#include "app/windows/desktop/open_file_dialog.h"
#include "app/windows/desktop/private_profile_store.h"
#include "app/windows/desktop/win32_services.h"
#include "physics/bullet/bullet_engine.h"

namespace brivonel::win32 {

class DesktopPlatform {
 public:
  DesktopPlatform() = default;
  DesktopPlatform(const DesktopPlatform&) = delete;
  DesktopPlatform& operator=(const DesktopPlatform&) = delete;

  Platform platform();

  void SetInstance(HINSTANCE instance);
  // The layered window and the popup menu whose items carry the size checks.
  void SetWindow(HWND window, HMENU popupMenu);

 private:
  TimeGetTimeClock clock_;
  MessageBoxes messageBoxes_;
  OpenFileDialog fileDialog_;
  PopupMenuChecks menuChecks_;
  WindowGeometry window_;
  LayeredWindowPresenter presenter_;
  ResourceStrings strings_;
  PrivateProfileStore profileStore_;
  KnownFolders folders_;
  physics::BulletEngine physics_;
  Win32MonitorLayout monitors_;
  CursorPointer pointer_;
};

}  // namespace brivonel::win32
