#pragma once
// When the next frame may start. The program waits for the desktop
// composition after every frame, and that wait normally paces it to the
// display. Where the wait returns at once (composition off, or a system
// that does not implement it, such as Wine), the program would draw
// hundreds of frames a second on one core; after several such frames in a
// row this paces to the display's refresh rate instead, on a fixed grid.
// A wait that takes time again hands pacing back to the composition.
//
// Plain arithmetic on microseconds of a monotonic clock, so that it can be
// checked without a display.
#include <cstdint>

namespace brivonel {

class CompositionPacing {
 public:
  // A composition wait shorter than this did not wait for anything.
  static constexpr std::int64_t kShortWait = 1000;
  // Short waits in a row before the timer takes over.
  static constexpr int kShortWaitsBeforeTimer = 8;

  // Rates outside 20 to 500 Hz (unknown, or nonsense) count as 60 Hz.
  explicit CompositionPacing(double refreshHz);

  // The composition wait after a frame took `waited`, and it is now `now`:
  // how long to sleep before the next frame (0: start it at once).
  std::int64_t AfterWait(std::int64_t waited, std::int64_t now);

  bool timerPacing() const { return shortWaits_ >= kShortWaitsBeforeTimer; }
  std::int64_t period() const { return period_; }

 private:
  std::int64_t period_;
  int shortWaits_ = 0;
  bool onGrid_ = false;
  std::int64_t due_ = 0;  // when the next frame is due, while on the grid
};

}  // namespace brivonel
