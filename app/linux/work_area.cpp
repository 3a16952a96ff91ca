#include "app/linux/work_area.h"

#include "app/window_place.h"

namespace brivonel {

AreaSize WorkAreaSize(std::span<const long> workAreas, std::optional<long> currentDesktop,
                      AreaSize screen) {
  const std::optional<Rect> area = WorkAreaRect(workAreas, currentDesktop);
  if (!area) return screen;
  return {area->right - area->left, area->bottom - area->top};
}

std::optional<Rect> WorkAreaRect(std::span<const long> workAreas,
                                 std::optional<long> currentDesktop) {
  const std::size_t desktops = workAreas.size() / 4;
  if (desktops == 0) return std::nullopt;
  std::size_t desktop = 0;
  if (currentDesktop && *currentDesktop >= 0 &&
      static_cast<std::size_t>(*currentDesktop) < desktops) {
    desktop = static_cast<std::size_t>(*currentDesktop);
  }
  const long x = workAreas[desktop * 4];
  const long y = workAreas[desktop * 4 + 1];
  const long width = workAreas[desktop * 4 + 2];
  const long height = workAreas[desktop * 4 + 3];
  constexpr long kLimit = INT32_MAX / 2;  // the corners must fit too
  if (width <= 0 || height <= 0 || width > kLimit || height > kLimit || x < -kLimit ||
      x > kLimit || y < -kLimit || y > kLimit)
    return std::nullopt;
  const auto at = [](long value) { return static_cast<std::int32_t>(value); };
  return Rect{at(x), at(y), at(x + width), at(y + height)};
}

std::vector<MonitorArea> WithWorkAreas(std::vector<MonitorArea> monitors,
                                       std::optional<Rect> workArea) {
  for (MonitorArea& monitor : monitors) {
    const Rect part = workArea ? Intersection(monitor.bounds, *workArea) : Rect{};
    monitor.workArea = part == Rect{} ? monitor.bounds : part;
  }
  return monitors;
}

}  // namespace brivonel
