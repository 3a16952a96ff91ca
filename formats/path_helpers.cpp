#include "formats/path_helpers.h"

namespace brivonel {
namespace {

ModulePathProvider g_modulePathProvider = nullptr;

}  // namespace

bool DirectoryOfPath(std::u16string_view path, std::u16string& out) {
  std::size_t driveLength = 0;
  if (path.size() >= 2 && path[1] == u':') driveLength = 2;
  const std::size_t separator = path.find_last_of(u"\\/");
  if (separator == std::u16string_view::npos || separator < driveLength) {
    out.assign(path.substr(0, driveLength));
  } else {
    out.assign(path.substr(0, separator + 1));
  }
  return true;
}

bool ExtensionOf(std::u16string_view name, std::u16string& out) {
  const std::size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos) return false;
  out.assign(name.substr(dot));
  return true;
}

void SetModulePathProvider(ModulePathProvider provider) { g_modulePathProvider = provider; }

bool ModuleDirectory(std::u16string& out) {
  if (g_modulePathProvider == nullptr) return false;
  const std::u16string path = g_modulePathProvider();
  if (path.empty()) return false;
  return DirectoryOfPath(path, out);
}

bool ModuleDirectory(char16_t* buffer, std::size_t length) {
  std::u16string directory;
  if (buffer == nullptr || !ModuleDirectory(directory) || directory.size() + 1 > length) {
    return false;
  }
  directory.copy(buffer, directory.size());
  buffer[directory.size()] = u'\0';
  return true;
}

}  // namespace brivonel
