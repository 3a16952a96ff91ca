#include "render/gl/offscreen_context.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace brivonel::gl {

namespace {

std::string EglError(const char* step) {
  char text[96];
  std::snprintf(text, sizeof text, "%s failed (EGL error 0x%04X)", step, eglGetError());
  return text;
}

// The surfaceless display is one per process and stays initialised until
// the process ends: terminating it unloads the driver, and contexts made
// later would pay for loading it again.
EGLDisplay OpenDisplay(std::string* error) {
  static EGLDisplay display = EGL_NO_DISPLAY;
  if (display != EGL_NO_DISPLAY) return display;
  EGLDisplay candidate =
      eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (candidate == EGL_NO_DISPLAY) {
    *error = EglError("opening the surfaceless EGL display");
    return EGL_NO_DISPLAY;
  }
  if (eglInitialize(candidate, nullptr, nullptr) != EGL_TRUE) {
    *error = EglError("initialising EGL");
    return EGL_NO_DISPLAY;
  }
  display = candidate;
  return display;
}

bool HasClientExtension(const char* name) {
  const char* extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  return extensions != nullptr && std::strstr(extensions, name) != nullptr;
}

}  // namespace

std::unique_ptr<OffscreenContext> OffscreenContext::Create(std::int32_t width,
                                                           std::int32_t height,
                                                           std::string* error) {
  if (width <= 0 || height <= 0) {
    *error = "the picture size must be positive";
    return nullptr;
  }
  if (!HasClientExtension("EGL_MESA_platform_surfaceless")) {
    *error = "EGL offers no surfaceless platform (Mesa's EGL is needed)";
    return nullptr;
  }
  std::unique_ptr<OffscreenContext> result(new OffscreenContext);
  EGLDisplay display = OpenDisplay(error);
  if (display == EGL_NO_DISPLAY) return nullptr;
  result->display_ = display;
  if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
    *error = EglError("choosing OpenGL");
    return nullptr;
  }

  EGLConfig config = EGL_NO_CONFIG_KHR;
  if (!epoxy_has_egl_extension(display, "EGL_KHR_no_config_context")) {
    const EGLint wanted[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLint found = 0;
    if (eglChooseConfig(display, wanted, &config, 1, &found) != EGL_TRUE || found == 0) {
      *error = EglError("finding an OpenGL configuration");
      return nullptr;
    }
  }
  // Robust buffer access keeps a bad index from reading outside a buffer;
  // contexts without it are taken when it is not offered.
  for (const bool robust : {true, false}) {
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION_KHR,
                                 3,
                                 EGL_CONTEXT_MINOR_VERSION_KHR,
                                 3,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK_KHR,
                                 EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT_KHR,
                                 EGL_CONTEXT_FLAGS_KHR,
                                 robust ? EGL_CONTEXT_OPENGL_ROBUST_ACCESS_BIT_KHR : 0,
                                 EGL_NONE};
    result->context_ = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
    if (result->context_ != EGL_NO_CONTEXT) break;
  }
  if (result->context_ == EGL_NO_CONTEXT) {
    result->context_ = nullptr;
    *error = EglError("creating an OpenGL 3.3 core context");
    return nullptr;
  }
  if (eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, result->context_) != EGL_TRUE) {
    *error = EglError("making the OpenGL context current");
    return nullptr;
  }

  result->width_ = width;
  result->height_ = height;
  glGenRenderbuffers(1, &result->colour_);
  glBindRenderbuffer(GL_RENDERBUFFER, result->colour_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  glGenRenderbuffers(1, &result->depth_);
  glBindRenderbuffer(GL_RENDERBUFFER, result->depth_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
  glGenFramebuffers(1, &result->framebuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, result->framebuffer_);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                            result->colour_);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                            result->depth_);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    *error = "the offscreen framebuffer of " + std::to_string(width) + "x" +
             std::to_string(height) + " pixels cannot be created";
    return nullptr;
  }
  glViewport(0, 0, width, height);
  return result;
}

OffscreenContext::~OffscreenContext() {
  if (display_ == nullptr) return;
  if (context_ != nullptr) {
    if (framebuffer_ != 0) {
      glBindFramebuffer(GL_FRAMEBUFFER, 0);
      glDeleteFramebuffers(1, &framebuffer_);
      glDeleteRenderbuffers(1, &colour_);
      glDeleteRenderbuffers(1, &depth_);
    }
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display_, context_);
  }
}

void OffscreenContext::ReadPixels(std::vector<std::uint8_t>& bgra) const {
  const std::size_t rowBytes = static_cast<std::size_t>(width_) * 4;
  bgra.resize(rowBytes * static_cast<std::size_t>(height_));
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_BYTE, bgra.data());
  // OpenGL's rows start at the bottom.
  for (std::size_t top = 0, bottom = static_cast<std::size_t>(height_) - 1; top < bottom;
       ++top, --bottom)
    std::swap_ranges(bgra.begin() + static_cast<std::ptrdiff_t>(top * rowBytes),
                     bgra.begin() + static_cast<std::ptrdiff_t>((top + 1) * rowBytes),
                     bgra.begin() + static_cast<std::ptrdiff_t>(bottom * rowBytes));
}

}  // namespace brivonel::gl
