#include "formats/mapped_file.h"

#include <utility>

namespace brivonel {

MappedFile::MappedFile(MappedFile&& other) noexcept
    : outcome_(std::exchange(other.outcome_, Outcome::kCannotOpen)),
      data_(std::exchange(other.data_, nullptr)),
      fileSize_(std::exchange(other.fileSize_, 0)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    Release();
    outcome_ = std::exchange(other.outcome_, Outcome::kCannotOpen);
    data_ = std::exchange(other.data_, nullptr);
    fileSize_ = std::exchange(other.fileSize_, 0);
  }
  return *this;
}

}  // namespace brivonel
