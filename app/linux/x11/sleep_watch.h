#pragma once
// Suspend and resume: logind announces both with its PrepareForSleep signal
// (true before the machine sleeps, false after it woke) on the system bus.
// The bus is reached through GDBus, which takes its address from
// DBUS_SYSTEM_BUS_ADDRESS when that is set (tests run a bus of their own).
// Without a system bus the program simply never hears of a suspend.
#include <functional>

typedef struct _GCancellable GCancellable;
typedef struct _GDBusConnection GDBusConnection;

namespace brivonel::x11 {

class SleepWatch {
 public:
  // Connects in the background; onSleep(true) before a suspend,
  // onSleep(false) after the resume, called from the main loop.
  explicit SleepWatch(std::function<void(bool sleeping)> onSleep);
  ~SleepWatch();
  SleepWatch(const SleepWatch&) = delete;
  SleepWatch& operator=(const SleepWatch&) = delete;

 private:
  static void OnConnected(void* source, void* result, void* self);
  static void OnSignal(GDBusConnection* bus, const char* sender, const char* path,
                       const char* interface, const char* signal, void* parameters,
                       void* self);

  std::function<void(bool)> onSleep_;
  GCancellable* cancellable_;
  GDBusConnection* bus_ = nullptr;
  unsigned subscription_ = 0;
};

}  // namespace brivonel::x11
