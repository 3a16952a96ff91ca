#pragma once
// Subcommands of brivonel-inspect. Each lives in its own file and is listed
// once in inspect_commands.cpp; a subcommand prints one JSON object on
// stdout, or one line on stderr naming the file and the problem.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brivonel::tools {

// Exit codes of every subcommand.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // the file could not be read or decoded
constexpr int kExitUsage = 2;   // wrong arguments

struct InspectCommand {
  std::string_view name;
  std::string_view usage;  // arguments after the name, for the help text
  // args: the words after the subcommand's name.
  int (*run)(const std::vector<std::string>& args);
};

std::span<const InspectCommand> InspectCommands();

int RunModelCommand(const std::vector<std::string>& args);
int RunMotionCommand(const std::vector<std::string>& args);
int RunTextureCommand(const std::vector<std::string>& args);
int RunPoseCommand(const std::vector<std::string>& args);

}  // namespace brivonel::tools
