#include "formats/decoder.h"

#include <filesystem>
#include <fstream>

#include "base/unicode.h"

namespace brivonel {

std::optional<FileBytes> ReadWholeFile(std::u16string_view path) {
  const std::filesystem::path fsPath = ToFsPath(path);
  std::error_code error;
  if (!std::filesystem::is_regular_file(fsPath, error)) return std::nullopt;
  const std::uintmax_t size = std::filesystem::file_size(fsPath, error);
  if (error) return std::nullopt;
  std::ifstream file(fsPath, std::ios::binary);
  if (!file) return std::nullopt;

  FileBytes bytes;
  bytes.data = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(size));
  file.read(reinterpret_cast<char*>(bytes.data.get()), static_cast<std::streamsize>(size));
  // A file that shrank since its size was taken is read as far as it goes.
  bytes.size = static_cast<std::size_t>(file.gcount());
  if (file.bad()) return std::nullopt;
  return bytes;
}

}  // namespace brivonel
