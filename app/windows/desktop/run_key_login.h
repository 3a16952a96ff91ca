#pragma once
// Start at login on Windows: the value "Brivonel" under
// HKCU\Software\Microsoft\Windows\CurrentVersion\Run, holding the program's
// quoted path. Its presence is the setting; nothing else keeps it.
#include <string>

#include "app/platform/figure_window.h"

namespace brivonel::win32 {

class RunKeyLogin final : public ILoginStart {
 public:
  bool Registered() override;
  bool SetRegistered(bool on) override;
  std::u16string Location() override;
};

// The Run value for the program at path: the path in quotes (it may hold spaces).
std::u16string RunValueFor(std::u16string_view path);

}  // namespace brivonel::win32
