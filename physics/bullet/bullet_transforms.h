#pragma once
// Poses between the model's matrices and Bullet's transforms. The model's
// row-major matrices with row vectors hold the same sixteen numbers, in the
// same order, as a column-major matrix with column vectors: Bullet's OpenGL
// matrix form reads and writes them unchanged. Coordinates go across as the
// files have them (the world is simply the mirror image of a right-handed
// one, which obeys the same mechanics).
#include <btBulletDynamicsCommon.h>

#include "base/math.h"

namespace brivonel::physics {

inline btTransform ToBullet(const Matrix4& m) {
  btTransform t;
  t.setFromOpenGLMatrix(&m.m[0][0]);
  return t;
}

inline Matrix4 FromBullet(const btTransform& t) {
  Matrix4 m;
  t.getOpenGLMatrix(&m.m[0][0]);
  return m;
}

inline btVector3 ToBullet(const Float3& v) { return {v.x, v.y, v.z}; }

}  // namespace brivonel::physics
