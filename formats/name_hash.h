#pragma once
// A hash for bone and morph names: short texts of a few characters, hashed
// inline four characters at a time (the standard library's hash of a string
// is a call into a general byte hash, most of whose work short names do not
// need).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace brivonel {

struct NameHash {
  std::size_t operator()(const std::u16string& name) const noexcept {
    std::uint64_t hash = name.size();
    const char16_t* c = name.data();
    std::size_t left = name.size();
    for (; left >= 4; left -= 4, c += 4) {
      std::uint64_t word;
      std::memcpy(&word, c, sizeof word);
      hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
    }
    for (; left > 0; --left, ++c) hash = (hash ^ *c) * 0xBF58476D1CE4E5B9ull;
    return static_cast<std::size_t>(hash ^ (hash >> 29));
  }
};

}  // namespace brivonel
