#include "app/linux/linux_folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "base/unicode.h"

namespace brivonel {
namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
    return found->pw_dir;
  }
  return {};
}

// Creates folder and its missing parents with mode 0700.
bool EnsureFolder(const std::filesystem::path& folder) {
  std::error_code error;
  if (std::filesystem::is_directory(folder, error)) return true;
  if (folder.has_parent_path() && folder.parent_path() != folder &&
      !EnsureFolder(folder.parent_path())) {
    return false;
  }
  if (::mkdir(folder.c_str(), 0700) == 0) return true;
  return std::filesystem::is_directory(folder, error);
}

}  // namespace

std::optional<std::u16string> LinuxFolders::RoamingAppDataFolder() {
  std::filesystem::path folder;
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  if (configHome != nullptr && configHome[0] == '/') {
    folder = configHome;
  } else {
    const std::string home = HomeFolder();
    if (home.empty()) return std::nullopt;
    folder = std::filesystem::path(home) / ".config";
  }
  folder = folder.lexically_normal();
  std::string text = folder.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  EnsureFolder(text);
  return Utf8ToUtf16(text);
}

Message LinuxFolders::NoAppDataFolderMessage() { return Message::kNoConfigFolder; }

std::u16string LinuxFolders::ExecutableFolder() {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || !executable.has_parent_path()) return {};
  std::u16string folder = Utf8ToUtf16(executable.parent_path().string());
  if (folder.empty() || folder.back() != u'/') folder.push_back(u'/');
  return folder;
}

}  // namespace brivonel
