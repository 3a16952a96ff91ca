#pragma once
// The monitors of the desktop as the application logic sees them, and the
// one way it changes the window's size: to follow the monitor it is on.
#include <vector>

#include "app/platform/window_geometry.h"

namespace brivonel {

struct MonitorArea {
  Rect bounds;    // the whole monitor, in screen pixels
  Rect workArea;  // without the panels, docks and task bars on it
  bool primary = false;
  friend bool operator==(const MonitorArea&, const MonitorArea&) = default;
};

class IMonitorLayout {
 public:
  virtual ~IMonitorLayout() = default;
  // Every monitor showing part of the desktop; empty when unknown.
  virtual std::vector<MonitorArea> Monitors() = 0;
  // Moves the window to rect and gives it rect's size in one step; the
  // application calls OnSize itself after it.
  virtual void PlaceWindow(const Rect& rect) = 0;
};

}  // namespace brivonel
