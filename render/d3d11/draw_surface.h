#pragma once
// What the scene is drawn into on Direct3D 11, in front of the texture that
// leaves as the frame (a swap chain's buffer, or an offscreen texture): a
// render-target view and a D24S8 depth buffer. With one sample per pixel
// the view is on the output texture itself; with more it is on a
// multisampled texture of the output's size and format, which Resolve
// averages into the output (ResolveSubresource). The alpha of a pixel the
// character's outline crosses is then the share of it the character covers,
// which gives soft edges on the desktop.
#include <d3d11.h>
#include <wrl/client.h>

#include <cstdint>

namespace brivonel::d3d11 {

class DrawSurface {
 public:
  // Views for drawing in front of `output` (a B8G8R8A8 render-target
  // texture) with `samples` samples per pixel (kSamplesChosenByDevice: four,
  // or one when the device renders in software), or one sample, with a
  // trace line, when the device offers no such count for the colour and
  // depth formats. Throws AppException with the failing HRESULT: 1101 for the
  // multisampled texture, 1100 for the render-target view, 1102 for the
  // depth buffer and its view.
  static DrawSurface Create(ID3D11Device* device, ID3D11Texture2D* output, std::uint32_t samples);

  ID3D11RenderTargetView* renderTarget() const { return renderTarget_.Get(); }
  ID3D11DepthStencilView* depthStencil() const { return depthStencil_.Get(); }
  std::uint32_t samples() const { return samples_; }

  // Averages the drawn samples into `output` (the texture given to Create);
  // nothing to do with one sample.
  void Resolve(ID3D11DeviceContext* context, ID3D11Texture2D* output) const;

 private:
  Microsoft::WRL::ComPtr<ID3D11Texture2D> multisampled_;
  Microsoft::WRL::ComPtr<ID3D11RenderTargetView> renderTarget_;
  Microsoft::WRL::ComPtr<ID3D11DepthStencilView> depthStencil_;
  std::uint32_t samples_ = 1;
};

}  // namespace brivonel::d3d11
