#include "app/windows/desktop/cursor_pointer.h"

namespace brivonel::win32 {

bool CursorPointer::ScreenPosition(Point& screen) {
  POINT cursor{};
  // Fails on a desktop the program cannot read (a secure desktop, a locked
  // session).
  if (!GetCursorPos(&cursor)) return false;
  screen = {cursor.x, cursor.y};
  return true;
}

}  // namespace brivonel::win32
