#include "app/windows/desktop/win32_services.h"

#include <timeapi.h>

#include <string>

#include "app/platform/file_dialog.h"
#include "app/windows/desktop/language_resources.h"
#include "app/windows/desktop/user_language.h"
#include "app/windows/desktop/wide_text.h"

namespace brivonel::win32 {

std::uint32_t TimeGetTimeClock::NowMilliseconds() { return timeGetTime(); }

void MessageBoxes::Show(MessageOwner owner, std::u16string_view text, std::u16string_view caption,
                        MessageStyle style) {
  const std::u16string terminatedText(text);
  const std::u16string terminatedCaption(caption);
  MessageBoxW(owner == MessageOwner::kWindow ? window_ : nullptr, Wide(terminatedText),
              Wide(terminatedCaption), style == MessageStyle::kError ? MB_ICONERROR : MB_OK);
}

void PopupMenuChecks::SetChecked(int commandId, bool checked) {
  if (menu_ == nullptr) return;
  CheckMenuItem(menu_, static_cast<UINT>(commandId),
                MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

Point WindowGeometry::ClientToScreen(Point client) {
  POINT point{client.x, client.y};
  ::ClientToScreen(window_, &point);
  return {point.x, point.y};
}

Rect WindowGeometry::WindowRect() {
  RECT rect{};
  GetWindowRect(window_, &rect);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

void WindowGeometry::CaptureMouse() { SetCapture(window_); }

void WindowGeometry::ReleaseMouse() { ReleaseCapture(); }

void WindowGeometry::ShowWindow() { ::ShowWindow(window_, SW_SHOW); }

std::optional<std::u16string> ResourceStrings::Load(std::int32_t id) {
  return LoadStringIn(instance_, id, ResourceLanguageInUse());
}

}  // namespace brivonel::win32
