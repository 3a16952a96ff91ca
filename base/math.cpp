#include "base/math.h"

#include <cmath>

namespace brivonel {

Quaternion QuaternionNormalize(const Quaternion& q) {
  const float length = std::sqrt(QuaternionDot(q, q));
  if (length > 0.0f) return Scale(q, 1.0f / length);
  return q;
}

Quaternion QuaternionSlerp(const Quaternion& q0, const Quaternion& q1, float t) {
  constexpr float kOneMinusEpsilon = 1.0f - 0.00001f;
  float cosOmega = QuaternionDot(q0, q1);
  float sign = 1.0f;
  if (cosOmega < 0.0f) {
    cosOmega = -cosOmega;
    sign = -1.0f;
  }
  float scale0, scale1;
  if (cosOmega < kOneMinusEpsilon) {
    const float omega = std::acos(cosOmega);
    const float sinOmega = std::sin(omega);
    scale0 = std::sin((1.0f - t) * omega) / sinOmega;
    scale1 = std::sin(t * omega) / sinOmega;
  } else {
    scale0 = 1.0f - t;
    scale1 = t;
  }
  scale1 *= sign;
  return {q0.x * scale0 + q1.x * scale1, q0.y * scale0 + q1.y * scale1,
          q0.z * scale0 + q1.z * scale1, q0.w * scale0 + q1.w * scale1};
}

Matrix4 MatrixLookAtLH(const Float4& eye, const Float4& focus, const Float4& up) {
  const Float4 zAxis = Normalize3(Subtract(focus, eye));
  const Float4 xAxis = Normalize3(Cross3(up, zAxis));
  const Float4 yAxis = Cross3(zAxis, xAxis);
  Matrix4 r;
  r.m[0][0] = xAxis.x; r.m[0][1] = yAxis.x; r.m[0][2] = zAxis.x;
  r.m[1][0] = xAxis.y; r.m[1][1] = yAxis.y; r.m[1][2] = zAxis.y;
  r.m[2][0] = xAxis.z; r.m[2][1] = yAxis.z; r.m[2][2] = zAxis.z;
  r.m[3][0] = -Dot3(xAxis, eye);
  r.m[3][1] = -Dot3(yAxis, eye);
  r.m[3][2] = -Dot3(zAxis, eye);
  r.m[3][3] = 1.0f;
  return r;
}

Matrix4 MatrixPerspectiveFovLH(float fovAngleY, float aspect, float nearZ, float farZ) {
  const float half = 0.5f * fovAngleY;
  const float height = std::cos(half) / std::sin(half);
  const float width = height / aspect;
  const float range = farZ / (farZ - nearZ);
  Matrix4 r;
  r.m[0][0] = width;
  r.m[1][1] = height;
  r.m[2][2] = range;
  r.m[2][3] = 1.0f;
  r.m[3][2] = -range * nearZ;
  return r;
}

}  // namespace brivonel
