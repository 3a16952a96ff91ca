#pragma once
// What both platform fronts do the same way around the application object:
// the window's place, the menu commands, the power notifications, one idle
// turn of the message loop and the process's exit code.
#include <cstdint>

#include "app/desktop_mascot_app.h"
#include "app/platform/window_geometry.h"

namespace brivonel {

// The window covers the right half of the work area: width W x 0.5 in single
// precision, truncated; height H; at x = W - width, y = 0 (measured from 0,
// not from the work area's left edge).
Rect MascotWindowRect(std::int32_t workAreaWidth, std::int32_t workAreaHeight);

// What the front does for the commands that are its own.
class IShellCommands {
 public:
  virtual ~IShellCommands() = default;
  // The modal About box (dialog 103) owned by the window.
  virtual void ShowAbout() = 0;
  // Destroys the window, which ends the message loop with exit code 0.
  virtual void CloseWindow() = 0;
};

// Runs menu command commandId (from the popup menu or the class menu).
// False when the id is not one of ours; the front then passes the message on
// to its default handling.
bool RunMenuCommand(int commandId, DesktopMascotApp& app, IShellCommands& shell);

// Power notifications: suspend (4) puts the application to sleep, resume
// from suspend (7) wakes it; other events change nothing.
constexpr std::uintptr_t kPowerEventSuspend = 4;
constexpr std::uintptr_t kPowerEventResume = 7;
void OnPowerEvent(DesktopMascotApp& app, std::uintptr_t event);

enum class LoopTurn { kContinue, kEnd };

// One idle turn of the message loop: Update, then Render when Update asked
// for it. An AppException shows its box and ends the loop; any other
// standard exception shows its text and the loop goes on.
LoopTurn RunIdleTurn(DesktopMascotApp& app);

// Exit codes: 0 when start-up stops early (another copy runs, no window, or
// Initialise failed); otherwise the parameter of the last message the loop
// retrieved, which is the quit message's 0 on a normal exit.
constexpr int kEarlyExitCode = 0;
int ExitCodeOfLastMessage(std::uintptr_t wParam);

}  // namespace brivonel
