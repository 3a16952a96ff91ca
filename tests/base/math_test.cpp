#include "base/math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace brivonel {
namespace {

void ExpectMatrixNear(const Matrix4& a, const Matrix4& b, float tolerance) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      EXPECT_NEAR(a.m[r][c], b.m[r][c], tolerance) << "row " << r << " column " << c;
}

// q and -q are the same rotation.
void ExpectSameRotation(const Quaternion& a, const Quaternion& b, float tolerance) {
  const float sign = QuaternionDot(a, b) < 0.0f ? -1.0f : 1.0f;
  EXPECT_NEAR(a.x, sign * b.x, tolerance);
  EXPECT_NEAR(a.y, sign * b.y, tolerance);
  EXPECT_NEAR(a.z, sign * b.z, tolerance);
  EXPECT_NEAR(a.w, sign * b.w, tolerance);
}

Quaternion RandomRotation(std::mt19937& random) {
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  std::uniform_real_distribution<float> angle(-3.0f, 3.0f);
  Float4 axis{unit(random), unit(random), unit(random), 0.0f};
  if (Length3(axis) < 0.01f) axis = {0.0f, 1.0f, 0.0f, 0.0f};
  return QuaternionRotationAxis(axis, angle(random));
}

TEST(MathTest, AffineOfIdentityRotationPutsTranslationInFourthRow) {
  const Matrix4 m = MatrixAffine({1, 1, 1, 1}, QuaternionIdentity(), {1, 2, 3, 0});
  EXPECT_EQ(m.m[3][0], 1.0f);
  EXPECT_EQ(m.m[3][1], 2.0f);
  EXPECT_EQ(m.m[3][2], 3.0f);
  EXPECT_EQ(m.m[3][3], 1.0f);
  ExpectMatrixNear(m, MatrixTranslation({1, 2, 3, 0}), 0.0f);
}

TEST(MathTest, AffineScalesThenRotatesThenTranslates) {
  std::mt19937 random(7);
  const Quaternion q = RandomRotation(random);
  const Float4 s{2.0f, 0.5f, 3.0f, 1.0f};
  const Float4 t{4.0f, -1.0f, 2.5f, 0.0f};
  const Matrix4 expected =
      Multiply(Multiply(MatrixScaling(s), MatrixRotationQuaternion(q)), MatrixTranslation(t));
  ExpectMatrixNear(MatrixAffine(s, q, t), expected, 1e-6f);
}

TEST(MathTest, ProductWithIdentityIsUnchanged) {
  std::mt19937 random(1);
  const Quaternion q = RandomRotation(random);
  EXPECT_EQ(QuaternionMultiply(q, QuaternionIdentity()), q);
  EXPECT_EQ(QuaternionMultiply(QuaternionIdentity(), q), q);
}

TEST(MathTest, ProductAppliesFirstArgumentFirst) {
  std::mt19937 random(2);
  for (int i = 0; i < 50; ++i) {
    const Quaternion q1 = RandomRotation(random);
    const Quaternion q2 = RandomRotation(random);
    const Matrix4 composed = Multiply(MatrixRotationQuaternion(q1), MatrixRotationQuaternion(q2));
    ExpectMatrixNear(MatrixRotationQuaternion(QuaternionMultiply(q1, q2)), composed, 1e-5f);
  }
}

TEST(MathTest, QuaternionMatrixRoundTrip) {
  std::mt19937 random(3);
  for (int i = 0; i < 200; ++i) {
    const Quaternion q = RandomRotation(random);
    ExpectSameRotation(QuaternionRotationMatrix(MatrixRotationQuaternion(q)), q, 2e-6f);
  }
  // The branches for half-turns about each axis.
  for (const Float4& axis : {Float4{1, 0, 0, 0}, Float4{0, 1, 0, 0}, Float4{0, 0, 1, 0}}) {
    const Quaternion q = QuaternionRotationAxis(axis, kPi);
    ExpectSameRotation(QuaternionRotationMatrix(MatrixRotationQuaternion(q)), q, 1e-6f);
  }
}

TEST(MathTest, InverseTimesMatrixIsIdentity) {
  std::mt19937 random(4);
  std::uniform_real_distribution<float> offset(-20.0f, 20.0f);
  for (int i = 0; i < 100; ++i) {
    const Matrix4 m = MatrixAffine({1, 1, 1, 1}, RandomRotation(random),
                                   {offset(random), offset(random), offset(random), 0});
    ExpectMatrixNear(Multiply(Inverse(m), m), MatrixIdentity(), 2e-5f);
    ExpectMatrixNear(Multiply(m, Inverse(m)), MatrixIdentity(), 2e-5f);
  }
  // A general (non-affine) matrix as well.
  Matrix4 general;
  const float values[16] = {2, 1, 0, 3, 0, 1, 4, 1, 5, 0, 1, 2, 1, 2, 3, 4};
  for (int k = 0; k < 16; ++k) general.m[k / 4][k % 4] = values[k];
  ExpectMatrixNear(Multiply(Inverse(general), general), MatrixIdentity(), 1e-5f);
}

TEST(MathTest, ElementaryRotationsMatchAxisQuaternions) {
  const float angle = 0.7f;
  ExpectMatrixNear(MatrixRotationX(angle),
                   MatrixRotationQuaternion(QuaternionRotationAxis({1, 0, 0, 0}, angle)), 1e-6f);
  ExpectMatrixNear(MatrixRotationY(angle),
                   MatrixRotationQuaternion(QuaternionRotationAxis({0, 1, 0, 0}, angle)), 1e-6f);
  ExpectMatrixNear(MatrixRotationZ(angle),
                   MatrixRotationQuaternion(QuaternionRotationAxis({0, 0, 1, 0}, angle)), 1e-6f);
  // Row vectors: a quarter turn about z carries +x to +y.
  const Float4 p = Transform({1, 0, 0, 1}, MatrixRotationZ(kPi / 2));
  EXPECT_NEAR(p.x, 0.0f, 1e-6f);
  EXPECT_NEAR(p.y, 1.0f, 1e-6f);
}

TEST(MathTest, SlerpOfEqualQuaternionsIsThatQuaternion) {
  std::mt19937 random(5);
  const Quaternion q = RandomRotation(random);
  for (float t : {0.0f, 0.25f, 0.5f, 0.9f, 1.0f}) {
    const Quaternion r = QuaternionSlerp(q, q, t);
    EXPECT_NEAR(r.x, q.x, 1e-6f);
    EXPECT_NEAR(r.y, q.y, 1e-6f);
    EXPECT_NEAR(r.z, q.z, 1e-6f);
    EXPECT_NEAR(r.w, q.w, 1e-6f);
  }
}

TEST(MathTest, SlerpTakesTheShorterArcAndInterpolatesAngle) {
  const Quaternion a = QuaternionRotationAxis({0, 1, 0, 0}, 0.0f);
  const Quaternion b = QuaternionRotationAxis({0, 1, 0, 0}, 1.0f);
  ExpectSameRotation(QuaternionSlerp(a, b, 0.25f), QuaternionRotationAxis({0, 1, 0, 0}, 0.25f),
                     1e-6f);
  // -b is the same rotation; the result must still be the quarter, not the long way.
  ExpectSameRotation(QuaternionSlerp(a, Scale(b, -1.0f), 0.25f),
                     QuaternionRotationAxis({0, 1, 0, 0}, 0.25f), 1e-6f);
}

TEST(MathTest, SlerpOfNearlyParallelQuaternionsIsUnnormalisedLerp) {
  const Quaternion a{0.0f, 0.0f, 0.0f, 1.0f};
  const Quaternion b = QuaternionRotationAxis({1, 0, 0, 0}, 0.004f);  // cosine > 0.99999
  const Quaternion r = QuaternionSlerp(a, b, 0.5f);
  EXPECT_EQ(r.x, 0.5f * b.x);
  EXPECT_EQ(r.w, 0.5f * a.w + 0.5f * b.w);
  // With the sign-corrected second quaternion.
  const Quaternion s = QuaternionSlerp(a, Scale(b, -1.0f), 0.5f);
  EXPECT_EQ(s.x, 0.5f * b.x);
  EXPECT_EQ(s.w, r.w);
}

TEST(MathTest, NearEqual3IsAbsolutePerComponentAndIgnoresW) {
  EXPECT_TRUE(NearEqual3({1, 2, 3, 0}, {1, 2, 3, 99}, 0.0f));
  EXPECT_TRUE(NearEqual3({0, 0, 0, 0}, {1e-7f, -1e-7f, 0, 0}, 1e-7f));
  EXPECT_FALSE(NearEqual3({0, 0, 0, 0}, {0, 0, 2e-7f, 0}, 1e-7f));
  EXPECT_FALSE(NearEqual3({1000, 0, 0, 0}, {1000.001f, 0, 0, 0}, 1e-7f));
}

TEST(MathTest, Normalize3KeepsZeroVectorZero) {
  EXPECT_EQ(Normalize3({0, 0, 0, 0}), (Float4{0, 0, 0, 0}));
  const Float4 n = Normalize3({3, 0, 4, 0});
  EXPECT_FLOAT_EQ(n.x, 0.6f);
  EXPECT_FLOAT_EQ(n.z, 0.8f);
}

TEST(MathTest, CameraMatricesOfTheFixedView) {
  const Matrix4 view = MatrixLookAtLH({0, 12, -35, 0}, {0, 12, 0, 0}, {0, 1, 0, 0});
  ExpectMatrixNear(view, MatrixTranslation({0, -12, 35, 0}), 1e-6f);

  const Matrix4 projection = MatrixPerspectiveFovLH(0.7853982f, 960.0f / 1040.0f, 1.0f, 100.0f);
  const float h = 1.0f / std::tan(0.7853982f / 2);
  EXPECT_NEAR(projection.m[1][1], h, 1e-6f);
  EXPECT_NEAR(projection.m[0][0], h / (960.0f / 1040.0f), 1e-6f);
  EXPECT_NEAR(projection.m[2][2], 100.0f / 99.0f, 1e-6f);
  EXPECT_EQ(projection.m[2][3], 1.0f);
  EXPECT_NEAR(projection.m[3][2], -100.0f / 99.0f, 1e-6f);
  // The near plane maps to depth 0 and the far plane to 1.
  const Float4 nearPoint = Transform({0, 0, 1, 1}, projection);
  const Float4 farPoint = Transform({0, 0, 100, 1}, projection);
  EXPECT_NEAR(nearPoint.z / nearPoint.w, 0.0f, 1e-6f);
  EXPECT_NEAR(farPoint.z / farPoint.w, 1.0f, 1e-6f);
}

}  // namespace
}  // namespace brivonel
