#include "app/windows/offscreen_presenter_d3d11.h"

#include "base/app_exception.h"
#include "render/d3d11/d3d11_device.h"
#include "render/shader_pool.h"

namespace brivonel {

GpuDeviceObjects OffscreenPresenterD3d11::CreateDeviceObjects(std::int32_t width,
                                                              std::int32_t height) {
  gpu_.reset();
  failure_.clear();
  try {
    d3d11::DeviceAndContext created = d3d11::CreateDeviceAndContext();
    gpu_ = std::make_shared<d3d11::D3d11Gpu>(std::move(created.device),
                                             std::move(created.context));
    target_.Resize(gpu_->device(), width, height, wantedSamples_);
  } catch (const AppException& e) {
    failure_ = "cannot be created: " + d3d11::DescribeResult(e.hr());
    gpu_.reset();
    throw;
  }
  gpu_->SetRenderTargets(target_.renderTarget(), target_.depthStencil());
  return {gpu_, gpu_, kDefaultShaderExtension};
}

void OffscreenPresenterD3d11::PresentFrame(Point destination) {
  if (!gpu_) throw AppException(kEFail, error::kPresent);
  ThrowIfFailed(target_.ReadPixels(gpu_->context(), frame_), error::kPresent);
  destination_ = destination;
  ++framesPresented_;
  // As after a present to a window: the targets are bound again.
  gpu_->SetRenderTargets(target_.renderTarget(), target_.depthStencil());
}

void OffscreenPresenterD3d11::ResizeBuffers(std::int32_t width, std::int32_t height) {
  if (!gpu_) return;
  // The old views must be unbound before their textures can go.
  gpu_->SetRenderTargets(nullptr, nullptr);
  try {
    target_.Resize(gpu_->device(), width, height, wantedSamples_);
  } catch (const AppException&) {
    // A refused size keeps the old surface, as a failed resize does on a window.
  }
  gpu_->SetRenderTargets(target_.renderTarget(), target_.depthStencil());
}

std::string OffscreenPresenterD3d11::DeviceName() const {
  return d3d11::DescribeDevice(gpu_ ? gpu_->device() : nullptr);
}

}  // namespace brivonel
