#pragma once
// Builders of small DDS and TGA files for the loader tests.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace brivonel::test {

using Bytes = std::vector<std::uint8_t>;

void PutU32(Bytes& bytes, std::size_t offset, std::uint32_t value);
void AppendU32(Bytes& bytes, std::uint32_t value);
void AppendU16(Bytes& bytes, std::uint16_t value);
void WriteBytes(const std::filesystem::path& path, const Bytes& bytes);
std::u16string U16Path(const std::filesystem::path& path);

struct DdsRecipe {
  std::uint32_t width = 4;
  std::uint32_t height = 4;
  std::uint32_t depth = 0;
  std::uint32_t mipCount = 0;
  std::uint32_t headerFlags = 0x1007;  // caps, height, width, pixel format
  std::uint32_t pixelFlags = 0x41;
  std::uint32_t fourCC = 0;
  std::uint32_t bitCount = 32;
  std::uint32_t masks[4] = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
  std::uint32_t caps2 = 0;
  bool dx10 = false;
  std::uint32_t dxgiFormat = 28;
  std::uint32_t resourceDimension = 3;
  std::uint32_t miscFlag = 0;
  std::uint32_t arraySize = 1;
  std::uint32_t miscFlags2 = 0;
};

// The 128-byte header, plus the 20-byte extended header when recipe.dx10.
Bytes DdsHeader(const DdsRecipe& recipe);
std::uint32_t FourCC(const char (&code)[5]);

struct TgaRecipe {
  std::uint8_t idLength = 0;
  std::uint8_t colorMapType = 0;
  std::uint8_t imageType = 2;
  std::uint16_t colorMapLength = 0;
  std::uint16_t width = 2;
  std::uint16_t height = 2;
  std::uint8_t bitsPerPixel = 32;
  std::uint8_t descriptor = 0x20;
};

// The 18-byte header followed by idLength bytes of identification.
Bytes TgaHeader(const TgaRecipe& recipe);

}  // namespace brivonel::test
