#include "app/offscreen/offscreen_presenter.h"

#include "base/app_exception.h"

namespace brivonel {

OffscreenPresenter::~OffscreenPresenter() {
  gpu_.reset();
  context_.reset();
}

GpuDeviceObjects OffscreenPresenter::CreateDeviceObjects(std::int32_t width,
                                                         std::int32_t height) {
  // A second start replaces the first device: its objects go while their
  // context is still current, and only then the context itself.
  gpu_.reset();
  context_.reset();
  context_ = gl::OffscreenContext::Create(width, height, &failure_, samples_);
  if (!context_) throw AppException(kEFail, error::kDevice);
  gpu_ = std::make_shared<gl::GlGpu>();
  gpu_->SetRenderTargetSize(width, height);
  return {gpu_, gpu_, gl::kGlShaderExtension};
}

void OffscreenPresenter::PresentFrame(Point destination) {
  if (!context_) throw AppException(kEFail, error::kPresent);
  context_->ReadPixels(frame_);
  frameWidth_ = context_->width();
  frameHeight_ = context_->height();
  destination_ = destination;
  ++framesPresented_;
}

void OffscreenPresenter::ResizeBuffers(std::int32_t width, std::int32_t height) {
  if (!context_) return;
  // A refused size keeps the old surface, as a failed resize does on Windows.
  std::string error;
  if (!context_->Resize(width, height, &error)) return;
  gpu_->SetRenderTargetSize(width, height);
}

}  // namespace brivonel
