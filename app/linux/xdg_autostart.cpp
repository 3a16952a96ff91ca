#include "app/linux/xdg_autostart.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <system_error>

#include "app/linux/linux_folders.h"
#include "app/linux/small_file.h"
#include "app/linux/temporary_files.h"
#include "base/unicode.h"

namespace brivonel {
namespace {

constexpr char kEntryName[] = "brivonel.desktop";
constexpr std::size_t kLargestEntry = 64 * 1024;

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

std::string DesktopEntryExec(std::string_view program) {
  std::string quoted = "\"";
  for (const char c : program) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  std::string value;
  for (const char c : quoted) {
    if (c == '\\') {
      value += "\\\\";
    } else if (c == '%') {
      value += "%%";
    } else {
      value += c;
    }
  }
  return value;
}

std::string AutostartEntryText(std::string_view program) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Brivonel\n"
         "Comment=A 3-D character dancing on the desktop\n"
         "Exec=" +
         DesktopEntryExec(program) +
         "\n"
         "Icon=brivonel\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

bool AutostartEntryEnabled(std::string_view text) {
  bool inMainGroup = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (!line.empty() && line.front() == '[') {
      inMainGroup = line == "[Desktop Entry]";
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!inMainGroup || equals == std::string_view::npos) continue;
    if (Trimmed(line.substr(0, equals)) == "Hidden" && Trimmed(line.substr(equals + 1)) == "true") {
      return false;
    }
  }
  return true;
}

XdgAutostart::XdgAutostart(std::filesystem::path configFolder, std::string program)
    : path_(std::move(configFolder) / "autostart" / kEntryName), program_(std::move(program)) {}

XdgAutostart XdgAutostart::ForThisProgram() {
  LinuxFolders folders;
  const std::u16string config = folders.RoamingAppDataFolder().value_or(u"");
  std::error_code error;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) program = "brivonel";
  return XdgAutostart(ToFsPath(config), program.string());
}

bool XdgAutostart::Registered() {
  const SmallFile file = ReadSmallFile(path_, kLargestEntry);
  // An entry too large to read is still an entry the desktop will try.
  if (file.outcome == SmallFile::Outcome::kTooLarge) return true;
  return file.outcome == SmallFile::Outcome::kRead && AutostartEntryEnabled(file.bytes);
}

bool XdgAutostart::SetRegistered(bool on) {
  std::error_code error;
  if (!on) {
    std::filesystem::remove(path_, error);
    return !error;
  }
  std::filesystem::create_directories(path_.parent_path(), error);
  if (error) return false;
  // Written beside and renamed over, so that a desktop reading the folder
  // at that moment never finds half an entry.
  const std::filesystem::path temporary = TemporaryBeside(path_, ::getpid(), 0);
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << AutostartEntryText(program_);
    out.flush();
    if (!out) {
      out.close();
      std::filesystem::remove(temporary, error);
      return false;
    }
  }
  std::filesystem::rename(temporary, path_, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return false;
  }
  return true;
}

std::u16string XdgAutostart::Location() { return FromFsPath(path_); }

}  // namespace brivonel
