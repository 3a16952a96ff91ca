#pragma once
// Text in model and motion files: fixed-size Shift-JIS (code page 932) fields
// in PMD and VMD files, length-prefixed UTF-16LE or UTF-8 texts in PMX files,
// and the PMX index fields whose width the file header sets.
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/binary_cursor.h"

namespace brivonel {

// Converts the bytes up to the first NUL from code page 932 and returns the
// number of characters produced. An empty input returns 0 and leaves one NUL
// character in out. The table is our own (formats/cp932_table.inc), so every
// platform gives the same result; it never fails:
//  - single bytes map as Windows maps them, 0x80 -> U+0080, 0xA0 -> U+F8F0,
//    0xFD..0xFF -> U+F8F1..U+F8F3;
//  - a lead byte (0x81-0x9F, 0xE0-0xFC) followed by a trail byte (0x40-0x7E,
//    0x80-0xFC) is one character, U+30FB when the pair has none;
//  - a lead byte followed by any other byte, or by the end, becomes U+30FB on
//    its own, and the byte after it is converted afresh.
int ShiftJisToWide(std::string_view bytes, std::u16string& out);
int ShiftJisToWide(const char* bytes, std::u16string& out);

// Text encodings of PMX files (header byte 0).
enum PmxTextEncoding : std::uint8_t { kPmxUtf16 = 0, kPmxUtf8 = 1 };

// Reads a PMX text: a signed 32-bit byte length and that many bytes. Length 0
// leaves out unchanged and returns 0. UTF-16LE text ends at its first NUL
// character (an odd last byte counts as a character of its own); UTF-8 text
// is converted whole, invalid sequences becoming U+FFFD. Returns the length
// of out. A negative length raises FormatRefused.
int ReadText(BinaryCursor& cursor, int encoding, std::u16string& out);

// Reads an index of 1, 2 or 4 bytes. One and two bytes widen signed or
// unsigned as the field's kind requires; four bytes are always signed. Any
// other size raises FormatRefused.
std::int32_t ReadIndex(BinaryCursor& cursor, int size, bool isSigned);

}  // namespace brivonel
