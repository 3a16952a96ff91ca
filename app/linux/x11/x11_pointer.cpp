#include "app/linux/x11/x11_pointer.h"

namespace brivonel::x11 {

bool X11Pointer::ScreenPosition(Point& screen) {
  Display* display = display_.get();
  if (display == nullptr) return false;
  Window root = 0;
  Window child = 0;
  int rootX = 0;
  int rootY = 0;
  int windowX = 0;
  int windowY = 0;
  unsigned int buttons = 0;
  // False when the pointer is on another screen of the display.
  if (!XQueryPointer(display, display_.root(), &root, &child, &rootX, &rootY, &windowX,
                     &windowY, &buttons))
    return false;
  screen = {rootX, rootY};
  return true;
}

}  // namespace brivonel::x11
