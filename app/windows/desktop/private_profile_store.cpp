#include "app/windows/desktop/private_profile_store.h"

#include <windows.h>

#include <string>

#include "app/platform/file_dialog.h"
#include "app/windows/desktop/wide_text.h"

namespace brivonel::win32 {

std::u16string PrivateProfileStore::Read(std::u16string_view section, std::u16string_view key,
                                         std::u16string_view defaultValue,
                                         std::u16string_view path) {
  const std::u16string sectionText(section), keyText(key), defaultText(defaultValue),
      pathText(path);
  wchar_t buffer[kMaxPathLength];
  GetPrivateProfileStringW(Wide(sectionText), Wide(keyText), Wide(defaultText), buffer,
                           kMaxPathLength, Wide(pathText));
  return FromWide(buffer);
}

bool PrivateProfileStore::Write(std::u16string_view section, std::u16string_view key,
                                std::u16string_view value, std::u16string_view path) {
  CreateUnicodeProfileFile(path);  // a failure shows in the write below
  const std::u16string sectionText(section), keyText(key), valueText(value), pathText(path);
  return WritePrivateProfileStringW(Wide(sectionText), Wide(keyText), Wide(valueText),
                                    Wide(pathText)) != FALSE;
}

bool CreateUnicodeProfileFile(std::u16string_view path) {
  const std::u16string pathText(path);
  // CREATE_NEW fails on an existing file, which is then kept as it is.
  HANDLE file = CreateFileW(Wide(pathText), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
  static constexpr unsigned char kByteOrderMark[] = {0xFF, 0xFE};
  DWORD written = 0;
  const bool ok = WriteFile(file, kByteOrderMark, sizeof kByteOrderMark, &written, nullptr) &&
                  written == sizeof kByteOrderMark;
  CloseHandle(file);
  if (!ok) DeleteFileW(Wide(pathText));
  return ok;
}

}  // namespace brivonel::win32
