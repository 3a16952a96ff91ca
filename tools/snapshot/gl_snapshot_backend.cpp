#include "tools/snapshot/gl_snapshot_backend.h"

#include <png.h>

#include <cstdio>

#include "render/linux/image_codecs_linux.h"

namespace brivonel::snapshot {

void GlSnapshotBackend::InstallImageLoaders() { RegisterLinuxImageCodecs(); }

bool GlSnapshotBackend::WritePng(const std::filesystem::path& path, std::int32_t width,
                                 std::int32_t height, const std::vector<std::uint8_t>& rgba,
                                 std::string* error) {
  return WritePngFile(path, width, height, rgba, error);
}

bool WritePngFile(const std::filesystem::path& path, std::int32_t width, std::int32_t height,
                  const std::vector<std::uint8_t>& rgba, std::string* error) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGBA;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    *error = "cannot be created";
    return false;
  }
  const int written = png_image_write_to_stdio(&image, file, 0, rgba.data(), width * 4, nullptr);
  const bool closed = std::fclose(file) == 0;
  if (written == 0 || !closed) {
    *error = std::string("cannot be written: ") +
             (written == 0 ? image.message : "the disk refused the data");
    png_image_free(&image);
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return false;
  }
  return true;
}

}  // namespace brivonel::snapshot
