#include "app/linux/monotonic_clock.h"

#include <time.h>

namespace brivonel {

std::int64_t MonotonicClock::NowMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

std::uint32_t MonotonicClock::NowMilliseconds() {
  return static_cast<std::uint32_t>(NowMicroseconds() / 1000);
}

}  // namespace brivonel
