#pragma once
// Bounds-checked reading of a file held in memory. Every decoder reads the
// whole file once and then walks it with a BinaryCursor: a read that would
// pass the end raises FileEndsEarly, so no read ever leaves the buffer.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ios>
#include <span>
#include <string>
#include <type_traits>

namespace brivonel {

// "The file ends early": a field, list or text needs more bytes than the file
// has left. It is the stream failure of the decoders (a std::ios_base::failure)
// and carries the byte offset at which the field that did not fit starts.
class FileEndsEarly : public std::ios_base::failure {
 public:
  explicit FileEndsEarly(std::uint64_t offset)
      : std::ios_base::failure("file ends early"),
        offset_(offset),
        message_("file ends early at byte " + std::to_string(offset)) {}

  std::uint64_t offset() const { return offset_; }
  // "file ends early at byte N"
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::uint64_t offset_;
  std::string message_;
};

class BinaryCursor {
 public:
  explicit BinaryCursor(std::span<const std::uint8_t> data) : data_(data) {}

  std::size_t offset() const { return offset_; }
  std::size_t size() const { return data_.size(); }
  std::size_t remaining() const { return data_.size() - offset_; }
  bool AtEnd() const { return offset_ == data_.size(); }

  // Throws FileEndsEarly unless byteCount more bytes are there.
  void Require(std::size_t byteCount) const {
    if (byteCount > remaining()) throw FileEndsEarly(offset_);
  }

  // Throws FileEndsEarly unless count elements of at least elementSize bytes
  // each can still follow: lists are checked against the file before they are
  // allocated, so a huge count in a small file never allocates.
  void RequireList(std::uint64_t count, std::size_t elementSize) const {
    if (elementSize != 0 && count > remaining() / elementSize) throw FileEndsEarly(offset_);
  }

  // A pointer to the next byteCount bytes, which the cursor then passes.
  const std::uint8_t* Take(std::size_t byteCount) {
    Require(byteCount);
    const std::uint8_t* p = data_.data() + offset_;
    offset_ += byteCount;
    return p;
  }

  void Skip(std::size_t byteCount) { Take(byteCount); }

  // Little-endian trivially copyable value (integers, floats, float vectors).
  template <typename T>
  T Read() {
    static_assert(std::is_trivially_copyable_v<T>);
    T value;
    std::memcpy(&value, Take(sizeof(T)), sizeof(T));
    return value;
  }

  void ReadBytes(void* destination, std::size_t byteCount) {
    std::memcpy(destination, Take(byteCount), byteCount);
  }

  // Reads what is left of byteCount bytes (a short read at the end of the
  // file); returns the number of bytes copied.
  std::size_t ReadAvailable(void* destination, std::size_t byteCount) {
    const std::size_t n = byteCount < remaining() ? byteCount : remaining();
    if (n != 0) std::memcpy(destination, data_.data() + offset_, n);
    offset_ += n;
    return n;
  }

  std::uint8_t ReadU8() { return *Take(1); }
  std::int8_t ReadI8() { return static_cast<std::int8_t>(*Take(1)); }
  std::uint16_t ReadU16() { return Read<std::uint16_t>(); }
  std::int32_t ReadI32() { return Read<std::int32_t>(); }
  std::uint32_t ReadU32() { return Read<std::uint32_t>(); }
  float ReadFloat() { return Read<float>(); }

 private:
  static_assert(std::endian::native == std::endian::little,
                "the decoders read little-endian fields in place");

  std::span<const std::uint8_t> data_;
  std::size_t offset_ = 0;
};

}  // namespace brivonel
