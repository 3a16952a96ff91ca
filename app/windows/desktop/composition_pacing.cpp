#include "app/windows/desktop/composition_pacing.h"

#include <cmath>

namespace brivonel {

CompositionPacing::CompositionPacing(double refreshHz) {
  if (!(refreshHz >= 20.0 && refreshHz <= 500.0)) refreshHz = 60.0;
  period_ = std::llround(1e6 / refreshHz);
}

std::int64_t CompositionPacing::AfterWait(std::int64_t waited, std::int64_t now) {
  if (waited >= kShortWait) {
    // The composition waits again: it paces, the timer stops.
    shortWaits_ = 0;
    onGrid_ = false;
    return 0;
  }
  if (shortWaits_ < kShortWaitsBeforeTimer) ++shortWaits_;
  if (!timerPacing()) return 0;
  if (!onGrid_) {
    onGrid_ = true;
    due_ = now;
  }
  due_ += period_;
  if (due_ <= now) {
    // The frame took longer than a period: no burst to catch up, the grid
    // starts again from now.
    due_ = now;
    return 0;
  }
  return due_ - now;
}

}  // namespace brivonel
