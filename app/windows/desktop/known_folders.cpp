#include "app/windows/desktop/known_folders.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <vector>

#include "app/windows/desktop/wide_text.h"

namespace brivonel::win32 {

std::optional<std::u16string> KnownFolders::RoamingAppDataFolder() {
  wchar_t* folder = nullptr;
  const HRESULT hr = SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &folder);
  std::optional<std::u16string> result;
  if (SUCCEEDED(hr)) result = FromWide(folder);
  CoTaskMemFree(folder);  // also when the call failed, as its contract asks
  return result;
}

std::u16string KnownFolders::ExecutableFolder() {
  // Long paths need more than MAX_PATH; grow until the name fits.
  std::vector<wchar_t> name(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return {};
    if (length < name.size()) break;
    name.resize(name.size() * 2);
  }
  std::u16string path = FromWide(name.data());
  const std::size_t separator = path.find_last_of(u"\\/");
  return separator == std::u16string::npos ? std::u16string() : path.substr(0, separator + 1);
}

}  // namespace brivonel::win32
