#include "app/windows/executable_folder.h"

#include <windows.h>

#include <vector>

namespace brivonel::win32 {

std::u16string ExecutableFolder(std::uint32_t* error) {
  // Long paths need more than MAX_PATH; grow until the name fits.
  std::vector<wchar_t> name(MAX_PATH);
  DWORD length = 0;
  for (;;) {
    length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) {
      if (error != nullptr) *error = GetLastError();
      return {};
    }
    if (length < name.size()) break;
    name.resize(name.size() * 2);
  }
  const std::u16string path(name.begin(), name.begin() + length);
  const std::size_t separator = path.find_last_of(u"\\/");
  return separator == std::u16string::npos ? std::u16string() : path.substr(0, separator + 1);
}

}  // namespace brivonel::win32
