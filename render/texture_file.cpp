#include "render/texture_file.h"

#include <filesystem>

#include "base/unicode.h"
#include "render/texture_limits.h"

namespace brivonel {

HResult HResultFromFileError(const std::error_code& error) {
  // Windows error numbers for the failures that can reach here.
  constexpr std::uint32_t kFileNotFound = 2;
  constexpr std::uint32_t kPathNotFound = 3;
  constexpr std::uint32_t kAccessDenied = 5;
  constexpr std::uint32_t kSharingViolation = 32;
  constexpr std::uint32_t kFilenameTooLong = 206;
  const std::error_condition condition = error.default_error_condition();
  if (condition == std::errc::no_such_file_or_directory) {
    return HResultFromSystemError(kFileNotFound);
  }
  if (condition == std::errc::not_a_directory) return HResultFromSystemError(kPathNotFound);
  if (condition == std::errc::permission_denied || condition == std::errc::operation_not_permitted ||
      condition == std::errc::is_a_directory) {
    return HResultFromSystemError(kAccessDenied);
  }
  if (condition == std::errc::device_or_resource_busy) {
    return HResultFromSystemError(kSharingViolation);
  }
  if (condition == std::errc::filename_too_long) return HResultFromSystemError(kFilenameTooLong);
  return kEFail;
}

HResult TextureFile::Open(std::u16string_view path) {
  const std::filesystem::path fsPath = ToFsPath(path);
  std::error_code error;
  const auto status = std::filesystem::status(fsPath, error);
  if (error) return HResultFromFileError(error);
  if (std::filesystem::is_directory(status)) {
    return HResultFromFileError(std::make_error_code(std::errc::is_a_directory));
  }
  const std::uintmax_t size = std::filesystem::file_size(fsPath, error);
  if (error) return HResultFromFileError(error);
  if (size > kMaxTextureFileBytes) return kFileTooLarge;
  stream_.open(fsPath, std::ios::binary);
  if (!stream_.is_open()) {
    return HResultFromFileError(std::make_error_code(std::errc::permission_denied));
  }
  size_ = static_cast<std::uint64_t>(size);
  position_ = 0;
  return kSOk;
}

std::uint64_t TextureFile::Read(void* destination, std::uint64_t count) {
  if (count > remaining()) count = remaining();
  if (count == 0) return 0;
  stream_.read(static_cast<char*>(destination), static_cast<std::streamsize>(count));
  const auto got = static_cast<std::uint64_t>(stream_.gcount());
  position_ += got;
  if (got < count) size_ = position_;  // the file shrank: nothing more to read
  return got;
}

}  // namespace brivonel
