#pragma once
// The program's two event sources on GLib's main loop, beside GTK's own:
// the X connection (its file descriptor, plus the events Xlib has already
// read into its queue) and the frame timer (a source that becomes ready at
// a given moment, to the microsecond). While neither is due the process
// sleeps in poll().
#include <X11/Xlib.h>

#include <cstdint>
#include <functional>

typedef struct _GSource GSource;

namespace brivonel::x11 {

class XEventSource {
 public:
  // handler receives each event of display's queue.
  XEventSource(Display* display, std::function<void(XEvent&)> handler);
  ~XEventSource();
  XEventSource(const XEventSource&) = delete;
  XEventSource& operator=(const XEventSource&) = delete;

  struct Source;  // GLib's record of the source with this object's part

 private:
  Source* source_;
};

class FrameTimer {
 public:
  explicit FrameTimer(std::function<void()> onDue);
  ~FrameTimer();
  FrameTimer(const FrameTimer&) = delete;
  FrameTimer& operator=(const FrameTimer&) = delete;

  // Calls onDue once at `due` (microseconds of g_get_monotonic_time, the
  // monotonic clock), or at once when that has passed.
  void Arm(std::int64_t due);
  // No call until armed again.
  void Disarm();
  bool armed() const;

  struct Source;  // GLib's record of the source with this object's part

 private:
  Source* source_;
};

}  // namespace brivonel::x11
