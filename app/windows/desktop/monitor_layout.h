#pragma once
// The monitors of the Windows desktop (each with its work area) for the
// application, and the window's move to the size of another one.
#include <windows.h>

#include <vector>

#include "app/platform/monitor_layout.h"

namespace brivonel::win32 {

// Every display monitor with its work area; the primary work area alone
// when they cannot be listed.
std::vector<MonitorArea> DesktopMonitors();

class Win32MonitorLayout final : public IMonitorLayout {
 public:
  void SetWindow(HWND window) { window_ = window; }
  std::vector<MonitorArea> Monitors() override { return DesktopMonitors(); }
  // Sends WM_SIZE before it returns.
  void PlaceWindow(const Rect& rect) override;

 private:
  HWND window_ = nullptr;
};

}  // namespace brivonel::win32
