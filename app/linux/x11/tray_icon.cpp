#include "app/linux/x11/tray_icon.h"

#include <gio/gio.h>
#include <gtk/gtk.h>
#include <libayatana-appindicator/app-indicator.h>

#include "base/trace.h"

namespace brivonel::x11 {
namespace {

constexpr char kWatcherName[] = "org.kde.StatusNotifierWatcher";

}  // namespace

TrayIcon::TrayIcon(GtkWidget* menu, std::function<void(bool)> present)
    : menu_(menu), presentChanged_(std::move(present)) {
  // Without a watcher the library would put up an old-style status icon
  // after a while; this program shows its icon only where a tray takes
  // notifier items.
  AppIndicatorClass* indicatorClass =
      static_cast<AppIndicatorClass*>(g_type_class_ref(APP_INDICATOR_TYPE));
  indicatorClass->fallback = nullptr;
  g_type_class_unref(indicatorClass);
  watch_ = g_bus_watch_name(G_BUS_TYPE_SESSION, kWatcherName, G_BUS_NAME_WATCHER_FLAGS_NONE,
                            reinterpret_cast<GBusNameAppearedCallback>(OnWatcherAppeared),
                            reinterpret_cast<GBusNameVanishedCallback>(OnWatcherVanished), this,
                            nullptr);
}

TrayIcon::~TrayIcon() {
  g_bus_unwatch_name(watch_);
  if (indicator_ != nullptr) {
    g_signal_handlers_disconnect_by_data(indicator_, this);
    g_object_unref(indicator_);
  }
}

void TrayIcon::OnWatcherAppeared(void*, const char*, const char*, void* self) {
  auto* tray = static_cast<TrayIcon*>(self);
  if (tray->indicator_ != nullptr) return;  // it registers again by itself
  TraceFormat("tray: a StatusNotifierWatcher runs; adding the icon\n");
  tray->indicator_ =
      app_indicator_new("brivonel", "brivonel", APP_INDICATOR_CATEGORY_APPLICATION_STATUS);
  app_indicator_set_title(tray->indicator_, "Brivonel");
  g_signal_connect(tray->indicator_, APP_INDICATOR_SIGNAL_CONNECTION_CHANGED,
                   G_CALLBACK(OnConnectionChanged), tray);
  app_indicator_set_menu(tray->indicator_, GTK_MENU(tray->menu_));
  app_indicator_set_status(tray->indicator_, APP_INDICATOR_STATUS_ACTIVE);
}

void TrayIcon::OnWatcherVanished(void*, const char*, void* self) {
  auto* tray = static_cast<TrayIcon*>(self);
  if (tray->indicator_ == nullptr && !tray->toldAbsent_) {
    tray->toldAbsent_ = true;
    TraceFormat("tray: no StatusNotifierWatcher on the session bus; no tray icon\n");
  }
  tray->SetPresent(false);
}

void TrayIcon::OnConnectionChanged(AppIndicator*, int connected, void* self) {
  auto* tray = static_cast<TrayIcon*>(self);
  TraceFormat("tray: icon %s\n", connected ? "shown" : "gone");
  tray->SetPresent(connected != 0);
}

void TrayIcon::SetPresent(bool present) {
  if (present == present_) return;
  present_ = present;
  presentChanged_(present);
}

}  // namespace brivonel::x11
