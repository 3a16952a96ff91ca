#pragma once
// A surface to draw into without a window: a B8G8R8A8 colour texture (the
// window's surface format), drawn into through a DrawSurface (directly, or
// multisampled and resolved into it), and a staging copy the frame is read
// back through, since a headless run wants the pixels in memory.
#include <d3d11.h>
#include <wrl/client.h>

#include <cstdint>
#include <vector>

#include "base/hresult.h"
#include "render/d3d11/draw_surface.h"

namespace brivonel::d3d11 {

class OffscreenTarget {
 public:
  // Creates the textures and views at width x height with `samples`
  // samples per pixel (chosen as DrawSurface chooses them; one where the
  // device offers no such count),
  // replacing earlier ones only when all succeeded. Throws AppException
  // with the failing HRESULT: 1101 for the colour surfaces and the staging
  // copy, 1100 for the render-target view, 1102 for the depth buffer and
  // its view.
  void Resize(ID3D11Device* device, std::int32_t width, std::int32_t height,
              std::uint32_t samples = 1);

  ID3D11RenderTargetView* renderTarget() const { return drawn_.renderTarget(); }
  ID3D11DepthStencilView* depthStencil() const { return drawn_.depthStencil(); }
  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  std::uint32_t samples() const { return drawn_.samples(); }

  // The pixels as drawn (premultiplied alpha, samples averaged), four bytes
  // per pixel in the order blue, green, red, alpha, top row first. Fails
  // with the result of mapping the staging copy.
  HResult ReadPixels(ID3D11DeviceContext* context, std::vector<std::uint8_t>& bgra) const;

 private:
  Microsoft::WRL::ComPtr<ID3D11Texture2D> colour_;
  Microsoft::WRL::ComPtr<ID3D11Texture2D> staging_;
  DrawSurface drawn_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
};

}  // namespace brivonel::d3d11
