#pragma once
// The desktop program on X11: the platform objects and the application
// object, the window, and the main loop that draws paced frames and
// routes the mouse, the menu, the dialogs and suspend/resume.
namespace brivonel::x11 {

// Runs the program with the process's arguments; the exit code (0 also
// when another copy runs or start-up stopped after its error box; 2 for a
// bad command line; 1 when there is no usable display).
int RunDesktopProgram(int argc, char** argv);

}  // namespace brivonel::x11
