#pragma once
// OpenGL on the mascot's window through GLX: a framebuffer configuration
// whose X visual has 32 bits with alpha (what a compositing manager needs
// for per-pixel transparency), and an OpenGL 3.3 core context on it.
#include <X11/Xlib.h>
#include <epoxy/glx.h>

#include <memory>
#include <string>

#include "app/linux/x11/x11_display.h"

namespace brivonel::x11 {

struct WindowVisual {
  GLXFBConfig config = nullptr;
  Visual* visual = nullptr;
  int depth = 0;
  // False when the server offers no 32-bit visual: the window is then
  // opaque and only its shape can cut the figure out.
  bool hasAlpha = false;
};

// The visual for the window; false, with *error, when GLX offers no
// true-colour window configuration with 8-bit colour channels at all.
bool ChooseWindowVisual(const X11Display& display, WindowVisual* chosen, std::string* error);

// An OpenGL 3.3 core context made current on window. Destroyed (and
// released) with this object.
class GlxContext {
 public:
  static std::unique_ptr<GlxContext> Create(const X11Display& display, const WindowVisual& visual,
                                            Window window, std::string* error);
  ~GlxContext();
  GlxContext(const GlxContext&) = delete;
  GlxContext& operator=(const GlxContext&) = delete;

 private:
  GlxContext(Display* display, GLXContext context) : display_(display), context_(context) {}
  Display* display_;
  GLXContext context_;
};

}  // namespace brivonel::x11
