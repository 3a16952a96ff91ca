#pragma once
// Collects the trace lines written while an instance lives, and puts the
// default sink back when it goes (also when a test fails on the way).
#include <string>
#include <string_view>
#include <vector>

#include "base/trace.h"

namespace brivonel::test {

class TraceCapture {
 public:
  TraceCapture() {
    Lines().clear();
    SetTraceSink(&Collect);
  }
  ~TraceCapture() { SetTraceSink(nullptr); }
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  const std::vector<std::string>& lines() const { return Lines(); }

 private:
  static std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
  }
  static void Collect(std::string_view line) { Lines().emplace_back(line); }
};

}  // namespace brivonel::test
