#pragma once
// Where the mascot's window goes and how large it is, on a desktop of one
// or more monitors: the window is half its monitor's work area wide and all
// of it high; it starts at the place the user last dropped it when enough
// of it shows there, and a drop that hides most of it is undone.
#include <optional>
#include <span>

#include "app/platform/monitor_layout.h"
#include "app/platform/window_geometry.h"

namespace brivonel {

// The part of a that lies in b; an empty rectangle when they do not meet.
Rect Intersection(const Rect& a, const Rect& b);
// The share of window's area that lies in area, 0 to 1.
double ShownFraction(const Rect& window, const Rect& area);

// A window showing less than this share of itself on every monitor is lost
// to the user: it is not restored there and is pulled back after a drop.
inline constexpr double kLeastShownFraction = 1.0 / 3.0;

// The window's size on a monitor (left and top 0): half the work area's
// width in single precision, truncated, by its height.
Rect WindowSizeOn(const MonitorArea& monitor);

// The first-start placement on the primary monitor (the first one when none
// is marked): the right half of its work area, measured from the monitor's
// left edge, at its top. Null when there is no monitor.
std::optional<Rect> DefaultWindowRect(std::span<const MonitorArea> monitors);

// The window's rectangle at start: at remembered (its top-left corner), with
// the size of the monitor that shows most of it there, when that monitor
// shows at least a third of it; otherwise the default placement.
std::optional<Rect> StartWindowRect(std::optional<Point> remembered,
                                    std::span<const MonitorArea> monitors);

// The window after a drop or a change of monitors: sized for the monitor
// that shows most of it (the nearest one when none does), keeping the
// bottom centre where the figure stands, and moved into that monitor's work
// area when less than a third of it shows on any monitor. The window itself
// when there is no monitor.
Rect FittedWindowRect(const Rect& window, std::span<const MonitorArea> monitors);

}  // namespace brivonel
