#pragma once
// Constant buffers are created empty in default memory and written whole
// (UpdateSubresource) each frame; a device that refuses one raises the
// application's buffer-creation error.
#include <cstdint>
#include <memory>

#include "render/gpu_device.h"

namespace brivonel {

std::shared_ptr<gpu::Buffer> CreateConstantBuffer(gpu::IGpuDevice& device, std::uint32_t byteWidth);

}  // namespace brivonel
