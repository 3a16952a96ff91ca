#pragma once
// The fixed scene the character stands in: camera, light, projection, and
// the viewport of each display size.
#include <cstdint>

#include "model/math.h"
#include "render/gpu_device.h"

namespace brivonel {

// The camera constant buffer's content (vertex-shader slot 0), 96 bytes.
struct CameraBlock {
  Matrix4 viewTransposed;
  Float4 lightDirection;
  Float4 lightColor;
};
static_assert(sizeof(CameraBlock) == 96, "the camera buffer holds 96 bytes");

// Left-handed look-at from (0, 12, -35) towards (0, 12, 0), y up.
Matrix4 SceneViewMatrix();
// Left-handed perspective: vertical field of view pi/4, aspect width / height,
// near 1, far 100.
Matrix4 SceneProjectionMatrix(std::int32_t width, std::int32_t height);
CameraBlock SceneCameraBlock(const Matrix4& view);

// Display sizes 1 (large), 2 (medium) and 3 (small) scale the picture by
// 1.0, 0.75 and 0.5; any other size counts as 1.
float ModelSizeScale(std::int32_t size);
// The viewport that shrinks the picture by scale toward the bottom centre of
// a width x height target, depth 0 to 1.
gpu::Viewport ModelSizeViewport(float scale, std::int32_t width, std::int32_t height);

}  // namespace brivonel
