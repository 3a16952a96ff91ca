#pragma once
// Writes a PNG file through the Windows Imaging Component's encoder (COM
// must be initialised on the calling thread).
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace brivonel::snapshot {

// Writes 8-bit RGBA rows (straight alpha), top first. False with a message
// on failure; no partial file is left behind.
bool WritePngWithWic(const std::filesystem::path& path, std::int32_t width, std::int32_t height,
                     const std::vector<std::uint8_t>& rgba, std::string* error);

}  // namespace brivonel::snapshot
