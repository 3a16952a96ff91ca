#pragma once
// Reading a texture file with every read bounded by the file's size: the DDS
// and TGA loaders (and the platform codec loaders) never trust a header's
// sizes before checking them against what the file holds.
#include <cstdint>
#include <fstream>
#include <string_view>
#include <system_error>

#include "base/hresult.h"

namespace brivonel {

// The Windows result code for a failed file-system operation, so the same
// failure gives the same code on every platform (missing file 0x80070002,
// access denied 0x80070005, ...).
HResult HResultFromFileError(const std::error_code& error);

class TextureFile {
 public:
  // Opens an existing file for reading. Files of 4 GiB or more give
  // kFileTooLarge; file-system failures their system result code.
  HResult Open(std::u16string_view path);

  std::uint64_t size() const { return size_; }
  std::uint64_t position() const { return position_; }
  std::uint64_t remaining() const { return size_ - position_; }

  // Reads up to count bytes (never past the size known at Open) and returns
  // how many were read.
  std::uint64_t Read(void* destination, std::uint64_t count);
  // Reads exactly count bytes or fails.
  bool ReadExact(void* destination, std::uint64_t count) {
    return Read(destination, count) == count;
  }

 private:
  std::ifstream stream_;
  std::uint64_t size_ = 0;
  std::uint64_t position_ = 0;
};

}  // namespace brivonel
