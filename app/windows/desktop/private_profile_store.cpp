#include "app/windows/desktop/private_profile_store.h"

#include <windows.h>

#include <string>

#include "app/platform/file_dialog.h"
#include "app/windows/desktop/wide_text.h"

namespace brivonel::win32 {
namespace {

// Longest value read back, in UTF-16 units: far beyond the 32,767 of the
// longest Windows path, and a bound for a file that holds a huge line.
constexpr std::size_t kMaxProfileValueLength = std::size_t{1} << 20;

}  // namespace

std::u16string PrivateProfileStore::Read(std::u16string_view section, std::u16string_view key,
                                         std::u16string_view defaultValue,
                                         std::u16string_view path) {
  const std::u16string sectionText(section), keyText(key), defaultText(defaultValue),
      pathText(path);
  // A value that fills the buffer may have been cut: read it again with
  // twice the room, so that paths longer than MAX_PATH come back whole.
  std::u16string buffer(kMaxPathLength, u'\0');
  for (;;) {
    const DWORD copied = GetPrivateProfileStringW(
        Wide(sectionText), Wide(keyText), Wide(defaultText),
        reinterpret_cast<wchar_t*>(buffer.data()), static_cast<DWORD>(buffer.size()),
        Wide(pathText));
    if (copied + 1 < buffer.size() || buffer.size() >= kMaxProfileValueLength) {
      buffer.resize(copied);
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
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
