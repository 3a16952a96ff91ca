#pragma once
// Small path helpers shared by the decoders, the texture pool and the
// application. Both separators, "\" and "/", are recognised on every platform.
#include <cstddef>
#include <string>
#include <string_view>

namespace brivonel {

// The drive and folder of path, ending with its separator ("C:\models\" for
// "C:\models\a.pmx"); empty when the path holds no folder. Always true.
bool DirectoryOfPath(std::u16string_view path, std::u16string& out);

// The text from the last "." to the end, dot included; false (out unchanged)
// when name has no dot.
bool ExtensionOf(std::u16string_view name, std::u16string& out);

// The running program's full file path, supplied by the platform front.
using ModulePathProvider = std::u16string (*)();
void SetModulePathProvider(ModulePathProvider provider);

// The folder of the running program, ending with its separator, written with
// a terminating NUL into buffer (length characters). False when no front has
// supplied the program's path, the path is empty, or the buffer is too small.
bool ModuleDirectory(char16_t* buffer, std::size_t length);
bool ModuleDirectory(std::u16string& out);

}  // namespace brivonel
