#pragma once
// Three-component vectors for building the sample figure's geometry.
#include <algorithm>
#include <cmath>

namespace brivonel::samples {

struct Vec3 {
  float x = 0.0f, y = 0.0f, z = 0.0f;
};

struct Vec2 {
  float x = 0.0f, y = 0.0f;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(float s, Vec3 a) { return a * s; }
inline Vec3& operator+=(Vec3& a, Vec3 b) { return a = a + b; }

inline Vec2 operator*(Vec2 a, float s) { return {a.x * s, a.y * s}; }

inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Length(Vec3 a) { return std::sqrt(Dot(a, a)); }
// The zero vector stays zero.
inline Vec3 Normalize(Vec3 a) {
  const float length = Length(a);
  return length > 0.0f ? a * (1.0f / length) : a;
}
inline Vec3 Lerp(Vec3 a, Vec3 b, float t) { return a + (b - a) * t; }

inline float Clamp01(float t) { return std::clamp(t, 0.0f, 1.0f); }
// 0 below edge0, 1 above edge1, a smooth cubic ramp between.
inline float SmoothStep(float edge0, float edge1, float x) {
  const float t = Clamp01((x - edge0) / (edge1 - edge0));
  return t * t * (3.0f - 2.0f * t);
}

// Distance from p to the segment a-b.
inline float DistanceToSegment(Vec3 p, Vec3 a, Vec3 b) {
  const Vec3 ab = b - a;
  const float lengthSquared = Dot(ab, ab);
  const float t = lengthSquared > 0.0f ? Clamp01(Dot(p - a, ab) / lengthSquared) : 0.0f;
  return Length(p - (a + ab * t));
}

constexpr float kTau = 6.28318530718f;

}  // namespace brivonel::samples
