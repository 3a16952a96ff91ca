#pragma once
// The desktop program's own connection to the X server (GTK keeps one of
// its own): the mascot's window, its OpenGL context, its shapes and frames,
// and the selections it watches all go through this one.
#include <X11/Xlib.h>

#include <memory>
#include <string>

namespace brivonel::x11 {

class X11Display {
 public:
  // Connects to $DISPLAY; null, with *error saying why, when it cannot.
  static std::unique_ptr<X11Display> Open(std::string* error);
  ~X11Display();
  X11Display(const X11Display&) = delete;
  X11Display& operator=(const X11Display&) = delete;

  Display* get() const { return display_; }
  int screen() const { return screen_; }
  Window root() const { return root_; }
  int fd() const { return ConnectionNumber(display_); }
  const std::string& name() const { return name_; }

  Atom Intern(const char* name) const { return XInternAtom(display_, name, False); }

  // Extensions the program uses, with their event numbers.
  bool hasShape = false;
  bool hasXFixes = false;
  int xfixesEventBase = 0;
  bool hasShm = false;
  int shmCompletionEvent = 0;
  bool hasRandr = false;

  // X errors on this connection are counted here instead of ending the
  // process (Xlib's default). Sync() first to see the errors of past calls.
  unsigned long errorCount() const;
  void Sync() const { XSync(display_, False); }

 private:
  X11Display() = default;

  Display* display_ = nullptr;
  int screen_ = 0;
  Window root_ = 0;
  std::string name_;
};

}  // namespace brivonel::x11
