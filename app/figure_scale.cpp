#include "app/figure_scale.h"

#include <algorithm>
#include <cstdlib>

namespace brivonel {

std::int32_t PercentOfSize(std::int32_t size) {
  switch (size) {
    case 2:
      return 75;
    case 3:
      return 50;
    default:
      return 100;
  }
}

std::int32_t SizeNearestTo(std::int32_t percent) {
  std::int32_t nearest = 1;
  for (std::int32_t size = 2; size <= 3; ++size) {
    if (std::abs(PercentOfSize(size) - percent) < std::abs(PercentOfSize(nearest) - percent))
      nearest = size;
  }
  return nearest;
}

std::int32_t SizeOfPercent(std::int32_t percent) {
  const std::int32_t size = SizeNearestTo(percent);
  return PercentOfSize(size) == percent ? size : 0;
}

std::int32_t ResolvedScale(std::optional<std::int32_t> size, std::optional<std::int32_t> scale) {
  const std::int32_t menuSize = size.value_or(1);
  if (scale && *scale >= kSmallestScale && *scale <= kLargestScale &&
      SizeNearestTo(*scale) == menuSize) {
    return *scale;
  }
  return PercentOfSize(menuSize);
}

std::int32_t SteppedScale(std::int32_t percent, std::int32_t notches) {
  notches = std::clamp(notches, -kLargestScale, kLargestScale);
  std::int32_t stepped = std::clamp(percent, kSmallestScale, kLargestScale);
  // A scale between the steps (75 %) goes to the next step first.
  if (notches > 0) {
    stepped = (stepped / kScaleStep + notches) * kScaleStep;
  } else if (notches < 0) {
    stepped = ((stepped + kScaleStep - 1) / kScaleStep + notches) * kScaleStep;
  }
  return std::clamp(stepped, kSmallestScale, kLargestScale);
}

}  // namespace brivonel
