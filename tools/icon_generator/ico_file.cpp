#include "tools/icon_generator/ico_file.h"

namespace brivonel::icons {
namespace {

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFFu);
  Put16(out, value >> 16);
}

std::vector<std::uint8_t> EncodeImage(const IconImage& image) {
  const int size = image.size;
  const std::size_t maskRowBytes = static_cast<std::size_t>((size + 31) / 32) * 4;
  std::vector<std::uint8_t> out;
  // BITMAPINFOHEADER; the height counts the image and its mask.
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(size));
  Put32(out, static_cast<std::uint32_t>(size * 2));
  Put16(out, 1);   // planes
  Put16(out, 32);  // bits per pixel
  Put32(out, 0);   // no compression
  Put32(out, static_cast<std::uint32_t>(size * size * 4 + maskRowBytes * size));
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  for (int row = size - 1; row >= 0; --row) {
    const std::uint8_t* line = &image.pixels[static_cast<std::size_t>(row) * size * 4];
    out.insert(out.end(), line, line + static_cast<std::size_t>(size) * 4);
  }
  for (int row = size - 1; row >= 0; --row) {
    std::vector<std::uint8_t> mask(maskRowBytes, 0);
    for (int x = 0; x < size; ++x) {
      if (image.pixels[(static_cast<std::size_t>(row) * size + x) * 4 + 3] == 0)
        mask[x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
    }
    out.insert(out.end(), mask.begin(), mask.end());
  }
  return out;
}

}  // namespace

std::vector<std::uint8_t> EncodeIco(const std::vector<IconImage>& images) {
  std::vector<std::uint8_t> out;
  Put16(out, 0);  // reserved
  Put16(out, 1);  // icon
  Put16(out, static_cast<unsigned>(images.size()));
  std::vector<std::vector<std::uint8_t>> encoded;
  for (const IconImage& image : images) encoded.push_back(EncodeImage(image));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    const int size = images[i].size;
    out.push_back(static_cast<std::uint8_t>(size == 256 ? 0 : size));  // 0 means 256
    out.push_back(static_cast<std::uint8_t>(size == 256 ? 0 : size));
    out.push_back(0);  // no palette
    out.push_back(0);  // reserved
    Put16(out, 1);     // planes
    Put16(out, 32);    // bits per pixel
    Put32(out, static_cast<std::uint32_t>(encoded[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(encoded[i].size());
  }
  for (const auto& image : encoded) out.insert(out.end(), image.begin(), image.end());
  return out;
}

}  // namespace brivonel::icons
