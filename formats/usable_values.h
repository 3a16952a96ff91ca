#pragma once
// Numbers from a file held to what posing can use. A damaged or hostile file
// can store a rotation of length 10^31, a bone 10^38 units away or a limit
// that is no number; posed as they are, the world matrices overflow and the
// figure vanishes. Real files never come near these bounds, and values
// within them pass unchanged, bit for bit.
#include <algorithm>
#include <cmath>

#include "base/math.h"

namespace brivonel {

// Farther than any character reaches, near enough that sums of a few
// hundred of them stay far from overflowing.
inline constexpr float kFarthestPlace = 1.0e5f;

inline float UsableNumber(float value, float bound, float otherwise = 0.0f) {
  if (!std::isfinite(value)) return otherwise;
  return std::clamp(value, -bound, bound);
}

inline Float3 UsablePlace(const Float3& v) {
  return {UsableNumber(v.x, kFarthestPlace), UsableNumber(v.y, kFarthestPlace),
          UsableNumber(v.z, kFarthestPlace)};
}

inline Float4 UsablePlace(const Float4& v) {
  const Float3 p = UsablePlace(Float3{v.x, v.y, v.z});
  return {p.x, p.y, p.z, UsableNumber(v.w, kFarthestPlace)};
}

// A rotation quaternion: one of any reasonable length passes as it is (the
// pose scales with it, as in every player); one whose matrix would overflow
// is scaled to unit length; one of no length or that is no number is no
// rotation.
inline Quaternion UsableRotation(const Quaternion& q) {
  const double x = q.x, y = q.y, z = q.z, w = q.w;
  const double lengthSquared = x * x + y * y + z * z + w * w;
  if (!std::isfinite(lengthSquared) || lengthSquared < 1e-12) return QuaternionIdentity();
  if (lengthSquared >= 1e-6 && lengthSquared <= 1e6) return q;
  const double scale = 1.0 / std::sqrt(lengthSquared);
  return {static_cast<float>(x * scale), static_cast<float>(y * scale), static_cast<float>(z * scale),
          static_cast<float>(w * scale)};
}

}  // namespace brivonel
