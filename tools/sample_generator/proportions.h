#pragma once
// Where the sample figure's head and face features sit. The body builder, the
// morphs and the face texture all read these, so the painted face and the
// geometry that shows it agree.
#include "tools/sample_generator/vec3.h"

namespace brivonel::samples::proportions {

// The head is an ellipsoid. A point on it is given by an azimuth theta
// (0 faces -z, towards the viewer; positive turns towards +x, the figure's
// left) and a polar angle phi (0 at the crown, pi/2 at the equator).
constexpr Vec3 kHeadCentre{0.0f, 16.9f, 0.05f};
constexpr Vec3 kHeadRadii{2.45f, 2.55f, 2.35f};

inline Vec3 HeadPoint(float theta, float phi, float inflate = 0.0f) {
  const float s = std::sin(phi);
  return kHeadCentre + Vec3{(kHeadRadii.x + inflate) * s * std::sin(theta),
                            (kHeadRadii.y + inflate) * std::cos(phi),
                            -(kHeadRadii.z + inflate) * s * std::cos(theta)};
}

// A face feature: centre and half-extents in (theta, phi).
struct FaceFeature {
  float theta = 0.0f, phi = 0.0f;
  float halfTheta = 0.0f, halfPhi = 0.0f;
};

constexpr float kHalfPi = 1.57079633f;
// The figure's left eye (+x); the right eye mirrors it.
constexpr FaceFeature kLeftEye{0.37f, kHalfPi + 0.05f, 0.18f, 0.22f};
constexpr FaceFeature kMouthRest{0.0f, kHalfPi + 0.42f, 0.085f, 0.014f};
constexpr FaceFeature kMouthOpen{0.0f, kHalfPi + 0.44f, 0.1f, 0.11f};      // "あ"
constexpr FaceFeature kMouthWide{0.0f, kHalfPi + 0.42f, 0.16f, 0.04f};     // "い"
constexpr float kMouthSmile = 0.02f;  // how far the mouth corners rise, in phi
constexpr FaceFeature kLeftBrow{0.37f, kHalfPi - 0.26f, 0.17f, 0.025f};
constexpr FaceFeature kLeftCheek{0.55f, kHalfPi + 0.30f, 0.16f, 0.08f};

// Texture regions of the face atlas, in UV units (v grows downwards).
struct UvRect {
  float u0, v0, u1, v1;
  float CentreU() const { return (u0 + u1) * 0.5f; }
  float CentreV() const { return (v0 + v1) * 0.5f; }
  float HalfU() const { return (u1 - u0) * 0.5f; }
  float HalfV() const { return (v1 - v0) * 0.5f; }
};
constexpr UvRect kAtlasHead{0.0f, 0.0f, 0.5f, 1.0f};      // theta/phi map of the head
constexpr UvRect kAtlasEye{0.53f, 0.03f, 0.97f, 0.47f};   // one eye, mirrored for the right
constexpr UvRect kAtlasMouth{0.53f, 0.53f, 0.72f, 0.72f}; // the open mouth
constexpr UvRect kAtlasLid{0.78f, 0.53f, 0.97f, 0.72f};   // closed eyelid with its lash line

// Head UV: theta in [-pi, pi] across the head rectangle, phi in [0, pi] down it.
inline Vec2 HeadUv(float theta, float phi) {
  constexpr float kPi = 3.14159265f;
  return {kAtlasHead.u0 + (theta / (2.0f * kPi) + 0.5f) * (kAtlasHead.u1 - kAtlasHead.u0),
          kAtlasHead.v0 + phi / kPi * (kAtlasHead.v1 - kAtlasHead.v0)};
}

}  // namespace brivonel::samples::proportions
