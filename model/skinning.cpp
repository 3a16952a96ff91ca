// Skinning matrices: for every bone, the transform from its rest pose to its
// current pose (inverse bind matrix times world matrix), sent to the GPU as
// the first three columns.
#include <cstring>

#include "model/model.h"

namespace brivonel {

void Model::ComputeSkinningMatrices() {
  if (bones.empty() || !boneBuffer) return;
  const std::size_t count = bones.size();
  if (skinningMatrices.size() != count) skinningMatrices.resize(count);

  // Bind matrices are fixed once the model is built; their inverses are kept
  // and taken again only for a bind matrix that differs from the one the
  // kept inverse came from.
  PoseCache& cache = poseCache_;
  if (cache.inverseBind.size() != count) {
    cache.bindSource.resize(count);
    cache.inverseBind.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
      cache.bindSource[i] = bones[i].bindMatrix;
      cache.inverseBind[i] = Inverse(bones[i].bindMatrix);
    }
  }
  for (std::size_t i = 0; i < count; ++i) {
    const Bone& bone = bones[i];
    if (std::memcmp(&cache.bindSource[i], &bone.bindMatrix, sizeof(Matrix4)) != 0) {
      cache.bindSource[i] = bone.bindMatrix;
      cache.inverseBind[i] = Inverse(bone.bindMatrix);
    }
    // Column k of inverseBind * worldMatrix, each entry summed in the order
    // Multiply sums it.
    const Matrix4& a = cache.inverseBind[i];
    const Matrix4& b = bone.worldMatrix;
    SkinningMatrix& out = skinningMatrices[i];
    auto entry = [&a, &b](int r, int k) {
      return a.m[r][0] * b.m[0][k] + a.m[r][1] * b.m[1][k] + a.m[r][2] * b.m[2][k] +
             a.m[r][3] * b.m[3][k];
    };
    for (int k = 0; k < 3; ++k) out.rows[k] = {entry(0, k), entry(1, k), entry(2, k), entry(3, k)};
  }
}

}  // namespace brivonel
