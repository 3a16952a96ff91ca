#pragma once
// A program the test starts: its own environment changes, its output in
// files (never a pipe: a server that outlives the read would keep it open),
// stopped by its process id when the test ends.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace brivonel::test {

class ChildProcess {
 public:
  struct Options {
    std::vector<std::string> arguments;          // the program first
    std::map<std::string, std::string> environment;  // set on top of the test's own
    std::filesystem::path output;                // stdout and stderr go here (appended)
    int inheritedFd = -1;                        // one descriptor the child keeps open
  };

  explicit ChildProcess(const Options& options);
  ~ChildProcess();  // stops it when still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  bool running();
  // The exit code once it has ended within the timeout (128 + signal when
  // a signal ended it); nothing while it still runs.
  std::optional<int> Wait(std::chrono::milliseconds timeout);
  // SIGTERM, then SIGKILL after a second; the exit code.
  int Stop();
  // CPU time (user + system) used so far, in clock ticks.
  long CpuTicks() const;
  // The most memory the process has held so far (VmHWM), in MiB; -1 once
  // it has ended.
  long PeakMemoryMiB() const;

 private:
  pid_t pid_ = -1;
  std::optional<int> exitCode_;
};

// The whole content of a text file ("" when it is missing).
std::string ReadTextFile(const std::filesystem::path& path);

}  // namespace brivonel::test
