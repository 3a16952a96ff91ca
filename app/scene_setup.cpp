#include "app/scene_setup.h"

namespace brivonel {

Matrix4 SceneViewMatrix() {
  return MatrixLookAtLH({0.0f, 12.0f, -35.0f, 0.0f}, {0.0f, 12.0f, 0.0f, 0.0f},
                        {0.0f, 1.0f, 0.0f, 0.0f});
}

Matrix4 SceneProjectionMatrix(std::int32_t width, std::int32_t height) {
  const float aspect = height != 0 ? static_cast<float>(width) / static_cast<float>(height) : 1.0f;
  return MatrixPerspectiveFovLH(0.7853982f, aspect, 1.0f, 100.0f);
}

CameraBlock SceneCameraBlock(const Matrix4& view) {
  CameraBlock block;
  block.viewTransposed = Transpose(view);
  block.lightDirection = {0.577f, 0.577f, -0.977f, 1.0f};
  block.lightColor = {1.0f, 1.0f, 1.0f, 1.0f};
  return block;
}

float ModelSizeScale(std::int32_t size) {
  switch (size) {
    case 2:
      return 0.75f;
    case 3:
      return 0.5f;
    default:
      return 1.0f;
  }
}

gpu::Viewport ModelSizeViewport(float scale, std::int32_t width, std::int32_t height) {
  const auto w = static_cast<float>(width);
  const auto h = static_cast<float>(height);
  gpu::Viewport viewport;
  viewport.topLeftX = w * (1.0f - scale) * 0.5f;
  viewport.topLeftY = h * (1.0f - scale);
  viewport.width = w * scale;
  viewport.height = h * scale;
  viewport.minDepth = 0.0f;
  viewport.maxDepth = 1.0f;
  return viewport;
}

}  // namespace brivonel
