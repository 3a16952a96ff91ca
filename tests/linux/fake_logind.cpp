// brivonel-test-logind true|false: says on the system bus what logind says
// before a suspend (true) and after the resume (false): it takes logind's
// name, sends PrepareForSleep and ends. The bus is the one in
// DBUS_SYSTEM_BUS_ADDRESS (a test's private bus).
#include <gio/gio.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 2 || (std::strcmp(argv[1], "true") != 0 && std::strcmp(argv[1], "false") != 0)) {
    std::fprintf(stderr, "usage: brivonel-test-logind true|false\n");
    return 2;
  }
  GError* error = nullptr;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
  if (bus == nullptr) {
    std::fprintf(stderr, "brivonel-test-logind: %s\n", error->message);
    return 1;
  }
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
      g_variant_new("(su)", "org.freedesktop.login1", 4u /* do not queue */), G_VARIANT_TYPE("(u)"),
      G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &error);
  guint32 result = 0;
  if (reply != nullptr) {
    g_variant_get(reply, "(u)", &result);
    g_variant_unref(reply);
  }
  if (result != 1 /* primary owner */) {
    std::fprintf(stderr, "brivonel-test-logind: cannot take org.freedesktop.login1\n");
    return 1;
  }
  const gboolean sleeping = std::strcmp(argv[1], "true") == 0;
  if (!g_dbus_connection_emit_signal(bus, nullptr, "/org/freedesktop/login1",
                                     "org.freedesktop.login1.Manager", "PrepareForSleep",
                                     g_variant_new("(b)", sleeping), &error) ||
      !g_dbus_connection_flush_sync(bus, nullptr, &error)) {
    std::fprintf(stderr, "brivonel-test-logind: %s\n", error->message);
    return 1;
  }
  g_object_unref(bus);
  return 0;
}
