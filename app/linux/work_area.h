#pragma once
// The size of the desktop's work area (the screen without panels and docks)
// from the window manager's _NET_WORKAREA root property, which holds
// x, y, width and height for each virtual desktop.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "app/platform/monitor_layout.h"

namespace brivonel {

struct AreaSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const AreaSize&, const AreaSize&) = default;
};

// The current desktop's entry (the first one when the current desktop is
// unknown or has none); the screen's size when the property is missing or
// its entry is empty.
AreaSize WorkAreaSize(std::span<const long> workAreas, std::optional<long> currentDesktop,
                      AreaSize screen);

// The current desktop's entry as a rectangle (chosen as above); null when
// the property is missing or its entry is empty.
std::optional<Rect> WorkAreaRect(std::span<const long> workAreas,
                                 std::optional<long> currentDesktop);

// The monitors with their work areas. The window manager gives one work
// area for the whole desktop; each monitor's is the part of it on that
// monitor (the whole monitor when the work area misses it, or is unknown).
std::vector<MonitorArea> WithWorkAreas(std::vector<MonitorArea> monitors,
                                       std::optional<Rect> workArea);

}  // namespace brivonel
