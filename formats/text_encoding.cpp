#include "formats/text_encoding.h"

#include <cstring>

#include "base/unicode.h"
#include "formats/decoder.h"

namespace brivonel {
namespace {

#include "formats/cp932_table.inc"

constexpr char16_t kNoCharacter = 0x30FB;

// Row of a lead byte in kCp932Double, or -1 for a byte that leads nothing.
int LeadRow(std::uint8_t b) {
  if (b >= 0x81 && b <= 0x9F) return b - 0x81;
  if (b >= 0xE0 && b <= 0xFC) return b - 0xE0 + 31;
  return -1;
}

}  // namespace

int ShiftJisToWide(std::string_view bytes, std::u16string& out) {
  const std::size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  if (bytes.empty()) {
    out.assign(1, u'\0');
    return 0;
  }
  out.clear();
  out.reserve(bytes.size());
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n;) {
    const std::uint8_t b = p[i];
    const char16_t single = kCp932Single[b];
    if (single != 0) {
      out.push_back(single);
      ++i;
      continue;
    }
    const int row = LeadRow(b);
    if (row >= 0 && i + 1 < n) {
      const char16_t pair = kCp932Double[row * 256 + p[i + 1]];
      if (pair != 0) {
        out.push_back(pair);
        i += 2;
        continue;
      }
    }
    out.push_back(kNoCharacter);
    ++i;
  }
  return static_cast<int>(out.size());
}

int ShiftJisToWide(const char* bytes, std::u16string& out) {
  return ShiftJisToWide(std::string_view(bytes != nullptr ? bytes : ""), out);
}

int ReadText(BinaryCursor& cursor, int encoding, std::u16string& out) {
  const std::size_t lengthOffset = cursor.offset();
  const std::int32_t length = cursor.ReadI32();
  if (length < 0) {
    throw FormatRefused("negative text length " + std::to_string(length) + " at byte " +
                        std::to_string(lengthOffset));
  }
  if (length == 0) return 0;
  const std::uint8_t* bytes = cursor.Take(static_cast<std::size_t>(length));
  if (encoding == kPmxUtf16) {
    const std::size_t units = (static_cast<std::size_t>(length) + 1) / 2;
    out.resize(units);
    std::memcpy(out.data(), bytes, static_cast<std::size_t>(length));
    const std::size_t nul = out.find(u'\0');
    if (nul != std::u16string::npos) out.resize(nul);
  } else {
    out = Utf8ToUtf16(
        std::string_view(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length)));
  }
  return static_cast<int>(out.size());
}

std::int32_t ReadIndex(BinaryCursor& cursor, int size, bool isSigned) {
  switch (size) {
    case 1: {
      const std::uint8_t v = cursor.ReadU8();
      return isSigned ? static_cast<std::int8_t>(v) : v;
    }
    case 2: {
      const std::uint16_t v = cursor.ReadU16();
      return isSigned ? static_cast<std::int16_t>(v) : v;
    }
    case 4:
      return cursor.ReadI32();
    default:
      throw FormatRefused("index size " + std::to_string(size) + " at byte " +
                          std::to_string(cursor.offset()));
  }
}

}  // namespace brivonel
