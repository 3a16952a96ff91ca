#include "app/linux/alpha_shape.h"

#include <algorithm>
#include <cstring>

namespace brivonel {
namespace {

// Four pixels at once: their alpha bytes (little-endian BGRA words).
constexpr std::uint64_t kAlphaBytes = 0xFF000000FF000000ull;

std::uint64_t TwoPixels(const std::uint8_t* pixel) {
  std::uint64_t word;
  std::memcpy(&word, pixel, sizeof word);
  return word;
}

}  // namespace

AlphaShape::AlphaShape(std::uint8_t minAlpha) : minAlpha_(std::max<std::uint8_t>(minAlpha, 1)) {}

void AlphaShape::Begin(std::int32_t width) {
  width_ = std::max(width, 0);
  row_ = 0;
  bandTop_ = 0;
  bandRuns_.clear();
  rectangles_.clear();
}

void AlphaShape::FindRuns(const std::uint8_t* row, std::vector<Run>& runs) const {
  runs.clear();
  std::int32_t x = 0;
  while (x < width_) {
    // Most of a frame is empty, most of the figure opaque: step over four
    // pixels at a time while they are all empty.
    while (x + 4 <= width_ &&
           ((TwoPixels(row + 4 * x) | TwoPixels(row + 4 * x + 8)) & kAlphaBytes) == 0) {
      x += 4;
    }
    while (x < width_ && row[4 * x + 3] < minAlpha_) ++x;
    if (x >= width_) break;
    const std::int32_t begin = x;
    while (x + 4 <= width_ &&
           (TwoPixels(row + 4 * x) & TwoPixels(row + 4 * x + 8) & kAlphaBytes) == kAlphaBytes) {
      x += 4;
    }
    while (x < width_ && row[4 * x + 3] >= minAlpha_) ++x;
    runs.push_back({begin, x});
  }
}

void AlphaShape::CloseBand() {
  const std::int32_t height = row_ - bandTop_;
  if (height > 0) {
    for (const Run& run : bandRuns_) {
      rectangles_.push_back({run.begin, bandTop_, run.end - run.begin, height});
    }
  }
  bandTop_ = row_;
}

void AlphaShape::AddRow(const std::uint8_t* bgraRow) {
  FindRuns(bgraRow, rowRuns_);
  if (rowRuns_ != bandRuns_) {
    CloseBand();
    std::swap(bandRuns_, rowRuns_);
  }
  ++row_;
}

void AlphaShape::Finish() {
  CloseBand();
  bandRuns_.clear();
}

}  // namespace brivonel
