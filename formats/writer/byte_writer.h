#pragma once
// Little-endian byte output for the PMX, PMD and VMD writers, also usable on
// its own to put together a file field by field (tests write broken files
// this way).
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "base/math.h"

namespace brivonel::writer {

class ByteWriter {
 public:
  template <typename T>
  ByteWriter& Put(const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    return Bytes(&value, sizeof value);
  }
  // Out of line: GCC 12 misjudges the vector's growth when a chain of small
  // writes is inlined (-Wstringop-overflow, -Warray-bounds).
  ByteWriter& Bytes(const void* data, std::size_t size);
  ByteWriter& U8(std::uint8_t v) { return Put(v); }
  ByteWriter& U16(std::uint16_t v) { return Put(v); }
  ByteWriter& I32(std::int32_t v) { return Put(v); }
  ByteWriter& U32(std::uint32_t v) { return Put(v); }
  ByteWriter& F32(float v) { return Put(v); }
  // An index of 1, 2 or 4 bytes: the low bytes of value (-1 as 0xFF, 0xFFFF).
  ByteWriter& Index(std::int64_t value, int size);
  // A byte field of exactly size bytes: text (already encoded) cut or padded
  // with zeros.
  ByteWriter& Field(std::string_view text, std::size_t size);
  // A PMX text: byte length, then UTF-16LE (encoding 0) or UTF-8 (1).
  ByteWriter& PmxText(std::u16string_view text, int encoding);

  std::size_t size() const { return bytes_.size(); }
  std::vector<std::uint8_t>& bytes() { return bytes_; }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Code page 932 bytes of text (the inverse of the decoders' table); a
// character without Shift-JIS bytes becomes "?".
std::string WideToShiftJis(std::u16string_view text);

// Copies the Shift-JIS bytes of name into a fixed field of fieldSize bytes,
// cut at fieldSize, the rest zero.
void SetShiftJisField(std::uint8_t* field, std::size_t fieldSize, std::u16string_view name);

// Writes bytes to path, replacing the file; throws std::runtime_error on failure.
void WriteFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

}  // namespace brivonel::writer
