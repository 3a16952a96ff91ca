#include "app/linux/work_area.h"

namespace brivonel {

AreaSize WorkAreaSize(std::span<const long> workAreas, std::optional<long> currentDesktop,
                      AreaSize screen) {
  const std::size_t desktops = workAreas.size() / 4;
  if (desktops == 0) return screen;
  std::size_t desktop = 0;
  if (currentDesktop && *currentDesktop >= 0 &&
      static_cast<std::size_t>(*currentDesktop) < desktops) {
    desktop = static_cast<std::size_t>(*currentDesktop);
  }
  const long width = workAreas[desktop * 4 + 2];
  const long height = workAreas[desktop * 4 + 3];
  if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) return screen;
  return {static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
}

}  // namespace brivonel
