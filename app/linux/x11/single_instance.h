#pragma once
// One mascot per display. The running copy owns an X selection named after
// the program; a copy that finds it owned asks the running copy to bring
// its figure into view (a message to the selection's owner) and ends. The server drops the ownership when the owner's connection
// closes, so a crashed copy never blocks the next start.
#include <X11/Xlib.h>

#include <memory>

#include "app/linux/x11/x11_display.h"

namespace brivonel::x11 {

class SingleInstance {
 public:
  // Ownership for this process, or null when another copy has it.
  static std::unique_ptr<SingleInstance> Claim(X11Display& display);
  // Asks the copy that owns the selection to bring its figure into view;
  // false when no copy owns it.
  static bool Summon(X11Display& display);
  // Whether event is such a request, for this copy.
  bool IsSummons(const XEvent& event) const;
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

 private:
  SingleInstance(X11Display& display, Window owner) : display_(display), owner_(owner) {}
  X11Display& display_;
  Window owner_;
};

}  // namespace brivonel::x11
