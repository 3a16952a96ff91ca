#pragma once
// The size of the desktop's work area (the screen without panels and docks)
// from the window manager's _NET_WORKAREA root property, which holds
// x, y, width and height for each virtual desktop.
#include <cstdint>
#include <optional>
#include <span>

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

}  // namespace brivonel
