#include "tools/sample_generator/image.h"

#include <algorithm>
#include <cmath>

namespace brivonel::samples {
namespace {

std::uint8_t ToByte(float value) {
  return static_cast<std::uint8_t>(std::lround(Clamp01(value) * 255.0f));
}

}  // namespace

Image Paint(int width, int height, const Painter& painter, int samples) {
  Image image(width, height);
  const float inverse = 1.0f / static_cast<float>(samples * samples);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Rgba sum{0.0f, 0.0f, 0.0f, 0.0f};
      for (int sy = 0; sy < samples; ++sy) {
        for (int sx = 0; sx < samples; ++sx) {
          const float u = (static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / static_cast<float>(samples)) /
                          static_cast<float>(width);
          const float v = (static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / static_cast<float>(samples)) /
                          static_cast<float>(height);
          const Rgba c = painter(u, v);
          sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b, sum.a + c.a};
        }
      }
      std::uint8_t* p = image.At(x, y);
      p[0] = ToByte(sum.r * inverse);
      p[1] = ToByte(sum.g * inverse);
      p[2] = ToByte(sum.b * inverse);
      p[3] = ToByte(sum.a * inverse);
    }
  }
  return image;
}

Image HalfSize(const Image& image) {
  Image half(std::max(1, image.width / 2), std::max(1, image.height / 2));
  for (int y = 0; y < half.height; ++y) {
    for (int x = 0; x < half.width; ++x) {
      const int x0 = std::min(2 * x, image.width - 1), x1 = std::min(2 * x + 1, image.width - 1);
      const int y0 = std::min(2 * y, image.height - 1), y1 = std::min(2 * y + 1, image.height - 1);
      for (int c = 0; c < 4; ++c) {
        const int sum = image.At(x0, y0)[c] + image.At(x1, y0)[c] + image.At(x0, y1)[c] +
                        image.At(x1, y1)[c];
        half.At(x, y)[c] = static_cast<std::uint8_t>((sum + 2) / 4);
      }
    }
  }
  return half;
}

std::vector<Image> MipChain(const Image& image) {
  std::vector<Image> chain{image};
  while (chain.back().width > 1 || chain.back().height > 1) chain.push_back(HalfSize(chain.back()));
  return chain;
}

Rgba Mix(const Rgba& a, const Rgba& b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
          a.a + (b.a - a.a) * t};
}

}  // namespace brivonel::samples
