#pragma once
// What a tool's command gave: its exit code and what it wrote on stdout and
// stderr.
#include <string>

namespace brivonel::test {

struct ToolOutcome {
  int code;
  std::string out;
  std::string err;
};

}  // namespace brivonel::test
