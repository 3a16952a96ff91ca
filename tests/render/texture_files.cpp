#include "tests/render/texture_files.h"

#include <fstream>

#include "base/unicode.h"

namespace brivonel::test {

void PutU32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void AppendU32(Bytes& bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void AppendU16(Bytes& bytes, std::uint16_t value) {
  bytes.push_back(static_cast<std::uint8_t>(value));
  bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::u16string U16Path(const std::filesystem::path& path) { return FromFsPath(path); }

std::uint32_t FourCC(const char (&code)[5]) {
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[0])) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[1])) << 8) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[2])) << 16) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[3])) << 24);
}

Bytes DdsHeader(const DdsRecipe& recipe) {
  Bytes bytes(128, 0);
  PutU32(bytes, 0, 0x20534444);
  PutU32(bytes, 4, 124);
  PutU32(bytes, 8, recipe.headerFlags);
  PutU32(bytes, 12, recipe.height);
  PutU32(bytes, 16, recipe.width);
  PutU32(bytes, 24, recipe.depth);
  PutU32(bytes, 28, recipe.mipCount);
  PutU32(bytes, 76, 32);
  PutU32(bytes, 80, recipe.dx10 ? 0x4 : recipe.pixelFlags);
  PutU32(bytes, 84, recipe.dx10 ? FourCC("DX10") : recipe.fourCC);
  PutU32(bytes, 88, recipe.bitCount);
  for (int i = 0; i < 4; ++i) PutU32(bytes, 92 + 4 * i, recipe.masks[i]);
  PutU32(bytes, 108, 0x1000);
  PutU32(bytes, 112, recipe.caps2);
  if (recipe.dx10) {
    AppendU32(bytes, recipe.dxgiFormat);
    AppendU32(bytes, recipe.resourceDimension);
    AppendU32(bytes, recipe.miscFlag);
    AppendU32(bytes, recipe.arraySize);
    AppendU32(bytes, recipe.miscFlags2);
  }
  return bytes;
}

Bytes TgaHeader(const TgaRecipe& recipe) {
  Bytes bytes(18, 0);
  bytes[0] = recipe.idLength;
  bytes[1] = recipe.colorMapType;
  bytes[2] = recipe.imageType;
  bytes[5] = static_cast<std::uint8_t>(recipe.colorMapLength);
  bytes[6] = static_cast<std::uint8_t>(recipe.colorMapLength >> 8);
  bytes[12] = static_cast<std::uint8_t>(recipe.width);
  bytes[13] = static_cast<std::uint8_t>(recipe.width >> 8);
  bytes[14] = static_cast<std::uint8_t>(recipe.height);
  bytes[15] = static_cast<std::uint8_t>(recipe.height >> 8);
  bytes[16] = recipe.bitsPerPixel;
  bytes[17] = recipe.descriptor;
  for (int i = 0; i < recipe.idLength; ++i) bytes.push_back(static_cast<std::uint8_t>('i'));
  return bytes;
}

}  // namespace brivonel::test
