#pragma once
// Frame-cost figures for measuring the program (BRIVONEL_FRAME_STATS=N in
// the environment: one line on stderr every N seconds). Each line gives the
// frames per second and, per frame, the wall time of the whole turn and of
// its parts, and the process's CPU time (all threads, so the software
// rasteriser's too).
#include <cstdint>

#include "app/linux/x11/x11_presenter.h"

namespace brivonel::x11 {

class FrameStats {
 public:
  // Reads BRIVONEL_FRAME_STATS; inactive when it is not set.
  FrameStats();
  bool active() const { return intervalUs_ > 0; }

  // One loop turn of turnUs microseconds has run (now, in microseconds).
  void TurnDone(std::int64_t turnUs, std::int64_t now, const PresentCosts& costs);

 private:
  std::int64_t intervalUs_ = 0;
  std::int64_t since_ = 0;
  std::int64_t cpuSince_ = 0;
  std::int64_t turns_ = 0;
  std::int64_t turnUs_ = 0;
  PresentCosts costsSince_;
};

}  // namespace brivonel::x11
