#pragma once
// Computed pictures: RGBA8 images painted from a colour function of (u, v).
#include <cstdint>
#include <functional>
#include <vector>

#include "tools/sample_generator/figure.h"

namespace brivonel::samples {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;  // rows from the top, 4 bytes per pixel

  Image() = default;
  Image(int w, int h) : width(w), height(h), rgba(static_cast<std::size_t>(w) * h * 4, 0) {}
  std::uint8_t* At(int x, int y) {
    return &rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)) * 4];
  }
  const std::uint8_t* At(int x, int y) const { return const_cast<Image*>(this)->At(x, y); }
};

// u grows rightwards and v downwards, both 0 to 1 across the image.
using Painter = std::function<Rgba(float u, float v)>;

// Each pixel is the mean of samples x samples evaluations of the painter
// (anti-aliased edges).
Image Paint(int width, int height, const Painter& painter, int samples = 3);

// Half the size (at least 1 x 1), each pixel the mean of the 2 x 2 it covers.
Image HalfSize(const Image& image);

// The full chain of mip levels, from the image itself down to 1 x 1.
std::vector<Image> MipChain(const Image& image);

Rgba Mix(const Rgba& a, const Rgba& b, float t);
inline Rgba Shade(const Rgba& c, float f) { return {c.r * f, c.g * f, c.b * f, c.a}; }

}  // namespace brivonel::samples
