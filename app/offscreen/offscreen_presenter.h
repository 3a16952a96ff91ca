#pragma once
// A presenter without a window: the device is OpenGL on an offscreen
// context, and each presented frame is read back into memory instead of
// going to the desktop. The snapshot tool and the end-to-end tests of the
// application object run the program through it.
//
// The OpenGL objects the application creates belong to this presenter's
// context: destroy the application object before the presenter.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/platform/presenter.h"
#include "render/gl/gl_gpu.h"
#include "render/gl/offscreen_context.h"

namespace brivonel {

class OffscreenPresenter final : public IPresenter {
 public:
  OffscreenPresenter() = default;
  ~OffscreenPresenter() override;
  OffscreenPresenter(const OffscreenPresenter&) = delete;
  OffscreenPresenter& operator=(const OffscreenPresenter&) = delete;

  // Throws AppException 1100 when no OpenGL context can be made (failure()
  // then says why) and 1101 when the surface's size is refused.
  GpuDeviceObjects CreateDeviceObjects(std::int32_t width, std::int32_t height) override;
  void SetSampleCount(std::uint32_t samples) override { samples_ = samples; }
  void CreateTextObjects() override {}
  // Reads the frame back; the window "moves" to destination.
  void PresentFrame(Point destination) override;
  HResult TestPresent() override { return context_ ? kSOk : kEFail; }
  void ResizeBuffers(std::int32_t width, std::int32_t height) override;

  // The last presented frame: premultiplied blue, green, red, alpha bytes,
  // top row first; empty before the first.
  const std::vector<std::uint8_t>& frame() const { return frame_; }
  std::int32_t frameWidth() const { return frameWidth_; }
  std::int32_t frameHeight() const { return frameHeight_; }
  Point destination() const { return destination_; }
  int framesPresented() const { return framesPresented_; }
  const std::string& failure() const { return failure_; }
  // The samples per pixel of the surface (0 before it exists).
  std::uint32_t samples() const { return context_ ? context_->samples() : 0; }

 private:
  std::unique_ptr<gl::OffscreenContext> context_;
  std::shared_ptr<gl::GlGpu> gpu_;
  std::vector<std::uint8_t> frame_;
  std::int32_t frameWidth_ = 0;
  std::int32_t frameHeight_ = 0;
  Point destination_;
  int framesPresented_ = 0;
  std::string failure_;
  std::uint32_t samples_ = kSamplesChosenByDevice;
};

}  // namespace brivonel
