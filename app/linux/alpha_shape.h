#pragma once
// The part of a frame that a window's shape keeps: every pixel whose alpha
// reaches a threshold, as rectangles in the order the X shape extension
// calls YX-banded (sorted by y, then x; the rectangles of one band share
// their top and height). Rows with the same runs are merged into one band,
// which keeps a standing figure to a few hundred rectangles.
#include <cstdint>
#include <vector>

namespace brivonel {

struct ShapeRect {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const ShapeRect&, const ShapeRect&) = default;
};

class AlphaShape {
 public:
  // Pixels with alpha >= minAlpha (at least 1) are inside.
  explicit AlphaShape(std::uint8_t minAlpha);

  // Starts a frame whose rows are width pixels of blue, green, red, alpha.
  void Begin(std::int32_t width);
  // The next row, from the top.
  void AddRow(const std::uint8_t* bgraRow);
  // Ends the frame; rectangles() then holds its shape.
  void Finish();

  const std::vector<ShapeRect>& rectangles() const { return rectangles_; }

 private:
  struct Run {
    std::int32_t begin;
    std::int32_t end;
    friend bool operator==(const Run&, const Run&) = default;
  };

  void FindRuns(const std::uint8_t* row, std::vector<Run>& runs) const;
  void CloseBand();

  std::uint8_t minAlpha_;
  std::int32_t width_ = 0;
  std::int32_t row_ = 0;
  std::int32_t bandTop_ = 0;
  std::vector<Run> bandRuns_;
  std::vector<Run> rowRuns_;
  std::vector<ShapeRect> rectangles_;
};

}  // namespace brivonel
