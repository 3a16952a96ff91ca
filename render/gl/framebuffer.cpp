#include "render/gl/framebuffer.h"

#include <epoxy/gl.h>

#include <algorithm>

namespace brivonel::gl {

Framebuffer::~Framebuffer() { Release(); }

void Framebuffer::Release() {
  if (framebuffer_ == 0) return;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &framebuffer_);
  glDeleteRenderbuffers(1, &colour_);
  glDeleteRenderbuffers(1, &depth_);
  framebuffer_ = colour_ = depth_ = 0;
}

bool Framebuffer::Resize(std::int32_t width, std::int32_t height, std::string* error) {
  if (width <= 0 || height <= 0) {
    *error = "the picture size must be positive";
    return false;
  }
  Release();
  glGenRenderbuffers(1, &colour_);
  glBindRenderbuffer(GL_RENDERBUFFER, colour_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  glGenRenderbuffers(1, &depth_);
  glBindRenderbuffer(GL_RENDERBUFFER, depth_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
  glGenFramebuffers(1, &framebuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                            depth_);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    *error = "a framebuffer of " + std::to_string(width) + "x" + std::to_string(height) +
             " pixels cannot be created";
    Release();
    return false;
  }
  width_ = width;
  height_ = height;
  glViewport(0, 0, width, height);
  return true;
}

void Framebuffer::Bind() const { glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_); }

void Framebuffer::ReadPixels(std::vector<std::uint8_t>& bgra) const {
  const std::size_t rowBytes = static_cast<std::size_t>(width_) * 4;
  bgra.resize(rowBytes * static_cast<std::size_t>(height_));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  // BGRA is the driver's own order: reading it is about twice as fast as RGBA.
  glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_BYTE, bgra.data());
  // OpenGL's rows start at the bottom.
  for (std::size_t top = 0, bottom = static_cast<std::size_t>(height_) - 1; top < bottom;
       ++top, --bottom)
    std::swap_ranges(bgra.begin() + static_cast<std::ptrdiff_t>(top * rowBytes),
                     bgra.begin() + static_cast<std::ptrdiff_t>((top + 1) * rowBytes),
                     bgra.begin() + static_cast<std::ptrdiff_t>(bottom * rowBytes));
}

}  // namespace brivonel::gl
