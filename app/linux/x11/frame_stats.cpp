#include "app/linux/x11/frame_stats.h"

#include <time.h>

#include <cstdio>
#include <cstdlib>

namespace brivonel::x11 {
namespace {

std::int64_t ProcessCpuMicroseconds() {
  timespec cpu{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
  return static_cast<std::int64_t>(cpu.tv_sec) * 1000000 + cpu.tv_nsec / 1000;
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

void FrameStats::TurnDone(std::int64_t turnUs, std::int64_t now, const PresentCosts& costs) {
  if (!active()) return;
  if (since_ == 0) {  // the first turn starts the first interval
    since_ = now;
    cpuSince_ = ProcessCpuMicroseconds();
    costsSince_ = costs;
    return;
  }
  ++turns_;
  turnUs_ += turnUs;
  if (now - since_ < intervalUs_) return;
  const std::int64_t cpu = ProcessCpuMicroseconds();
  const std::int64_t frames = costs.frames - costsSince_.frames;
  const double seconds = static_cast<double>(now - since_) / 1e6;
  const double turn = PerFrameMs(turnUs_, turns_);
  const double finish = PerFrameMs(costs.finishDrawing - costsSince_.finishDrawing, frames);
  const double readBack = PerFrameMs(costs.readBack - costsSince_.readBack, frames);
  const double shape = PerFrameMs(costs.shape - costsSince_.shape, frames);
  const double put = PerFrameMs(costs.put - costsSince_.put, frames);
  std::fprintf(stderr,
               "frame stats: %.1f fps; per frame (ms): turn %.2f = pose+draw %.2f (waiting for "
               "the rasteriser %.2f) + read-back %.2f + shape %.2f + put %.2f; process cpu %.2f "
               "ms/frame (%.1f%% of a core)\n",
               static_cast<double>(frames) / seconds, turn, turn - readBack - shape - put, finish,
               readBack, shape, put, PerFrameMs(cpu - cpuSince_, frames),
               static_cast<double>(cpu - cpuSince_) / 1e4 / seconds);
  since_ = now;
  cpuSince_ = cpu;
  turns_ = 0;
  turnUs_ = 0;
  costsSince_ = costs;
}

}  // namespace brivonel::x11
