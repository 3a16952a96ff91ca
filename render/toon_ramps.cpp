#include "render/toon_ramps.h"

#include <cmath>

namespace brivonel {
namespace {

// Tints from neutral grey through warm and cool shades, light enough that a
// shadowed surface keeps its own colour.
constexpr std::array<std::array<float, 3>, kSharedToonCount> kShadows = {{
    {0.80f, 0.80f, 0.82f},
    {0.92f, 0.78f, 0.76f},
    {0.74f, 0.78f, 0.90f},
    {0.88f, 0.82f, 0.70f},
    {0.78f, 0.86f, 0.78f},
    {0.86f, 0.76f, 0.86f},
    {0.70f, 0.70f, 0.72f},
    {0.90f, 0.86f, 0.80f},
    {0.82f, 0.88f, 0.92f},
    {0.94f, 0.90f, 0.90f},
}};

std::uint8_t Byte(float value) { return static_cast<std::uint8_t>(std::lround(value * 255.0f)); }

}  // namespace

std::array<float, 3> BuiltInToonShadow(int index) {
  return kShadows[static_cast<std::size_t>(index) % kShadows.size()];
}

std::vector<std::uint8_t> BuiltInToonRamp(int index) {
  const std::array<float, 3> shadow = BuiltInToonShadow(index);
  std::vector<std::uint8_t> texels;
  texels.reserve(kToonRampHeight * 4);
  for (std::uint32_t row = 0; row < kToonRampHeight; ++row) {
    const bool lit = row < kToonRampHeight / 2;
    for (const float channel : shadow) texels.push_back(lit ? 255 : Byte(channel));
    texels.push_back(255);
  }
  return texels;
}

HResult CreateBuiltInToonRamp(gpu::IGpuDevice& device, int index,
                              std::shared_ptr<gpu::ShaderResourceView>* view) {
  const std::vector<std::uint8_t> texels = BuiltInToonRamp(index);
  gpu::Texture2DDesc desc;
  desc.width = 1;
  desc.height = kToonRampHeight;
  desc.mipLevels = 1;
  desc.arraySize = 1;
  desc.format = DxgiFormat::R8G8B8A8_UNORM;
  desc.usage = gpu::Usage::Immutable;
  desc.bindFlags = gpu::kBindShaderResource;
  gpu::SubresourceData data;
  data.sysMem = texels.data();
  data.sysMemPitch = 4;
  data.sysMemSlicePitch = 4 * kToonRampHeight;
  std::shared_ptr<gpu::Resource> texture;
  if (const HResult hr = device.CreateTexture2D(desc, &data, &texture); Failed(hr)) return hr;
  return device.CreateShaderResourceView(texture, nullptr, view);
}

}  // namespace brivonel
