#pragma once
// Conversions between the core's UTF-16 strings and UTF-8. Every string the
// core keeps in memory is UTF-16 (std::u16string), on every platform, so that
// names compare and sort the same way on Windows and Linux.
#include <filesystem>
#include <string>
#include <string_view>

namespace brivonel {

// Invalid sequences become U+FFFD; the conversion never fails.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// A file-system path from a UTF-16 path, for opening files portably.
std::filesystem::path ToFsPath(std::u16string_view path);
std::u16string FromFsPath(const std::filesystem::path& path);

}  // namespace brivonel
