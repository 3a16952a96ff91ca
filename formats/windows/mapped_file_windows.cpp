// MappedFile on Windows: CreateFileW, a read-only file mapping, one view.
#include <windows.h>

#include <string>

#include "formats/mapped_file.h"

namespace brivonel {

MappedFile MappedFile::Open(std::u16string_view path, std::uint64_t maxBytes) {
  const std::u16string terminated(path);
  // Other programs may go on reading and writing the file; a folder does
  // not open without backup semantics, and devices are refused below.
  const HANDLE file =
      CreateFileW(reinterpret_cast<const wchar_t*>(terminated.c_str()), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  LARGE_INTEGER size{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size) || size.QuadPart < 0) {
    CloseHandle(file);
    return {};
  }
  const auto fileSize = static_cast<std::uint64_t>(size.QuadPart);
  if (fileSize > maxBytes) {
    CloseHandle(file);
    return {Outcome::kTooLarge, nullptr, fileSize};
  }
  // An empty file cannot be mapped: it is read as no bytes.
  const void* view = nullptr;
  if (fileSize != 0) {
    const HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping != nullptr) {
      view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
      CloseHandle(mapping);  // the view keeps the mapping
    }
    if (view == nullptr) {
      CloseHandle(file);
      return {};
    }
  }
  CloseHandle(file);
  return {Outcome::kMapped, static_cast<const std::uint8_t*>(view), fileSize};
}

void MappedFile::Release() noexcept {
  if (data_ != nullptr) UnmapViewOfFile(data_);
  data_ = nullptr;
}

}  // namespace brivonel
