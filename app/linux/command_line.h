#pragma once
// The desktop program's command line:
//   brivonel [--model FILE] [--motion FILE] [--size 1|2|3]
//   brivonel --help | --version
// The files and the size are used for this run only; the settings file
// keeps what the user chose in the dialogs and the menu.
#include <optional>
#include <span>
#include <string>

namespace brivonel {

struct CommandLine {
  enum class Action { kRun, kHelp, kVersion };
  Action action = Action::kRun;
  std::optional<std::string> modelFile;   // as typed (the bytes of a file name)
  std::optional<std::string> motionFile;
  std::optional<int> displaySize;         // 1 large, 2 medium, 3 small
};

// Reads the arguments after the program name. False, with *error saying
// which argument is wrong, when they are not a command line of the program.
bool ParseCommandLine(std::span<const std::string> arguments, CommandLine* parsed,
                      std::string* error);

// The usage text in the language shown (several lines, ending in a line
// break).
std::string CommandLineUsage();

}  // namespace brivonel
