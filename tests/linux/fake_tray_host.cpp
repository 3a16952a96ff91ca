#include "tests/linux/fake_tray_host.h"

#include <gio/gio.h>

#include <chrono>
#include <condition_variable>

namespace brivonel::test {
namespace {

constexpr char kWatcherXml[] = R"(<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
</node>)";

struct Served {
  FakeTrayHost* host;
  std::mutex* mutex;
  std::vector<std::string>* items;
};

void OnCall(GDBusConnection* connection, const gchar* sender, const gchar*, const gchar*,
            const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
            gpointer data) {
  auto* served = static_cast<Served*>(data);
  if (g_strcmp0(method, "RegisterStatusNotifierItem") == 0) {
    const gchar* service = nullptr;
    g_variant_get(parameters, "(&s)", &service);
    // An item names its object path (on the caller's connection) or a bus name.
    const std::string item = service[0] == '/' ? std::string(sender) + service
                                               : std::string(service) + "/StatusNotifierItem";
    {
      std::lock_guard<std::mutex> lock(*served->mutex);
      served->items->push_back(item);
    }
    g_dbus_connection_emit_signal(connection, nullptr, "/StatusNotifierWatcher",
                                  "org.kde.StatusNotifierWatcher", "StatusNotifierItemRegistered",
                                  g_variant_new("(s)", item.c_str()), nullptr);
  }
  g_dbus_method_invocation_return_value(invocation, nullptr);
}

GVariant* OnGet(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* property,
                GError**, gpointer data) {
  auto* served = static_cast<Served*>(data);
  if (g_strcmp0(property, "IsStatusNotifierHostRegistered") == 0) return g_variant_new_boolean(TRUE);
  if (g_strcmp0(property, "ProtocolVersion") == 0) return g_variant_new_int32(0);
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("as"));
  std::lock_guard<std::mutex> lock(*served->mutex);
  for (const std::string& item : *served->items) g_variant_builder_add(&builder, "s", item.c_str());
  return g_variant_builder_end(&builder);
}

GDBusConnection* Connect(const std::string& address) {
  return g_dbus_connection_new_for_address_sync(
      address.c_str(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, nullptr);
}

}  // namespace

FakeTrayHost::FakeTrayHost(const std::string& busAddress) {
  std::mutex started;
  std::condition_variable startedSignal;
  bool done = false;
  thread_ = std::thread([&, busAddress] {
    context_ = g_main_context_new();
    g_main_context_push_thread_default(context_);
    loop_ = g_main_loop_new(context_, FALSE);
    Serve(busAddress);
    {
      std::lock_guard<std::mutex> lock(started);
      done = true;
    }
    startedSignal.notify_one();
    g_main_loop_run(loop_);
    g_main_context_pop_thread_default(context_);
  });
  std::unique_lock<std::mutex> lock(started);
  startedSignal.wait(lock, [&] { return done; });
  asking_ = Connect(busAddress);
}

void FakeTrayHost::Serve(const std::string& busAddress) {
  serving_ = Connect(busAddress);
  if (serving_ == nullptr) return;
  GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kWatcherXml, nullptr);
  static const GDBusInterfaceVTable vtable = {OnCall, OnGet, nullptr, {}};
  auto* served = new Served{this, &mutex_, &items_};
  g_dbus_connection_register_object(serving_, "/StatusNotifierWatcher", node->interfaces[0],
                                    &vtable, served, [](gpointer p) { delete static_cast<Served*>(p); },
                                    nullptr);
  g_dbus_node_info_unref(node);
  GVariant* reply = g_dbus_connection_call_sync(
      serving_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
      "RequestName", g_variant_new("(su)", "org.kde.StatusNotifierWatcher", 4u),
      G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
  if (reply != nullptr) {
    guint32 result = 0;
    g_variant_get(reply, "(u)", &result);
    ready_ = result == 1;
    g_variant_unref(reply);
  }
}

FakeTrayHost::~FakeTrayHost() {
  if (asking_ != nullptr) g_object_unref(asking_);
  g_main_context_invoke(context_, [](gpointer loop) -> gboolean {
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
    return G_SOURCE_REMOVE;
  }, loop_);
  thread_.join();
  if (serving_ != nullptr) {
    g_dbus_connection_close_sync(serving_, nullptr, nullptr);
    g_object_unref(serving_);
  }
  g_main_loop_unref(loop_);
  g_main_context_unref(context_);
}

std::vector<std::string> FakeTrayHost::Items() {
  std::lock_guard<std::mutex> lock(mutex_);
  return items_;
}

std::optional<std::pair<std::string, std::string>> FakeTrayHost::MenuAddress() {
  const std::vector<std::string> items = Items();
  if (items.empty() || asking_ == nullptr) return std::nullopt;
  const std::size_t slash = items[0].find('/');
  const std::string name = items[0].substr(0, slash);
  const std::string path = items[0].substr(slash);
  GVariant* reply = g_dbus_connection_call_sync(
      asking_, name.c_str(), path.c_str(), "org.freedesktop.DBus.Properties", "Get",
      g_variant_new("(ss)", "org.kde.StatusNotifierItem", "Menu"), G_VARIANT_TYPE("(v)"),
      G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
  if (reply == nullptr) return std::nullopt;
  GVariant* value = nullptr;
  g_variant_get(reply, "(v)", &value);
  std::string menu = g_variant_get_string(value, nullptr);
  g_variant_unref(value);
  g_variant_unref(reply);
  return std::pair{name, menu};
}

std::vector<TrayMenuItem> FakeTrayHost::Menu() {
  std::vector<TrayMenuItem> menu;
  const auto address = MenuAddress();
  if (!address) return menu;
  GVariant* reply = g_dbus_connection_call_sync(
      asking_, address->first.c_str(), address->second.c_str(), "com.canonical.dbusmenu",
      "GetLayout", g_variant_new("(ii@as)", 0, 1, g_variant_new_strv(nullptr, 0)),
      G_VARIANT_TYPE("(u(ia{sv}av))"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
  if (reply == nullptr) return menu;
  GVariant* layout = g_variant_get_child_value(reply, 1);
  GVariant* children = g_variant_get_child_value(layout, 2);
  for (gsize i = 0; i < g_variant_n_children(children); ++i) {
    GVariant* boxed = g_variant_get_child_value(children, i);
    GVariant* child = g_variant_get_variant(boxed);
    TrayMenuItem item;
    GVariant* properties = nullptr;
    g_variant_get(child, "(i@a{sv}av)", &item.id, &properties, nullptr);
    const gchar* text = nullptr;
    if (g_variant_lookup(properties, "label", "&s", &text)) {
      for (const char* c = text; *c != '\0'; ++c) {
        if (*c != '_') item.label += *c;  // the access key's mark
      }
    }
    gboolean visible = TRUE;
    if (g_variant_lookup(properties, "visible", "b", &visible)) item.visible = visible != FALSE;
    const gchar* toggle = nullptr;
    item.checkable = g_variant_lookup(properties, "toggle-type", "&s", &toggle);
    gint32 state = 0;
    if (g_variant_lookup(properties, "toggle-state", "i", &state)) item.checked = state == 1;
    menu.push_back(item);
    g_variant_unref(properties);
    g_variant_unref(child);
    g_variant_unref(boxed);
  }
  g_variant_unref(children);
  g_variant_unref(layout);
  g_variant_unref(reply);
  return menu;
}

std::optional<TrayMenuItem> FakeTrayHost::MenuItem(const std::string& label) {
  for (const TrayMenuItem& item : Menu()) {
    if (item.label == label) return item;
  }
  return std::nullopt;
}

bool FakeTrayHost::Click(const std::string& label) {
  const auto item = MenuItem(label);
  const auto address = MenuAddress();
  if (!item || !address) return false;
  GVariant* reply = g_dbus_connection_call_sync(
      asking_, address->first.c_str(), address->second.c_str(), "com.canonical.dbusmenu", "Event",
      g_variant_new("(isvu)", item->id, "clicked", g_variant_new_int32(0), 0u), nullptr,
      G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
  if (reply == nullptr) return false;
  g_variant_unref(reply);
  return true;
}

}  // namespace brivonel::test
