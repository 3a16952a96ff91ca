#pragma once
// A surface to draw into without a window: a B8G8R8A8 colour texture (the
// window's surface format) with a D24S8 depth buffer of the same size, and
// a staging copy the frame is read back through, since a headless run wants
// the pixels in memory. With several samples per pixel the drawing goes
// into multisampled colour and depth textures, and ReadPixels first
// resolves the colour into the one-sample texture (ResolveSubresource, as
// a window's presenter resolves into its swap chain's buffer): the alpha of
// a pixel the character's outline crosses is then the share it covers.
#include <d3d11.h>
#include <wrl/client.h>

#include <cstdint>
#include <vector>

#include "base/hresult.h"

namespace brivonel::d3d11 {

class OffscreenTarget {
 public:
  // Creates the textures and views at width x height with `samples`
  // samples per pixel (one, with a trace line, when the device offers no
  // such count for both formats), replacing earlier ones only when all
  // succeeded. Throws AppException with the failing HRESULT: 1101 for the
  // colour surfaces and the staging copy, 1100 for the render-target view,
  // 1102 for the depth buffer and its view.
  void Resize(ID3D11Device* device, std::int32_t width, std::int32_t height,
              std::uint32_t samples = 1);

  ID3D11RenderTargetView* renderTarget() const { return renderTarget_.Get(); }
  ID3D11DepthStencilView* depthStencil() const { return depthStencil_.Get(); }
  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  std::uint32_t samples() const { return samples_; }

  // The pixels as drawn (premultiplied alpha, samples averaged), four bytes
  // per pixel in the order blue, green, red, alpha, top row first. Fails
  // with the result of mapping the staging copy.
  HResult ReadPixels(ID3D11DeviceContext* context, std::vector<std::uint8_t>& bgra) const;

 private:
  Microsoft::WRL::ComPtr<ID3D11Texture2D> colour_;      // one sample: what is read back
  Microsoft::WRL::ComPtr<ID3D11Texture2D> multisampled_;  // drawn into, when samples_ > 1
  Microsoft::WRL::ComPtr<ID3D11Texture2D> staging_;
  Microsoft::WRL::ComPtr<ID3D11RenderTargetView> renderTarget_;
  Microsoft::WRL::ComPtr<ID3D11DepthStencilView> depthStencil_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::uint32_t samples_ = 1;
};

}  // namespace brivonel::d3d11
