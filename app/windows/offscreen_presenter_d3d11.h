#pragma once
// A presenter without a window on Direct3D 11: the scene is drawn into an
// offscreen B8G8R8A8 surface with a depth buffer, and each presented frame
// is read back into memory instead of going to the desktop. The Windows
// snapshot tool and the tests under Wine run the program through it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/platform/presenter.h"
#include "render/d3d11/d3d11_gpu.h"
#include "render/d3d11/offscreen_target.h"

namespace brivonel {

class OffscreenPresenterD3d11 final : public IPresenter {
 public:
  OffscreenPresenterD3d11() = default;
  OffscreenPresenterD3d11(const OffscreenPresenterD3d11&) = delete;
  OffscreenPresenterD3d11& operator=(const OffscreenPresenterD3d11&) = delete;

  // Throws AppException 1100 (device), 1101 (surface) or 1102 (depth
  // buffer); failure() then names the failing result.
  GpuDeviceObjects CreateDeviceObjects(std::int32_t width, std::int32_t height) override;
  void SetSampleCount(std::uint32_t samples) override { wantedSamples_ = samples; }
  void CreateTextObjects() override {}
  // Reads the frame back (AppException 1200 when that fails); the window
  // "moves" to destination.
  void PresentFrame(Point destination) override;
  HResult TestPresent() override { return gpu_ ? kSOk : kEFail; }
  void ResizeBuffers(std::int32_t width, std::int32_t height) override;

  // The last presented frame: premultiplied blue, green, red, alpha bytes,
  // top row first; empty before the first.
  const std::vector<std::uint8_t>& frame() const { return frame_; }
  std::int32_t frameWidth() const { return target_.width(); }
  std::int32_t frameHeight() const { return target_.height(); }
  Point destination() const { return destination_; }
  int framesPresented() const { return framesPresented_; }
  // Why the device or its surface could not be made; which device it is.
  const std::string& failure() const { return failure_; }
  std::string DeviceName() const;
  // The samples per pixel of the surface (1 before it exists).
  std::uint32_t samples() const { return target_.samples(); }

 private:
  std::shared_ptr<d3d11::D3d11Gpu> gpu_;
  d3d11::OffscreenTarget target_;
  std::vector<std::uint8_t> frame_;
  Point destination_;
  int framesPresented_ = 0;
  std::string failure_;
  std::uint32_t wantedSamples_ = kSamplesChosenByDevice;
};

}  // namespace brivonel
