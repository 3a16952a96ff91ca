#pragma once
// Constant buffers are created empty in default memory and written whole
// (UpdateSubresource) each frame; a device that refuses one raises the
// application's buffer-creation error.
#include <cstdint>
#include <memory>

#include "render/gpu_device.h"

namespace brivonel {

// The vertex shader's constant-buffer slots.
inline constexpr std::uint32_t kCameraBufferSlot = 0;      // view matrix and light
inline constexpr std::uint32_t kProjectionBufferSlot = 1;  // projection matrix
inline constexpr std::uint32_t kWorldBufferSlot = 2;       // the model's world matrix
inline constexpr std::uint32_t kBoneBufferSlot = 3;        // skinning matrices, in bone order
inline constexpr std::uint32_t kMaterialBufferSlot = 4;    // the drawn material's colours

std::shared_ptr<gpu::Buffer> CreateConstantBuffer(gpu::IGpuDevice& device, std::uint32_t byteWidth);

}  // namespace brivonel
