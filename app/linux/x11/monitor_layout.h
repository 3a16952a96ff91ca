#pragma once
// The X desktop's monitors for the application, and the window's move to
// the size of another one.
#include "app/linux/x11/mascot_window.h"
#include "app/linux/x11/x11_display.h"
#include "app/platform/monitor_layout.h"

namespace brivonel::x11 {

class X11MonitorLayout final : public IMonitorLayout {
 public:
  X11MonitorLayout(X11Display& display, MascotWindow& window)
      : display_(display), window_(window) {}
  std::vector<MonitorArea> Monitors() override;
  void PlaceWindow(const Rect& rect) override { window_.MoveResize(rect); }

 private:
  X11Display& display_;
  MascotWindow& window_;
};

}  // namespace brivonel::x11
