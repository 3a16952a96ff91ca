#include "app/windows/desktop/run_key_login.h"

#include <windows.h>

#include <vector>

#include "app/windows/desktop/wide_text.h"

namespace brivonel::win32 {
namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kValueName[] = L"Brivonel";

std::u16string ProgramPath() {
  std::vector<wchar_t> name(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return {};
    if (length < name.size()) return std::u16string(name.begin(), name.begin() + length);
    name.resize(name.size() * 2);
  }
}

}  // namespace

std::u16string RunValueFor(std::u16string_view path) { return u"\"" + std::u16string(path) + u"\""; }

bool RunKeyLogin::Registered() {
  // Asking for REG_EXPAND_SZ without RRF_NOEXPAND is an invalid parameter,
  // which would read as "not registered" whatever the key holds.
  return RegGetValueW(HKEY_CURRENT_USER, kRunKey, kValueName,
                      RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, nullptr,
                      nullptr) == ERROR_SUCCESS;
}

bool RunKeyLogin::SetRegistered(bool on) {
  if (!on) {
    const LSTATUS status = RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, kValueName);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  }
  const std::u16string path = ProgramPath();
  if (path.empty()) return false;
  const std::u16string value = RunValueFor(path);
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LSTATUS status =
      RegSetValueExW(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(Wide(value)),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

std::u16string RunKeyLogin::Location() {
  return u"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Brivonel";
}

}  // namespace brivonel::win32
