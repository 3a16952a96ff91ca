#pragma once
// Icon files (.ico) with 32-bit images: each image is a bottom-up BGRA
// bitmap with its alpha, followed by the 1-bit mask that systems without
// alpha use (set where the image is fully transparent).
#include <cstdint>
#include <vector>

namespace brivonel::icons {

struct IconImage {
  int size;                         // width and height, 1 to 256
  std::vector<std::uint8_t> pixels;  // straight-alpha BGRA, top row first
};

std::vector<std::uint8_t> EncodeIco(const std::vector<IconImage>& images);

}  // namespace brivonel::icons
