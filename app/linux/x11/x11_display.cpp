#include "app/linux/x11/x11_display.h"

#include <X11/extensions/XShm.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/trace.h"

namespace brivonel::x11 {
namespace {

// Xlib has one error handler for the whole process. Errors on our
// connections are counted (a window that vanished under a request is not a
// reason to end the program); the rest go to the handler that was there
// before, which is GTK's for its own connection.
XErrorHandler previousHandler = nullptr;
std::vector<std::pair<Display*, unsigned long>> ourDisplays;

int CountError(Display* display, XErrorEvent* event) {
  for (auto& [ours, count] : ourDisplays) {
    if (ours != display) continue;
    ++count;
    if (TraceEnabled()) {
      char text[128];
      XGetErrorText(display, event->error_code, text, sizeof text);
      TraceFormat("X error: %s (request %d.%d)\n", text, event->request_code, event->minor_code);
    }
    return 0;
  }
  return previousHandler != nullptr ? previousHandler(display, event) : 0;
}

// The connection is gone (the X server ended or crashed): Xlib cannot go
// on with any connection of the process, GTK's included. One line says so
// instead of Xlib's and GDK's several, and the process ends at once: there
// is nothing to close on a server that is gone, and the settings were
// written when they changed.
int ServerGone(Display* display) {
  const char* name = DisplayString(display);
  std::fprintf(stderr, "brivonel: the X server of display %s went away; the program ends\n",
               name != nullptr ? name : "");
  std::fflush(stderr);
  std::_Exit(1);
}

}  // namespace

std::unique_ptr<X11Display> X11Display::Open(std::string* error) {
  std::unique_ptr<X11Display> result(new X11Display);
  const char* name = XDisplayName(nullptr);
  result->name_ = name != nullptr ? name : "";
  result->display_ = XOpenDisplay(nullptr);
  if (result->display_ == nullptr) {
    *error = result->name_.empty() ? "no display (DISPLAY is not set)"
                                   : "cannot open the display " + result->name_;
    return nullptr;
  }
  Display* display = result->display_;
  if (ourDisplays.empty()) {
    XErrorHandler previous = XSetErrorHandler(CountError);
    if (previous != CountError) previousHandler = previous;
    // After GTK's own (set when it opened its display), so this one serves both.
    XSetIOErrorHandler(ServerGone);
  }
  ourDisplays.emplace_back(display, 0);
  result->screen_ = DefaultScreen(display);
  result->root_ = RootWindow(display, result->screen_);

  int eventBase = 0;
  int errorBase = 0;
  result->hasShape = XShapeQueryExtension(display, &eventBase, &errorBase) == True;
  result->hasXFixes = XFixesQueryExtension(display, &result->xfixesEventBase, &errorBase) == True;
  if (result->hasXFixes) {
    int major = 5;
    int minor = 0;
    XFixesQueryVersion(display, &major, &minor);
  }
  result->hasShm = XShmQueryExtension(display) == True;
  if (result->hasShm) result->shmCompletionEvent = XShmGetEventBase(display) + ShmCompletion;
  result->hasRandr = XRRQueryExtension(display, &eventBase, &errorBase) == True;
  // The server answers a request by the version the client said it speaks:
  // monitors (RandR 1.5) only after that is said.
  int major = 0;
  int minor = 0;
  if (result->hasRandr) XRRQueryVersion(display, &major, &minor);
  return result;
}

X11Display::~X11Display() {
  if (display_ == nullptr) return;
  XCloseDisplay(display_);
  std::erase_if(ourDisplays, [&](const auto& entry) { return entry.first == display_; });
}

unsigned long X11Display::errorCount() const {
  for (const auto& [ours, count] : ourDisplays) {
    if (ours == display_) return count;
  }
  return 0;
}

}  // namespace brivonel::x11
