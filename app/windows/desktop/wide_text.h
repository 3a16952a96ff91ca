#pragma once
// The core keeps text as UTF-16 in char16_t strings; the wide Windows calls
// take the same units as wchar_t.
#include <string>
#include <string_view>

namespace brivonel::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

inline const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline std::u16string FromWide(const wchar_t* text) {
  return text != nullptr ? std::u16string(reinterpret_cast<const char16_t*>(text))
                         : std::u16string();
}

// Copies text into a fixed wide buffer of capacity units, cut to fit and
// always terminated.
inline void CopyToBuffer(std::u16string_view text, wchar_t* buffer, std::size_t capacity) {
  if (capacity == 0) return;
  const std::size_t length = text.size() < capacity ? text.size() : capacity - 1;
  text.copy(reinterpret_cast<char16_t*>(buffer), length);
  buffer[length] = L'\0';
}

}  // namespace brivonel::win32
