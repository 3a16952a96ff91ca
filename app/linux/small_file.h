#pragma once
// Reading a file that should be small (the settings file) whole, with a
// bound: a file larger than the bound is refused from its size and never
// read, so a huge or endless file costs neither memory nor time.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace brivonel {

struct SmallFile {
  enum class Outcome {
    kRead,      // bytes holds the whole file
    kMissing,   // no file of that name
    kTooLarge,  // more than the bound; size says how much (nothing read)
    kFailed,    // a folder, a device or a FIFO, no permission, a read error
  };
  Outcome outcome = Outcome::kFailed;
  std::string bytes;
  std::uint64_t size = 0;
};

SmallFile ReadSmallFile(const std::filesystem::path& path, std::size_t maxBytes);

}  // namespace brivonel
