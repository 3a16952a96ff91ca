#pragma once
// What the tool's main needs from the operating system: its arguments as
// UTF-8, the folder of its own executable (the shader files are installed
// beside it), and standard output that writes line ends as given.
#include <string>
#include <vector>

namespace brivonel::snapshot {

struct ProgramStart {
  std::vector<std::string> arguments;  // after the program name
  std::u16string folder;               // ends in a separator; empty on failure
  std::string failure;                 // why the folder is unknown
};

ProgramStart StartProgram(int argc, char** argv);

}  // namespace brivonel::snapshot
