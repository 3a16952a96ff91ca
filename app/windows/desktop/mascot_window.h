#pragma once
// The one window: borderless, layered, always on top, over the right half
// of the work area; its window procedure routes mouse input, power
// notifications and menu commands to the application object.
#include <windows.h>

#include "app/desktop_mascot_app.h"
#include "app/figure_controls.h"
#include "app/windows/desktop/notify_icon.h"

namespace brivonel::win32 {

// What the window procedure works with; set before the window is made
// (size messages arrive while it is being created).
struct MascotWindowContext {
  DesktopMascotApp* app = nullptr;
  HMENU popupMenu = nullptr;
  HINSTANCE instance = nullptr;
  // Once the program runs: the tray icon and the controls beside it.
  FigureControls* controls = nullptr;
  NotifyIcon* tray = nullptr;
};
void SetMascotWindowContext(const MascotWindowContext& context);
// The tray icon exists now (or still, after a shell restart) or not: the
// click-through item and the controls follow.
void SetTrayControls(FigureControls* controls, NotifyIcon* tray);

// Registers the window class named className and creates the window,
// shown with showCommand. rect receives the window's screen rectangle.
// Null when the window could not be made.
HWND CreateMascotWindow(HINSTANCE instance, int showCommand, const wchar_t* className,
                        RECT& rect);

LRESULT CALLBACK MascotWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The About box's dialog procedure: OK and Cancel close it.
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace brivonel::win32
