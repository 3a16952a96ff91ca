#include "render/gl/framebuffer.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>

#include "base/trace.h"
#include "render/multisampling.h"

namespace brivonel::gl {
namespace {

// Mesa's CPU rasterisers and the like.
bool RendersInSoftware() {
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  return renderer != nullptr && NamesSoftwareRenderer(renderer);
}

}  // namespace

Framebuffer::~Framebuffer() { Release(); }

void Framebuffer::Delete(Storage& storage) {
  if (storage.framebuffer != 0) glDeleteFramebuffers(1, &storage.framebuffer);
  if (storage.colour != 0) glDeleteRenderbuffers(1, &storage.colour);
  if (storage.depth != 0) glDeleteRenderbuffers(1, &storage.depth);
  storage = {};
}

void Framebuffer::Release() {
  if (drawn_.framebuffer == 0) return;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  Delete(drawn_);
  Delete(resolved_);
}

bool Framebuffer::Create(Storage& storage, std::int32_t width, std::int32_t height,
                         std::uint32_t samples, bool withDepth) {
  // Errors of earlier calls are not this creation's.
  while (glGetError() != GL_NO_ERROR) {
  }
  const auto count = static_cast<GLsizei>(samples);
  glGenRenderbuffers(1, &storage.colour);
  glBindRenderbuffer(GL_RENDERBUFFER, storage.colour);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, count, GL_RGBA8, width, height);
  if (withDepth) {
    glGenRenderbuffers(1, &storage.depth);
    glBindRenderbuffer(GL_RENDERBUFFER, storage.depth);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, count, GL_DEPTH24_STENCIL8, width, height);
  }
  glGenFramebuffers(1, &storage.framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, storage.framebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, storage.colour);
  if (withDepth) {
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              storage.depth);
  }
  const bool complete = glGetError() == GL_NO_ERROR &&
                        glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  if (!complete) Delete(storage);
  return complete;
}

std::uint32_t Framebuffer::SamplesToAsk() const {
  const std::uint32_t wanted = SamplesToUse(wantedSamples_, RendersInSoftware());
  if (wanted <= 1) return 1;
  GLint most = 1;
  glGetIntegerv(GL_MAX_SAMPLES, &most);
  return std::clamp<std::uint32_t>(wanted, 1, static_cast<std::uint32_t>(std::max(most, 1)));
}

bool Framebuffer::Resize(std::int32_t width, std::int32_t height, std::string* error) {
  if (width <= 0 || height <= 0) {
    *error = "the picture size must be positive";
    return false;
  }
  Release();
  samples_ = SamplesToAsk();
  if (samples_ > 1 && !(Create(drawn_, width, height, samples_, true) &&
                        Create(resolved_, width, height, 0, false))) {
    TraceFormat("OpenGL refused %u samples per pixel at %dx%d; drawing with one\n", samples_,
                width, height);
    Release();
    samples_ = 1;
  }
  if (samples_ == 1 && !Create(drawn_, width, height, 0, true)) {
    *error = "a framebuffer of " + std::to_string(width) + "x" + std::to_string(height) +
             " pixels cannot be created";
    return false;
  }
  width_ = width;
  height_ = height;
  Bind();
  glViewport(0, 0, width, height);
  return true;
}

bool Framebuffer::HasClipControl() {
  return epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control");
}

bool Framebuffer::TopRowFirst() {
  if (!HasClipControl()) return false;
  GLint origin = GL_LOWER_LEFT;
  glGetIntegerv(GL_CLIP_ORIGIN, &origin);
  return origin == GL_UPPER_LEFT;
}

void Framebuffer::Bind() const { glBindFramebuffer(GL_FRAMEBUFFER, drawn_.framebuffer); }

void Framebuffer::ResolveForReading() const {
  if (samples_ == 1) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, drawn_.framebuffer);
    return;
  }
  GLint drawing = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawing);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, drawn_.framebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolved_.framebuffer);
  // A blit between the same sizes averages each pixel's samples. The
  // scissor test would cut it.
  const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
  glDisable(GL_SCISSOR_TEST);
  glBlitFramebuffer(0, 0, width_, height_, 0, 0, width_, height_, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  if (scissor == GL_TRUE) glEnable(GL_SCISSOR_TEST);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawing));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, resolved_.framebuffer);
}

bool Framebuffer::ReadsTopRowFirst() {
  return TopRowFirst() || epoxy_has_gl_extension("GL_MESA_pack_invert");
}

void Framebuffer::ReadPixels(std::uint8_t* topRow, std::size_t stride) const {
  const std::size_t rowBytes = static_cast<std::size_t>(width_) * 4;
  ResolveForReading();
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if (stride != rowBytes) glPixelStorei(GL_PACK_ROW_LENGTH, static_cast<GLint>(stride / 4));
  // OpenGL's rows start at the bottom, unless the clip-control origin is
  // at the top (as the GL device sets it where the driver offers it); Mesa
  // can turn them over while reading.
  const bool topFirst = TopRowFirst();
  const bool invert = !topFirst && epoxy_has_gl_extension("GL_MESA_pack_invert");
  if (invert) glPixelStorei(GL_PACK_INVERT_MESA, GL_TRUE);
  // BGRA is the driver's own order: reading it is about twice as fast as RGBA.
  glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_BYTE, topRow);
  if (invert) glPixelStorei(GL_PACK_INVERT_MESA, GL_FALSE);
  if (stride != rowBytes) glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  if (topFirst || invert || height_ < 2) return;
  for (std::size_t top = 0, bottom = static_cast<std::size_t>(height_) - 1; top < bottom;
       ++top, --bottom)
    std::swap_ranges(topRow + top * stride, topRow + top * stride + rowBytes,
                     topRow + bottom * stride);
}

void Framebuffer::ReadPixels(std::vector<std::uint8_t>& bgra) const {
  const std::size_t rowBytes = static_cast<std::size_t>(width_) * 4;
  bgra.resize(rowBytes * static_cast<std::size_t>(height_));
  ReadPixels(bgra.data(), rowBytes);
}

}  // namespace brivonel::gl
