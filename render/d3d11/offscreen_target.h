#pragma once
// A surface to draw into without a window: a B8G8R8A8 colour texture (the
// window's surface format) with a D24S8 depth buffer of the same size, and
// a staging copy the frame is read back through, since a headless run wants
// the pixels in memory.
#include <d3d11.h>
#include <wrl/client.h>

#include <cstdint>
#include <vector>

#include "base/hresult.h"

namespace brivonel::d3d11 {

class OffscreenTarget {
 public:
  // Creates the textures and views at width x height, replacing earlier
  // ones only when all succeeded. Throws AppException with the failing
  // HRESULT: 1101 for the colour surface and its staging copy, 1100 for its
  // render-target view, 1102 for the depth buffer and its view.
  void Resize(ID3D11Device* device, std::int32_t width, std::int32_t height);

  ID3D11RenderTargetView* renderTarget() const { return renderTarget_.Get(); }
  ID3D11DepthStencilView* depthStencil() const { return depthStencil_.Get(); }
  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }

  // The pixels as drawn (premultiplied alpha), four bytes per pixel in the
  // order blue, green, red, alpha, top row first. Fails with the result of
  // mapping the staging copy.
  HResult ReadPixels(ID3D11DeviceContext* context, std::vector<std::uint8_t>& bgra) const;

 private:
  Microsoft::WRL::ComPtr<ID3D11Texture2D> colour_;
  Microsoft::WRL::ComPtr<ID3D11Texture2D> staging_;
  Microsoft::WRL::ComPtr<ID3D11RenderTargetView> renderTarget_;
  Microsoft::WRL::ComPtr<ID3D11DepthStencilView> depthStencil_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
};

}  // namespace brivonel::d3d11
