#pragma once
// The GPU device and context on Direct3D 11: each call of the interface is
// the Direct3D call of the same name, with the descriptions copied field by
// field (the interface keeps Direct3D's values) and the objects wrapped so
// that the core can hold them. Refusals are the device's own HRESULTs.
//
// The render target and depth buffer belong to the platform (a window's
// swap chain, or an offscreen texture): it binds them with SetRenderTargets,
// and the frame's clears go to the views bound last.
#include <d3d11_1.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>

#include "render/gpu_device.h"

namespace brivonel::d3d11 {

using Microsoft::WRL::ComPtr;

// The Direct3D object behind one of the core's objects (null for null or
// for an object of another backend).
ID3D11Buffer* NativeBuffer(gpu::Buffer* buffer);
ID3D11Resource* NativeResource(gpu::Resource* texture);
ID3D11ShaderResourceView* NativeView(gpu::ShaderResourceView* view);

class D3d11Gpu final : public gpu::IGpuDevice, public gpu::IGpuContext {
 public:
  D3d11Gpu(ComPtr<ID3D11Device1> device, ComPtr<ID3D11DeviceContext1> context);

  // Binds one render target and a depth-stencil view (either may be null)
  // and remembers them for the clears.
  void SetRenderTargets(ID3D11RenderTargetView* target, ID3D11DepthStencilView* depth);

  ID3D11Device1* device() const { return device_.Get(); }
  ID3D11DeviceContext1* context() const { return context_.Get(); }

  // --- IGpuDevice ---
  HResult CreateBuffer(const gpu::BufferDesc& desc, const gpu::SubresourceData* initialData,
                       std::shared_ptr<gpu::Buffer>* buffer) override;
  HResult CreateTexture1D(const gpu::Texture1DDesc& desc, const gpu::SubresourceData* initialData,
                          std::shared_ptr<gpu::Resource>* texture) override;
  HResult CreateTexture2D(const gpu::Texture2DDesc& desc, const gpu::SubresourceData* initialData,
                          std::shared_ptr<gpu::Resource>* texture) override;
  HResult CreateTexture3D(const gpu::Texture3DDesc& desc, const gpu::SubresourceData* initialData,
                          std::shared_ptr<gpu::Resource>* texture) override;
  HResult CreateShaderResourceView(const std::shared_ptr<gpu::Resource>& texture,
                                   const gpu::ShaderResourceViewDesc* desc,
                                   std::shared_ptr<gpu::ShaderResourceView>* view) override;
  HResult CreateInputLayout(const gpu::InputElementDesc* elements, std::uint32_t count,
                            const void* shaderBytecode, std::size_t bytecodeLength,
                            std::shared_ptr<gpu::InputLayout>* layout) override;
  HResult CreateVertexShader(const void* bytecode, std::size_t length,
                             std::shared_ptr<gpu::VertexShader>* shader) override;
  HResult CreatePixelShader(const void* bytecode, std::size_t length,
                            std::shared_ptr<gpu::PixelShader>* shader) override;
  HResult CreateSamplerState(const gpu::SamplerDesc& desc,
                             std::shared_ptr<gpu::SamplerState>* state) override;
  HResult CreateRasterizerState(const gpu::RasterizerDesc& desc,
                                std::shared_ptr<gpu::RasterizerState>* state) override;

  // --- IGpuContext ---
  HResult Map(gpu::Buffer* buffer, gpu::MapType type, gpu::MappedSubresource* mapped) override;
  void Unmap(gpu::Buffer* buffer) override;
  void UpdateSubresource(gpu::Buffer* buffer, const void* data) override;
  void VSSetConstantBuffers(std::uint32_t slot, gpu::Buffer* buffer) override;
  void PSSetConstantBuffers(std::uint32_t slot, gpu::Buffer* buffer) override;
  void IASetVertexBuffers(std::uint32_t slot, gpu::Buffer* buffer, std::uint32_t stride,
                          std::uint32_t offset) override;
  void IASetIndexBuffer(gpu::Buffer* buffer, DxgiFormat format, std::uint32_t offset) override;
  void IASetPrimitiveTopology(gpu::PrimitiveTopology topology) override;
  void IASetInputLayout(gpu::InputLayout* layout) override;
  void VSSetShader(gpu::VertexShader* shader) override;
  void PSSetShader(gpu::PixelShader* shader) override;
  void RSSetState(gpu::RasterizerState* state) override;
  void PSSetShaderResources(std::uint32_t slot, gpu::ShaderResourceView* view) override;
  void PSSetSamplers(std::uint32_t slot, gpu::SamplerState* sampler) override;
  void DrawIndexed(std::uint32_t indexCount, std::uint32_t startIndexLocation,
                   std::int32_t baseVertexLocation) override;
  void ClearRenderTargetView(const float rgba[4]) override;
  void ClearDepthStencilView(float depth, std::uint8_t stencil) override;
  void RSSetViewports(const gpu::Viewport& viewport) override;

 private:
  ComPtr<ID3D11Device1> device_;
  ComPtr<ID3D11DeviceContext1> context_;
  ComPtr<ID3D11RenderTargetView> target_;
  ComPtr<ID3D11DepthStencilView> depth_;
};

}  // namespace brivonel::d3d11
