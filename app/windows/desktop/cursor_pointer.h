#pragma once
// The pointer's place on the Windows desktop (GetCursorPos: virtual-screen
// pixels, wherever the pointer is, not only over the mascot).
#include <windows.h>

#include "app/platform/pointer.h"

namespace brivonel::win32 {

class CursorPointer final : public IPointer {
 public:
  bool ScreenPosition(Point& screen) override;
};

}  // namespace brivonel::win32
