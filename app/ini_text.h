#pragma once
// Reading and editing INI text the way the Windows private-profile functions
// read it, changing nothing but the one line a write concerns.
//  - "[name]" starts a section; names of sections and keys compare without
//    regard to ASCII case; only the first section of a name is used.
//  - "key=value": key and value are trimmed of blanks; a value enclosed in a
//    pair of the same quote character (' or ") loses the quotes.
//  - Every other line (comments, blank lines, lines without "=") is kept.
// The text is UTF-8; a leading byte-order mark is kept and skipped.
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

namespace brivonel {

// Whether two section or key names are the same name: equal but for the
// case of ASCII letters, in UTF-8 or UTF-16.
template <class Char>
bool IniNamesEqual(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  const auto lower = [](Char c) { return c >= Char('A') && c <= Char('Z') ? Char(c - 'A' + 'a') : c; };
  return std::ranges::equal(a, b, [&](Char x, Char y) { return lower(x) == lower(y); });
}

// The value of key in section, or nothing when either is missing.
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);

// text with key in section set to value: the key's line is replaced, or a
// line is added after the section's last line that is neither blank nor a
// comment, or the section is appended. New lines use the line ending the
// text already uses. A value with surrounding blanks, or one that reading
// would strip of quotes, is written inside double quotes so that it reads
// back unchanged. Nothing when a name or the value cannot be written (empty
// names, line breaks or NUL, "=" in the key, "]" in the section).
std::optional<std::string> SetIniValue(std::string_view text, std::string_view section,
                                       std::string_view key, std::string_view value);

}  // namespace brivonel
