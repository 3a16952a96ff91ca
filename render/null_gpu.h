#pragma once
// A GPU device and context that create placeholder objects and draw
// nothing. Tools use it to load a model's textures and buffers without a
// real device; benchmarks use it to measure the program's own CPU time per
// frame without the driver's. Buffers keep their bytes, so mapping and
// whole-buffer updates behave as on a real device, and textures past a real
// device's sizes are refused as a real device refuses them.
#include <cstdint>
#include <memory>
#include <vector>

#include "render/gpu_device.h"

namespace brivonel::gpu {

class NullGpu final : public IGpuDevice, public IGpuContext {
 public:
  // Device
  HResult CreateBuffer(const BufferDesc& desc, const SubresourceData* initial,
                       std::shared_ptr<Buffer>* buffer) override;
  HResult CreateTexture1D(const Texture1DDesc&, const SubresourceData*,
                          std::shared_ptr<Resource>* texture) override;
  HResult CreateTexture2D(const Texture2DDesc&, const SubresourceData*,
                          std::shared_ptr<Resource>* texture) override;
  HResult CreateTexture3D(const Texture3DDesc&, const SubresourceData*,
                          std::shared_ptr<Resource>* texture) override;
  HResult CreateShaderResourceView(const std::shared_ptr<Resource>&, const ShaderResourceViewDesc*,
                                   std::shared_ptr<ShaderResourceView>* view) override;
  HResult CreateInputLayout(const InputElementDesc*, std::uint32_t, const void*, std::size_t,
                            std::shared_ptr<InputLayout>* layout) override;
  HResult CreateVertexShader(const void*, std::size_t,
                             std::shared_ptr<VertexShader>* shader) override;
  HResult CreatePixelShader(const void*, std::size_t, std::shared_ptr<PixelShader>* shader) override;
  HResult CreateSamplerState(const SamplerDesc&, std::shared_ptr<SamplerState>* state) override;
  HResult CreateRasterizerState(const RasterizerDesc&,
                                std::shared_ptr<RasterizerState>* state) override;

  // Context
  HResult Map(Buffer* buffer, MapType, MappedSubresource* mapped) override;
  void Unmap(Buffer*) override {}
  void UpdateSubresource(Buffer* buffer, const void* data) override;
  void VSSetConstantBuffers(std::uint32_t, Buffer*) override {}
  void PSSetConstantBuffers(std::uint32_t, Buffer*) override {}
  void IASetVertexBuffers(std::uint32_t, Buffer*, std::uint32_t, std::uint32_t) override {}
  void IASetIndexBuffer(Buffer*, DxgiFormat, std::uint32_t) override {}
  void IASetPrimitiveTopology(PrimitiveTopology) override {}
  void IASetInputLayout(InputLayout*) override {}
  void VSSetShader(VertexShader*) override {}
  void PSSetShader(PixelShader*) override {}
  void RSSetState(RasterizerState*) override {}
  void PSSetShaderResources(std::uint32_t, ShaderResourceView*) override {}
  void PSSetSamplers(std::uint32_t, SamplerState*) override {}
  void DrawIndexed(std::uint32_t, std::uint32_t, std::int32_t) override {}
  void ClearRenderTargetView(const float*) override {}
  void ClearDepthStencilView(float, std::uint8_t) override {}
  void RSSetViewports(const Viewport&) override {}
};

}  // namespace brivonel::gpu
