#pragma once
// Frames into the layered window. The scene is drawn with Direct3D 11 into
// the back buffer of a GDI-compatible swap chain that is never shown on its
// own; a Direct2D render target on the same buffer hands out a device
// context through its GDI interop, and UpdateLayeredWindowIndirect gives
// that context's pixels, with their alpha, to the window manager as the
// window's content (moving the window at the same time). The wait for the
// next desktop composition then paces the program. With several samples
// per pixel the scene is drawn into a multisampled texture that is resolved
// into the back buffer before the present (the buffer itself keeps one
// sample, as GDI needs it).
#include <windows.h>
#include <d2d1_1.h>
#include <dwrite.h>
#include <dxgi1_2.h>
#include <wrl/client.h>

#include <array>
#include <memory>

#include "app/platform/presenter.h"
#include "app/windows/desktop/composition_wait.h"
#include "render/d3d11/d3d11_gpu.h"
#include "render/d3d11/draw_surface.h"

namespace brivonel::win32 {

using Microsoft::WRL::ComPtr;

// Something drawn over the scene with Direct2D before the frame goes to the
// window. The program itself makes none; the text format is there for them.
class ILayeredOverlay {
 public:
  virtual ~ILayeredOverlay() = default;
  virtual void Draw(ID2D1RenderTarget* target, IDWriteTextFormat* textFormat) = 0;
};

class LayeredWindowPresenter final : public IPresenter {
 public:
  static constexpr std::size_t kOverlaySlots = 3;
  static constexpr UINT kMaximumFrameLatency = 8;

  LayeredWindowPresenter() = default;
  LayeredWindowPresenter(const LayeredWindowPresenter&) = delete;
  LayeredWindowPresenter& operator=(const LayeredWindowPresenter&) = delete;

  // The layered window the frames go to; set before the device is made.
  void SetWindow(HWND window) { window_ = window; }
  void SetOverlay(std::size_t slot, std::unique_ptr<ILayeredOverlay> overlay);

  // Device, swap chain for the window, its render-target view and a depth
  // buffer, bound. AppException 1100 (device, view), 1101 (DXGI, swap
  // chain), 1102 (depth buffer).
  GpuDeviceObjects CreateDeviceObjects(std::int32_t width, std::int32_t height) override;
  void SetSampleCount(std::uint32_t samples) override { wantedSamples_ = samples; }
  // The samples per pixel the scene is drawn with (1 before the device).
  std::uint32_t samples() const { return drawn_.samples(); }
  // Direct2D over the back buffer with GDI interop (1105; 1101 for the DXGI
  // device), and the DirectWrite text format (not tested: nothing needs it).
  void CreateTextObjects() override;
  void PresentFrame(Point destination) override;
  HResult TestPresent() override;
  // New buffers of width x height: everything that holds the old ones is
  // let go first and made again afterwards. Failures are ignored.
  void ResizeBuffers(std::int32_t width, std::int32_t height) override;

 private:
  void CreateTargets(std::int32_t width, std::int32_t height);
  void CreateSurfaceTarget();
  void BindTargets();
  void UpdateLayeredWindow(HDC frame, Point destination);

  HWND window_ = nullptr;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;

  std::shared_ptr<d3d11::D3d11Gpu> gpu_;
  ComPtr<IDXGISwapChain1> swapChain_;
  std::uint32_t wantedSamples_ = kSamplesChosenByDevice;
  ComPtr<ID3D11Texture2D> buffer_;  // the swap chain's buffer 0
  d3d11::DrawSurface drawn_;

  ComPtr<ID2D1Factory1> d2dFactory_;
  // The back buffer as Direct2D sees it: IDXGISurface2 where the system
  // offers it (Windows), IDXGISurface1 otherwise (Wine); Direct2D takes both.
  ComPtr<IDXGISurface1> backBuffer_;
  ComPtr<ID2D1RenderTarget> surfaceTarget_;
  ComPtr<ID2D1GdiInteropRenderTarget> gdiInterop_;
  ComPtr<IDWriteFactory> writeFactory_;
  ComPtr<IDWriteTextFormat> textFormat_;

  std::array<std::unique_ptr<ILayeredOverlay>, kOverlaySlots> overlays_;
  CompositionWait compositionWait_;
};

}  // namespace brivonel::win32
