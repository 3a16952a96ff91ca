#pragma once
// The controls of a mascot that keeps running: showing and hiding the
// figure, click-through and the start at login. They live beside the tray
// icon, which is the user's way back to a figure that takes no clicks or
// is hidden, so click-through holds only while the tray icon exists, and a
// figure whose tray icon goes away comes back into view.
#include "app/messages.h"
#include "app/platform/figure_window.h"
#include "app/platform/menu_checks.h"
#include "app/platform/message_boxes.h"
#include "app/settings.h"

namespace brivonel {

class FigureControls {
 public:
  FigureControls(Settings& settings, IMenuChecks& checks, IFigureWindow& window,
                 ILoginStart& login, IMessageBoxes& boxes);

  // The tray icon came (true) or went: click-through follows the setting
  // while it exists and is off without it; a hidden figure comes back when
  // it goes.
  void SetTrayPresent(bool present);
  bool trayPresent() const { return trayPresent_; }

  // Runs the show/hide, click-through and start-at-login commands; false
  // for other commands.
  bool RunCommand(int commandId);
  // Another copy was started: the figure shows and comes to the front.
  void BringIntoView();
  // The check marks, from the settings and from the login entry on disk;
  // before a menu opens, since the entry may have changed behind our back.
  void RefreshChecks();

  bool shown() const { return shown_; }
  bool clickThrough() const { return clickThrough_; }
  // The show/hide item's words: what choosing it would do.
  Message ShowHideText() const { return shown_ ? Message::kHideItem : Message::kShowItem; }

 private:
  void SetShown(bool shown);
  void ApplyClickThrough();

  Settings& settings_;
  IMenuChecks& checks_;
  IFigureWindow& window_;
  ILoginStart& login_;
  IMessageBoxes& boxes_;
  bool trayPresent_ = false;
  bool shown_ = true;
  bool clickThrough_ = false;  // in effect on the window
};

}  // namespace brivonel
