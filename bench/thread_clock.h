#pragma once
// Time spent by the calling thread, so that other processes on a shared
// machine do not count; wall time where no such clock exists.
#include <chrono>
#include <ctime>

namespace brivonel::bench {

inline double ThreadSeconds() {
#if defined(CLOCK_THREAD_CPUTIME_ID)
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
#else
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
#endif
}

}  // namespace brivonel::bench
