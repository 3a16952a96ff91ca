#include "app/linux/ini_profile_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "app/ini_text.h"
#include "app/linux/settings_file_text.h"
#include "app/linux/small_file.h"
#include "app/linux/temporary_files.h"
#include "base/unicode.h"

namespace brivonel {
namespace {

// The settings file as the store finds it.
struct SettingsFile {
  enum class State {
    kText,      // text holds it
    kMissing,   // no file yet: empty text
    kUnusable,  // too large or not text: refusal says why
    kFailed,    // exists but cannot be read
  };
  State state = State::kFailed;
  SettingsText text;
  std::string refusal;
};

SettingsFile LoadSettingsFile(const std::filesystem::path& path) {
  SettingsFile file;
  SmallFile read = ReadSmallFile(path, kMaxSettingsFileBytes);
  switch (read.outcome) {
    case SmallFile::Outcome::kMissing:
      file.state = SettingsFile::State::kMissing;
      return file;
    case SmallFile::Outcome::kFailed:
      return file;
    case SmallFile::Outcome::kTooLarge:
      file.state = SettingsFile::State::kUnusable;
      file.refusal = "is larger than 1 MiB (" + std::to_string(read.size) + " bytes)";
      return file;
    case SmallFile::Outcome::kRead:
      break;
  }
  std::optional<SettingsText> text = DecodeSettingsText(read.bytes);
  if (!text) {
    file.state = SettingsFile::State::kUnusable;
    file.refusal = "is not a text file";
    return file;
  }
  file.state = SettingsFile::State::kText;
  file.text = std::move(*text);
  return file;
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
    temporary = TemporaryBeside(path, ::getpid(), counter++);
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

// Whether the user has taken the write permission away from the file
// (checked on the bits too: the superuser may write anything).
bool IsReadOnly(const std::filesystem::path& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return false;
  return (status.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

// Keeps the old file as "<file>.bak", replacing an older copy: a second
// name for it while it is still the settings file, so that the file is
// never missing; a rename on file systems without such names.
bool KeepAsBackup(const std::filesystem::path& file) {
  std::filesystem::path backup = file;
  backup += ".bak";
  ::unlink(backup.c_str());
  return ::link(file.c_str(), backup.c_str()) == 0 || ::rename(file.c_str(), backup.c_str()) == 0;
}

}  // namespace

std::u16string IniProfileStore::Read(std::u16string_view section, std::u16string_view key,
                                     std::u16string_view defaultValue,
                                     std::u16string_view path) {
  const SettingsFile file = LoadSettingsFile(ToFsPath(path));
  if (file.state == SettingsFile::State::kUnusable && refusalSaid_ != path) {
    refusalSaid_ = path;
    Say("brivonel: the settings file " + Utf16ToUtf8(path) + " " + file.refusal +
        ": it is not read and the settings are the defaults; when a setting changes it is "
        "kept as " + Utf16ToUtf8(path) + ".bak and a new file is written");
  }
  if (file.state != SettingsFile::State::kText) return std::u16string(defaultValue);
  const std::optional<std::string> value =
      FindIniValue(file.text.utf8, Utf16ToUtf8(section), Utf16ToUtf8(key));
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

void IniProfileStore::Say(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

bool IniProfileStore::Write(std::u16string_view section, std::u16string_view key,
                            std::u16string_view value, std::u16string_view path) {
  const std::filesystem::path target = FileToReplace(ToFsPath(path));
  SettingsFile file = LoadSettingsFile(target);
  // A file that exists but cannot be read is left alone rather than replaced.
  if (file.state == SettingsFile::State::kFailed) return false;
  if (file.state != SettingsFile::State::kMissing && IsReadOnly(target)) return false;
  const std::optional<std::string> updated =
      SetIniValue(file.state == SettingsFile::State::kText ? file.text.utf8 : std::string(),
                  Utf16ToUtf8(section), Utf16ToUtf8(key), Utf16ToUtf8(value));
  if (!updated) return false;
  RemoveLeftoverTemporaries(target);

  std::filesystem::path temporary;
  const int fd = CreateTemporaryBeside(target, temporary);
  if (fd < 0) return false;
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  const bool written =
      WriteBytes(fd, EncodeSettingsText(*updated, file.text.encoding)) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  const bool kept = file.state != SettingsFile::State::kUnusable || KeepAsBackup(target);
  if (!written || !closed || !kept || ::rename(temporary.c_str(), target.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  SyncFolder(target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path());
  return true;
}

}  // namespace brivonel
