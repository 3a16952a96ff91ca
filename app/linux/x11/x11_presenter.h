#pragma once
// Frames on the X desktop. The scene is drawn with OpenGL (GLX on the
// mascot's window) into a framebuffer object; each frame is read back as
// BGRA with its alpha and put into the window, whose shape follows the
// figure:
//  - with a compositing manager the window blends by its alpha, and its
//    input shape (the pixels with any alpha) lets clicks on transparent
//    pixels fall through to the windows below;
//  - without one transparent pixels would show black, so the bounding
//    shape cuts the window to the figure (pixels at least half opaque).
#include <cstdint>
#include <memory>
#include <vector>

// The device headers come before the X11 ones: X11 defines macros (None,
// Always, Bool) that would replace names the device headers declare.
#include "app/platform/presenter.h"
#include "render/gl/framebuffer.h"
#include "render/gl/gl_gpu.h"

#include "app/linux/alpha_shape.h"
#include "app/linux/x11/frame_image.h"
#include "app/linux/x11/glx_context.h"
#include "app/linux/x11/mascot_window.h"

namespace brivonel::x11 {

// The front's own work on each frame, in microseconds of the presenting
// thread's CPU time, summed over `frames` frames (for the frame-cost figures).
struct PresentCosts {
  std::int64_t frames = 0;
  std::int64_t readBack = 0;
  std::int64_t shape = 0;
  std::int64_t put = 0;  // handing the image and the window's move to the server
};

class X11Presenter final : public IPresenter {
 public:
  X11Presenter(X11Display& display, MascotWindow& window, const WindowVisual& visual,
               bool composited);
  ~X11Presenter() override;
  X11Presenter(const X11Presenter&) = delete;
  X11Presenter& operator=(const X11Presenter&) = delete;

  // --- IPresenter ---
  GpuDeviceObjects CreateDeviceObjects(std::int32_t width, std::int32_t height) override;
  void SetSampleCount(std::uint32_t samples) override { wantedSamples_ = samples; }
  void CreateTextObjects() override {}
  void PresentFrame(Point destination) override;
  HResult TestPresent() override;
  void ResizeBuffers(std::int32_t width, std::int32_t height) override;

  // A compositing manager started (true) or stopped (false): the window's
  // shapes change over at once, with the last frame.
  void SetComposited(bool composited);
  bool composited() const { return composited_ && visual_.hasAlpha; }
  // Every click goes through the window to the windows below (an empty
  // input shape), or the figure takes its clicks again.
  void SetClickThrough(bool on);
  // The server lost part of the window's content (no compositor): the last
  // frame goes there again.
  void Repaint();
  // Events for the frame image (the server has read it).
  bool HandleEvent(const XEvent& event) { return image_.HandleEvent(event); }

  const PresentCosts& costs() const { return costs_; }

 private:
  void ReadFrame();
  void UpdateShape(bool force);

  X11Display& display_;
  MascotWindow& window_;
  WindowVisual visual_;
  bool composited_;
  std::unique_ptr<GlxContext> context_;
  std::unique_ptr<gl::Framebuffer> framebuffer_;
  std::shared_ptr<gl::GlGpu> gpu_;
  FrameImage image_;
  std::uint32_t wantedSamples_ = kSamplesChosenByDevice;
  bool hasFrame_ = false;
  AlphaShape inputShape_{1};
  AlphaShape boundingShape_{128};
  std::vector<ShapeRect> shownShape_;
  bool shapeIsInput_ = false;
  bool clickThrough_ = false;
  PresentCosts costs_;
};

}  // namespace brivonel::x11
