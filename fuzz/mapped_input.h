#pragma once
// The fuzz input as a file that the decoders open and map, the way the
// programs read every model and motion: an anonymous file in memory,
// rewritten for each input and opened through its /proc name.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace brivonel::fuzz {

class MappedInput {
 public:
  MappedInput() : fd_(::memfd_create("fuzz-input", MFD_CLOEXEC)) {
    if (fd_ < 0) std::abort();
    const std::string path = "/proc/self/fd/" + std::to_string(fd_);
    path_.assign(path.begin(), path.end());
  }

  // The path of a file holding exactly size bytes of data.
  const std::u16string& Hold(const std::uint8_t* data, std::size_t size) {
    if (::ftruncate(fd_, 0) != 0) std::abort();
    if (size != 0 && ::pwrite(fd_, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    return path_;
  }

 private:
  int fd_;
  std::u16string path_;
};

inline const std::u16string& HoldAsFile(const std::uint8_t* data, std::size_t size) {
  static MappedInput input;
  return input.Hold(data, size);
}

}  // namespace brivonel::fuzz
