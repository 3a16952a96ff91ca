#include "app/windows/desktop/known_folders.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "app/windows/desktop/wide_text.h"
#include "app/windows/executable_folder.h"

namespace brivonel::win32 {

std::optional<std::u16string> KnownFolders::RoamingAppDataFolder() {
  wchar_t* folder = nullptr;
  const HRESULT hr = SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &folder);
  std::optional<std::u16string> result;
  if (SUCCEEDED(hr)) result = FromWide(folder);
  CoTaskMemFree(folder);  // also when the call failed, as its contract asks
  return result;
}

std::u16string KnownFolders::ExecutableFolder() { return win32::ExecutableFolder(); }

std::optional<std::u16string> KnownFolders::SamplesFolder() {
  const std::u16string folder = ExecutableFolder() + u"samples";
  const DWORD attributes = GetFileAttributesW(reinterpret_cast<const wchar_t*>(folder.c_str()));
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return std::nullopt;
  }
  return folder;
}

}  // namespace brivonel::win32
