#include "physics/body_description.h"

namespace brivonel::physics {

Quaternion RotationFromEuler(const Float3& radians) {
  // Row vectors: the leftmost rotation applies first.
  const Matrix4 m = Multiply(Multiply(MatrixRotationZ(radians.z), MatrixRotationX(radians.x)),
                             MatrixRotationY(radians.y));
  return QuaternionRotationMatrix(m);
}

}  // namespace brivonel::physics
