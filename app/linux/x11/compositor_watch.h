#pragma once
// Whether a compositing manager runs on the window's screen: one owns the
// selection _NET_WM_CM_S<screen> for as long as it runs. The X fixes
// extension reports every change of owner, so the program can switch
// between per-pixel alpha and a cut-out shape when one starts or stops.
#include <X11/Xlib.h>

#include "app/linux/x11/x11_display.h"

namespace brivonel::x11 {

class CompositorWatch {
 public:
  explicit CompositorWatch(X11Display& display);

  bool composited() const { return composited_; }
  // True when event was a change of the selection's owner; composited()
  // then tells the new state.
  bool HandleEvent(const XEvent& event);

 private:
  bool OwnerExists() const;

  X11Display& display_;
  Atom selection_;
  bool composited_;
};

}  // namespace brivonel::x11
