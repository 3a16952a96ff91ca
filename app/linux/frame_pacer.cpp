#include "app/linux/frame_pacer.h"

#include <algorithm>
#include <cmath>

namespace brivonel {

double RefreshRateOfMode(std::uint64_t dotClockHz, std::uint32_t hTotal, std::uint32_t vTotal,
                         bool interlaced, bool doubleScan) {
  if (dotClockHz == 0 || hTotal == 0 || vTotal == 0) return 0.0;
  double rate = static_cast<double>(dotClockHz) /
                (static_cast<double>(hTotal) * static_cast<double>(vTotal));
  if (interlaced) rate *= 2.0;   // two fields per frame
  if (doubleScan) rate /= 2.0;   // every line drawn twice
  return rate;
}

FramePacer::FramePacer(double refreshHz) {
  if (!(refreshHz >= 20.0 && refreshHz <= 500.0)) refreshHz = 60.0;
  period_ = static_cast<std::int64_t>(std::llround(1e6 / refreshHz));
}

void FramePacer::FrameDone(std::int64_t now) {
  due_ = std::max(due_ + period_, now + period_ / 4);
}

}  // namespace brivonel
