#include "app/linux/monotonic_clock.h"

namespace brivonel {

std::int64_t MonotonicClock::NowMicroseconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

std::uint32_t MonotonicClock::NowMilliseconds() {
  return static_cast<std::uint32_t>(NowMicroseconds() / 1000);
}

}  // namespace brivonel
