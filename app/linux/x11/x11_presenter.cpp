#include "app/linux/x11/x11_presenter.h"

#include <cstdio>
#include <string>

#include "app/linux/monotonic_clock.h"
#include "base/app_exception.h"
#include "base/error_codes.h"
#include "base/trace.h"

namespace brivonel::x11 {
namespace {

// Measures the calling thread's CPU time: waiting (for the rasteriser's
// threads, or for the server) is not the front's work.
class Stopwatch {
 public:
  // Adds the time since the last lap (or the start) to total.
  void Lap(std::int64_t& total) {
    const std::int64_t now = Now();
    total += now - last_;
    last_ = now;
  }

 private:
  static std::int64_t Now() { return MonotonicClock::NowMicroseconds(CLOCK_THREAD_CPUTIME_ID); }
  std::int64_t last_ = Now();
};

[[noreturn]] void Fail(const std::string& why, std::int32_t code) {
  std::fprintf(stderr, "brivonel: %s\n", why.c_str());
  throw AppException(kEFail, code);
}

void TellAboutHardEdges() {
  std::fputs(
      "brivonel: no compositing manager is running, so the figure is cut out with hard edges; "
      "a compositor (xcompmgr, picom, or the desktop's own) gives it soft edges\n",
      stderr);
}

}  // namespace

X11Presenter::X11Presenter(X11Display& display, MascotWindow& window, const WindowVisual& visual,
                           bool composited)
    : display_(display),
      window_(window),
      visual_(visual),
      composited_(composited),
      image_(display, visual.visual, visual.depth) {}

X11Presenter::~X11Presenter() {
  // The OpenGL objects go while their context is current, then the context.
  gpu_.reset();
  framebuffer_.reset();
  context_.reset();
}

GpuDeviceObjects X11Presenter::CreateDeviceObjects(std::int32_t width, std::int32_t height) {
  gpu_.reset();
  framebuffer_.reset();
  context_.reset();
  std::string error;
  context_ = GlxContext::Create(display_, visual_, window_.id(), &error);
  if (!context_) Fail(error, error::kDevice);
  framebuffer_ = std::make_unique<gl::Framebuffer>(wantedSamples_);
  if (!framebuffer_->Resize(width, height, &error)) Fail(error, error::kDxgi);
  if (!image_.Allocate(width, height)) {
    Fail("no image of " + std::to_string(width) + "x" + std::to_string(height) + " pixels",
         error::kDxgi);
  }
  gpu_ = std::make_shared<gl::GlGpu>();
  gpu_->SetRenderTargetSize(width, height);
  TraceFormat("OpenGL %s, %u samples per pixel; frames go to the server %s, read back %s\n",
              gl::GlGpu::DescribeContext().c_str(), framebuffer_->samples(),
              image_.shared() ? "in shared memory" : "over the connection",
              gl::Framebuffer::ReadsTopRowFirst() ? "top row first" : "and turned over");
  if (!composited()) TellAboutHardEdges();
  return {gpu_, gpu_, gl::kGlShaderExtension};
}

void X11Presenter::ReadFrame() {
  framebuffer_->ReadPixels(image_.pixels(), static_cast<std::size_t>(image_.stride()));
}

void X11Presenter::UpdateShape(bool force) {
  const bool input = composited();
  const bool renew = force || input != shapeIsInput_;
  if (renew) {
    // The other shape goes back to the whole window: with a compositor the
    // alpha hides the transparent pixels; without one, the input follows
    // the bounding shape (or is empty, for click-through).
    window_.ClearShape(input ? ShapeKind::kBounding : ShapeKind::kInput);
    if (clickThrough_) window_.SetShape(ShapeKind::kInput, {});
    shownShape_.clear();
    shapeIsInput_ = input;
  }
  // Click-through keeps the input shape empty; only a bounding shape
  // follows the figure.
  if (input && clickThrough_) return;
  AlphaShape& shape = input ? inputShape_ : boundingShape_;
  shape.Begin(image_.width());
  for (std::int32_t y = 0; y < image_.height(); ++y) {
    shape.AddRow(image_.pixels() +
                 static_cast<std::size_t>(y) * static_cast<std::size_t>(image_.stride()));
  }
  shape.Finish();
  // A figure standing still keeps its shape: nothing to send.
  if (!renew && shape.rectangles() == shownShape_) return;
  window_.SetShape(input ? ShapeKind::kInput : ShapeKind::kBounding, shape.rectangles());
  shownShape_ = shape.rectangles();
}

void X11Presenter::PresentFrame(Point destination) {
  // No image to read into when a resize could not allocate one: an error,
  // not a read through a null pointer.
  if (!context_ || !window_.exists() || image_.pixels() == nullptr)
    throw AppException(kEFail, error::kPresent);
  image_.WaitUntilFree();
  Stopwatch watch;
  ReadFrame();
  watch.Lap(costs_.readBack);
  UpdateShape(!hasFrame_);
  watch.Lap(costs_.shape);
  image_.Put(window_.id());
  window_.MoveTo(destination);
  XFlush(display_.get());
  watch.Lap(costs_.put);
  ++costs_.frames;
  hasFrame_ = true;
}

HResult X11Presenter::TestPresent() { return context_ && window_.exists() ? kSOk : kEFail; }

void X11Presenter::ResizeBuffers(std::int32_t width, std::int32_t height) {
  if (!framebuffer_) return;
  std::string error;
  image_.WaitUntilFree();
  if (!framebuffer_->Resize(width, height, &error) || !image_.Allocate(width, height)) return;
  gpu_->SetRenderTargetSize(width, height);
  hasFrame_ = false;
}

void X11Presenter::SetComposited(bool composited) {
  if (composited == composited_) return;
  composited_ = composited;
  if (!visual_.hasAlpha) return;  // an opaque window is always cut out
  // Before the first frame the window stays empty; it takes its shapes then.
  if (hasFrame_) {
    UpdateShape(true);
    Repaint();
  }
  if (!composited) TellAboutHardEdges();
}

void X11Presenter::SetClickThrough(bool on) {
  if (on == clickThrough_) return;
  clickThrough_ = on;
  // Before the first frame the window takes no clicks; it takes its shapes then.
  if (hasFrame_) UpdateShape(true);
  XFlush(display_.get());
}

void X11Presenter::Repaint() {
  if (!hasFrame_) return;
  image_.WaitUntilFree();
  image_.Put(window_.id());
  XFlush(display_.get());
}

}  // namespace brivonel::x11
