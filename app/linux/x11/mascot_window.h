#pragma once
// The mascot's X window: borderless, above the other windows, off the
// taskbar and the pager, with a 32-bit visual so that a compositing manager
// can blend it by its alpha. Its shapes say which part of it shows (the
// bounding shape) and which part takes the mouse (the input shape).
#include <X11/Xlib.h>

#include <string>
#include <vector>

#include "app/linux/alpha_shape.h"
#include "app/linux/x11/glx_context.h"
#include "app/linux/x11/x11_display.h"
#include "app/platform/window_geometry.h"

namespace brivonel::x11 {

enum class ShapeKind { kBounding, kInput };

class MascotWindow final : public IWindowGeometry {
 public:
  explicit MascotWindow(X11Display& display) : display_(display) {}
  ~MascotWindow() override;
  MascotWindow(const MascotWindow&) = delete;
  MascotWindow& operator=(const MascotWindow&) = delete;

  // Creates the window at rect (not yet mapped) with its title, class and
  // window-manager hints. It starts with an empty bounding shape, so that
  // nothing shows before the first frame.
  bool Create(const WindowVisual& visual, const Rect& rect, const std::string& title,
              std::string* error);
  void Map();
  void Unmap();
  bool mapped() const { return mapped_; }
  // Above the other windows; a window manager is asked to bring it forward
  // (on another workspace it brings it there or the user there).
  void Raise();

  Window id() const { return window_; }
  bool exists() const { return window_ != 0; }
  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  // The top-left corner last asked for.
  Point position() const { return requested_; }
  void MoveTo(Point topLeft);
  // Moves the window to rect and gives it rect's size (its fixed size in the
  // window manager's hints too).
  void MoveResize(const Rect& rect);

  // A mouse event at client (x, y) and root (rootX, rootY): where the window
  // was when it happened, which is what its coordinates are relative to.
  void NoteEventPosition(int rootX, int rootY, int x, int y);
  // A configure notification (the window manager may have placed or sized
  // it).
  void NoteConfigure(const XConfigureEvent& event);
  // The window manager put the window into a frame of its own (or back on
  // the root window).
  void NoteReparent(const XReparentEvent& event);

  // A bounding shape also goes to a window manager's frame that holds
  // exactly this window: the manager copies the shape over itself, but a
  // frame behind by one frame shows its black background around the
  // figure.
  void SetShape(ShapeKind kind, const std::vector<ShapeRect>& rectangles);
  // Back to the whole window.
  void ClearShape(ShapeKind kind);

  // --- IWindowGeometry ---
  Point ClientToScreen(Point client) override;
  Rect WindowRect() override;
  void CaptureMouse() override;
  void ReleaseMouse() override;
  void ShowWindow() override { Map(); }

 private:
  void SetHints(const Rect& rect, const std::string& title);
  void SetSizeHints(const Rect& rect);

  X11Display& display_;
  Window window_ = 0;
  Colormap colormap_ = 0;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  Point requested_;
  Point origin_;
  bool mapped_ = false;
  Window tightFrame_ = 0;  // a frame of exactly this window's size, at its origin
  std::vector<XRectangle> xRectangles_;  // the last shape sent, as the server takes it
};

}  // namespace brivonel::x11
