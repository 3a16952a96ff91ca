#pragma once
// An OpenGL 3.3 core context without any display (EGL on Mesa's surfaceless
// platform) drawing into a framebuffer of its own: 8-bit colour with alpha,
// 24-bit depth and 8-bit stencil, optionally multisampled. Used by the
// snapshot tool, the tests and the benchmarks.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "render/gl/framebuffer.h"

namespace brivonel::gl {

class OffscreenContext {
 public:
  // Creates the context, makes it current on this thread and binds a
  // width x height framebuffer of `samples` samples per pixel (fewer when
  // the driver refuses them) for drawing. On failure returns null and
  // describes the failure in *error.
  static std::unique_ptr<OffscreenContext> Create(std::int32_t width, std::int32_t height,
                                                  std::string* error, std::uint32_t samples = 1);
  ~OffscreenContext();
  OffscreenContext(const OffscreenContext&) = delete;
  OffscreenContext& operator=(const OffscreenContext&) = delete;

  std::int32_t width() const { return framebuffer_->width(); }
  std::int32_t height() const { return framebuffer_->height(); }
  std::uint32_t samples() const { return framebuffer_->samples(); }

  // Gives the framebuffer a new size (its content is lost). False, with
  // *error saying why, when the driver refuses it.
  bool Resize(std::int32_t width, std::int32_t height, std::string* error);

  // The framebuffer's pixels as drawn (premultiplied alpha, samples
  // averaged), four bytes per pixel in the order blue, green, red, alpha,
  // top row first.
  void ReadPixels(std::vector<std::uint8_t>& bgra) const;

 private:
  OffscreenContext() = default;

  void* display_ = nullptr;
  void* context_ = nullptr;
  std::unique_ptr<Framebuffer> framebuffer_;
};

}  // namespace brivonel::gl
