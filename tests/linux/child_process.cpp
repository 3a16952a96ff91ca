#include "tests/linux/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

extern char** environ;

namespace brivonel::test {

ChildProcess::ChildProcess(const Options& options) {
  // Everything the child needs is prepared before fork.
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text(*entry);
    const std::string name = text.substr(0, text.find('='));
    if (!options.environment.contains(name)) environment.push_back(text);
  }
  for (const auto& [name, value] : options.environment) environment.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& text : environment) envp.push_back(text.data());
  envp.push_back(nullptr);
  std::vector<std::string> arguments = options.arguments;
  std::vector<char*> argv;
  for (std::string& text : arguments) argv.push_back(text.data());
  argv.push_back(nullptr);
  const int output = ::open(options.output.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);

  pid_ = ::fork();
  if (pid_ == 0) {
    const int input = ::open("/dev/null", O_RDONLY);
    ::dup2(input, 0);
    ::dup2(output, 1);
    ::dup2(output, 2);
    if (options.inheritedFd >= 0) {
      ::fcntl(options.inheritedFd, F_SETFD, 0);  // kept across exec
    }
    // Its own process group: a test stopping it never signals the test.
    ::setpgid(0, 0);
    // And it goes when the test goes, even when the test dies abruptly.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  if (output >= 0) ::close(output);
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !exitCode_) Stop();
}

bool ChildProcess::running() { return pid_ > 0 && !Wait(std::chrono::milliseconds(0)); }

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds timeout) {
  if (exitCode_ || pid_ <= 0) return exitCode_;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return exitCode_;
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

int ChildProcess::Stop() {
  if (exitCode_) return *exitCode_;
  ::kill(pid_, SIGTERM);
  if (auto code = Wait(std::chrono::seconds(1))) return *code;
  ::kill(pid_, SIGKILL);
  return Wait(std::chrono::seconds(10)).value_or(-1);
}

long ChildProcess::CpuTicks() const {
  // Fields 14 and 15 of /proc/PID/stat, after the command in parentheses.
  const std::string stat = ReadTextFile("/proc/" + std::to_string(pid_) + "/stat");
  const std::size_t end = stat.rfind(')');
  if (end == std::string::npos) return -1;
  std::istringstream fields(stat.substr(end + 2));
  std::string field;
  long user = 0;
  long system = 0;
  for (int index = 3; fields >> field; ++index) {
    if (index == 14) user = std::atol(field.c_str());
    if (index == 15) {
      system = std::atol(field.c_str());
      break;
    }
  }
  return user + system;
}

long ChildProcess::PeakMemoryMiB() const {
  std::istringstream status(ReadTextFile("/proc/" + std::to_string(pid_) + "/status"));
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6) / 1024;
  }
  return -1;
}

std::string ReadTextFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace brivonel::test
