#include "app/figure_controls.h"

#include "app/resources.h"

namespace brivonel {

FigureControls::FigureControls(Settings& settings, IMenuChecks& checks, IFigureWindow& window,
                               ILoginStart& login, IMessageBoxes& boxes)
    : settings_(settings), checks_(checks), window_(window), login_(login), boxes_(boxes) {}

void FigureControls::SetTrayPresent(bool present) {
  trayPresent_ = present;
  // Without the tray nothing could bring a hidden figure back.
  if (!present && !shown_) SetShown(true);
  ApplyClickThrough();
}

bool FigureControls::RunCommand(int commandId) {
  switch (commandId) {
    case command::kShowHide:
      SetShown(!shown_);
      return true;
    case command::kClickThrough:
      // The item is offered only with the tray icon; a command that comes
      // without one (a menu left open while the tray went) changes nothing.
      if (trayPresent_) {
        settings_.SetClickThroughOn(!settings_.ClickThroughOn());
        ApplyClickThrough();
      }
      return true;
    case command::kStartAtLogin:
      if (!login_.SetRegistered(!login_.Registered())) {
        boxes_.Show(MessageOwner::kWindow, MessageNaming(Message::kCannotSaveSettings, login_.Location()),
                    MessageText(Message::kErrorCaption), MessageStyle::kError);
      }
      RefreshChecks();
      return true;
    default:
      return false;
  }
}

void FigureControls::BringIntoView() {
  SetShown(true);
  window_.Raise();
}

void FigureControls::RefreshChecks() {
  checks_.SetChecked(command::kClickThrough, clickThrough_);
  checks_.SetChecked(command::kStartAtLogin, login_.Registered());
}

void FigureControls::SetShown(bool shown) {
  if (shown == shown_) return;
  shown_ = shown;
  window_.SetShown(shown);
}

void FigureControls::ApplyClickThrough() {
  const bool on = trayPresent_ && settings_.ClickThroughOn();
  if (on != clickThrough_) {
    clickThrough_ = on;
    window_.SetClickThrough(on);
  }
  checks_.SetChecked(command::kClickThrough, clickThrough_);
}

}  // namespace brivonel
