// Uncompressed 24-bit bitmaps.
#include "formats/writer/byte_writer.h"
#include "tools/sample_generator/image_files.h"

namespace brivonel::samples {

Bytes EncodeBmp(const Image& image) {
  const std::uint32_t rowBytes = (static_cast<std::uint32_t>(image.width) * 3 + 3) & ~3u;
  const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(image.height);
  writer::ByteWriter header;
  header.Bytes("BM", 2).U32(54 + pixelBytes).U32(0).U32(54);  // file size, reserved, pixel offset
  header.U32(40)                                               // info header size
      .I32(image.width)
      .I32(image.height)  // positive: bottom row first
      .U16(1)             // planes
      .U16(24)
      .U32(0)  // uncompressed
      .U32(pixelBytes)
      .U32(2835)  // 72 dots per inch
      .U32(2835)
      .U32(0)
      .U32(0);
  Bytes out = std::move(header.bytes());
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

}  // namespace brivonel::samples
