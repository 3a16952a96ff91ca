#include "render/d3d11/d3d11_gpu.h"

#include <vector>

#include "render/d3d11/d3d11_descriptions.h"
#include "render/texture_layout.h"

namespace brivonel::d3d11 {
namespace {

// One of the core's objects holding the Direct3D object it stands for.
template <typename Interface, typename Native>
class Wrapped final : public Interface {
 public:
  explicit Wrapped(ComPtr<Native> object) : native(std::move(object)) {}
  ComPtr<Native> native;
};

using Buffer = Wrapped<gpu::Buffer, ID3D11Buffer>;
using Texture = Wrapped<gpu::Resource, ID3D11Resource>;
using View = Wrapped<gpu::ShaderResourceView, ID3D11ShaderResourceView>;
using Layout = Wrapped<gpu::InputLayout, ID3D11InputLayout>;
using VertexShader = Wrapped<gpu::VertexShader, ID3D11VertexShader>;
using PixelShader = Wrapped<gpu::PixelShader, ID3D11PixelShader>;
using Sampler = Wrapped<gpu::SamplerState, ID3D11SamplerState>;
using Rasterizer = Wrapped<gpu::RasterizerState, ID3D11RasterizerState>;

template <typename Object, typename Interface>
auto* Native(Interface* object) {
  auto* wrapped = dynamic_cast<Object*>(object);
  return wrapped != nullptr ? wrapped->native.Get() : nullptr;
}

// Stores a created object, or empties the output on failure.
template <typename Object, typename Interface, typename Native>
HResult Wrap(HRESULT hr, ComPtr<Native>& created, std::shared_ptr<Interface>* out) {
  if (FAILED(hr)) {
    out->reset();
    return static_cast<HResult>(hr);
  }
  *out = std::make_shared<Object>(std::move(created));
  return static_cast<HResult>(hr);
}

// Subresources of a texture with its initial data: every mip level of every
// array slice (a mip count of 0 asks for the whole chain).
std::uint32_t SubresourceCount(std::uint32_t mips, std::uint32_t arraySize, std::uint64_t width,
                               std::uint64_t height, std::uint64_t depth) {
  if (mips == 0) mips = static_cast<std::uint32_t>(FullMipChain(width, height, depth));
  return mips * arraySize;
}

const D3D11_SUBRESOURCE_DATA* DataOrNull(const std::vector<D3D11_SUBRESOURCE_DATA>& data) {
  return data.empty() ? nullptr : data.data();
}

}  // namespace

ID3D11Buffer* NativeBuffer(gpu::Buffer* buffer) { return Native<Buffer>(buffer); }
ID3D11Resource* NativeResource(gpu::Resource* texture) { return Native<Texture>(texture); }
ID3D11ShaderResourceView* NativeView(gpu::ShaderResourceView* view) {
  return Native<View>(view);
}

D3d11Gpu::D3d11Gpu(ComPtr<ID3D11Device1> device, ComPtr<ID3D11DeviceContext1> context)
    : device_(std::move(device)), context_(std::move(context)) {}

void D3d11Gpu::SetRenderTargets(ID3D11RenderTargetView* target, ID3D11DepthStencilView* depth) {
  target_ = target;
  depth_ = depth;
  ID3D11RenderTargetView* targets[1] = {target};
  context_->OMSetRenderTargets(target != nullptr ? 1 : 0, targets, depth);
}

// --- device ---

HResult D3d11Gpu::CreateBuffer(const gpu::BufferDesc& desc, const gpu::SubresourceData* initialData,
                               std::shared_ptr<gpu::Buffer>* buffer) {
  if (buffer == nullptr) return E_INVALIDARG;
  const D3D11_BUFFER_DESC d = ToD3d(desc);
  const auto data = ToD3d(initialData, 1);
  ComPtr<ID3D11Buffer> created;
  return Wrap<Buffer>(device_->CreateBuffer(&d, DataOrNull(data), &created), created, buffer);
}

HResult D3d11Gpu::CreateTexture1D(const gpu::Texture1DDesc& desc,
                                  const gpu::SubresourceData* initialData,
                                  std::shared_ptr<gpu::Resource>* texture) {
  if (texture == nullptr) return E_INVALIDARG;
  const D3D11_TEXTURE1D_DESC d = ToD3d(desc);
  const auto data =
      ToD3d(initialData, SubresourceCount(desc.mipLevels, desc.arraySize, desc.width, 1, 1));
  ComPtr<ID3D11Texture1D> created;
  const HRESULT hr = device_->CreateTexture1D(&d, DataOrNull(data), &created);
  ComPtr<ID3D11Resource> resource = created;
  return Wrap<Texture>(hr, resource, texture);
}

HResult D3d11Gpu::CreateTexture2D(const gpu::Texture2DDesc& desc,
                                  const gpu::SubresourceData* initialData,
                                  std::shared_ptr<gpu::Resource>* texture) {
  if (texture == nullptr) return E_INVALIDARG;
  const D3D11_TEXTURE2D_DESC d = ToD3d(desc);
  const auto data = ToD3d(
      initialData, SubresourceCount(desc.mipLevels, desc.arraySize, desc.width, desc.height, 1));
  ComPtr<ID3D11Texture2D> created;
  const HRESULT hr = device_->CreateTexture2D(&d, DataOrNull(data), &created);
  ComPtr<ID3D11Resource> resource = created;
  return Wrap<Texture>(hr, resource, texture);
}

HResult D3d11Gpu::CreateTexture3D(const gpu::Texture3DDesc& desc,
                                  const gpu::SubresourceData* initialData,
                                  std::shared_ptr<gpu::Resource>* texture) {
  if (texture == nullptr) return E_INVALIDARG;
  const D3D11_TEXTURE3D_DESC d = ToD3d(desc);
  // One subresource per mip level, holding all its depth slices.
  const auto data = ToD3d(initialData,
                          SubresourceCount(desc.mipLevels, 1, desc.width, desc.height, desc.depth));
  ComPtr<ID3D11Texture3D> created;
  const HRESULT hr = device_->CreateTexture3D(&d, DataOrNull(data), &created);
  ComPtr<ID3D11Resource> resource = created;
  return Wrap<Texture>(hr, resource, texture);
}

HResult D3d11Gpu::CreateShaderResourceView(const std::shared_ptr<gpu::Resource>& texture,
                                           const gpu::ShaderResourceViewDesc* desc,
                                           std::shared_ptr<gpu::ShaderResourceView>* view) {
  if (view == nullptr) return E_INVALIDARG;
  ID3D11Resource* resource = NativeResource(texture.get());
  if (resource == nullptr) {
    view->reset();
    return E_INVALIDARG;
  }
  D3D11_SHADER_RESOURCE_VIEW_DESC d{};
  if (desc != nullptr) d = ToD3d(*desc);
  ComPtr<ID3D11ShaderResourceView> created;
  // The view holds its own reference to the texture.
  return Wrap<View>(
      device_->CreateShaderResourceView(resource, desc != nullptr ? &d : nullptr, &created),
      created, view);
}

HResult D3d11Gpu::CreateInputLayout(const gpu::InputElementDesc* elements, std::uint32_t count,
                                    const void* shaderBytecode, std::size_t bytecodeLength,
                                    std::shared_ptr<gpu::InputLayout>* layout) {
  if (layout == nullptr || (elements == nullptr && count > 0)) return E_INVALIDARG;
  std::vector<D3D11_INPUT_ELEMENT_DESC> d;
  d.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) d.push_back(ToD3d(elements[i]));
  ComPtr<ID3D11InputLayout> created;
  return Wrap<Layout>(device_->CreateInputLayout(d.data(), count, shaderBytecode, bytecodeLength,
                                                 &created),
                      created, layout);
}

HResult D3d11Gpu::CreateVertexShader(const void* bytecode, std::size_t length,
                                     std::shared_ptr<gpu::VertexShader>* shader) {
  if (shader == nullptr) return E_INVALIDARG;
  ComPtr<ID3D11VertexShader> created;
  return Wrap<VertexShader>(device_->CreateVertexShader(bytecode, length, nullptr, &created),
                            created, shader);
}

HResult D3d11Gpu::CreatePixelShader(const void* bytecode, std::size_t length,
                                    std::shared_ptr<gpu::PixelShader>* shader) {
  if (shader == nullptr) return E_INVALIDARG;
  ComPtr<ID3D11PixelShader> created;
  return Wrap<PixelShader>(device_->CreatePixelShader(bytecode, length, nullptr, &created),
                           created, shader);
}

HResult D3d11Gpu::CreateSamplerState(const gpu::SamplerDesc& desc,
                                     std::shared_ptr<gpu::SamplerState>* state) {
  if (state == nullptr) return E_INVALIDARG;
  const D3D11_SAMPLER_DESC d = ToD3d(desc);
  ComPtr<ID3D11SamplerState> created;
  return Wrap<Sampler>(device_->CreateSamplerState(&d, &created), created, state);
}

HResult D3d11Gpu::CreateRasterizerState(const gpu::RasterizerDesc& desc,
                                        std::shared_ptr<gpu::RasterizerState>* state) {
  if (state == nullptr) return E_INVALIDARG;
  const D3D11_RASTERIZER_DESC d = ToD3d(desc);
  ComPtr<ID3D11RasterizerState> created;
  return Wrap<Rasterizer>(device_->CreateRasterizerState(&d, &created), created, state);
}

// --- context ---

HResult D3d11Gpu::Map(gpu::Buffer* buffer, gpu::MapType type, gpu::MappedSubresource* mapped) {
  ID3D11Buffer* native = NativeBuffer(buffer);
  if (native == nullptr || mapped == nullptr) return E_INVALIDARG;
  D3D11_MAPPED_SUBRESOURCE m{};
  const HRESULT hr = context_->Map(native, 0, static_cast<D3D11_MAP>(type), 0, &m);
  *mapped = {m.pData, m.RowPitch, m.DepthPitch};
  return static_cast<HResult>(hr);
}

void D3d11Gpu::Unmap(gpu::Buffer* buffer) {
  if (ID3D11Buffer* native = NativeBuffer(buffer)) context_->Unmap(native, 0);
}

void D3d11Gpu::UpdateSubresource(gpu::Buffer* buffer, const void* data) {
  ID3D11Buffer* native = NativeBuffer(buffer);
  if (native == nullptr || data == nullptr) return;
  context_->UpdateSubresource(native, 0, nullptr, data, 0, 0);
}

void D3d11Gpu::VSSetConstantBuffers(std::uint32_t slot, gpu::Buffer* buffer) {
  ID3D11Buffer* buffers[1] = {NativeBuffer(buffer)};
  context_->VSSetConstantBuffers(slot, 1, buffers);
}

void D3d11Gpu::PSSetConstantBuffers(std::uint32_t slot, gpu::Buffer* buffer) {
  ID3D11Buffer* buffers[1] = {NativeBuffer(buffer)};
  context_->PSSetConstantBuffers(slot, 1, buffers);
}

void D3d11Gpu::IASetVertexBuffers(std::uint32_t slot, gpu::Buffer* buffer, std::uint32_t stride,
                                  std::uint32_t offset) {
  ID3D11Buffer* buffers[1] = {NativeBuffer(buffer)};
  const UINT strides[1] = {stride};
  const UINT offsets[1] = {offset};
  context_->IASetVertexBuffers(slot, 1, buffers, strides, offsets);
}

void D3d11Gpu::IASetIndexBuffer(gpu::Buffer* buffer, DxgiFormat format, std::uint32_t offset) {
  context_->IASetIndexBuffer(NativeBuffer(buffer), ToD3d(format), offset);
}

void D3d11Gpu::IASetPrimitiveTopology(gpu::PrimitiveTopology topology) {
  context_->IASetPrimitiveTopology(static_cast<D3D11_PRIMITIVE_TOPOLOGY>(topology));
}

void D3d11Gpu::IASetInputLayout(gpu::InputLayout* layout) {
  context_->IASetInputLayout(Native<Layout>(layout));
}

void D3d11Gpu::VSSetShader(gpu::VertexShader* shader) {
  context_->VSSetShader(Native<VertexShader>(shader), nullptr, 0);
}

void D3d11Gpu::PSSetShader(gpu::PixelShader* shader) {
  context_->PSSetShader(Native<PixelShader>(shader), nullptr, 0);
}

void D3d11Gpu::RSSetState(gpu::RasterizerState* state) {
  context_->RSSetState(Native<Rasterizer>(state));
}

void D3d11Gpu::PSSetShaderResources(std::uint32_t slot, gpu::ShaderResourceView* view) {
  ID3D11ShaderResourceView* views[1] = {NativeView(view)};
  context_->PSSetShaderResources(slot, 1, views);
}

void D3d11Gpu::PSSetSamplers(std::uint32_t slot, gpu::SamplerState* sampler) {
  ID3D11SamplerState* samplers[1] = {Native<Sampler>(sampler)};
  context_->PSSetSamplers(slot, 1, samplers);
}

void D3d11Gpu::DrawIndexed(std::uint32_t indexCount, std::uint32_t startIndexLocation,
                           std::int32_t baseVertexLocation) {
  context_->DrawIndexed(indexCount, startIndexLocation, baseVertexLocation);
}

void D3d11Gpu::ClearRenderTargetView(const float rgba[4]) {
  if (target_) context_->ClearRenderTargetView(target_.Get(), rgba);
}

void D3d11Gpu::ClearDepthStencilView(float depth, std::uint8_t stencil) {
  if (depth_) {
    context_->ClearDepthStencilView(depth_.Get(), D3D11_CLEAR_DEPTH | D3D11_CLEAR_STENCIL, depth,
                                    stencil);
  }
}

void D3d11Gpu::RSSetViewports(const gpu::Viewport& viewport) {
  const D3D11_VIEWPORT v = ToD3d(viewport);
  context_->RSSetViewports(1, &v);
}

}  // namespace brivonel::d3d11
