// Run-length encoded TGA: per row, runs of two or more equal pixels become
// run packets and everything else literal packets; no packet crosses a row.
#include <algorithm>
#include <cstring>

#include "tools/sample_generator/image_files.h"

namespace brivonel::samples {

Bytes EncodeTgaRle(const Image& image) {
  Bytes out(18, 0);
  out[2] = 10;  // run-length true colour
  out[12] = static_cast<std::uint8_t>(image.width);
  out[13] = static_cast<std::uint8_t>(image.width >> 8);
  out[14] = static_cast<std::uint8_t>(image.height);
  out[15] = static_cast<std::uint8_t>(image.height >> 8);
  out[16] = 24;
  out[17] = 0;  // bottom row first, left to right

  const auto same = [&](int y, int a, int b) { return std::memcmp(image.At(a, y), image.At(b, y), 3) == 0; };
  const auto put = [&](int x, int y) {
    const std::uint8_t* p = image.At(x, y);
    out.insert(out.end(), {p[2], p[1], p[0]});  // stored blue, green, red
  };
  for (int y = image.height - 1; y >= 0; --y) {
    int x = 0;
    while (x < image.width) {
      int run = 1;
      while (x + run < image.width && run < 128 && same(y, x, x + run)) ++run;
      if (run >= 2) {
        out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
        put(x, y);
        x += run;
        continue;
      }
      // Literal pixels up to the next pair of equal ones.
      int count = 1;
      while (x + count < image.width && count < 128 &&
             !(x + count + 1 < image.width && same(y, x + count, x + count + 1)))
        ++count;
      out.push_back(static_cast<std::uint8_t>(count - 1));
      for (int i = 0; i < count; ++i) put(x + i, y);
      x += count;
    }
  }
  return out;
}

}  // namespace brivonel::samples
