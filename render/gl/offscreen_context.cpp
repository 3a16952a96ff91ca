#include "render/gl/offscreen_context.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

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
                                                           std::string* error,
                                                           std::uint32_t samples) {
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

  result->framebuffer_ = std::make_unique<Framebuffer>(samples);
  if (!result->framebuffer_->Resize(width, height, error)) return nullptr;
  return result;
}

bool OffscreenContext::Resize(std::int32_t width, std::int32_t height, std::string* error) {
  return framebuffer_->Resize(width, height, error);
}

OffscreenContext::~OffscreenContext() {
  if (display_ == nullptr) return;
  if (context_ != nullptr) {
    framebuffer_.reset();  // its objects go while the context is current
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display_, context_);
  }
}

void OffscreenContext::ReadPixels(std::vector<std::uint8_t>& bgra) const {
  framebuffer_->ReadPixels(bgra);
}

}  // namespace brivonel::gl
