#include "tools/icon_generator/emblem.h"

#include <algorithm>
#include <cmath>

namespace brivonel::icons {
namespace {

struct Colour {
  float r, g, b;
};

constexpr Colour kBadgeTop{0.98f, 0.62f, 0.74f};     // pink
constexpr Colour kBadgeBottom{0.55f, 0.35f, 0.86f};  // violet
constexpr Colour kRim{0.30f, 0.16f, 0.52f};
constexpr Colour kFigure{1.0f, 1.0f, 1.0f};

// Shapes in a unit square, y downwards: each says whether a point is in it.
bool InBadge(float x, float y) { return std::hypot(x - 0.5f, y - 0.5f) <= 0.48f; }
bool InBadgeInside(float x, float y) { return std::hypot(x - 0.5f, y - 0.5f) <= 0.43f; }

bool InFigure(float x, float y) {
  // Head, twin tails, a dress widening downwards, two legs.
  if (std::hypot(x - 0.5f, y - 0.30f) <= 0.095f) return true;
  if (std::hypot((x - 0.36f) / 0.05f, (y - 0.36f) / 0.11f) <= 1.0f) return true;
  if (std::hypot((x - 0.64f) / 0.05f, (y - 0.36f) / 0.11f) <= 1.0f) return true;
  if (y >= 0.40f && y <= 0.66f) {
    const float halfWidth = 0.06f + (y - 0.40f) * 0.55f;
    if (std::fabs(x - 0.5f) <= halfWidth) return true;
  }
  if (y > 0.66f && y <= 0.80f && std::fabs(std::fabs(x - 0.5f) - 0.05f) <= 0.022f) return true;
  return false;
}

Colour Mix(Colour a, Colour b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

}  // namespace

std::vector<std::uint8_t> DrawEmblem(int size) {
  constexpr int kSamples = 4;  // per axis, for smooth edges
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size) * size * 4);
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      float r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const float x = (px + (sx + 0.5f) / kSamples) / size;
          const float y = (py + (sy + 0.5f) / kSamples) / size;
          if (!InBadge(x, y)) continue;
          Colour c = kRim;
          if (InBadgeInside(x, y)) c = InFigure(x, y) ? kFigure : Mix(kBadgeTop, kBadgeBottom, y);
          r += c.r;
          g += c.g;
          b += c.b;
          a += 1.0f;
        }
      }
      std::uint8_t* out = &pixels[(static_cast<std::size_t>(py) * size + px) * 4];
      if (a > 0) {
        // Straight alpha: the colour of the covered part.
        out[0] = static_cast<std::uint8_t>(std::lround(b / a * 255.0f));
        out[1] = static_cast<std::uint8_t>(std::lround(g / a * 255.0f));
        out[2] = static_cast<std::uint8_t>(std::lround(r / a * 255.0f));
      }
      out[3] = static_cast<std::uint8_t>(std::lround(a / (kSamples * kSamples) * 255.0f));
    }
  }
  return pixels;
}

}  // namespace brivonel::icons
