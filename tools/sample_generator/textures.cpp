#include "tools/sample_generator/textures.h"

#include <cmath>

#include "tools/sample_generator/proportions.h"

namespace brivonel::samples {
namespace {

using namespace proportions;

constexpr float kPi = 3.14159265f;
constexpr Rgba kSkin{1.0f, 0.88f, 0.8f, 1.0f};
constexpr Rgba kLash{0.16f, 0.09f, 0.1f, 1.0f};
constexpr Rgba kWhite{0.98f, 0.98f, 1.0f, 1.0f};

// 1 inside an ellipse of half-axes (rx, ry) around (cx, cy), 0 outside, with
// a soft edge of width `soft` in the ellipse's own units.
float Ellipse(float x, float y, float cx, float cy, float rx, float ry, float soft = 0.04f) {
  const float dx = (x - cx) / rx, dy = (y - cy) / ry;
  return 1.0f - SmoothStep(1.0f - soft, 1.0f + soft, std::sqrt(dx * dx + dy * dy));
}

// A sum of sines with whole frequencies, so it wraps around u = 0 and 1.
float Strands(float u) {
  return 0.35f * std::sin(kTau * 7.0f * u + 0.4f) + 0.25f * std::sin(kTau * 13.0f * u + 2.1f) +
         0.2f * std::sin(kTau * 29.0f * u + 4.0f) + 0.2f * std::sin(kTau * 53.0f * u + 1.3f);
}

// Local coordinates inside an atlas rectangle: x and y in [-1, 1], y upwards.
bool InRect(const UvRect& rect, float u, float v, float& x, float& y) {
  if (u < rect.u0 || u > rect.u1 || v < rect.v0 || v > rect.v1) return false;
  x = (u - rect.CentreU()) / rect.HalfU();
  y = -(v - rect.CentreV()) / rect.HalfV();
  return true;
}

Rgba HeadSkin(float u, float v) {
  const float theta = ((u - kAtlasHead.u0) / (kAtlasHead.u1 - kAtlasHead.u0) - 0.5f) * 2.0f * kPi;
  const float phi = (v - kAtlasHead.v0) / (kAtlasHead.v1 - kAtlasHead.v0) * kPi;
  Rgba c = kSkin;
  for (float side : {1.0f, -1.0f}) {
    const float t = side * theta;
    // Cheeks.
    const float blush = Ellipse(t, phi, kLeftCheek.theta, kLeftCheek.phi, kLeftCheek.halfTheta,
                                kLeftCheek.halfPhi, 0.6f);
    c = Mix(c, {1.0f, 0.66f, 0.68f, 1.0f}, 0.55f * blush);
    // Eyebrows: thin arcs, thickest in the middle, their ends lower.
    const float x = (t - kLeftBrow.theta) / kLeftBrow.halfTheta;
    if (std::fabs(x) < 1.0f) {
      const float centre = kLeftBrow.phi + 0.035f * x * x;
      const float half = kLeftBrow.halfPhi * (1.0f - 0.6f * x * x);
      const float brow = 1.0f - SmoothStep(half * 0.7f, half * 1.3f, std::fabs(phi - centre));
      c = Mix(c, {0.5f, 0.33f, 0.24f, 1.0f}, brow * SmoothStep(1.0f, 0.8f, std::fabs(x)));
    }
  }
  // A hint of a nose.
  c = Mix(c, {0.93f, 0.7f, 0.64f, 1.0f}, 0.5f * Ellipse(theta, phi, 0.0f, kHalfPi + 0.22f, 0.025f, 0.015f, 0.5f));
  return c;
}

// One eye; +x is the outer corner, +y up.
Rgba Eye(float x, float y) {
  const float rim = std::sqrt(std::max(0.0f, 1.0f - x * x));
  const float top = 0.8f * rim + 0.04f, bottom = -0.74f * rim;
  Rgba c = kSkin;
  if (y < top && y > bottom && std::fabs(x) < 0.97f) {
    c = kWhite;
    const float iris = Ellipse(x, y, 0.0f, -0.06f, 0.66f, 0.64f, 0.03f);
    const float depth = Clamp01((0.5f - y) / 1.1f);
    const Rgba irisColour = Mix({0.12f, 0.16f, 0.42f, 1.0f}, {0.36f, 0.6f, 0.95f, 1.0f}, depth);
    const float ring = SmoothStep(0.8f, 0.98f, std::hypot(x / 0.66f, (y + 0.06f) / 0.64f));
    c = Mix(c, Mix(irisColour, {0.08f, 0.1f, 0.3f, 1.0f}, ring), iris);
    c = Mix(c, {0.05f, 0.05f, 0.14f, 1.0f}, Ellipse(x, y, 0.0f, -0.04f, 0.27f, 0.3f));
    c = Mix(c, kWhite, Ellipse(x, y, -0.24f, 0.22f, 0.17f, 0.16f));
    c = Mix(c, kWhite, Ellipse(x, y, 0.26f, -0.34f, 0.08f, 0.08f));
    // The upper lid's shadow on the eye.
    c = Mix(c, Shade(c, 0.75f), SmoothStep(top - 0.25f, top, y));
  }
  // Upper lashes, heavier towards the outer corner; a thin lower line.
  const float lash = 1.0f - SmoothStep(0.0f, 0.05f, std::fabs(y - (top + 0.07f)) - 0.07f - 0.04f * x);
  const float flick = Ellipse(x, y, 0.93f, top + 0.05f, 0.16f, 0.12f);
  c = Mix(c, kLash, std::max(lash * SmoothStep(1.02f, 0.92f, std::fabs(x)), flick));
  const float lower = 1.0f - SmoothStep(0.015f, 0.04f, std::fabs(y - bottom + 0.02f));
  c = Mix(c, {0.45f, 0.3f, 0.28f, 1.0f}, lower * SmoothStep(0.85f, 0.3f, std::fabs(x)));
  return c;
}

Rgba Mouth(float x, float y) {
  const float r = std::hypot(x, y);
  Rgba c = Mix({0.55f, 0.16f, 0.2f, 1.0f}, {0.4f, 0.08f, 0.12f, 1.0f}, Clamp01(y + 0.5f));
  c = Mix(c, {0.94f, 0.5f, 0.55f, 1.0f}, Ellipse(x, y, 0.0f, -0.75f, 0.6f, 0.45f, 0.1f));
  return Mix(c, {0.42f, 0.17f, 0.15f, 1.0f}, SmoothStep(0.8f, 0.9f, r));
}

// The closed eyelid: skin with the lash line of a shut eye, curving down in
// the middle (the lid's rows already curve; the line follows them).
Rgba Lid(float x, float y) {
  const float s = 0.5f - 0.5f * y;  // 0 at the top edge, 1 at the bottom
  const float width = 0.05f * (1.0f - 0.5f * x * x);
  const float line = 1.0f - SmoothStep(width, width + 0.04f, std::fabs(s - 0.6f));
  return Mix(kSkin, kLash, line * SmoothStep(1.0f, 0.8f, std::fabs(x)));
}

Rgba Plaid(float u, float v) {
  const auto band = [](float t, float centre, float half) {
    const float d = std::fabs(t - centre);
    return 1.0f - SmoothStep(half, half + 0.01f, std::min(d, 1.0f - d));
  };
  const float x = u - std::floor(u), y = v * 4.0f - std::floor(v * 4.0f);
  Rgba c{0.24f, 0.36f, 0.66f, 1.0f};
  const Rgba dark{0.14f, 0.2f, 0.42f, 1.0f};
  c = Mix(c, dark, 0.5f * band(x, 0.25f, 0.1f) + 0.5f * band(y, 0.25f, 0.1f));
  c = Mix(c, {0.86f, 0.22f, 0.3f, 1.0f}, std::max(band(x, 0.75f, 0.012f), band(y, 0.75f, 0.012f)));
  return Mix(c, {0.95f, 0.95f, 0.95f, 1.0f},
             0.8f * std::max(band(x, 0.55f, 0.006f), band(y, 0.55f, 0.006f)));
}

}  // namespace

Image FaceTexture(int size) {
  return Paint(size, size, [](float u, float v) {
    float x = 0.0f, y = 0.0f;
    if (InRect(kAtlasEye, u, v, x, y)) return Eye(x, y);
    if (InRect(kAtlasMouth, u, v, x, y)) return Mouth(x, y);
    if (InRect(kAtlasLid, u, v, x, y)) return Lid(x, y);
    if (u < kAtlasHead.u1) return HeadSkin(u, v);
    return kSkin;
  });
}

Image ClothTexture(int size) {
  return Paint(size, size, [](float u, float v) {
    if (v >= 0.5f) {
      // Skirt: plaid, a white scalloped hem and bloomers at the very bottom.
      const float hem = 0.93f - 0.012f * std::fabs(std::sin(kTau * 12.0f * u));
      if (v > hem) return Rgba{0.97f, 0.96f, 0.94f, 1.0f};
      return Plaid(u * 2.0f, v);
    }
    // Bodice, top (v = 0) to waist (v = 0.5): a white collar, buttons down
    // the front, a red sash at the waist.
    const Rgba blue{0.22f, 0.33f, 0.62f, 1.0f};
    if (v < 0.05f) return Rgba{0.97f, 0.96f, 0.94f, 1.0f};
    if (v > 0.3f && v < 0.37f) return Rgba{0.84f, 0.2f, 0.28f, 1.0f};
    Rgba c = blue;
    for (float button : {0.12f, 0.18f, 0.24f})
      c = Mix(c, {0.98f, 0.85f, 0.4f, 1.0f}, Ellipse(u, v, 0.25f, button, 0.012f, 0.018f, 0.2f));
    return c;
  });
}

Image HairTexture(int size) {
  return Paint(size, size, [](float u, float v) {
    const float streak = Strands(u);
    const Rgba base{0.93f, 0.77f, 0.6f, 1.0f};
    Rgba c = Shade(base, 0.9f + 0.1f * streak - 0.1f * SmoothStep(0.6f, 1.0f, v));
    const float ring = 1.0f - SmoothStep(0.0f, 0.05f, std::fabs(v - 0.26f - 0.015f * streak));
    c = Mix(c, {1.0f, 0.96f, 0.88f, 1.0f}, 0.7f * ring * (0.6f + 0.4f * streak));
    return c;
  });
}

Image ShoesTexture(int size) {
  return Paint(size, size, [](float u, float v) {
    if (v < 0.5f) {
      // Sock: white with two navy stripes at its top.
      const Rgba white{0.96f, 0.96f, 0.97f, 1.0f};
      const float stripes = (v > 0.03f && v < 0.06f) || (v > 0.09f && v < 0.12f) ? 1.0f : 0.0f;
      return Mix(white, {0.16f, 0.22f, 0.45f, 1.0f}, stripes);
    }
    // Shoe: glossy red leather, a dark sole underneath, a strap over the instep.
    const float along = (v - 0.5f) * 2.0f;
    Rgba c = Mix({0.62f, 0.1f, 0.14f, 1.0f}, {0.8f, 0.2f, 0.22f, 1.0f}, 0.5f + 0.5f * std::cos(kTau * (u - 0.25f)));
    if (std::fabs(along - 0.45f) < 0.06f) c = {0.35f, 0.06f, 0.08f, 1.0f};
    const float sole = 1.0f - SmoothStep(0.07f, 0.1f, std::fabs(u - 0.75f));
    return Mix(c, {0.22f, 0.14f, 0.12f, 1.0f}, sole);
  });
}

Image ToonTexture(int toonIndex) {
  static const Rgba kShadows[] = {{0.8f, 0.8f, 0.82f, 1.0f}, {0.95f, 0.78f, 0.76f, 1.0f},
                                  {0.7f, 0.76f, 0.92f, 1.0f}, {0.9f, 0.82f, 0.72f, 1.0f}};
  const Rgba shadow = kShadows[static_cast<std::size_t>(toonIndex) % 4];
  return Paint(32, 32, [shadow](float, float v) {
    return v < 0.5f ? Rgba{1.0f, 1.0f, 1.0f, 1.0f} : shadow;
  });
}

Image SphereMap(int size) {
  return Paint(size, size, [](float u, float v) {
    const float r = std::hypot(u - 0.42f, v - 0.38f);
    const float shine = 1.0f - SmoothStep(0.0f, 0.45f, r);
    return Mix({0.72f, 0.72f, 0.76f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, shine * shine);
  });
}

Image RibbonSphereMap(int size) {
  return Paint(size, size, [](float u, float v) {
    const float r = std::hypot(u - 0.42f, v - 0.38f);
    const float body = 1.0f - SmoothStep(0.1f, 0.7f, r);
    const float shine = 1.0f - SmoothStep(0.0f, 0.16f, r);
    const Rgba lacquer = Mix({0.3f, 0.02f, 0.05f, 1.0f}, {0.8f, 0.08f, 0.16f, 1.0f}, body);
    return Mix(lacquer, {1.0f, 0.8f, 0.82f, 1.0f}, shine);
  });
}

}  // namespace brivonel::samples
