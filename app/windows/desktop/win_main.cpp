// The entry point of the desktop program on Windows.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/desktop_mascot_app.h"
#include "app/resources.h"
#include "app/shell.h"
#include "app/standard_file_decoders.h"
#include "app/windows/desktop/desktop_platform.h"
#include "app/windows/desktop/language_resources.h"
#include "app/windows/desktop/mascot_window.h"
#include "app/windows/desktop/message_loop.h"
#include "app/windows/desktop/notify_icon.h"
#include "app/windows/desktop/run_key_login.h"
#include "app/windows/desktop/user_language.h"
#include "app/windows/desktop/wide_text.h"
#include "render/windows/wic_image_loader.h"

namespace {

using brivonel::DesktopMascotApp;

brivonel::win32::DesktopPlatform& ThePlatform() {
  static brivonel::win32::DesktopPlatform platform;
  return platform;
}

brivonel::StandardFileDecoders& TheDecoders() {
  static brivonel::StandardFileDecoders decoders;
  return decoders;
}

// The user's language, chosen before the application object below (whose
// settings may show a box) and before any resource is loaded.
const bool languageChosen = [] {
  brivonel::win32::UseLanguage(brivonel::win32::UserLanguage());
  return true;
}();

// Made during static initialisation, before the entry point runs, so its
// settings exist (and their folder has been made, or its box shown) even in
// a second copy that ends at the single-instance test. Destroyed at process
// exit, which releases every graphics object.
const std::unique_ptr<DesktopMascotApp> theApp =
    std::make_unique<DesktopMascotApp>(ThePlatform().platform(), TheDecoders());

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  using namespace brivonel;
  // Loaded as the resources declare them; the loop never translates them.
  LoadAcceleratorsW(instance, MAKEINTRESOURCEW(resource::kAccelerators));
  const LANGID language = win32::ResourceLanguageInUse();
  HMENU popupMenu = GetSubMenu(win32::LoadMenuIn(instance, resource::kPopupMenu, language), 0);
  // The application title (string 103) is loaded with the class name,
  // though nothing shows it; the class name is also the window's title.
  [[maybe_unused]] const std::u16string title =
      win32::LoadStringIn(instance, resource::kTitleString, language).value_or(u"");
  const std::u16string classText =
      win32::LoadStringIn(instance, resource::kClassNameString, language).value_or(u"");
  const wchar_t* className = win32::Wide(classText);

  // Another copy runs: a user started this one looking for the figure, so
  // the running copy shows it and brings it forward.
  if (HWND running = FindWindowW(className, className); running != nullptr) {
    AllowSetForegroundWindow(ASFW_ANY);
    PostMessageW(running, win32::BringIntoViewMessage(), 0, 0);
    std::fputs("brivonel: already running; its figure is brought into view\n", stderr);
    return kEarlyExitCode;
  }

  ThePlatform().SetInstance(instance);
  win32::SetMascotWindowContext({theApp.get(), popupMenu, instance});
  RECT rect{};
  HWND window = win32::CreateMascotWindow(instance, showCommand, className, rect);
  if (window == nullptr) return kEarlyExitCode;
  ThePlatform().SetWindow(window, popupMenu);

  // The imaging component (texture files) and the file dialogs are COM
  // objects; they need an apartment on this, the only thread.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  RegisterWicImageLoader();

  if (theApp->Initialise({rect.left, rect.top, rect.right, rect.bottom}) != 0)
    return kEarlyExitCode;
  const Platform platform = ThePlatform().platform();
  win32::LayeredFigureWindow figureWindow(window);
  win32::RunKeyLogin login;
  FigureControls controls(theApp->settings(), platform.menuChecks, figureWindow, login,
                          platform.messageBoxes);
  win32::NotifyIcon tray(window, static_cast<HICON>(LoadImageW(
                                     instance, MAKEINTRESOURCEW(resource::kSmallIcon), IMAGE_ICON,
                                     GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
  win32::SetTrayControls(&controls, &tray);
  const WPARAM last = win32::RunMessageLoop(*theApp);
  win32::SetTrayControls(nullptr, nullptr);
  theApp->Shutdown();
  return ExitCodeOfLastMessage(last);
}
