#pragma once
// Where the mouse pointer is on the screen, wherever it is (not only over
// the mascot): the head that follows it asks once a frame.
#include "app/platform/window_geometry.h"

namespace brivonel {

class IPointer {
 public:
  virtual ~IPointer() = default;
  // The pointer's position in screen pixels; false when the platform
  // cannot tell (on a screen the program does not see).
  virtual bool ScreenPosition(Point& screen) = 0;
};

}  // namespace brivonel
