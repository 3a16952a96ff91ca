#pragma once
// The texture loaders read from a path: the harnesses hand them the input
// through one scratch file per process.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>  // getpid: fuzz harnesses are Linux-only tools

namespace brivonel::fuzz {

inline const std::u16string& ScratchFile(const std::uint8_t* data, std::size_t size) {
  // Memory-backed when the system has /dev/shm, so writing costs little.
  static const std::string name = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                  "/brivonel-fuzz-" + std::to_string(getpid()) + ".bin";
  static const std::u16string wide(name.begin(), name.end());
  std::FILE* file = std::fopen(name.c_str(), "wb");
  if (file != nullptr) {
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  return wide;
}

}  // namespace brivonel::fuzz
