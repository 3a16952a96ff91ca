// Uncompressed 24-bit bitmaps, and the little-endian helpers and file writer
// that the other encoders share.
#include <fstream>
#include <stdexcept>

#include "tools/sample_generator/image_files.h"

namespace brivonel::samples {

void PutU16(Bytes& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutU32(Bytes& out, std::uint32_t value) {
  PutU16(out, value & 0xFFFFu);
  PutU16(out, value >> 16);
}

Bytes EncodeBmp(const Image& image) {
  const std::uint32_t rowBytes = (static_cast<std::uint32_t>(image.width) * 3 + 3) & ~3u;
  const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(image.height);
  Bytes out;
  out.insert(out.end(), {'B', 'M'});
  PutU32(out, 54 + pixelBytes);
  PutU32(out, 0);
  PutU32(out, 54);  // pixel data offset
  PutU32(out, 40);  // info header size
  PutU32(out, static_cast<std::uint32_t>(image.width));
  PutU32(out, static_cast<std::uint32_t>(image.height));  // positive: bottom row first
  PutU16(out, 1);
  PutU16(out, 24);
  PutU32(out, 0);  // uncompressed
  PutU32(out, pixelBytes);
  PutU32(out, 2835);  // 72 dots per inch
  PutU32(out, 2835);
  PutU32(out, 0);
  PutU32(out, 0);
  for (int y = image.height - 1; y >= 0; --y) {
    const std::size_t start = out.size();
    for (int x = 0; x < image.width; ++x) {
      const std::uint8_t* p = image.At(x, y);
      out.insert(out.end(), {p[2], p[1], p[0]});
    }
    out.resize(start + rowBytes, 0);
  }
  return out;
}

void WriteFileBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace brivonel::samples
