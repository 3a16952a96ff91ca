#pragma once
// Frame-cost figures for measuring the program (BRIVONEL_FRAME_STATS=N in
// the environment: one line on stderr every N seconds). Each line gives the
// frames per second and, per frame, the process's CPU time (all threads, so
// the software rasteriser's too), split into the front's own work
// (read-back, shape, put, measured on its thread) and the rest: posing,
// drawing and the events between frames.
#include <cstdint>

#include "app/linux/x11/x11_presenter.h"

namespace brivonel::x11 {

class FrameStats {
 public:
  // Reads BRIVONEL_FRAME_STATS; inactive when it is not set.
  FrameStats();
  bool active() const { return intervalUs_ > 0; }

  // One loop turn has run (now, in microseconds of the monotonic clock).
  void TurnDone(std::int64_t now, const PresentCosts& costs);

 private:
  std::int64_t intervalUs_ = 0;
  std::int64_t since_ = 0;
  std::int64_t cpuSince_ = 0;
  PresentCosts costsSince_;
};

}  // namespace brivonel::x11
