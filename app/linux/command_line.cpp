#include "app/linux/command_line.h"

#include <string_view>

#include "app/messages.h"
#include "base/unicode.h"

namespace brivonel {

std::string CommandLineUsage() { return Utf16ToUtf8(MessageText(Message::kCommandLineHelp)); }

namespace {

// "--name=value" or "--name value": the value of an option that takes one.
// False when the option is not `name`; *missing when it has no value.
bool TakeValue(std::span<const std::string> arguments, std::size_t& index, std::string_view name,
               std::string* value, bool* missing) {
  const std::string_view argument = arguments[index];
  if (argument == name) {
    if (index + 1 >= arguments.size()) {
      *missing = true;
      return true;
    }
    *value = arguments[++index];
    return true;
  }
  if (argument.size() > name.size() && argument.starts_with(name) &&
      argument[name.size()] == '=') {
    *value = std::string(argument.substr(name.size() + 1));
    return true;
  }
  return false;
}

}  // namespace

bool ParseCommandLine(std::span<const std::string> arguments, CommandLine* parsed,
                      std::string* error) {
  CommandLine result;
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    const std::string& argument = arguments[index];
    if (argument == "--help" || argument == "-h") {
      result.action = CommandLine::Action::kHelp;
      continue;
    }
    if (argument == "--version") {
      if (result.action == CommandLine::Action::kRun) result.action = CommandLine::Action::kVersion;
      continue;
    }
    std::string value;
    bool missing = false;
    std::optional<std::string>* file = nullptr;
    std::string_view option;
    if (TakeValue(arguments, index, "--model", &value, &missing)) {
      file = &result.modelFile;
      option = "--model";
    } else if (TakeValue(arguments, index, "--motion", &value, &missing)) {
      file = &result.motionFile;
      option = "--motion";
    } else if (TakeValue(arguments, index, "--size", &value, &missing)) {
      option = "--size";
    } else {
      *error = argument.starts_with("-") ? "unknown option " + argument
                                         : "unexpected argument " + argument;
      return false;
    }
    if (missing || value.empty()) {
      *error = std::string(option) + " needs a value";
      return false;
    }
    if (file != nullptr) {
      if (file->has_value()) {
        *error = std::string(option) + " is given twice";
        return false;
      }
      *file = value;
      continue;
    }
    if (result.displaySize) {
      *error = "--size is given twice";
      return false;
    }
    if (value != "1" && value != "2" && value != "3") {
      *error = "--size takes 1, 2 or 3, not " + value;
      return false;
    }
    result.displaySize = value[0] - '0';
  }
  *parsed = std::move(result);
  return true;
}

}  // namespace brivonel
