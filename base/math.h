#pragma once
// Vectors, 4x4 matrices and quaternions shared by every layer that places
// things in space: the model, pose and IK code, the renderer and the decoders.
//
// Conventions (the ones Direct3D programs use, so poses match other players):
//  - Float4 holds x, y, z, w; three-component operations ignore w.
//  - Matrix4 is stored row by row; points are row vectors, p' = p * M, so
//    A * B applies A first, then B, and the translation is the fourth row.
//  - Quaternions are (x, y, z, w) with w the scalar part; identity (0,0,0,1).
//  - Angles are radians.
#include <cstdint>

namespace brivonel {

struct Float4 {
  float x = 0.0f, y = 0.0f, z = 0.0f, w = 0.0f;
  friend bool operator==(const Float4&, const Float4&) = default;
};

struct Float3 {
  float x = 0.0f, y = 0.0f, z = 0.0f;
  friend bool operator==(const Float3&, const Float3&) = default;
};

struct Float2 {
  float x = 0.0f, y = 0.0f;
  friend bool operator==(const Float2&, const Float2&) = default;
};

using Quaternion = Float4;

struct alignas(16) Matrix4 {
  float m[4][4] = {};
  friend bool operator==(const Matrix4&, const Matrix4&) = default;
};

// The single float nearest to pi, used for the default rotation limits.
constexpr float kPi = 3.1415927f;

inline Float4 Add(const Float4& a, const Float4& b);
inline Float4 Subtract(const Float4& a, const Float4& b);
inline Float4 Scale(const Float4& v, float s);
// a + (b - a) * t per component.
inline Float4 Lerp(const Float4& a, const Float4& b, float t);
inline Float4 Lerp(const Float4& a, const Float4& b, const Float4& t);

inline float Dot3(const Float4& a, const Float4& b);
inline Float4 Cross3(const Float4& a, const Float4& b);  // w = 0
inline float Length3(const Float4& v);
// v / |v| over x, y, z; the zero vector stays zero. w is divided too.
inline Float4 Normalize3(const Float4& v);
// |a.c - b.c| <= epsilon for c in x, y, z.
inline bool NearEqual3(const Float4& a, const Float4& b, float epsilon);

inline Matrix4 MatrixIdentity();
inline Matrix4 MatrixScaling(const Float4& s);
inline Matrix4 MatrixTranslation(const Float4& t);
inline Matrix4 MatrixRotationX(float angle);
inline Matrix4 MatrixRotationY(float angle);
inline Matrix4 MatrixRotationZ(float angle);
inline Matrix4 MatrixRotationQuaternion(const Quaternion& q);
// scaling(s) * rotation(q) * translation(t): scale, then rotate, then translate.
inline Matrix4 MatrixAffine(const Float4& s, const Quaternion& q, const Float4& t);
inline Matrix4 Multiply(const Matrix4& a, const Matrix4& b);
inline Matrix4 MultiplyTranspose(const Matrix4& a, const Matrix4& b);
inline Matrix4 Transpose(const Matrix4& m);
// General 4x4 inverse; a singular matrix is not detected.
inline Matrix4 Inverse(const Matrix4& m);
// Row vector v (w included) times m, no division.
inline Float4 Transform(const Float4& v, const Matrix4& m);

inline Quaternion QuaternionIdentity();
// (axis * sin(angle/2), cos(angle/2)) with the axis normalised first.
inline Quaternion QuaternionRotationAxis(const Float4& axis, float angle);
// The unit quaternion of the rotation part of m.
inline Quaternion QuaternionRotationMatrix(const Matrix4& m);
// The rotation that applies q1 first and then q2 (Hamilton product q2 * q1).
inline Quaternion QuaternionMultiply(const Quaternion& q1, const Quaternion& q2);
inline float QuaternionDot(const Quaternion& a, const Quaternion& b);
Quaternion QuaternionNormalize(const Quaternion& q);
// Shorter-arc spherical interpolation; near-parallel quaternions (cosine of at
// least 1 - 0.00001) are blended linearly without normalising.
Quaternion QuaternionSlerp(const Quaternion& q0, const Quaternion& q1, float t);

// Left-handed camera and projection matrices (row-vector convention).
Matrix4 MatrixLookAtLH(const Float4& eye, const Float4& focus, const Float4& up);
Matrix4 MatrixPerspectiveFovLH(float fovAngleY, float aspect, float nearZ, float farZ);

}  // namespace brivonel

#include "base/math_inline.h"
