#pragma once
// The program's loop: a pending window message is dispatched; otherwise the
// application object updates and renders one frame, and the wait for the
// desktop composition inside the frame paces the loop.
#include <windows.h>

#include "app/desktop_mascot_app.h"

namespace brivonel::win32 {

// While the computer sleeps or wakes nothing is drawn; instead of asking
// the application again at once, the loop waits this long for a message
// (the resume notification is one) before the next turn.
constexpr DWORD kAsleepWaitMilliseconds = 100;

// Runs until the quit message, or until a frame fails (its box has been
// shown then). Returns the parameter of the last message retrieved.
WPARAM RunMessageLoop(DesktopMascotApp& app);

}  // namespace brivonel::win32
