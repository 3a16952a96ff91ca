#pragma once
// The settings file's bytes as the UTF-8 text the INI reader and editor
// work on, and back. The file may come from Windows, whose private-profile
// functions keep UTF-16 text (with its byte-order mark) when the file starts
// as UTF-16: such a file is read and written back in the encoding it had,
// so that copying it between the two systems loses nothing.
#include <optional>
#include <string>
#include <string_view>

namespace brivonel {

enum class SettingsEncoding { kUtf8, kUtf16Le, kUtf16Be };

struct SettingsText {
  std::string utf8;  // without a UTF-16 byte-order mark (a UTF-8 one is kept)
  SettingsEncoding encoding = SettingsEncoding::kUtf8;
};

// The text of the file's bytes; nothing when they are not text: NUL bytes
// in a file without a UTF-16 byte-order mark, or UTF-16 that does not
// decode (an odd length, a broken surrogate pair, NUL characters). Bytes
// that are not valid UTF-8 are kept as they are, as the reader always did.
std::optional<SettingsText> DecodeSettingsText(std::string_view bytes);

// The bytes to write for text in encoding (with the byte-order mark for
// UTF-16); the inverse of DecodeSettingsText.
std::string EncodeSettingsText(std::string_view utf8, SettingsEncoding encoding);

}  // namespace brivonel
