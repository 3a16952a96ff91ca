#pragma once
// The icon in the desktop's notification area: a StatusNotifierItem (through
// libayatana-appindicator3) with the tray menu. It exists while a
// StatusNotifierWatcher runs on the session bus and has taken the item; a
// desktop without one gets no icon (one trace line), and the icon comes when
// a watcher starts later and goes when it ends.
#include <functional>

typedef struct _GtkWidget GtkWidget;
typedef struct _AppIndicator AppIndicator;

namespace brivonel::x11 {

class TrayIcon {
 public:
  // present(true) once a watcher has the item, present(false) when it went.
  TrayIcon(GtkWidget* menu, std::function<void(bool present)> present);
  ~TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  bool present() const { return present_; }

 private:
  static void OnWatcherAppeared(void* connection, const char* name, const char* owner, void* self);
  static void OnWatcherVanished(void* connection, const char* name, void* self);
  static void OnConnectionChanged(AppIndicator* indicator, int connected, void* self);
  void SetPresent(bool present);

  GtkWidget* menu_;
  std::function<void(bool)> presentChanged_;
  AppIndicator* indicator_ = nullptr;
  unsigned watch_ = 0;
  bool present_ = false;
  bool toldAbsent_ = false;
};

}  // namespace brivonel::x11
