#pragma once
// Start at login on a Linux desktop: the XDG autostart entry
// "brivonel.desktop" in the autostart folder of the user's configuration
// folder ($XDG_CONFIG_HOME, else ~/.config). Its presence is the setting;
// nothing about it is kept anywhere else.
#include <filesystem>
#include <string>
#include <string_view>

#include "app/platform/figure_window.h"

namespace brivonel {

// program as the Exec key of a desktop entry takes it: always quoted, with
// the characters the quoting rules reserve escaped, then the backslashes
// of the string value doubled and "%" doubled (a field code otherwise).
std::string DesktopEntryExec(std::string_view program);

// The entry that starts program at login.
std::string AutostartEntryText(std::string_view program);

// Whether an entry's text asks the desktop to start it: not when its main
// group says Hidden=true (the way a desktop turns an entry off without
// removing it).
bool AutostartEntryEnabled(std::string_view text);

class XdgAutostart final : public ILoginStart {
 public:
  // The entry in configFolder/autostart that starts program.
  XdgAutostart(std::filesystem::path configFolder, std::string program);
  // For this process: the configuration folder the settings use and
  // /proc/self/exe.
  static XdgAutostart ForThisProgram();

  bool Registered() override;
  bool SetRegistered(bool on) override;
  std::u16string Location() override;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::string program_;
};

}  // namespace brivonel
