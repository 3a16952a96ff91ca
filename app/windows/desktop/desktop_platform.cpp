#include "app/windows/desktop/desktop_platform.h"

namespace brivonel::win32 {

Platform DesktopPlatform::platform() {
  return {clock_,   messageBoxes_, fileDialog_,   menuChecks_, window_,   presenter_,
          strings_, profileStore_,  folders_,      &physics_,   &monitors_,
          &pointer_};
}

void DesktopPlatform::SetInstance(HINSTANCE instance) { strings_.SetInstance(instance); }

void DesktopPlatform::SetWindow(HWND window, HMENU popupMenu) {
  messageBoxes_.SetWindow(window);
  fileDialog_.SetOwner(window);
  menuChecks_.SetMenu(popupMenu);
  window_.SetWindow(window);
  presenter_.SetWindow(window);
  monitors_.SetWindow(window);
}

}  // namespace brivonel::win32
