#pragma once
// The small platform services on Win32: the millisecond clock, message
// boxes, the popup menu's check marks, the window's geometry and mouse
// capture, and the string table. They exist before the window does (the
// application object is made during static initialisation); the handles
// they need are given to them once the entry point has made them.
#include <windows.h>

#include "app/platform/clock.h"
#include "app/platform/menu_checks.h"
#include "app/platform/message_boxes.h"
#include "app/platform/string_table.h"
#include "app/platform/window_geometry.h"

namespace brivonel::win32 {

// timeGetTime: milliseconds since Windows started, wrapping after 49.7 days.
class TimeGetTimeClock final : public IClock {
 public:
  std::uint32_t NowMilliseconds() override;
};

// MessageBoxW; boxes owned by the window have no owner until it exists.
class MessageBoxes final : public IMessageBoxes {
 public:
  void SetWindow(HWND window) { window_ = window; }
  void Show(MessageOwner owner, std::u16string_view text, std::u16string_view caption,
            MessageStyle style) override;

 private:
  HWND window_ = nullptr;
};

// CheckMenuItem by command on the popup menu (its sub-menus included).
class PopupMenuChecks final : public IMenuChecks {
 public:
  void SetMenu(HMENU popupMenu) { menu_ = popupMenu; }
  void SetChecked(int commandId, bool checked) override;

 private:
  HMENU menu_ = nullptr;
};

class WindowGeometry final : public IWindowGeometry {
 public:
  void SetWindow(HWND window) { window_ = window; }
  Point ClientToScreen(Point client) override;
  Rect WindowRect() override;
  void CaptureMouse() override;
  void ReleaseMouse() override;
  void ShowWindow() override;

 private:
  HWND window_ = nullptr;
};

// The program's string table in the language in use (UseLanguage).
class ResourceStrings final : public IStringTable {
 public:
  void SetInstance(HINSTANCE instance) { instance_ = instance; }
  std::optional<std::u16string> Load(std::int32_t id) override;

 private:
  HINSTANCE instance_ = GetModuleHandleW(nullptr);
};

}  // namespace brivonel::win32
