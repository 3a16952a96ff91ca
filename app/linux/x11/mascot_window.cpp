#include "app/linux/x11/mascot_window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/shape.h>
#include <unistd.h>

#include <climits>

namespace brivonel::x11 {
namespace {

// The Motif hints that window managers read for decorations: flags say
// that the decorations field is set, and it asks for none.
struct MotifHints {
  unsigned long flags = 2;  // MWM_HINTS_DECORATIONS
  unsigned long functions = 0;
  unsigned long decorations = 0;
  long inputMode = 0;
  unsigned long status = 0;
};

int ShapeOf(ShapeKind kind) { return kind == ShapeKind::kBounding ? ShapeBounding : ShapeInput; }

}  // namespace

MascotWindow::~MascotWindow() {
  if (window_ != 0) XDestroyWindow(display_.get(), window_);
  if (colormap_ != 0) XFreeColormap(display_.get(), colormap_);
  XFlush(display_.get());
}

bool MascotWindow::Create(const WindowVisual& visual, const Rect& rect, const std::string& title,
                          std::string* error) {
  Display* x = display_.get();
  width_ = rect.right - rect.left;
  height_ = rect.bottom - rect.top;
  if (width_ <= 0 || height_ <= 0) {
    *error = "the work area is empty";
    return false;
  }
  colormap_ = XCreateColormap(x, display_.root(), visual.visual, AllocNone);
  XSetWindowAttributes attributes{};
  attributes.colormap = colormap_;
  attributes.border_pixel = 0;
  // No background: the server must not clear what the frames put there.
  attributes.background_pixmap = None;
  attributes.event_mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                          ExposureMask | StructureNotifyMask;
  // The standard arrow over the figure (an X server's own default is a cross).
  attributes.cursor = XCreateFontCursor(x, XC_left_ptr);
  window_ = XCreateWindow(x, display_.root(), rect.left, rect.top,
                          static_cast<unsigned>(width_), static_cast<unsigned>(height_), 0,
                          visual.depth, InputOutput, visual.visual,
                          CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask | CWCursor,
                          &attributes);
  XFreeCursor(x, attributes.cursor);
  display_.Sync();
  if (window_ == 0) {
    *error = "the X server refused the window";
    return false;
  }
  requested_ = origin_ = {rect.left, rect.top};
  SetHints(rect, title);
  if (display_.hasShape) {
    XShapeCombineRectangles(x, window_, ShapeBounding, 0, 0, nullptr, 0, ShapeSet, YXBanded);
  }
  return true;
}

void MascotWindow::SetHints(const Rect& rect, const std::string& title) {
  Display* x = display_.get();
  const auto bytes = [](const std::string& text) {
    return reinterpret_cast<const unsigned char*>(text.data());
  };
  // Title: the UTF-8 one for current window managers, WM_NAME for the rest
  // (the title is ASCII).
  XStoreName(x, window_, title.c_str());
  XChangeProperty(x, window_, display_.Intern("_NET_WM_NAME"), display_.Intern("UTF8_STRING"), 8,
                  PropModeReplace, bytes(title), static_cast<int>(title.size()));

  XClassHint classHint{};
  char instanceName[] = "brivonel";
  char className[] = "Brivonel";
  classHint.res_name = instanceName;
  classHint.res_class = className;
  XSetClassHint(x, window_, &classHint);

  SetSizeHints(rect);
  // The mascot never takes the keyboard focus from the user's work.
  XWMHints* hints = XAllocWMHints();
  hints->flags = InputHint | StateHint;
  hints->input = False;
  hints->initial_state = NormalState;
  XSetWMHints(x, window_, hints);
  XFree(hints);

  Atom deleteWindow = display_.Intern("WM_DELETE_WINDOW");
  XSetWMProtocols(x, window_, &deleteWindow, 1);

  MotifHints motif;
  XChangeProperty(x, window_, display_.Intern("_MOTIF_WM_HINTS"),
                  display_.Intern("_MOTIF_WM_HINTS"), 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&motif), 5);

  const Atom states[] = {display_.Intern("_NET_WM_STATE_ABOVE"),
                         display_.Intern("_NET_WM_STATE_SKIP_TASKBAR"),
                         display_.Intern("_NET_WM_STATE_SKIP_PAGER")};
  XChangeProperty(x, window_, display_.Intern("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(states), 3);

  const long pid = ::getpid();
  XChangeProperty(x, window_, display_.Intern("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  char host[HOST_NAME_MAX + 1] = {};
  if (::gethostname(host, sizeof host - 1) == 0) {
    XTextProperty machine{};
    char* list[] = {host};
    if (XStringListToTextProperty(list, 1, &machine) != 0) {
      XSetWMClientMachine(x, window_, &machine);
      XFree(machine.value);
    }
  }
}

void MascotWindow::SetSizeHints(const Rect& rect) {
  // Placed where the program puts it, at a size the user cannot change (the
  // program changes it on another monitor).
  XSizeHints* size = XAllocSizeHints();
  size->flags = USPosition | PPosition | PSize | PMinSize | PMaxSize;
  size->x = rect.left;
  size->y = rect.top;
  size->width = size->min_width = size->max_width = rect.right - rect.left;
  size->height = size->min_height = size->max_height = rect.bottom - rect.top;
  XSetWMNormalHints(display_.get(), window_, size);
  XFree(size);
}

void MascotWindow::MoveResize(const Rect& rect) {
  if (window_ == 0 || rect.right <= rect.left || rect.bottom <= rect.top) return;
  SetSizeHints(rect);
  XMoveResizeWindow(display_.get(), window_, rect.left, rect.top,
                    static_cast<unsigned>(rect.right - rect.left),
                    static_cast<unsigned>(rect.bottom - rect.top));
  XFlush(display_.get());
  requested_ = origin_ = {rect.left, rect.top};
  width_ = rect.right - rect.left;
  height_ = rect.bottom - rect.top;
}

void MascotWindow::Map() {
  if (window_ == 0 || mapped_) return;
  XMapWindow(display_.get(), window_);
  XFlush(display_.get());
  mapped_ = true;
}

void MascotWindow::Unmap() {
  if (window_ == 0 || !mapped_) return;
  XUnmapWindow(display_.get(), window_);
  XFlush(display_.get());
  mapped_ = false;
}

void MascotWindow::Raise() {
  if (window_ == 0) return;
  XRaiseWindow(display_.get(), window_);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window_;
  event.xclient.message_type = display_.Intern("_NET_ACTIVE_WINDOW");
  event.xclient.format = 32;
  event.xclient.data.l[0] = 2;  // from a pager: the user asked for it
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_.get(), display_.root(), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XFlush(display_.get());
}

void MascotWindow::MoveTo(Point topLeft) {
  if (window_ == 0 || topLeft == requested_) return;
  XMoveWindow(display_.get(), window_, topLeft.x, topLeft.y);
  requested_ = origin_ = topLeft;
}

void MascotWindow::NoteEventPosition(int rootX, int rootY, int x, int y) {
  origin_ = {rootX - x, rootY - y};
}

void MascotWindow::NoteConfigure(const XConfigureEvent& event) {
  // Only a window manager's synthetic notification is in root coordinates;
  // a real one is relative to the parent, which may be a frame.
  if (event.send_event) origin_ = {event.x, event.y};
  width_ = event.width;
  height_ = event.height;
}

void MascotWindow::NoteReparent(const XReparentEvent& event) {
  tightFrame_ = 0;
  if (event.parent == display_.root() || event.x != 0 || event.y != 0) return;
  // A frame with decorations is larger than the window: it keeps its shape.
  Window root = 0;
  int x = 0;
  int y = 0;
  unsigned width = 0;
  unsigned height = 0;
  unsigned border = 0;
  unsigned depth = 0;
  if (XGetGeometry(display_.get(), event.parent, &root, &x, &y, &width, &height, &border,
                   &depth) != 0 &&
      width == static_cast<unsigned>(width_) && height == static_cast<unsigned>(height_)) {
    tightFrame_ = event.parent;
  }
}

void MascotWindow::SetShape(ShapeKind kind, const std::vector<ShapeRect>& rectangles) {
  if (window_ == 0 || !display_.hasShape) return;
  static_assert(sizeof(XRectangle) == 8);
  // The list is kept from call to call: a dancing figure changes its shape
  // every frame.
  std::vector<XRectangle>& xRectangles = xRectangles_;
  xRectangles.clear();
  for (const ShapeRect& r : rectangles) {
    xRectangles.push_back({static_cast<short>(r.x), static_cast<short>(r.y),
                           static_cast<unsigned short>(r.width),
                           static_cast<unsigned short>(r.height)});
  }
  XShapeCombineRectangles(display_.get(), window_, ShapeOf(kind), 0, 0, xRectangles.data(),
                          static_cast<int>(xRectangles.size()), ShapeSet, YXBanded);
  // The frame takes the clicks the window lets through unless its input
  // shape is the window's too.
  if (tightFrame_ != 0) {
    XShapeCombineRectangles(display_.get(), tightFrame_, ShapeOf(kind), 0, 0, xRectangles.data(),
                            static_cast<int>(xRectangles.size()), ShapeSet, YXBanded);
  }
}

void MascotWindow::ClearShape(ShapeKind kind) {
  if (window_ == 0 || !display_.hasShape) return;
  XShapeCombineMask(display_.get(), window_, ShapeOf(kind), 0, 0, None, ShapeSet);
  if (tightFrame_ != 0) {
    XShapeCombineMask(display_.get(), tightFrame_, ShapeOf(kind), 0, 0, None, ShapeSet);
  }
}

Point MascotWindow::ClientToScreen(Point client) {
  return {client.x + origin_.x, client.y + origin_.y};
}

Rect MascotWindow::WindowRect() {
  return {origin_.x, origin_.y, origin_.x + width_, origin_.y + height_};
}

void MascotWindow::CaptureMouse() {
  if (window_ == 0) return;
  XGrabPointer(display_.get(), window_, False,
               ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
               GrabModeAsync, None, None, CurrentTime);
}

void MascotWindow::ReleaseMouse() {
  XUngrabPointer(display_.get(), CurrentTime);
  XFlush(display_.get());
}

}  // namespace brivonel::x11
