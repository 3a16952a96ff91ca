#pragma once
// Definitions of the small vector, matrix and quaternion operations declared
// in model/math.h. They are inline because pose evaluation and IK call them
// for every bone and every IK step. Where SSE2 is available, Multiply and
// Transform work on four lanes at once with the same operations in the same
// order as the plain forms, so the results are the same bits either way.
#include <cmath>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define BRIVONEL_MATH_SSE2 1
#endif

namespace brivonel {

inline Float4 Add(const Float4& a, const Float4& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w};
}

inline Float4 Subtract(const Float4& a, const Float4& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w};
}

inline Float4 Scale(const Float4& v, float s) { return {v.x * s, v.y * s, v.z * s, v.w * s}; }

inline Float4 Lerp(const Float4& a, const Float4& b, float t) {
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t,
          a.w + (b.w - a.w) * t};
}

inline Float4 Lerp(const Float4& a, const Float4& b, const Float4& t) {
  return {a.x + (b.x - a.x) * t.x, a.y + (b.y - a.y) * t.y, a.z + (b.z - a.z) * t.z,
          a.w + (b.w - a.w) * t.w};
}

inline float Dot3(const Float4& a, const Float4& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline Float4 Cross3(const Float4& a, const Float4& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 0.0f};
}

inline float Length3(const Float4& v) { return std::sqrt(Dot3(v, v)); }

inline Float4 Normalize3(const Float4& v) {
  const float length = Length3(v);
  if (!(length > 0.0f)) return v;
#if BRIVONEL_MATH_SSE2
  // Four lanes divided at once: each lane is the same correctly rounded
  // quotient as the plain form's.
  Float4 r;
  _mm_storeu_ps(&r.x, _mm_div_ps(_mm_loadu_ps(&v.x), _mm_set1_ps(length)));
  return r;
#else
  return {v.x / length, v.y / length, v.z / length, v.w / length};
#endif
}

inline bool NearEqual3(const Float4& a, const Float4& b, float epsilon) {
  return std::fabs(a.x - b.x) <= epsilon && std::fabs(a.y - b.y) <= epsilon &&
         std::fabs(a.z - b.z) <= epsilon;
}

inline Matrix4 MatrixIdentity() {
  Matrix4 r;
  r.m[0][0] = r.m[1][1] = r.m[2][2] = r.m[3][3] = 1.0f;
  return r;
}

inline Matrix4 MatrixScaling(const Float4& s) {
  Matrix4 r;
  r.m[0][0] = s.x;
  r.m[1][1] = s.y;
  r.m[2][2] = s.z;
  r.m[3][3] = 1.0f;
  return r;
}

inline Matrix4 MatrixTranslation(const Float4& t) {
  Matrix4 r = MatrixIdentity();
  r.m[3][0] = t.x;
  r.m[3][1] = t.y;
  r.m[3][2] = t.z;
  return r;
}

inline Matrix4 MatrixRotationX(float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  Matrix4 r = MatrixIdentity();
  r.m[1][1] = c;
  r.m[1][2] = s;
  r.m[2][1] = -s;
  r.m[2][2] = c;
  return r;
}

inline Matrix4 MatrixRotationY(float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  Matrix4 r = MatrixIdentity();
  r.m[0][0] = c;
  r.m[0][2] = -s;
  r.m[2][0] = s;
  r.m[2][2] = c;
  return r;
}

inline Matrix4 MatrixRotationZ(float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  Matrix4 r = MatrixIdentity();
  r.m[0][0] = c;
  r.m[0][1] = s;
  r.m[1][0] = -s;
  r.m[1][1] = c;
  return r;
}

// The nine entries of a unit quaternion's rotation matrix.
struct RotationEntries {
  float m[3][3];
};

inline RotationEntries RotationEntriesOf(const Quaternion& q) {
  const float x2 = q.x + q.x, y2 = q.y + q.y, z2 = q.z + q.z;
  const float xx = q.x * x2, yy = q.y * y2, zz = q.z * z2;
  const float xy = q.x * y2, xz = q.x * z2, yz = q.y * z2;
  const float wx = q.w * x2, wy = q.w * y2, wz = q.w * z2;
  return {{{1.0f - yy - zz, xy + wz, xz - wy},
           {xy - wz, 1.0f - xx - zz, yz + wx},
           {xz + wy, yz - wx, 1.0f - xx - yy}}};
}

inline Matrix4 MatrixRotationQuaternion(const Quaternion& q) {
  const RotationEntries e = RotationEntriesOf(q);
  Matrix4 r;
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) r.m[row][col] = e.m[row][col];
  r.m[3][3] = 1.0f;
  return r;
}

inline Matrix4 MatrixAffine(const Float4& s, const Quaternion& q, const Float4& t) {
  // scaling * rotation * translation, written out: rows of the rotation scaled
  // by s, then the translation as the fourth row.
  const RotationEntries e = RotationEntriesOf(q);
  Matrix4 r;
#if BRIVONEL_MATH_SSE2
  // Rows formed in registers (entry by entry through memory, the compiler's
  // four-lane loads would wait on the single-entry stores). The fourth lane
  // is 0 * 1, the +0 the plain form leaves there.
  const float scale[3] = {s.x, s.y, s.z};
  for (int row = 0; row < 3; ++row) {
    const __m128 rotationRow = _mm_setr_ps(e.m[row][0], e.m[row][1], e.m[row][2], 0.0f);
    const __m128 scaleRow = _mm_setr_ps(scale[row], scale[row], scale[row], 1.0f);
    _mm_store_ps(r.m[row], _mm_mul_ps(rotationRow, scaleRow));
  }
  _mm_store_ps(r.m[3], _mm_setr_ps(t.x, t.y, t.z, 1.0f));
#else
  const float scale[3] = {s.x, s.y, s.z};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) r.m[row][col] = e.m[row][col] * scale[row];
  r.m[3][0] = t.x;
  r.m[3][1] = t.y;
  r.m[3][2] = t.z;
  r.m[3][3] = 1.0f;
#endif
  return r;
}

inline Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
  // Each entry is ((a0*b0 + a1*b1) + a2*b2) + a3*b3; the four-lane form sums
  // every lane in that order too, so both give the same bits.
  Matrix4 r;
#if BRIVONEL_MATH_SSE2
  const __m128 b0 = _mm_load_ps(b.m[0]);
  const __m128 b1 = _mm_load_ps(b.m[1]);
  const __m128 b2 = _mm_load_ps(b.m[2]);
  const __m128 b3 = _mm_load_ps(b.m[3]);
  for (int row = 0; row < 4; ++row) {
    __m128 sum = _mm_mul_ps(_mm_set1_ps(a.m[row][0]), b0);
    sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(a.m[row][1]), b1));
    sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(a.m[row][2]), b2));
    sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(a.m[row][3]), b3));
    _mm_store_ps(r.m[row], sum);
  }
#else
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      r.m[row][col] = a.m[row][0] * b.m[0][col] + a.m[row][1] * b.m[1][col] +
                      a.m[row][2] * b.m[2][col] + a.m[row][3] * b.m[3][col];
    }
  }
#endif
  return r;
}

inline Matrix4 Transpose(const Matrix4& m) {
  Matrix4 r;
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) r.m[row][col] = m.m[col][row];
  return r;
}

inline Matrix4 MultiplyTranspose(const Matrix4& a, const Matrix4& b) {
  return Transpose(Multiply(a, b));
}

// Writes one row. Under SSE2 the row is formed in a register and stored
// whole, so that four-lane loads of it (Transform, Multiply) need not wait
// on four single-entry stores.
inline void SetRow(Matrix4& m, int row, float a, float b, float c, float d) {
#if BRIVONEL_MATH_SSE2
  _mm_store_ps(m.m[row], _mm_setr_ps(a, b, c, d));
#else
  m.m[row][0] = a;
  m.m[row][1] = b;
  m.m[row][2] = c;
  m.m[row][3] = d;
#endif
}

inline Matrix4 Inverse(const Matrix4& m) {
  // Cofactor expansion through the 2x2 sub-determinants of the upper and
  // lower row pairs.
  const float* a = &m.m[0][0];
  const float s0 = a[0] * a[5] - a[4] * a[1];
  const float s1 = a[0] * a[6] - a[4] * a[2];
  const float s2 = a[0] * a[7] - a[4] * a[3];
  const float s3 = a[1] * a[6] - a[5] * a[2];
  const float s4 = a[1] * a[7] - a[5] * a[3];
  const float s5 = a[2] * a[7] - a[6] * a[3];
  const float c5 = a[10] * a[15] - a[14] * a[11];
  const float c4 = a[9] * a[15] - a[13] * a[11];
  const float c3 = a[9] * a[14] - a[13] * a[10];
  const float c2 = a[8] * a[15] - a[12] * a[11];
  const float c1 = a[8] * a[14] - a[12] * a[10];
  const float c0 = a[8] * a[13] - a[12] * a[9];
  const float determinant = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
  const float inv = 1.0f / determinant;
  Matrix4 r;
  SetRow(r, 0, (a[5] * c5 - a[6] * c4 + a[7] * c3) * inv,
         (-a[1] * c5 + a[2] * c4 - a[3] * c3) * inv,
         (a[13] * s5 - a[14] * s4 + a[15] * s3) * inv,
         (-a[9] * s5 + a[10] * s4 - a[11] * s3) * inv);
  SetRow(r, 1, (-a[4] * c5 + a[6] * c2 - a[7] * c1) * inv,
         (a[0] * c5 - a[2] * c2 + a[3] * c1) * inv,
         (-a[12] * s5 + a[14] * s2 - a[15] * s1) * inv,
         (a[8] * s5 - a[10] * s2 + a[11] * s1) * inv);
  SetRow(r, 2, (a[4] * c4 - a[5] * c2 + a[7] * c0) * inv,
         (-a[0] * c4 + a[1] * c2 - a[3] * c0) * inv,
         (a[12] * s4 - a[13] * s2 + a[15] * s0) * inv,
         (-a[8] * s4 + a[9] * s2 - a[11] * s0) * inv);
  SetRow(r, 3, (-a[4] * c3 + a[5] * c1 - a[6] * c0) * inv,
         (a[0] * c3 - a[1] * c1 + a[2] * c0) * inv,
         (-a[12] * s3 + a[13] * s1 - a[14] * s0) * inv,
         (a[8] * s3 - a[9] * s1 + a[10] * s0) * inv);
  return r;
}

inline Float4 Transform(const Float4& v, const Matrix4& m) {
#if BRIVONEL_MATH_SSE2
  // Summed per lane in the same order as the plain form below.
  __m128 sum = _mm_mul_ps(_mm_set1_ps(v.x), _mm_load_ps(m.m[0]));
  sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(v.y), _mm_load_ps(m.m[1])));
  sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(v.z), _mm_load_ps(m.m[2])));
  sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(v.w), _mm_load_ps(m.m[3])));
  Float4 r;
  _mm_storeu_ps(&r.x, sum);
  return r;
#else
  return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + v.w * m.m[3][0],
          v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + v.w * m.m[3][1],
          v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2] + v.w * m.m[3][2],
          v.x * m.m[0][3] + v.y * m.m[1][3] + v.z * m.m[2][3] + v.w * m.m[3][3]};
#endif
}

inline Quaternion QuaternionIdentity() { return {0.0f, 0.0f, 0.0f, 1.0f}; }

inline Quaternion QuaternionRotationAxis(const Float4& axis, float angle) {
  const Float4 n = Normalize3(axis);
  const float s = std::sin(0.5f * angle), c = std::cos(0.5f * angle);
  return {n.x * s, n.y * s, n.z * s, c};
}

inline Quaternion QuaternionRotationMatrix(const Matrix4& m) {
  // Pick the largest of 4x^2, 4y^2, 4z^2, 4w^2 to divide by, for accuracy.
  Quaternion q;
  const float r22 = m.m[2][2];
  if (r22 <= 0.0f) {
    const float dif10 = m.m[1][1] - m.m[0][0];
    const float omr22 = 1.0f - r22;
    if (dif10 <= 0.0f) {
      const float fourXSqr = omr22 - dif10;
      const float inv4x = 0.5f / std::sqrt(fourXSqr);
      q = {fourXSqr * inv4x, (m.m[0][1] + m.m[1][0]) * inv4x,
           (m.m[0][2] + m.m[2][0]) * inv4x, (m.m[1][2] - m.m[2][1]) * inv4x};
    } else {
      const float fourYSqr = omr22 + dif10;
      const float inv4y = 0.5f / std::sqrt(fourYSqr);
      q = {(m.m[0][1] + m.m[1][0]) * inv4y, fourYSqr * inv4y,
           (m.m[1][2] + m.m[2][1]) * inv4y, (m.m[2][0] - m.m[0][2]) * inv4y};
    }
  } else {
    const float sum10 = m.m[1][1] + m.m[0][0];
    const float opr22 = 1.0f + r22;
    if (sum10 <= 0.0f) {
      const float fourZSqr = opr22 - sum10;
      const float inv4z = 0.5f / std::sqrt(fourZSqr);
      q = {(m.m[0][2] + m.m[2][0]) * inv4z, (m.m[1][2] + m.m[2][1]) * inv4z,
           fourZSqr * inv4z, (m.m[0][1] - m.m[1][0]) * inv4z};
    } else {
      const float fourWSqr = opr22 + sum10;
      const float inv4w = 0.5f / std::sqrt(fourWSqr);
      q = {(m.m[1][2] - m.m[2][1]) * inv4w, (m.m[2][0] - m.m[0][2]) * inv4w,
           (m.m[0][1] - m.m[1][0]) * inv4w, fourWSqr * inv4w};
    }
  }
  return q;
}

inline Quaternion QuaternionMultiply(const Quaternion& q1, const Quaternion& q2) {
  // Hamilton product a * b with a = q2 and b = q1: q1 acts first.
  const Quaternion& a = q2;
  const Quaternion& b = q1;
  return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
          a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
          a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w,
          a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

inline float QuaternionDot(const Quaternion& a, const Quaternion& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
}

}  // namespace brivonel
