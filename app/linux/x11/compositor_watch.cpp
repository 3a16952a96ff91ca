#include "app/linux/x11/compositor_watch.h"

#include <X11/extensions/Xfixes.h>

#include <string>

namespace brivonel::x11 {

CompositorWatch::CompositorWatch(X11Display& display)
    : display_(display),
      selection_(display.Intern(("_NET_WM_CM_S" + std::to_string(display.screen())).c_str())) {
  if (display_.hasXFixes) {
    XFixesSelectSelectionInput(display_.get(), display_.root(), selection_,
                               XFixesSetSelectionOwnerNotifyMask |
                                   XFixesSelectionWindowDestroyNotifyMask |
                                   XFixesSelectionClientCloseNotifyMask);
  }
  composited_ = OwnerExists();
}

bool CompositorWatch::OwnerExists() const {
  return XGetSelectionOwner(display_.get(), selection_) != None;
}

bool CompositorWatch::HandleEvent(const XEvent& event) {
  if (!display_.hasXFixes || event.type != display_.xfixesEventBase + XFixesSelectionNotify) {
    return false;
  }
  const auto& notify = reinterpret_cast<const XFixesSelectionNotifyEvent&>(event);
  if (notify.selection != selection_) return false;
  composited_ = notify.subtype == XFixesSetSelectionOwnerNotify && notify.owner != None;
  return true;
}

}  // namespace brivonel::x11
