#include "app/linux/x11/display_facts.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>

#include <optional>
#include <vector>

#include "app/linux/frame_pacer.h"

namespace brivonel::x11 {
namespace {

// A CARDINAL[] property of the root window; empty when missing.
std::vector<long> RootCardinals(const X11Display& display, const char* name) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  std::vector<long> values;
  if (XGetWindowProperty(display.get(), display.root(), display.Intern(name), 0, 4096, False,
                         XA_CARDINAL, &type, &format, &count, &remaining, &data) == Success &&
      type == XA_CARDINAL && format == 32 && data != nullptr) {
    // Xlib hands 32-bit items over as longs.
    const auto* items = reinterpret_cast<const long*>(data);
    values.assign(items, items + count);
  }
  if (data != nullptr) XFree(data);
  return values;
}

}  // namespace

AreaSize DesktopWorkArea(const X11Display& display) {
  const AreaSize screen{DisplayWidth(display.get(), display.screen()),
                        DisplayHeight(display.get(), display.screen())};
  const std::vector<long> workAreas = RootCardinals(display, "_NET_WORKAREA");
  const std::vector<long> current = RootCardinals(display, "_NET_CURRENT_DESKTOP");
  return WorkAreaSize(workAreas, current.empty() ? std::nullopt : std::optional(current[0]),
                      screen);
}

std::vector<MonitorArea> DesktopMonitors(const X11Display& display) {
  std::vector<MonitorArea> monitors;
  if (display.hasRandr) {
    int count = 0;
    XRRMonitorInfo* infos = XRRGetMonitors(display.get(), display.root(), True, &count);
    for (int i = 0; infos != nullptr && i < count; ++i) {
      const XRRMonitorInfo& info = infos[i];
      if (info.width <= 0 || info.height <= 0) continue;
      monitors.push_back({{info.x, info.y, info.x + info.width, info.y + info.height},
                          {},
                          info.primary != 0});
    }
    if (infos != nullptr) XRRFreeMonitors(infos);
  }
  if (monitors.empty()) {
    monitors.push_back({{0, 0, DisplayWidth(display.get(), display.screen()),
                         DisplayHeight(display.get(), display.screen())},
                        {},
                        true});
  }
  const std::vector<long> workAreas = RootCardinals(display, "_NET_WORKAREA");
  const std::vector<long> current = RootCardinals(display, "_NET_CURRENT_DESKTOP");
  return WithWorkAreas(
      std::move(monitors),
      WorkAreaRect(workAreas, current.empty() ? std::nullopt : std::optional(current[0])));
}

double MonitorRefreshRate(const X11Display& display, int x, int y) {
  if (!display.hasRandr) return 0.0;
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display.get(), display.root());
  if (resources == nullptr) return 0.0;
  double chosen = 0.0;
  bool containsPoint = false;
  for (int c = 0; c < resources->ncrtc && !containsPoint; ++c) {
    XRRCrtcInfo* crtc = XRRGetCrtcInfo(display.get(), resources, resources->crtcs[c]);
    if (crtc == nullptr) continue;
    if (crtc->mode != None) {
      for (int m = 0; m < resources->nmode; ++m) {
        const XRRModeInfo& mode = resources->modes[m];
        if (mode.id != crtc->mode) continue;
        const double rate = RefreshRateOfMode(mode.dotClock, mode.hTotal, mode.vTotal,
                                              (mode.modeFlags & RR_Interlace) != 0,
                                              (mode.modeFlags & RR_DoubleScan) != 0);
        containsPoint = x >= crtc->x && y >= crtc->y &&
                        x < crtc->x + static_cast<int>(crtc->width) &&
                        y < crtc->y + static_cast<int>(crtc->height);
        if (containsPoint || chosen == 0.0) chosen = rate;
      }
    }
    XRRFreeCrtcInfo(crtc);
  }
  XRRFreeScreenResources(resources);
  return chosen;
}

}  // namespace brivonel::x11
