#pragma once
// What the platform does to put frames on the desktop: the graphics device,
// the surface the scene is drawn into, and handing each finished frame, with
// its per-pixel alpha, to the window manager as the window's content.
#include <cstdint>
#include <memory>
#include <string>

#include "app/platform/window_geometry.h"
#include "base/hresult.h"
#include "render/device_objects.h"
#include "render/multisampling.h"

namespace brivonel {

class IPresenter {
 public:
  virtual ~IPresenter() = default;

  // Creates the device and its immediate context, the window's surface of
  // width x height pixels with a depth buffer, and binds both as the render
  // target. Throws AppException: 1100 device, 1101 surface, 1102 depth buffer.
  virtual GpuDeviceObjects CreateDeviceObjects(std::int32_t width, std::int32_t height) = 0;

  // Samples per pixel of the surface made by the next CreateDeviceObjects:
  // 1 draws without antialiasing, kSamplesChosenByDevice leaves the choice
  // to the presenter (4 on a graphics processor, 1 in software rendering).
  // The samples are averaged into the window's one-sample surface before it
  // is presented. A presenter that cannot multisample keeps one sample.
  virtual void SetSampleCount(std::uint32_t samples) { (void)samples; }

  // Creates the objects that turn the drawn surface into window content
  // (Direct2D and DirectWrite on Windows). Throws AppException 1101 or 1105.
  virtual void CreateTextObjects() = 0;

  // Runs after the scene has been drawn: presents the surface, draws the
  // overlays, hands the frame to the window manager with the window's
  // top-left corner at destination (screen pixels, which moves the window),
  // waits for the next desktop composition and binds the render target and
  // depth buffer again. Throws AppException 1200 when presenting or the wait
  // fails.
  virtual void PresentFrame(Point destination) = 0;

  // A present that shows nothing and only asks whether output is possible
  // again (used while waking from a suspend): kSOk when it is.
  virtual HResult TestPresent() = 0;

  // The window's client area is now width x height pixels: resize the
  // surface's buffers to it, keeping count and format, and bind them again.
  // Does nothing before the surface exists; failures are ignored.
  virtual void ResizeBuffers(std::int32_t width, std::int32_t height) = 0;
};

}  // namespace brivonel
