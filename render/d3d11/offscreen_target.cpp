#include "render/d3d11/offscreen_target.h"

#include <cstring>

#include "base/app_exception.h"

namespace brivonel::d3d11 {

using Microsoft::WRL::ComPtr;

void OffscreenTarget::Resize(ID3D11Device* device, std::int32_t width, std::int32_t height,
                             std::uint32_t samples) {
  if (device == nullptr || width < 1 || height < 1) throw AppException(E_INVALIDARG, error::kDxgi);
  D3D11_TEXTURE2D_DESC desc{};
  desc.Width = static_cast<UINT>(width);
  desc.Height = static_cast<UINT>(height);
  desc.MipLevels = 1;
  desc.ArraySize = 1;
  desc.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
  desc.SampleDesc = {1, 0};
  desc.Usage = D3D11_USAGE_DEFAULT;
  desc.BindFlags = D3D11_BIND_RENDER_TARGET;
  ComPtr<ID3D11Texture2D> colour;
  ThrowIfFailed(device->CreateTexture2D(&desc, nullptr, &colour), error::kDxgi);
  DrawSurface drawn = DrawSurface::Create(device, colour.Get(), samples);

  D3D11_TEXTURE2D_DESC stagingDesc = desc;
  stagingDesc.Usage = D3D11_USAGE_STAGING;
  stagingDesc.BindFlags = 0;
  stagingDesc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
  ComPtr<ID3D11Texture2D> staging;
  ThrowIfFailed(device->CreateTexture2D(&stagingDesc, nullptr, &staging), error::kDxgi);

  colour_ = std::move(colour);
  staging_ = std::move(staging);
  drawn_ = std::move(drawn);
  width_ = width;
  height_ = height;
}

HResult OffscreenTarget::ReadPixels(ID3D11DeviceContext* context,
                                    std::vector<std::uint8_t>& bgra) const {
  if (context == nullptr || !colour_) return E_INVALIDARG;
  drawn_.Resolve(context, colour_.Get());
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
