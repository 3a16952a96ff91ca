#include "app/windows/desktop/layered_window_presenter.h"

#include "base/app_exception.h"
#include "base/trace.h"
#include "render/d3d11/d3d11_device.h"
#include "render/shader_pool.h"

namespace brivonel::win32 {
namespace {

DXGI_SWAP_CHAIN_DESC1 WindowSwapChainDesc(std::int32_t width, std::int32_t height) {
  DXGI_SWAP_CHAIN_DESC1 desc{};
  desc.Width = static_cast<UINT>(width);
  desc.Height = static_cast<UINT>(height);
  desc.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
  desc.Stereo = FALSE;
  desc.SampleDesc = {1, 0};
  desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
  // One buffer; the frame leaves through GDI, read from that buffer after
  // Present, so the buffer must keep its content across Present: the
  // sequential effect promises that (with the discarding one, Wine empties
  // the buffer at Present and every frame would be blank).
  desc.BufferCount = 1;
  desc.Scaling = DXGI_SCALING_STRETCH;
  desc.SwapEffect = DXGI_SWAP_EFFECT_SEQUENTIAL;
  desc.AlphaMode = DXGI_ALPHA_MODE_UNSPECIFIED;
  desc.Flags = DXGI_SWAP_CHAIN_FLAG_GDI_COMPATIBLE;
  return desc;
}

D2D1_RENDER_TARGET_PROPERTIES SurfaceTargetProperties() {
  return D2D1::RenderTargetProperties(
      D2D1_RENDER_TARGET_TYPE_DEFAULT,
      D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED), 0.0f, 0.0f,
      D2D1_RENDER_TARGET_USAGE_GDI_COMPATIBLE, D2D1_FEATURE_LEVEL_DEFAULT);
}

}  // namespace

void LayeredWindowPresenter::SetOverlay(std::size_t slot,
                                        std::unique_ptr<ILayeredOverlay> overlay) {
  if (slot < overlays_.size()) overlays_[slot] = std::move(overlay);
}

GpuDeviceObjects LayeredWindowPresenter::CreateDeviceObjects(std::int32_t width,
                                                             std::int32_t height) {
  d3d11::DeviceAndContext created = d3d11::CreateDeviceAndContext();

  ComPtr<IDXGIDevice2> dxgiDevice;
  ComPtr<IDXGIAdapter> adapter;
  ComPtr<IDXGIFactory2> factory;
  ThrowIfFailed(created.device.As(&dxgiDevice), error::kDxgi);
  ThrowIfFailed(dxgiDevice->GetAdapter(&adapter), error::kDxgi);
  ThrowIfFailed(adapter->GetParent(IID_PPV_ARGS(&factory)), error::kDxgi);

  const DXGI_SWAP_CHAIN_DESC1 desc = WindowSwapChainDesc(width, height);
  ThrowIfFailed(factory->CreateSwapChainForHwnd(created.device.Get(), window_, &desc, nullptr,
                                                nullptr, &swapChain_),
                error::kDxgi);
  ThrowIfFailed(dxgiDevice->SetMaximumFrameLatency(kMaximumFrameLatency), error::kDxgi);

  gpu_ = std::make_shared<d3d11::D3d11Gpu>(std::move(created.device),
                                           std::move(created.context));
  CreateTargets(width, height);
  BindTargets();
  return {gpu_, gpu_, kDefaultShaderExtension};
}

void LayeredWindowPresenter::CreateTargets(std::int32_t width, std::int32_t height) {
  ComPtr<ID3D11Texture2D> buffer;
  ThrowIfFailed(swapChain_->GetBuffer(0, IID_PPV_ARGS(&buffer)), error::kDxgi);
  drawn_ = d3d11::DrawSurface::Create(gpu_->device(), buffer.Get(), wantedSamples_);
  buffer_ = std::move(buffer);
  width_ = width;
  height_ = height;
}

void LayeredWindowPresenter::BindTargets() {
  gpu_->SetRenderTargets(drawn_.renderTarget(), drawn_.depthStencil());
}

void LayeredWindowPresenter::CreateTextObjects() {
  D2D1_FACTORY_OPTIONS options{};
  options.debugLevel = D2D1_DEBUG_LEVEL_NONE;
  ThrowIfFailed(D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory1),
                                  &options, reinterpret_cast<void**>(d2dFactory_.ReleaseAndGetAddressOf())),
                error::kDirect2D);
  {
    // A Direct2D device on the same DXGI device ties the two together;
    // the render target below is all that is kept.
    ComPtr<IDXGIDevice2> dxgiDevice;
    ThrowIfFailed(gpu_->device()->QueryInterface(IID_PPV_ARGS(&dxgiDevice)), error::kDxgi);
    ComPtr<ID2D1Device> d2dDevice;
    ThrowIfFailed(d2dFactory_->CreateDevice(dxgiDevice.Get(), &d2dDevice), error::kDirect2D);
  }
  CreateSurfaceTarget();

  // The text format is for overlays; without it they have nothing to write
  // with, which is no reason to stop the program.
  if (SUCCEEDED(DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                                    reinterpret_cast<IUnknown**>(writeFactory_.ReleaseAndGetAddressOf())))) {
    writeFactory_->CreateTextFormat(L"メイリオ", nullptr, DWRITE_FONT_WEIGHT_NORMAL,
                                    DWRITE_FONT_STYLE_NORMAL, DWRITE_FONT_STRETCH_NORMAL, 24.0f,
                                    L"ja-jp", &textFormat_);
  }
}

void LayeredWindowPresenter::CreateSurfaceTarget() {
  ComPtr<IDXGISurface2> surface2;
  if (SUCCEEDED(swapChain_->GetBuffer(0, IID_PPV_ARGS(&surface2)))) {
    backBuffer_ = surface2;
  } else {
    ThrowIfFailed(swapChain_->GetBuffer(0, IID_PPV_ARGS(&backBuffer_)), error::kDirect2D);
  }
  const D2D1_RENDER_TARGET_PROPERTIES properties = SurfaceTargetProperties();
  ThrowIfFailed(d2dFactory_->CreateDxgiSurfaceRenderTarget(backBuffer_.Get(), &properties,
                                                          &surfaceTarget_),
                error::kDirect2D);
  ThrowIfFailed(surfaceTarget_.As(&gdiInterop_), error::kDirect2D);
}

void LayeredWindowPresenter::PresentFrame(Point destination) {
  if (!swapChain_) throw AppException(E_POINTER, error::kPresent);
  drawn_.Resolve(gpu_->context(), buffer_.Get());
  ThrowIfFailed(swapChain_->Present(0, 0), error::kPresent);
  if (surfaceTarget_) {
    surfaceTarget_->BeginDraw();
    for (const auto& overlay : overlays_) {
      if (overlay) overlay->Draw(surfaceTarget_.Get(), textFormat_.Get());
    }
    // A failed GetDC or window update only loses this frame.
    HDC frame = nullptr;
    if (SUCCEEDED(gdiInterop_->GetDC(D2D1_DC_INITIALIZE_MODE_COPY, &frame))) {
      UpdateLayeredWindow(frame, destination);
      gdiInterop_->ReleaseDC(nullptr);
    }
    surfaceTarget_->EndDraw();
  }
  ThrowIfFailed(compositionWait_.Wait(), error::kPresent);
  BindTargets();
}

void LayeredWindowPresenter::UpdateLayeredWindow(HDC frame, Point destination) {
  POINT windowPosition{destination.x, destination.y};
  SIZE size{width_, height_};
  POINT framePosition{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UPDATELAYEREDWINDOWINFO info{};
  info.cbSize = sizeof info;
  info.hdcDst = nullptr;
  info.pptDst = &windowPosition;  // the window moves with its content
  info.psize = &size;
  info.hdcSrc = frame;
  info.pptSrc = &framePosition;
  info.crKey = 0;
  info.pblend = &blend;
  info.dwFlags = ULW_ALPHA;
  info.prcDirty = nullptr;
  UpdateLayeredWindowIndirect(window_, &info);
}

HResult LayeredWindowPresenter::TestPresent() {
  if (!swapChain_) return E_POINTER;
  return swapChain_->Present(0, DXGI_PRESENT_TEST);
}

void LayeredWindowPresenter::ResizeBuffers(std::int32_t width, std::int32_t height) {
  if (!swapChain_ || !gpu_) return;
  // The swap chain resizes only when nothing holds its buffer: the bound
  // views, the Direct2D target and the surface.
  const bool hadSurfaceTarget = surfaceTarget_ != nullptr;
  gdiInterop_.Reset();
  surfaceTarget_.Reset();
  backBuffer_.Reset();
  gpu_->SetRenderTargets(nullptr, nullptr);
  drawn_ = d3d11::DrawSurface();
  buffer_.Reset();
  gpu_->context()->Flush();

  const HRESULT hr = swapChain_->ResizeBuffers(0, static_cast<UINT>(width),
                                               static_cast<UINT>(height), DXGI_FORMAT_UNKNOWN,
                                               DXGI_SWAP_CHAIN_FLAG_GDI_COMPATIBLE);
  if (FAILED(hr)) TraceFormat("ResizeBuffers %dx%d: 0x%08X\n", width, height, static_cast<unsigned>(hr));
  DXGI_SWAP_CHAIN_DESC1 chain{};
  swapChain_->GetDesc1(&chain);
  try {
    CreateTargets(static_cast<std::int32_t>(chain.Width), static_cast<std::int32_t>(chain.Height));
    if (hadSurfaceTarget) CreateSurfaceTarget();
  } catch (const AppException& e) {
    TraceFormat("buffers after resizing: code %d, hr 0x%08X\n", e.code(),
                static_cast<unsigned>(e.hr()));
  }
  BindTargets();
}

}  // namespace brivonel::win32
