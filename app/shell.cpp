#include "app/shell.h"

#include <exception>

#include "app/resources.h"
#include "base/app_exception.h"

namespace brivonel {

Rect MascotWindowRect(std::int32_t workAreaWidth, std::int32_t workAreaHeight) {
  const auto width = static_cast<std::int32_t>(static_cast<float>(workAreaWidth) * 0.5f);
  const std::int32_t x = workAreaWidth - width;
  return {x, 0, x + width, workAreaHeight};
}

bool RunMenuCommand(int commandId, DesktopMascotApp& app, IShellCommands& shell) {
  switch (commandId) {
    case command::kAbout:
      shell.ShowAbout();
      return true;
    case command::kExit:
      shell.CloseWindow();
      return true;
    case command::kChangeModel:
      app.ChangeModel();
      return true;
    case command::kChangeMotion:
      app.ChangeMotion();
      return true;
    case command::kSizeLarge:
    case command::kSizeMedium:
    case command::kSizeSmall:
      app.ChangeModelSize(commandId - command::kSizeLarge + 1);
      return true;
    case command::kPhysics:
      app.TogglePhysics();
      return true;
    case command::kLookAt:
      app.ToggleLookAt();
      return true;
    case command::kShuffle:
      app.ToggleShuffle();
      return true;
    default:
      return false;
  }
}

void OnPowerEvent(DesktopMascotApp& app, std::uintptr_t event) {
  if (event == kPowerEventSuspend) {
    app.OnSleep();
  } else if (event == kPowerEventResume) {
    app.OnWakeUp();
  }
}

LoopTurn RunIdleTurn(DesktopMascotApp& app) {
  try {
    if (app.Update() == 0) app.Render();
  } catch (const AppException& e) {
    app.ShowError(e.hr(), e.code());
    return LoopTurn::kEnd;
  } catch (const std::exception& e) {
    app.ShowStdError(e.what());
  }
  return LoopTurn::kContinue;
}

int ExitCodeOfLastMessage(std::uintptr_t wParam) { return static_cast<int>(wParam); }

}  // namespace brivonel
