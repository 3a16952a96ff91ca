#include "app/windows/desktop/message_loop.h"

#include "app/shell.h"

namespace brivonel::win32 {

WPARAM RunMessageLoop(DesktopMascotApp& app) {
  MSG message{};
  for (;;) {
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      // Accelerators are loaded but not translated, and no character
      // messages are made: the keys have no effect.
      DispatchMessageW(&message);
      if (message.message == WM_QUIT) break;
      continue;
    }
    if (RunIdleTurn(app) == LoopTurn::kEnd) break;
    if (app.powerState() != kPowerRunning) {
      MsgWaitForMultipleObjectsEx(0, nullptr, kAsleepWaitMilliseconds, QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE);
    }
  }
  return message.wParam;
}

}  // namespace brivonel::win32
