// brivonel: the desktop mascot on an X11 desktop.
#include "app/linux/x11/desktop_program.h"

int main(int argc, char** argv) { return brivonel::x11::RunDesktopProgram(argc, argv); }
