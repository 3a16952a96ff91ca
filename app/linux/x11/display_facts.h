#pragma once
// What the program asks the X server about the desktop before it places its
// window and sets its frame rate.
#include "app/linux/work_area.h"
#include "app/linux/x11/x11_display.h"

#include <vector>

namespace brivonel::x11 {

// The work area's size: _NET_WORKAREA when a window manager publishes it,
// else the screen's size.
AreaSize DesktopWorkArea(const X11Display& display);

// The monitors (RandR's, or the screen as one monitor without them) with
// their work areas, the part of _NET_WORKAREA on each.
std::vector<MonitorArea> DesktopMonitors(const X11Display& display);

// The refresh rate of the monitor showing the point (x, y) (or of the
// first active one) in Hz, from XRandR; 0 when unknown.
double MonitorRefreshRate(const X11Display& display, int x, int y);

}  // namespace brivonel::x11
