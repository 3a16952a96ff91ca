// MappedFile on POSIX systems: open, fstat, mmap.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/unicode.h"
#include "formats/mapped_file.h"

namespace brivonel {

MappedFile MappedFile::Open(std::u16string_view path, std::uint64_t maxBytes) {
  // O_NONBLOCK: opening a FIFO picked by mistake must not wait for a writer.
  const int fd = ::open(ToFsPath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return {};
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd);
    return {};
  }
  const auto size = static_cast<std::uint64_t>(status.st_size);
  if (size > maxBytes) {
    ::close(fd);
    return {Outcome::kTooLarge, nullptr, size};
  }
  // An empty file maps to nothing (mmap refuses a length of 0).
  void* view = nullptr;
  if (size != 0) {
    view = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (view == MAP_FAILED) {
      ::close(fd);
      return {};
    }
    // The decoders walk the file from its start to its end once.
    ::madvise(view, static_cast<std::size_t>(size), MADV_SEQUENTIAL);
  }
  ::close(fd);  // the mapping keeps the file
  return {Outcome::kMapped, static_cast<const std::uint8_t*>(view), size};
}

void MappedFile::Release() noexcept {
  if (data_ != nullptr) ::munmap(const_cast<std::uint8_t*>(data_), static_cast<std::size_t>(fileSize_));
  data_ = nullptr;
}

}  // namespace brivonel
