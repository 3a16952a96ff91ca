#include "app/linux/x11/glx_context.h"

#include <X11/Xutil.h>

namespace brivonel::x11 {

bool ChooseWindowVisual(const X11Display& display, WindowVisual* chosen, std::string* error) {
  Display* x = display.get();
  int major = 0;
  int minor = 0;
  if (glXQueryVersion(x, &major, &minor) != True || major < 1 || (major == 1 && minor < 3)) {
    *error = "the X server offers no GLX 1.3";
    return false;
  }
  const int wanted[] = {GLX_X_RENDERABLE, True,
                        GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT,
                        GLX_RENDER_TYPE, GLX_RGBA_BIT,
                        GLX_X_VISUAL_TYPE, GLX_TRUE_COLOR,
                        GLX_RED_SIZE, 8,
                        GLX_GREEN_SIZE, 8,
                        GLX_BLUE_SIZE, 8,
                        None};
  int count = 0;
  GLXFBConfig* configs = glXChooseFBConfig(x, display.screen(), wanted, &count);
  WindowVisual best;
  for (int i = 0; i < count && !best.hasAlpha; ++i) {
    XVisualInfo* info = glXGetVisualFromFBConfig(x, configs[i]);
    if (info == nullptr) continue;
    // A 32-bit visual whose colour masks leave the top byte free carries
    // alpha for the compositor.
    const unsigned long colour = info->red_mask | info->green_mask | info->blue_mask;
    const bool argb = info->depth == 32 && colour == 0x00FFFFFFul;
    if (argb || (best.config == nullptr && info->depth == 24)) {
      best = {configs[i], info->visual, info->depth, argb};
    }
    XFree(info);
  }
  if (configs != nullptr) XFree(configs);
  if (best.config == nullptr) {
    *error = "GLX offers no true-colour window configuration";
    return false;
  }
  *chosen = best;
  return true;
}

std::unique_ptr<GlxContext> GlxContext::Create(const X11Display& display,
                                               const WindowVisual& visual, Window window,
                                               std::string* error) {
  Display* x = display.get();
  if (!epoxy_has_glx_extension(x, display.screen(), "GLX_ARB_create_context_profile")) {
    *error = "GLX cannot create OpenGL core contexts (GLX_ARB_create_context_profile)";
    return nullptr;
  }
  const int attributes[] = {GLX_CONTEXT_MAJOR_VERSION_ARB, 3,
                            GLX_CONTEXT_MINOR_VERSION_ARB, 3,
                            GLX_CONTEXT_PROFILE_MASK_ARB, GLX_CONTEXT_CORE_PROFILE_BIT_ARB,
                            None};
  GLXContext context = glXCreateContextAttribsARB(x, visual.config, nullptr, True, attributes);
  display.Sync();  // a refused context arrives as an X error
  if (context == nullptr) {
    *error = "GLX refused an OpenGL 3.3 core context";
    return nullptr;
  }
  std::unique_ptr<GlxContext> result(new GlxContext(x, context));
  if (glXMakeCurrent(x, window, context) != True) {
    *error = "the OpenGL context cannot be made current on the window";
    return nullptr;
  }
  return result;
}

GlxContext::~GlxContext() {
  glXMakeCurrent(display_, None, nullptr);
  glXDestroyContext(display_, context_);
}

}  // namespace brivonel::x11
