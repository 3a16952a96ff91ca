#include "app/linux/x11/frame_stats.h"

#include <cstdio>
#include <cstdlib>

#include "app/linux/monotonic_clock.h"

namespace brivonel::x11 {
namespace {

std::int64_t ProcessCpuMicroseconds() {
  return MonotonicClock::NowMicroseconds(CLOCK_PROCESS_CPUTIME_ID);
}

double PerFrameMs(std::int64_t totalUs, std::int64_t frames) {
  return frames > 0 ? static_cast<double>(totalUs) / 1000.0 / static_cast<double>(frames) : 0.0;
}

}  // namespace

FrameStats::FrameStats() {
  if (const char* value = std::getenv("BRIVONEL_FRAME_STATS")) {
    intervalUs_ = static_cast<std::int64_t>(std::atof(value) * 1e6);
  }
}

void FrameStats::TurnDone(std::int64_t now, const PresentCosts& costs) {
  if (!active()) return;
  if (since_ == 0) {  // the first turn starts the first interval
    since_ = now;
    cpuSince_ = ProcessCpuMicroseconds();
    costsSince_ = costs;
    return;
  }
  if (now - since_ < intervalUs_) return;
  const std::int64_t cpu = ProcessCpuMicroseconds();
  const std::int64_t frames = costs.frames - costsSince_.frames;
  const double seconds = static_cast<double>(now - since_) / 1e6;
  const double total = PerFrameMs(cpu - cpuSince_, frames);
  const double readBack = PerFrameMs(costs.readBack - costsSince_.readBack, frames);
  const double shape = PerFrameMs(costs.shape - costsSince_.shape, frames);
  const double put = PerFrameMs(costs.put - costsSince_.put, frames);
  const double front = readBack + shape + put;
  std::fprintf(stderr,
               "frame stats: %.1f fps; CPU per frame %.2f ms (%.1f%% of a core) = posing and "
               "drawing %.2f + front %.2f (read-back %.2f, shape %.2f, put %.2f)\n",
               static_cast<double>(frames) / seconds, total,
               static_cast<double>(cpu - cpuSince_) / 1e4 / seconds, total - front, front,
               readBack, shape, put);
  since_ = now;
  cpuSince_ = cpu;
  costsSince_ = costs;
}

}  // namespace brivonel::x11
