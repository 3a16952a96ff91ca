// PNG through libpng's simplified writer, which marks 8-bit colour with an
// sRGB chunk so that readers take the colours as sRGB-encoded.
#include <png.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "tools/sample_generator/image_files.h"

namespace brivonel::samples {

Bytes EncodePngSrgb(const Image& image) {
  png_image description;
  std::memset(&description, 0, sizeof description);
  description.version = PNG_IMAGE_VERSION;
  description.width = static_cast<png_uint_32>(image.width);
  description.height = static_cast<png_uint_32>(image.height);
  description.format = PNG_FORMAT_RGB;

  std::vector<std::uint8_t> rgb;
  rgb.reserve(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
  for (std::size_t i = 0; i < image.rgba.size(); i += 4)
    rgb.insert(rgb.end(), image.rgba.begin() + static_cast<std::ptrdiff_t>(i),
               image.rgba.begin() + static_cast<std::ptrdiff_t>(i + 3));

  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&description, nullptr, &size, 0, rgb.data(), 0, nullptr))
    throw std::runtime_error(std::string("PNG encoding failed: ") + description.message);
  Bytes out(size);
  if (!png_image_write_to_memory(&description, out.data(), &size, 0, rgb.data(), 0, nullptr))
    throw std::runtime_error(std::string("PNG encoding failed: ") + description.message);
  out.resize(size);
  png_image_free(&description);
  return out;
}

}  // namespace brivonel::samples
