#pragma once
// The figure's scale in percent of the large size. The menu's three sizes
// are 100, 75 and 50 %; Ctrl + the mouse wheel steps by 10 % between 20 and
// 100 %. The settings keep both: "Scale" with the percent, and "ModelSize"
// with the menu size nearest to it, so that a program that knows only the
// sizes still reads a valid one.
#include <cstdint>
#include <optional>

namespace brivonel {

inline constexpr std::int32_t kSmallestScale = 20;
inline constexpr std::int32_t kLargestScale = 100;
inline constexpr std::int32_t kScaleStep = 10;

// 1 large -> 100, 2 medium -> 75, 3 small -> 50; anything else counts as 1.
std::int32_t PercentOfSize(std::int32_t size);
// The menu size (1, 2 or 3) whose percent is nearest to percent.
std::int32_t SizeNearestTo(std::int32_t percent);
// The menu size whose percent is exactly percent; 0 for a scale between them.
std::int32_t SizeOfPercent(std::int32_t percent);

// The scale to draw at, from the stored size (null when not 1, 2 or 3) and
// the stored scale (null when missing or no number). A scale in range counts
// only while the stored size is the one nearest to it: a program that knows
// only the sizes changed the size and left the scale as it was.
std::int32_t ResolvedScale(std::optional<std::int32_t> size, std::optional<std::int32_t> scale);

// percent moved by notches of the wheel (positive: larger), onto the 10 %
// steps and within 20 to 100 %.
std::int32_t SteppedScale(std::int32_t percent, std::int32_t notches);

}  // namespace brivonel
