#pragma once
// A notification area for tests, on a private session bus: it owns the
// StatusNotifierWatcher name (on a thread of its own, so the test can wait
// with plain polling), takes the items that register, and reads and clicks
// an item's menu over com.canonical.dbusmenu as a desktop's tray does.
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GMainContext GMainContext;
typedef struct _GMainLoop GMainLoop;

namespace brivonel::test {

struct TrayMenuItem {
  int id = 0;
  std::string label;  // "" for a separator
  bool visible = true;
  bool checkable = false;
  bool checked = false;
};

class FakeTrayHost {
 public:
  explicit FakeTrayHost(const std::string& busAddress);
  ~FakeTrayHost();
  FakeTrayHost(const FakeTrayHost&) = delete;
  FakeTrayHost& operator=(const FakeTrayHost&) = delete;

  // Whether the watcher's name is ours on the bus.
  bool ready() const { return ready_; }
  // The registered items, as "bus-name/object-path".
  std::vector<std::string> Items();
  // The top level of the first item's menu; empty when it cannot be read.
  std::vector<TrayMenuItem> Menu();
  std::optional<TrayMenuItem> MenuItem(const std::string& label);
  // Sends a click on the item of the first item's menu with this label.
  bool Click(const std::string& label);

 private:
  void Serve(const std::string& busAddress);
  std::optional<std::pair<std::string, std::string>> MenuAddress();

  std::thread thread_;
  GMainContext* context_ = nullptr;
  GMainLoop* loop_ = nullptr;
  GDBusConnection* serving_ = nullptr;  // the watcher's connection (its thread)
  GDBusConnection* asking_ = nullptr;   // the test's calls
  std::mutex mutex_;
  std::vector<std::string> items_;
  bool ready_ = false;
};

}  // namespace brivonel::test
