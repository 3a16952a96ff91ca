#pragma once
// The animation's millisecond clock on Linux: the monotonic clock (which
// does not jump when the wall clock is set), cut to 32 bits like the
// Windows counter it stands in for.
#include <time.h>

#include <cstdint>

#include "app/platform/clock.h"

namespace brivonel {

class MonotonicClock final : public IClock {
 public:
  std::uint32_t NowMilliseconds() override;
  // The same clock in microseconds; or another of the system's clocks (a
  // thread's or the process's CPU time, for the frame costs).
  static std::int64_t NowMicroseconds(clockid_t clock = CLOCK_MONOTONIC);
};

}  // namespace brivonel
