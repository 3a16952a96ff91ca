#pragma once
// The mascot's window as the application logic sees it: coordinates, its
// screen rectangle, mouse capture and showing it.
#include <cstdint>

namespace brivonel {

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

class IWindowGeometry {
 public:
  virtual ~IWindowGeometry() = default;
  // A point in the window's client area in screen coordinates.
  virtual Point ClientToScreen(Point client) = 0;
  // The window's rectangle in screen coordinates.
  virtual Rect WindowRect() = 0;
  // Mouse capture: every mouse message goes to the window until released.
  virtual void CaptureMouse() = 0;
  virtual void ReleaseMouse() = 0;
  // Makes the window visible (harmless when it already is).
  virtual void ShowWindow() = 0;
};

}  // namespace brivonel
