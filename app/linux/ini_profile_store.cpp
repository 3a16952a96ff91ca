#include "app/linux/ini_profile_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "app/ini_text.h"
#include "base/unicode.h"

namespace brivonel {
namespace {

enum class ReadOutcome { kRead, kMissing, kFailed };

ReadOutcome ReadWholeFile(const std::filesystem::path& path, std::string& text) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) return ReadOutcome::kMissing;
  if (error || status.type() != std::filesystem::file_type::regular) return ReadOutcome::kFailed;
  std::ifstream file(path, std::ios::binary);
  if (!file) return ReadOutcome::kFailed;
  text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return file.bad() ? ReadOutcome::kFailed : ReadOutcome::kRead;
}

// Flushes the folder's entry list, so that the rename itself survives a crash.
void SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Opens a new file beside path for writing; -1 when none can be created.
int CreateTemporaryBeside(const std::filesystem::path& path, std::filesystem::path& temporary) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = path;
    temporary += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;  // a name left by a crashed run is skipped
  }
  return -1;
}

// The file a write must replace: the target of a symbolic link, so that the
// link itself stays.
std::filesystem::path FileToReplace(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_symlink(path, error)) return path;
  const std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
  return error ? path : target;
}

}  // namespace

std::u16string IniProfileStore::Read(std::u16string_view section, std::u16string_view key,
                                     std::u16string_view defaultValue,
                                     std::u16string_view path) {
  std::string text;
  if (ReadWholeFile(ToFsPath(path), text) != ReadOutcome::kRead) {
    return std::u16string(defaultValue);
  }
  const std::optional<std::string> value =
      FindIniValue(text, Utf16ToUtf8(section), Utf16ToUtf8(key));
  return value ? Utf8ToUtf16(*value) : std::u16string(defaultValue);
}

bool IniProfileStore::WriteBytes(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool IniProfileStore::Write(std::u16string_view section, std::u16string_view key,
                            std::u16string_view value, std::u16string_view path) {
  const std::filesystem::path target = FileToReplace(ToFsPath(path));
  std::string text;
  // A file that exists but cannot be read is left alone rather than replaced.
  if (ReadWholeFile(target, text) == ReadOutcome::kFailed) return false;
  const std::optional<std::string> updated =
      SetIniValue(text, Utf16ToUtf8(section), Utf16ToUtf8(key), Utf16ToUtf8(value));
  if (!updated) return false;

  std::filesystem::path temporary;
  const int fd = CreateTemporaryBeside(target, temporary);
  if (fd < 0) return false;
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  const bool written = WriteBytes(fd, *updated) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || ::rename(temporary.c_str(), target.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  SyncFolder(target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path());
  return true;
}

}  // namespace brivonel
