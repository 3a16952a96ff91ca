#include "render/frame_setup.h"

#include "render/constant_buffer.h"

namespace brivonel {

Matrix4 CameraViewMatrix() { return MatrixLookAtLH(kCameraEye, kCameraFocus, kCameraUp); }

Matrix4 CameraProjectionMatrix(std::int32_t width, std::int32_t height) {
  const float aspect = static_cast<float>(width) / static_cast<float>(height);
  return MatrixPerspectiveFovLH(kFieldOfViewY, aspect, kNearPlane, kFarPlane);
}

float ModelSizeScale(int size) {
  switch (size) {
    case 2:
      return 0.75f;
    case 3:
      return 0.5f;
    default:
      return 1.0f;
  }
}

gpu::Viewport ModelSizeViewport(std::int32_t width, std::int32_t height, int size) {
  return ScaledViewport(width, height, ModelSizeScale(size));
}

gpu::Viewport ScaledViewport(std::int32_t width, std::int32_t height, float scale) {
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);
  gpu::Viewport viewport;
  viewport.topLeftX = w * (1.0f - scale) * 0.5f;
  viewport.topLeftY = h * (1.0f - scale);
  viewport.width = w * scale;
  viewport.height = h * scale;
  viewport.minDepth = 0.0f;
  viewport.maxDepth = 1.0f;
  return viewport;
}

void FrameSetup::Create(gpu::IGpuDevice& device, gpu::IGpuContext& context, std::int32_t width,
                        std::int32_t height) {
  view = CameraViewMatrix();
  cameraBlock.viewTransposed = Transpose(view);
  cameraBlock.lightDirection = kLightDirection;
  cameraBlock.lightColor = kLightColor;
  cameraBuffer = CreateConstantBuffer(device, sizeof(CameraBlock));
  context.UpdateSubresource(cameraBuffer.get(), &cameraBlock);

  projection = CameraProjectionMatrix(width, height);
  projectionTransposed = Transpose(projection);
  projectionBuffer = CreateConstantBuffer(device, sizeof(Matrix4));
  context.UpdateSubresource(projectionBuffer.get(), &projectionTransposed);
}

void FrameSetup::BeginScene(gpu::IGpuContext& context) const {
  const float transparent[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  context.ClearRenderTargetView(transparent);
  context.ClearDepthStencilView(1.0f, 0);
  context.VSSetConstantBuffers(kCameraBufferSlot, cameraBuffer.get());
  context.VSSetConstantBuffers(kProjectionBufferSlot, projectionBuffer.get());
}

}  // namespace brivonel
