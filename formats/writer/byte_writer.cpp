#include "formats/writer/byte_writer.h"

#include <fstream>
#include <stdexcept>
#include <unordered_map>

#include "base/unicode.h"

namespace brivonel::writer {
namespace {

#include "formats/cp932_table.inc"

// UTF-16 unit -> Shift-JIS bytes (one byte, or lead << 8 | trail); the first
// byte sequence in code order wins where several decode to one character.
const std::unordered_map<char16_t, std::uint16_t>& EncodeTable() {
  static const auto table = [] {
    std::unordered_map<char16_t, std::uint16_t> map;
    for (unsigned b = 0; b < 256; ++b) {
      if (kCp932Single[b] != 0 || b == 0) map.emplace(kCp932Single[b], static_cast<std::uint16_t>(b));
    }
    unsigned row = 0;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
      if (lead > 0x9F && lead < 0xE0) continue;
      for (unsigned trail = 0; trail < 256; ++trail) {
        const char16_t c = kCp932Double[row * 256 + trail];
        if (c != 0 && c != 0x30FB) map.emplace(c, static_cast<std::uint16_t>(lead << 8 | trail));
      }
      ++row;
    }
    map.emplace(char16_t{0x30FB}, std::uint16_t{0x8145});  // the middle dot itself
    return map;
  }();
  return table;
}

}  // namespace

ByteWriter& ByteWriter::Bytes(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  bytes_.insert(bytes_.end(), p, p + size);
  return *this;
}

ByteWriter& ByteWriter::Index(std::int64_t value, int size) {
  const auto v = static_cast<std::uint64_t>(value);
  switch (size) {
    case 1: return U8(static_cast<std::uint8_t>(v));
    case 2: return U16(static_cast<std::uint16_t>(v));
    default: return U32(static_cast<std::uint32_t>(v));
  }
}

ByteWriter& ByteWriter::Field(std::string_view text, std::size_t size) {
  const std::size_t n = text.size() < size ? text.size() : size;
  Bytes(text.data(), n);
  bytes_.insert(bytes_.end(), size - n, 0);
  return *this;
}

ByteWriter& ByteWriter::PmxText(std::u16string_view text, int encoding) {
  if (encoding == 0) {
    I32(static_cast<std::int32_t>(text.size() * 2));
    for (char16_t c : text) U16(c);
  } else {
    const std::string utf8 = Utf16ToUtf8(text);
    I32(static_cast<std::int32_t>(utf8.size()));
    Bytes(utf8.data(), utf8.size());
  }
  return *this;
}

std::string WideToShiftJis(std::u16string_view text) {
  const auto& table = EncodeTable();
  std::string out;
  for (char16_t c : text) {
    const auto it = table.find(c);
    if (it == table.end()) {
      out.push_back('?');
    } else if (it->second > 0xFF) {
      out.push_back(static_cast<char>(it->second >> 8));
      out.push_back(static_cast<char>(it->second & 0xFF));
    } else {
      out.push_back(static_cast<char>(it->second));
    }
  }
  return out;
}

void SetShiftJisField(std::uint8_t* field, std::size_t fieldSize, std::u16string_view name) {
  const std::string bytes = WideToShiftJis(name);
  std::memset(field, 0, fieldSize);
  std::memcpy(field, bytes.data(), bytes.size() < fieldSize ? bytes.size() : fieldSize);
}

void WriteFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace brivonel::writer
