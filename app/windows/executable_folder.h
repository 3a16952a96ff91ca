#pragma once
// The folder of the running program's own file, where the Windows programs
// keep their shader files (and the samples beside them).
#include <cstdint>
#include <string>

namespace brivonel::win32 {

// The folder with its trailing separator; empty, with *error set to the
// system's error code when error is not null, when the name is unknown.
std::u16string ExecutableFolder(std::uint32_t* error = nullptr);

}  // namespace brivonel::win32
