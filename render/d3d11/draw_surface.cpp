#include "render/d3d11/draw_surface.h"

#include "base/app_exception.h"
#include "base/trace.h"
#include "render/d3d11/d3d11_device.h"
#include "render/multisampling.h"

namespace brivonel::d3d11 {

using Microsoft::WRL::ComPtr;

namespace {

constexpr DXGI_FORMAT kDepthFormat = DXGI_FORMAT_D24_UNORM_S8_UINT;

// The count itself when the device draws colour and depth with it, else 1.
std::uint32_t OfferedSamples(ID3D11Device* device, DXGI_FORMAT colour, std::uint32_t samples) {
  if (samples <= 1) return 1;
  UINT colourLevels = 0, depthLevels = 0;
  if (SUCCEEDED(device->CheckMultisampleQualityLevels(colour, samples, &colourLevels)) &&
      SUCCEEDED(device->CheckMultisampleQualityLevels(kDepthFormat, samples, &depthLevels)) &&
      colourLevels > 0 && depthLevels > 0)
    return samples;
  TraceFormat("Direct3D offers no %u samples per pixel; drawing with one\n", samples);
  return 1;
}

}  // namespace

DrawSurface DrawSurface::Create(ID3D11Device* device, ID3D11Texture2D* output,
                                std::uint32_t samples) {
  if (device == nullptr || output == nullptr) throw AppException(E_POINTER, error::kDevice);
  D3D11_TEXTURE2D_DESC desc{};
  output->GetDesc(&desc);
  DrawSurface surface;
  surface.samples_ =
      OfferedSamples(device, desc.Format, SamplesToUse(samples, RendersInSoftware(device)));
  desc.SampleDesc = {surface.samples_, 0};
  desc.Usage = D3D11_USAGE_DEFAULT;
  desc.BindFlags = D3D11_BIND_RENDER_TARGET;
  desc.CPUAccessFlags = 0;
  desc.MiscFlags = 0;
  if (surface.samples_ > 1)
    ThrowIfFailed(device->CreateTexture2D(&desc, nullptr, &surface.multisampled_), error::kDxgi);
  ID3D11Texture2D* drawn = surface.samples_ > 1 ? surface.multisampled_.Get() : output;
  ThrowIfFailed(device->CreateRenderTargetView(drawn, nullptr, &surface.renderTarget_),
                error::kDevice);

  D3D11_TEXTURE2D_DESC depthDesc = desc;
  depthDesc.Format = kDepthFormat;
  depthDesc.BindFlags = D3D11_BIND_DEPTH_STENCIL;
  ComPtr<ID3D11Texture2D> depth;
  ThrowIfFailed(device->CreateTexture2D(&depthDesc, nullptr, &depth), error::kBuffers);
  D3D11_DEPTH_STENCIL_VIEW_DESC viewDesc{};
  viewDesc.Format = kDepthFormat;
  viewDesc.ViewDimension =
      surface.samples_ > 1 ? D3D11_DSV_DIMENSION_TEXTURE2DMS : D3D11_DSV_DIMENSION_TEXTURE2D;
  ThrowIfFailed(device->CreateDepthStencilView(depth.Get(), &viewDesc, &surface.depthStencil_),
                error::kBuffers);
  return surface;
}

void DrawSurface::Resolve(ID3D11DeviceContext* context, ID3D11Texture2D* output) const {
  if (!multisampled_ || context == nullptr || output == nullptr) return;
  D3D11_TEXTURE2D_DESC desc{};
  output->GetDesc(&desc);
  context->ResolveSubresource(output, 0, multisampled_.Get(), 0, desc.Format);
}

}  // namespace brivonel::d3d11
