#include "app/linux/temporary_files.h"

#include <signal.h>

#include <cerrno>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace brivonel {
namespace {

constexpr std::string_view kMarker = ".tmp-";

// The process id of a temporary name "<file name>.tmp-<pid>-<number>".
std::optional<pid_t> SaverOf(std::string_view name, std::string_view fileName) {
  if (!name.starts_with(fileName)) return std::nullopt;
  name.remove_prefix(fileName.size());
  if (!name.starts_with(kMarker)) return std::nullopt;
  name.remove_prefix(kMarker.size());
  pid_t pid = 0;
  const auto [afterPid, pidError] = std::from_chars(name.data(), name.data() + name.size(), pid);
  if (pidError != std::errc() || pid <= 0 || afterPid == name.data() + name.size() ||
      *afterPid != '-') {
    return std::nullopt;
  }
  const std::string_view number(afterPid + 1, name.data() + name.size() - (afterPid + 1));
  unsigned value = 0;
  const auto [end, numberError] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (numberError != std::errc() || number.empty() || end != number.data() + number.size()) {
    return std::nullopt;
  }
  return pid;
}

bool ProcessIsGone(pid_t pid) { return ::kill(pid, 0) != 0 && errno == ESRCH; }

}  // namespace

std::filesystem::path TemporaryBeside(const std::filesystem::path& file, pid_t pid,
                                      unsigned number) {
  std::filesystem::path temporary = file;
  temporary += std::string(kMarker) + std::to_string(pid) + "-" + std::to_string(number);
  return temporary;
}

int RemoveLeftoverTemporaries(const std::filesystem::path& file) {
  const std::filesystem::path folder =
      file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
  const std::string fileName = file.filename().string();
  std::error_code error;
  int removed = 0;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    const std::optional<pid_t> saver = SaverOf(it->path().filename().string(), fileName);
    if (!saver || !ProcessIsGone(*saver)) continue;
    std::error_code removal;
    if (std::filesystem::remove(it->path(), removal)) ++removed;
  }
  return removed;
}

}  // namespace brivonel
