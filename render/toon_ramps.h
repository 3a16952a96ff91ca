#pragma once
// The toon ramps drawn with when a model asks for a shared toon texture
// ("toon01.bmp" to "toon10.bmp") that its folder does not hold. The ramps
// are generated here: each is lit white in its upper half and a shadow tint
// of its own in its lower half, with a one-texel step between, and is read
// top (facing the light) to bottom (facing away).
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/hresult.h"
#include "render/gpu_device.h"

namespace brivonel {

inline constexpr int kSharedToonCount = 10;
inline constexpr std::uint32_t kToonRampHeight = 32;

// The shadow colour of built-in ramp `index` (0 to 9), red, green, blue.
std::array<float, 3> BuiltInToonShadow(int index);

// The ramp's texels, one column of kToonRampHeight RGBA bytes, top first.
std::vector<std::uint8_t> BuiltInToonRamp(int index);

// A shader resource view of built-in ramp `index` on the device.
HResult CreateBuiltInToonRamp(gpu::IGpuDevice& device, int index,
                              std::shared_ptr<gpu::ShaderResourceView>* view);

}  // namespace brivonel
