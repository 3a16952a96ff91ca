#include "app/linux/x11/glib_sources.h"

#include <glib.h>

namespace brivonel::x11 {

struct XEventSource::Source {
  GSource base;
  Display* display;
  std::function<void(XEvent&)>* handler;
  gpointer fdTag;
};

namespace {

// Xlib may have read events into its queue already (while waiting for a
// reply), so the socket alone does not tell whether events are waiting.
gboolean XPrepare(GSource* base, gint* timeout) {
  *timeout = -1;
  return XPending(reinterpret_cast<XEventSource::Source*>(base)->display) > 0;
}

gboolean XCheck(GSource* base) {
  return XPending(reinterpret_cast<XEventSource::Source*>(base)->display) > 0;
}

gboolean XDispatch(GSource* base, GSourceFunc, gpointer) {
  auto* source = reinterpret_cast<XEventSource::Source*>(base);
  while (XPending(source->display) > 0) {
    XEvent event;
    XNextEvent(source->display, &event);
    (*source->handler)(event);
  }
  return G_SOURCE_CONTINUE;
}

GSourceFuncs xFuncs = {XPrepare, XCheck, XDispatch, nullptr, nullptr, nullptr};

gboolean TimerDispatch(GSource* base, GSourceFunc, gpointer);
GSourceFuncs timerFuncs = {nullptr, nullptr, TimerDispatch, nullptr, nullptr, nullptr};

}  // namespace

XEventSource::XEventSource(Display* display, std::function<void(XEvent&)> handler) {
  source_ = reinterpret_cast<Source*>(g_source_new(&xFuncs, sizeof(Source)));
  source_->display = display;
  source_->handler = new std::function<void(XEvent&)>(std::move(handler));
  source_->fdTag = g_source_add_unix_fd(&source_->base, ConnectionNumber(display), G_IO_IN);
  g_source_attach(&source_->base, nullptr);
}

XEventSource::~XEventSource() {
  g_source_destroy(&source_->base);
  delete source_->handler;
  g_source_unref(&source_->base);
}

struct FrameTimer::Source {
  GSource base;
  std::function<void()>* onDue;
};

namespace {
gboolean TimerDispatch(GSource* base, GSourceFunc, gpointer) {
  auto* source = reinterpret_cast<FrameTimer::Source*>(base);
  g_source_set_ready_time(base, -1);  // once per arming
  (*source->onDue)();
  return G_SOURCE_CONTINUE;
}
}  // namespace

FrameTimer::FrameTimer(std::function<void()> onDue) {
  source_ = reinterpret_cast<Source*>(g_source_new(&timerFuncs, sizeof(Source)));
  source_->onDue = new std::function<void()>(std::move(onDue));
  g_source_set_ready_time(&source_->base, -1);
  g_source_attach(&source_->base, nullptr);
}

FrameTimer::~FrameTimer() {
  g_source_destroy(&source_->base);
  delete source_->onDue;
  g_source_unref(&source_->base);
}

void FrameTimer::Arm(std::int64_t due) { g_source_set_ready_time(&source_->base, due); }
void FrameTimer::Disarm() { g_source_set_ready_time(&source_->base, -1); }
bool FrameTimer::armed() const { return g_source_get_ready_time(&source_->base) >= 0; }

}  // namespace brivonel::x11
