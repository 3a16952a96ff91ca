#pragma once
// A file's bytes for a decoder, mapped into memory instead of copied: the
// process then holds only the pages the decoder touches, and a file larger
// than its kind may be is refused from its size alone, before any byte is
// read. The operating system's half (opening and mapping) lives in
// formats/posix and formats/windows; the build links the one that fits.
#include <cstdint>
#include <span>
#include <string_view>

namespace brivonel {

class MappedFile {
 public:
  enum class Outcome {
    kMapped,      // bytes() holds the whole file (nothing for an empty one)
    kCannotOpen,  // missing, a folder or a device, no permission
    kTooLarge,    // larger than the bound given: nothing was mapped
  };

  // Opens path read-only and maps it when it is a regular file of at most
  // maxBytes; fileSize() is the size found either way.
  static MappedFile Open(std::u16string_view path, std::uint64_t maxBytes);

  MappedFile() = default;
  ~MappedFile() { Release(); }
  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  Outcome outcome() const { return outcome_; }
  bool mapped() const { return outcome_ == Outcome::kMapped; }
  std::uint64_t fileSize() const { return fileSize_; }
  std::span<const std::uint8_t> bytes() const {
    return {data_, static_cast<std::size_t>(mapped() ? fileSize_ : 0)};
  }

 private:
  MappedFile(Outcome outcome, const std::uint8_t* data, std::uint64_t fileSize)
      : outcome_(outcome), data_(data), fileSize_(fileSize) {}
  // Unmaps the view (the platform's half); nothing when none is held.
  void Release() noexcept;

  Outcome outcome_ = Outcome::kCannotOpen;
  const std::uint8_t* data_ = nullptr;
  std::uint64_t fileSize_ = 0;
};

}  // namespace brivonel
