#include "app/linux/settings_file_text.h"

#include <cstdint>

#include "base/unicode.h"

namespace brivonel {
namespace {

constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The UTF-16 units of bytes (after the mark); nothing when they are not
// text that converts to UTF-8 and back unchanged.
std::optional<std::u16string> Utf16Units(std::string_view bytes, bool bigEndian) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto first = static_cast<std::uint8_t>(bytes[2 * i]);
    const auto second = static_cast<std::uint8_t>(bytes[2 * i + 1]);
    units[i] = static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
  }
  for (std::size_t i = 0; i < units.size(); ++i) {
    if (units[i] == u'\0' || IsLowSurrogate(units[i])) return std::nullopt;
    if (IsHighSurrogate(units[i])) {
      if (i + 1 == units.size() || !IsLowSurrogate(units[i + 1])) return std::nullopt;
      ++i;
    }
  }
  return units;
}

}  // namespace

std::optional<SettingsText> DecodeSettingsText(std::string_view bytes) {
  for (const auto& [mark, encoding] : {std::pair{kUtf16LeMark, SettingsEncoding::kUtf16Le},
                                       std::pair{kUtf16BeMark, SettingsEncoding::kUtf16Be}}) {
    if (!bytes.starts_with(mark)) continue;
    const std::optional<std::u16string> units =
        Utf16Units(bytes.substr(mark.size()), encoding == SettingsEncoding::kUtf16Be);
    if (!units) return std::nullopt;
    return SettingsText{Utf16ToUtf8(*units), encoding};
  }
  if (bytes.find('\0') != std::string_view::npos) return std::nullopt;
  return SettingsText{std::string(bytes), SettingsEncoding::kUtf8};
}

std::string EncodeSettingsText(std::string_view utf8, SettingsEncoding encoding) {
  if (encoding == SettingsEncoding::kUtf8) return std::string(utf8);
  const bool bigEndian = encoding == SettingsEncoding::kUtf16Be;
  const std::u16string units = Utf8ToUtf16(utf8);
  std::string bytes(bigEndian ? kUtf16BeMark : kUtf16LeMark);
  bytes.reserve(bytes.size() + units.size() * 2);
  for (const char16_t unit : units) {
    const auto high = static_cast<char>(unit >> 8);
    const auto low = static_cast<char>(unit & 0xFF);
    bytes.push_back(bigEndian ? high : low);
    bytes.push_back(bigEndian ? low : high);
  }
  return bytes;
}

}  // namespace brivonel
