#pragma once
// When the next frame is due. Software OpenGL has no vertical sync, so the
// desktop program draws on a timer at the display's refresh rate; this
// keeps the timer's schedule. Times are microseconds of a monotonic clock.
#include <cstdint>

namespace brivonel {

// The refresh rate of a display mode from its timings (pixel clock in Hz,
// total pixels per line and lines per frame); 0 when they are unknown, as
// virtual displays report.
double RefreshRateOfMode(std::uint64_t dotClockHz, std::uint32_t hTotal, std::uint32_t vTotal,
                         bool interlaced, bool doubleScan);

class FramePacer {
 public:
  // Rates outside 20 to 500 Hz (unknown, or nonsense) count as 60 Hz.
  explicit FramePacer(double refreshHz);

  std::int64_t period() const { return period_; }

  // The first frame after a start or a pause is due at once.
  void Restart(std::int64_t now) { due_ = now; }
  std::int64_t due() const { return due_; }

  // A frame that was due has been drawn and it is now `now`: schedules the
  // next one a period after the last, on the same grid. A frame that took
  // longer than a period does not make the next ones come in a burst: the
  // schedule starts again from now, and at least a quarter period is left
  // idle, so a slow machine is never kept busy all the time.
  void FrameDone(std::int64_t now);

 private:
  std::int64_t period_;
  std::int64_t due_ = 0;
};

}  // namespace brivonel
