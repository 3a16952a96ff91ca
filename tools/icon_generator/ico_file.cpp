#include "tools/icon_generator/ico_file.h"

#include "formats/writer/byte_writer.h"

namespace brivonel::icons {
namespace {

std::vector<std::uint8_t> EncodeImage(const IconImage& image) {
  const int size = image.size;
  const std::size_t maskRowBytes = static_cast<std::size_t>((size + 31) / 32) * 4;
  writer::ByteWriter out;
  // BITMAPINFOHEADER; the height counts the image and its mask.
  out.U32(40);
  out.U32(static_cast<std::uint32_t>(size));
  out.U32(static_cast<std::uint32_t>(size * 2));
  out.U16(1);   // planes
  out.U16(32);  // bits per pixel
  out.U32(0);   // no compression
  out.U32(static_cast<std::uint32_t>(size * size * 4 + maskRowBytes * size));
  for (int i = 0; i < 4; ++i) out.U32(0);
  for (int row = size - 1; row >= 0; --row)
    out.Bytes(&image.pixels[static_cast<std::size_t>(row) * size * 4], static_cast<std::size_t>(size) * 4);
  for (int row = size - 1; row >= 0; --row) {
    std::vector<std::uint8_t> mask(maskRowBytes, 0);
    for (int x = 0; x < size; ++x) {
      if (image.pixels[(static_cast<std::size_t>(row) * size + x) * 4 + 3] == 0)
        mask[x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
    }
    out.Bytes(mask.data(), mask.size());
  }
  return std::move(out.bytes());
}

}  // namespace

std::vector<std::uint8_t> EncodeIco(const std::vector<IconImage>& images) {
  writer::ByteWriter out;
  out.U16(0);  // reserved
  out.U16(1);  // icon
  out.U16(static_cast<std::uint16_t>(images.size()));
  std::vector<std::vector<std::uint8_t>> encoded;
  for (const IconImage& image : images) encoded.push_back(EncodeImage(image));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    const int size = images[i].size;
    out.U8(static_cast<std::uint8_t>(size == 256 ? 0 : size));  // 0 means 256
    out.U8(static_cast<std::uint8_t>(size == 256 ? 0 : size));
    out.U8(0);   // no palette
    out.U8(0);   // reserved
    out.U16(1);  // planes
    out.U16(32); // bits per pixel
    out.U32(static_cast<std::uint32_t>(encoded[i].size()));
    out.U32(offset);
    offset += static_cast<std::uint32_t>(encoded[i].size());
  }
  for (const auto& image : encoded) out.Bytes(image.data(), image.size());
  return std::move(out.bytes());
}

}  // namespace brivonel::icons
