#include "app/window_place.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace brivonel {
namespace {

std::int64_t Area(const Rect& r) {
  return std::int64_t{std::max(0, r.right - r.left)} * std::max(0, r.bottom - r.top);
}

Rect Sized(Point topLeft, const Rect& size) {
  return {topLeft.x, topLeft.y, topLeft.x + size.right, topLeft.y + size.bottom};
}

// Squared distance between the centres, in doubled pixels (no rounding).
std::int64_t CentreDistance(const Rect& a, const Rect& b) {
  const std::int64_t dx = std::int64_t{a.left} + a.right - b.left - b.right;
  const std::int64_t dy = std::int64_t{a.top} + a.bottom - b.top - b.bottom;
  return dx * dx + dy * dy;
}

// The monitor showing the largest part of window; the nearest when none
// shows any of it.
const MonitorArea& HomeMonitor(const Rect& window, std::span<const MonitorArea> monitors) {
  const MonitorArea* best = &monitors.front();
  std::int64_t bestArea = -1;
  std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
  for (const MonitorArea& monitor : monitors) {
    const std::int64_t area = Area(Intersection(window, monitor.bounds));
    const std::int64_t distance = CentreDistance(window, monitor.bounds);
    if (area > bestArea || (area == 0 && bestArea == 0 && distance < bestDistance)) {
      best = &monitor;
      bestArea = area;
      bestDistance = distance;
    }
  }
  return *best;
}

bool ShowsEnoughSomewhere(const Rect& window, std::span<const MonitorArea> monitors) {
  return std::any_of(monitors.begin(), monitors.end(), [&](const MonitorArea& monitor) {
    return ShownFraction(window, monitor.bounds) >= kLeastShownFraction;
  });
}

// Moves window by as little as puts it inside area (its top-left corner
// when it is larger).
Rect MovedInside(Rect window, const Rect& area) {
  const auto shift = [](std::int32_t low, std::int32_t high, std::int32_t areaLow,
                        std::int32_t areaHigh) {
    if (high > areaHigh) return areaHigh - high;
    if (low < areaLow) return areaLow - low;
    return 0;
  };
  std::int32_t dx = shift(window.left, window.right, area.left, area.right);
  std::int32_t dy = shift(window.top, window.bottom, area.top, area.bottom);
  if (window.left + dx < area.left) dx = area.left - window.left;
  if (window.top + dy < area.top) dy = area.top - window.top;
  return {window.left + dx, window.top + dy, window.right + dx, window.bottom + dy};
}

}  // namespace

Rect Intersection(const Rect& a, const Rect& b) {
  const Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
  return r.left < r.right && r.top < r.bottom ? r : Rect{};
}

double ShownFraction(const Rect& window, const Rect& area) {
  const std::int64_t whole = Area(window);
  if (whole == 0) return 0.0;
  return static_cast<double>(Area(Intersection(window, area))) / static_cast<double>(whole);
}

Rect WindowSizeOn(const MonitorArea& monitor) {
  const std::int32_t workWidth = monitor.workArea.right - monitor.workArea.left;
  const auto width = static_cast<std::int32_t>(static_cast<float>(workWidth) * 0.5f);
  return {0, 0, width, monitor.workArea.bottom - monitor.workArea.top};
}

std::optional<Rect> DefaultWindowRect(std::span<const MonitorArea> monitors) {
  if (monitors.empty()) return std::nullopt;
  const auto primary = std::find_if(monitors.begin(), monitors.end(),
                                    [](const MonitorArea& m) { return m.primary; });
  const MonitorArea& monitor = primary != monitors.end() ? *primary : monitors.front();
  // Measured from the monitor's edge, not the work area's: a task bar on
  // the left does not push the window right.
  const Rect size = WindowSizeOn(monitor);
  const std::int32_t workWidth = monitor.workArea.right - monitor.workArea.left;
  return Sized({monitor.bounds.left + workWidth - size.right, monitor.bounds.top}, size);
}

std::optional<Rect> StartWindowRect(std::optional<Point> remembered,
                                    std::span<const MonitorArea> monitors) {
  if (remembered && !monitors.empty()) {
    std::optional<Rect> best;
    double bestShown = 0.0;
    for (const MonitorArea& monitor : monitors) {
      const Rect candidate = Sized(*remembered, WindowSizeOn(monitor));
      const double shown = ShownFraction(candidate, monitor.bounds);
      if (shown > bestShown) {
        best = candidate;
        bestShown = shown;
      }
    }
    if (best && bestShown >= kLeastShownFraction) return best;
  }
  return DefaultWindowRect(monitors);
}

Rect FittedWindowRect(const Rect& window, std::span<const MonitorArea> monitors) {
  if (monitors.empty()) return window;
  const MonitorArea& home = HomeMonitor(window, monitors);
  const Rect size = WindowSizeOn(home);
  Rect fitted = window;
  if (size.right != window.right - window.left || size.bottom != window.bottom - window.top) {
    // The figure stands at the bottom centre: it stays there, but within
    // the new monitor's work area from top to bottom.
    const std::int32_t centreX = window.left + (window.right - window.left) / 2;
    const std::int32_t bottom = std::min(window.bottom, home.workArea.bottom);
    const std::int32_t top = std::max(bottom - size.bottom, home.workArea.top);
    fitted = Sized({centreX - size.right / 2, top}, size);
  }
  if (!ShowsEnoughSomewhere(fitted, monitors)) fitted = MovedInside(fitted, home.workArea);
  return fitted;
}

}  // namespace brivonel
