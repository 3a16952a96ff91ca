#pragma once
// The graphics device a platform hands over for drawing, and which compiled
// shader files it reads.
#include <memory>
#include <string>

#include "render/gpu_device.h"

namespace brivonel {

struct GpuDeviceObjects {
  std::shared_ptr<gpu::IGpuDevice> device;
  std::shared_ptr<gpu::IGpuContext> context;
  // Extension of the compiled shader files this device reads (".cso" for
  // Direct3D bytecode, ".glsl" for OpenGL sources).
  std::u16string shaderFileExtension;
};

}  // namespace brivonel
