#include "render/d3d11/offscreen_target.h"

#include <cstring>

#include "base/app_exception.h"
#include "base/trace.h"

namespace brivonel::d3d11 {

using Microsoft::WRL::ComPtr;

namespace {

constexpr DXGI_FORMAT kColourFormat = DXGI_FORMAT_B8G8R8A8_UNORM;
constexpr DXGI_FORMAT kDepthFormat = DXGI_FORMAT_D24_UNORM_S8_UINT;

// The count itself when the device draws colour and depth with it, else 1.
std::uint32_t OfferedSamples(ID3D11Device* device, std::uint32_t samples) {
  if (samples <= 1) return 1;
  UINT colourLevels = 0, depthLevels = 0;
  if (SUCCEEDED(device->CheckMultisampleQualityLevels(kColourFormat, samples, &colourLevels)) &&
      SUCCEEDED(device->CheckMultisampleQualityLevels(kDepthFormat, samples, &depthLevels)) &&
      colourLevels > 0 && depthLevels > 0)
    return samples;
  TraceFormat("Direct3D offers no %u samples per pixel; drawing with one\n", samples);
  return 1;
}

}  // namespace

void OffscreenTarget::Resize(ID3D11Device* device, std::int32_t width, std::int32_t height,
                             std::uint32_t samples) {
  if (device == nullptr || width < 1 || height < 1) throw AppException(E_INVALIDARG, error::kDxgi);
  samples = OfferedSamples(device, samples);
  D3D11_TEXTURE2D_DESC desc{};
  desc.Width = static_cast<UINT>(width);
  desc.Height = static_cast<UINT>(height);
  desc.MipLevels = 1;
  desc.ArraySize = 1;
  desc.Format = kColourFormat;
  desc.SampleDesc = {1, 0};
  desc.Usage = D3D11_USAGE_DEFAULT;
  desc.BindFlags = D3D11_BIND_RENDER_TARGET;
  ComPtr<ID3D11Texture2D> colour;
  ThrowIfFailed(device->CreateTexture2D(&desc, nullptr, &colour), error::kDxgi);

  D3D11_TEXTURE2D_DESC drawnDesc = desc;
  drawnDesc.SampleDesc = {samples, 0};
  ComPtr<ID3D11Texture2D> multisampled;
  if (samples > 1)
    ThrowIfFailed(device->CreateTexture2D(&drawnDesc, nullptr, &multisampled), error::kDxgi);
  ComPtr<ID3D11RenderTargetView> renderTarget;
  ThrowIfFailed(device->CreateRenderTargetView(samples > 1 ? multisampled.Get() : colour.Get(),
                                               nullptr, &renderTarget),
                error::kDevice);

  D3D11_TEXTURE2D_DESC stagingDesc = desc;
  stagingDesc.Usage = D3D11_USAGE_STAGING;
  stagingDesc.BindFlags = 0;
  stagingDesc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
  ComPtr<ID3D11Texture2D> staging;
  ThrowIfFailed(device->CreateTexture2D(&stagingDesc, nullptr, &staging), error::kDxgi);

  D3D11_TEXTURE2D_DESC depthDesc = drawnDesc;
  depthDesc.Format = kDepthFormat;
  depthDesc.BindFlags = D3D11_BIND_DEPTH_STENCIL;
  ComPtr<ID3D11Texture2D> depth;
  ThrowIfFailed(device->CreateTexture2D(&depthDesc, nullptr, &depth), error::kBuffers);
  D3D11_DEPTH_STENCIL_VIEW_DESC viewDesc{};
  viewDesc.Format = kDepthFormat;
  viewDesc.ViewDimension =
      samples > 1 ? D3D11_DSV_DIMENSION_TEXTURE2DMS : D3D11_DSV_DIMENSION_TEXTURE2D;
  ComPtr<ID3D11DepthStencilView> depthStencil;
  ThrowIfFailed(device->CreateDepthStencilView(depth.Get(), &viewDesc, &depthStencil),
                error::kBuffers);

  colour_ = std::move(colour);
  multisampled_ = std::move(multisampled);
  staging_ = std::move(staging);
  renderTarget_ = std::move(renderTarget);
  depthStencil_ = std::move(depthStencil);
  width_ = width;
  height_ = height;
  samples_ = samples;
}

HResult OffscreenTarget::ReadPixels(ID3D11DeviceContext* context,
                                    std::vector<std::uint8_t>& bgra) const {
  if (context == nullptr || !colour_) return E_INVALIDARG;
  if (multisampled_) context->ResolveSubresource(colour_.Get(), 0, multisampled_.Get(), 0, kColourFormat);
  context->CopyResource(staging_.Get(), colour_.Get());
  D3D11_MAPPED_SUBRESOURCE mapped{};
  const HRESULT hr = context->Map(staging_.Get(), 0, D3D11_MAP_READ, 0, &mapped);
  if (FAILED(hr)) return static_cast<HResult>(hr);
  const std::size_t rowBytes = static_cast<std::size_t>(width_) * 4;
  bgra.resize(rowBytes * static_cast<std::size_t>(height_));
  const auto* source = static_cast<const std::uint8_t*>(mapped.pData);
  for (std::int32_t y = 0; y < height_; ++y) {
    std::memcpy(bgra.data() + rowBytes * static_cast<std::size_t>(y),
                source + static_cast<std::size_t>(mapped.RowPitch) * static_cast<std::size_t>(y),
                rowBytes);
  }
  context->Unmap(staging_.Get(), 0);
  return kSOk;
}

}  // namespace brivonel::d3d11
