#pragma once
// The pointer's place on the X screen, asked of the server once a frame
// (XQueryPointer on the root window: wherever the pointer is, not only over
// the mascot's window, whose input shape lets most of the desktop's
// pointer motion pass).
#include "app/platform/pointer.h"
#include "app/linux/x11/x11_display.h"

namespace brivonel::x11 {

class X11Pointer final : public IPointer {
 public:
  explicit X11Pointer(X11Display& display) : display_(display) {}
  bool ScreenPosition(Point& screen) override;

 private:
  X11Display& display_;
};

}  // namespace brivonel::x11
