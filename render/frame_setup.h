#pragma once
// The fixed camera, light and projection every frame is drawn with, the two
// constant buffers that carry them to the vertex shader (slots 0 and 1), the
// clear at the start of a frame, and the viewport of each display size.
#include <cstdint>
#include <memory>

#include "base/math.h"
#include "render/constant_buffer.h"
#include "render/gpu_device.h"

namespace brivonel {

// Vertex-shader constant buffer 0: 96 bytes.
struct CameraBlock {
  Matrix4 viewTransposed;
  Float4 lightDirection;
  Float4 lightColor;
};
static_assert(sizeof(CameraBlock) == 96, "the camera block is 96 bytes");

inline constexpr Float4 kCameraEye{0.0f, 12.0f, -35.0f, 0.0f};
inline constexpr Float4 kCameraFocus{0.0f, 12.0f, 0.0f, 0.0f};
inline constexpr Float4 kCameraUp{0.0f, 1.0f, 0.0f, 0.0f};
inline constexpr Float4 kLightDirection{0.577f, 0.577f, -0.977f, 1.0f};
inline constexpr Float4 kLightColor{1.0f, 1.0f, 1.0f, 1.0f};
inline constexpr float kFieldOfViewY = 0.7853982f;
inline constexpr float kNearPlane = 1.0f;
inline constexpr float kFarPlane = 100.0f;

Matrix4 CameraViewMatrix();
// Left-handed perspective for a render target of width x height pixels.
Matrix4 CameraProjectionMatrix(std::int32_t width, std::int32_t height);

// Display sizes 1 (large), 2 (medium) and 3 (small); anything else counts as 1.
float ModelSizeScale(int size);
// The viewport that shrinks the picture toward the bottom centre of a
// width x height target, where the character stands.
gpu::Viewport ModelSizeViewport(std::int32_t width, std::int32_t height, int size);
// The same for any scale of the large size.
gpu::Viewport ScaledViewport(std::int32_t width, std::int32_t height, float scale);

// The matrices and buffers of the frame set-up. The model keeps pointers to
// view and projection, so an instance must stay where it is while a model
// refers to it.
class FrameSetup {
 public:
  // Computes the matrices for a width x height target and creates and fills
  // the camera (96 bytes) and projection (64 bytes) constant buffers. A
  // device refusal raises AppException with code 1102.
  void Create(gpu::IGpuDevice& device, gpu::IGpuContext& context, std::int32_t width,
              std::int32_t height);
  // Clears colour to transparent (0, 0, 0, 0), depth to 1 and stencil to 0,
  // and binds the camera and projection buffers to slots 0 and 1.
  void BeginScene(gpu::IGpuContext& context) const;

  Matrix4 view;
  Matrix4 projection;
  Matrix4 projectionTransposed;
  CameraBlock cameraBlock;
  std::shared_ptr<gpu::Buffer> cameraBuffer;
  std::shared_ptr<gpu::Buffer> projectionBuffer;
};

}  // namespace brivonel
