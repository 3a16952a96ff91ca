#include "render/null_gpu.h"

#include <algorithm>
#include <cstring>

#include "render/texture_limits.h"

namespace brivonel::gpu {
namespace {

struct NullBuffer final : Buffer {
  std::vector<std::uint8_t> storage;
};

// One placeholder type for every object that holds nothing.
struct NullObject final : Resource,
                          ShaderResourceView,
                          InputLayout,
                          VertexShader,
                          PixelShader,
                          SamplerState,
                          RasterizerState {};

template <typename Interface>
HResult Placeholder(std::shared_ptr<Interface>* object) {
  *object = std::make_shared<NullObject>();
  return kSOk;
}

// A texture past the sizes a real device accepts is refused the way a real
// device refuses it, so that tools on this device fail where the program
// would.
HResult CheckTextureSize(std::uint32_t largestSide, bool volume, std::uint32_t arraySize) {
  return TextureSidesFit(largestSide, volume, arraySize) ? kSOk : kEInvalidArg;
}

}  // namespace

HResult NullGpu::CreateBuffer(const BufferDesc& desc, const SubresourceData* initial,
                              std::shared_ptr<Buffer>* buffer) {
  auto created = std::make_shared<NullBuffer>();
  created->storage.resize(desc.byteWidth);
  if (initial != nullptr && initial->sysMem != nullptr && desc.byteWidth > 0)
    std::memcpy(created->storage.data(), initial->sysMem, desc.byteWidth);
  *buffer = std::move(created);
  return kSOk;
}

HResult NullGpu::CreateTexture1D(const Texture1DDesc& desc, const SubresourceData*,
                                 std::shared_ptr<Resource>* texture) {
  if (const HResult hr = CheckTextureSize(desc.width, false, desc.arraySize); Failed(hr))
    return hr;
  return Placeholder(texture);
}
HResult NullGpu::CreateTexture2D(const Texture2DDesc& desc, const SubresourceData*,
                                 std::shared_ptr<Resource>* texture) {
  const std::uint32_t largest = std::max(desc.width, desc.height);
  if (const HResult hr = CheckTextureSize(largest, false, desc.arraySize); Failed(hr))
    return hr;
  return Placeholder(texture);
}
HResult NullGpu::CreateTexture3D(const Texture3DDesc& desc, const SubresourceData*,
                                 std::shared_ptr<Resource>* texture) {
  const std::uint32_t largest = std::max({desc.width, desc.height, desc.depth});
  if (const HResult hr = CheckTextureSize(largest, true, 1); Failed(hr))
    return hr;
  return Placeholder(texture);
}
HResult NullGpu::CreateShaderResourceView(const std::shared_ptr<Resource>&,
                                          const ShaderResourceViewDesc*,
                                          std::shared_ptr<ShaderResourceView>* view) {
  return Placeholder(view);
}
HResult NullGpu::CreateInputLayout(const InputElementDesc*, std::uint32_t, const void*,
                                   std::size_t, std::shared_ptr<InputLayout>* layout) {
  return Placeholder(layout);
}
HResult NullGpu::CreateVertexShader(const void*, std::size_t,
                                    std::shared_ptr<VertexShader>* shader) {
  return Placeholder(shader);
}
HResult NullGpu::CreatePixelShader(const void*, std::size_t, std::shared_ptr<PixelShader>* shader) {
  return Placeholder(shader);
}
HResult NullGpu::CreateSamplerState(const SamplerDesc&, std::shared_ptr<SamplerState>* state) {
  return Placeholder(state);
}
HResult NullGpu::CreateRasterizerState(const RasterizerDesc&,
                                       std::shared_ptr<RasterizerState>* state) {
  return Placeholder(state);
}

HResult NullGpu::Map(Buffer* buffer, MapType, MappedSubresource* mapped) {
  mapped->data = static_cast<NullBuffer*>(buffer)->storage.data();
  return kSOk;
}

void NullGpu::UpdateSubresource(Buffer* buffer, const void* data) {
  std::vector<std::uint8_t>& storage = static_cast<NullBuffer*>(buffer)->storage;
  if (!storage.empty()) std::memcpy(storage.data(), data, storage.size());
}

}  // namespace brivonel::gpu
