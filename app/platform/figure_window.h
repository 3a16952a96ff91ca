#pragma once
// What the tray icon's items do to the figure's window, and the entry that
// has the desktop start the program at login. The fronts implement them.
#include <string>

namespace brivonel {

class IFigureWindow {
 public:
  virtual ~IFigureWindow() = default;
  // Puts the window on the desktop or takes it off (it keeps dancing
  // either way: the frames go on, nothing is lost).
  virtual void SetShown(bool shown) = 0;
  // Above the other windows and into view, for a user looking for it.
  virtual void Raise() = 0;
  // Every click on the window goes to the windows below it (true), or the
  // figure takes the clicks on its pixels again (false).
  virtual void SetClickThrough(bool on) = 0;
};

class ILoginStart {
 public:
  virtual ~ILoginStart() = default;
  // Whether the desktop starts the program at login, as its entry on disk
  // (or in the registry) says now.
  virtual bool Registered() = 0;
  // Writes or removes the entry; false when that failed.
  virtual bool SetRegistered(bool on) = 0;
  // Where the entry is, in the words of an error box.
  virtual std::u16string Location() = 0;
};

}  // namespace brivonel
