// A helper of the end-to-end tests under Wine: it looks into the desktop
// program's windows from outside, as a Windows program sees them, and
// prints what it finds (UTF-8, one item per line) on stdout.
//
//   brivonel-e2e-probe boxes
//       Every message box: "caption<TAB>text" (line breaks in the text
//       shown as "\n").
//   brivonel-e2e-probe press-ok
//       Presses OK in every message box.
//   brivonel-e2e-probe power EVENT
//       Sends the program's window the power notification EVENT (4 suspend,
//       7 resume from suspend), as the system does.
//   brivonel-e2e-probe menu-open
//       Exit code 0 when a popup menu is open, 1 when none is.
//   brivonel-e2e-probe menu-rect
//       The open popup menu's window on the screen, "X Y WIDTH HEIGHT"
//       (its check marks can then be seen in a grab of the screen); exit
//       code 1 when none is open.
//   brivonel-e2e-probe menu-resource PROGRAM ID
//       The items of the first popup of menu resource ID in PROGRAM, in
//       the language the program picks in the probe's environment (the
//       popup menu the program shows; Wine keeps menus inside their
//       process, so the open one cannot be read from outside):
//       "id<TAB>text", a sub-menu's items indented by two spaces after its
//       own line (id 0).
//   brivonel-e2e-probe command ID
//       Posts the program's window the menu command ID, as its menus do.
//   brivonel-e2e-probe tray-click
//       Posts the program's window a left click on its notification icon,
//       as the shell does (Wine's notification area cannot be clicked from
//       X: it has no window of its own without a virtual desktop).
//   brivonel-e2e-probe click-target X Y WIDTH HEIGHT
//       Opens a plain window there, below topmost windows, whose title
//       becomes "click-target clicked X,Y" (screen coordinates) when the
//       left button is pressed in it. Runs until closed.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/windows/desktop/language_resources.h"
#include "app/windows/desktop/user_language.h"

namespace {

namespace win32 = brivonel::win32;

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length,
                      nullptr, nullptr);
  return out;
}

void PrintLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
}

std::wstring WindowText(HWND window) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(window, buffer, 1024);
  return buffer;
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[256] = {};
  GetClassNameW(window, buffer, 256);
  return buffer;
}

// Top-level windows of one class, visible ones only.
std::vector<HWND> TopLevelWindows(const wchar_t* className) {
  struct Search {
    const wchar_t* className;
    std::vector<HWND> found;
  } search{className, {}};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        if (IsWindowVisible(window) && ClassOf(window) == s->className) s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The message text of a message box is its static control 0xFFFF.
int PrintBoxes() {
  for (HWND box : TopLevelWindows(L"#32770")) {
    wchar_t text[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    std::string line = ToUtf8(WindowText(box)) + "\t";
    for (char c : ToUtf8(text)) {
      if (c == '\n') {
        line += "\\n";
      } else if (c != '\r') {
        line += c;
      }
    }
    PrintLine(line);
  }
  return 0;
}

int PrintMenuRect() {
  const std::vector<HWND> menus = TopLevelWindows(L"#32768");
  if (menus.empty()) return 1;
  RECT rect{};
  GetWindowRect(menus.front(), &rect);
  PrintLine(std::to_string(rect.left) + " " + std::to_string(rect.top) + " " +
            std::to_string(rect.right - rect.left) + " " + std::to_string(rect.bottom - rect.top));
  return 0;
}

int PressOk() {
  for (HWND box : TopLevelWindows(L"#32770")) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  }
  return 0;
}

void PrintMenu(HMENU menu, const std::string& indent) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
    HMENU sub = GetSubMenu(menu, i);
    const UINT id = sub != nullptr ? 0 : GetMenuItemID(menu, i);
    PrintLine(indent + std::to_string(id) + "\t" + ToUtf8(text));
    if (sub != nullptr) PrintMenu(sub, indent + "  ");
  }
}

int PrintMenuResource(const char* program, int id) {
  HMODULE module = LoadLibraryExA(program, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) {
    std::fprintf(stderr, "%s: cannot be opened\n", program);
    return 1;
  }
  HMENU menu = win32::LoadMenuIn(module, id, win32::ResourceLanguage(win32::UserLanguage()));
  if (menu == nullptr) {
    std::fprintf(stderr, "%s: no menu %d\n", program, id);
    return 1;
  }
  PrintMenu(GetSubMenu(menu, 0), "");
  return 0;
}

LRESULT CALLBACK ClickTargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN: {
      POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      ClientToScreen(window, &point);
      const std::wstring title = L"click-target clicked " + std::to_wstring(point.x) + L"," +
                                 std::to_wstring(point.y);
      SetWindowTextW(window, title.c_str());
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

int RunClickTarget(int x, int y, int width, int height) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = ClickTargetProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  windowClass.lpszClassName = L"BrivonelClickTarget";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"click-target", WS_POPUP, x, y,
                                width, height, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, SW_SHOWNOACTIVATE);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Lines end in "\n" alone, as the test script reads them.
  _setmode(_fileno(stdout), _O_BINARY);
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "boxes") return PrintBoxes();
  if (command == "press-ok") return PressOk();
  if (command == "power" && argc == 3) {
    HWND window = FindWindowW(L"BRIVONEL", L"BRIVONEL");
    if (window == nullptr) return 1;
    SendMessageW(window, WM_POWERBROADCAST, static_cast<WPARAM>(std::atoi(argv[2])), 0);
    return 0;
  }
  if ((command == "command" && argc == 3) || command == "tray-click") {
    HWND window = FindWindowW(L"BRIVONEL", L"BRIVONEL");
    if (window == nullptr) return 1;
    const BOOL posted = command == "command"
                            ? PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(std::atoi(argv[2])), 0)
                            : PostMessageW(window, WM_APP + 1, 1, WM_LBUTTONUP);
    return posted ? 0 : 1;
  }
  if (command == "menu-open") return TopLevelWindows(L"#32768").empty() ? 1 : 0;
  if (command == "menu-rect") return PrintMenuRect();
  if (command == "menu-resource" && argc == 4) return PrintMenuResource(argv[2], std::atoi(argv[3]));
  if (command == "click-target" && argc == 6) {
    return RunClickTarget(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                          std::atoi(argv[5]));
  }
  std::fprintf(stderr, "usage: brivonel-e2e-probe boxes|press-ok|power EVENT|menu-open|menu-rect|\n"
               "                          menu-resource PROGRAM ID|command ID|tray-click|\n"
               "                          click-target X Y W H\n");
  return 2;
}
