#include "render/constant_buffer.h"

#include "base/app_exception.h"

namespace brivonel {

std::shared_ptr<gpu::Buffer> CreateConstantBuffer(gpu::IGpuDevice& device,
                                                  std::uint32_t byteWidth) {
  gpu::BufferDesc desc;
  desc.byteWidth = byteWidth;
  desc.usage = gpu::Usage::Default;
  desc.bindFlags = gpu::kBindConstantBuffer;
  std::shared_ptr<gpu::Buffer> buffer;
  ThrowIfFailed(device.CreateBuffer(desc, nullptr, &buffer), error::kBuffers);
  return buffer;
}

}  // namespace brivonel
