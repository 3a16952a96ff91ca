#include "app/linux/x11/sleep_watch.h"

#include <gio/gio.h>

#include "base/trace.h"

namespace brivonel::x11 {

SleepWatch::SleepWatch(std::function<void(bool)> onSleep)
    : onSleep_(std::move(onSleep)), cancellable_(g_cancellable_new()) {
  g_bus_get(G_BUS_TYPE_SYSTEM, cancellable_, reinterpret_cast<GAsyncReadyCallback>(OnConnected),
            this);
}

SleepWatch::~SleepWatch() {
  g_cancellable_cancel(cancellable_);
  if (bus_ != nullptr) {
    if (subscription_ != 0) g_dbus_connection_signal_unsubscribe(bus_, subscription_);
    g_object_unref(bus_);
  }
  g_object_unref(cancellable_);
}

void SleepWatch::OnConnected(void*, void* result, void* self) {
  GError* error = nullptr;
  GDBusConnection* bus = g_bus_get_finish(static_cast<GAsyncResult*>(result), &error);
  if (bus == nullptr) {
    // Cancelled (the watch is gone), or no system bus: nothing to watch.
    if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
      TraceFormat("no system bus, suspends go unnoticed: %s\n", error->message);
    }
    g_error_free(error);
    return;
  }
  auto* watch = static_cast<SleepWatch*>(self);
  watch->bus_ = bus;
  watch->subscription_ = g_dbus_connection_signal_subscribe(
      bus, "org.freedesktop.login1", "org.freedesktop.login1.Manager", "PrepareForSleep",
      "/org/freedesktop/login1", nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
      reinterpret_cast<GDBusSignalCallback>(OnSignal), watch, nullptr);
  Trace("watching the system bus for suspend and resume\n");
}

void SleepWatch::OnSignal(GDBusConnection*, const char*, const char*, const char*, const char*,
                          void* parameters, void* self) {
  auto* values = static_cast<GVariant*>(parameters);
  if (!g_variant_is_of_type(values, G_VARIANT_TYPE("(b)"))) return;
  gboolean sleeping = FALSE;
  g_variant_get(values, "(b)", &sleeping);
  static_cast<SleepWatch*>(self)->onSleep_(sleeping != FALSE);
}

}  // namespace brivonel::x11
