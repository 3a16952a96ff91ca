#include "app/linux/small_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace brivonel {
namespace {

// Closes the descriptor when the read is over, whichever way it ends.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

SmallFile ReadSmallFile(const std::filesystem::path& path, std::size_t maxBytes) {
  SmallFile file;
  // O_NONBLOCK: a FIFO in the file's place must not wait for a writer.
  const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    if (errno == ENOENT) file.outcome = SmallFile::Outcome::kMissing;
    return file;
  }
  struct stat status {};
  if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) return file;
  file.size = static_cast<std::uint64_t>(status.st_size);
  if (file.size > maxBytes) {
    file.outcome = SmallFile::Outcome::kTooLarge;
    return file;
  }
  // One byte more than fstat said tells a file that grew since; it is read
  // on up to one byte past the bound.
  file.bytes.resize(static_cast<std::size_t>(file.size) + 1);
  std::size_t total = 0;
  for (;;) {
    if (total == file.bytes.size()) {
      if (total > maxBytes) break;
      file.bytes.resize(maxBytes + 1);
    }
    const ssize_t got = ::read(fd.get(), file.bytes.data() + total, file.bytes.size() - total);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return SmallFile{};
    if (got == 0) break;
    total += static_cast<std::size_t>(got);
  }
  if (total > maxBytes) {
    file.bytes.clear();
    file.size = total;
    file.outcome = SmallFile::Outcome::kTooLarge;
    return file;
  }
  file.bytes.resize(total);
  file.size = total;
  file.outcome = SmallFile::Outcome::kRead;
  return file;
}

}  // namespace brivonel
