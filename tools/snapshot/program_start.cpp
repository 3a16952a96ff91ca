#include "tools/snapshot/program_start.h"

#include <filesystem>
#include <system_error>

#include "base/unicode.h"

#if defined(_WIN32)
#include <windows.h>
// after windows.h
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "app/windows/executable_folder.h"
#endif

namespace brivonel::snapshot {

#if defined(_WIN32)

ProgramStart StartProgram(int, char**) {
  ProgramStart start;
  // The narrow arguments are in the ANSI code page; the wide ones are whole.
  int count = 0;
  if (wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 1; i < count; ++i) {
      start.arguments.push_back(Utf16ToUtf8(reinterpret_cast<const char16_t*>(words[i])));
    }
    LocalFree(words);
  }
  // One JSON line ends in "\n" here as on Linux.
  _setmode(_fileno(stdout), _O_BINARY);
  std::uint32_t error = 0;
  start.folder = win32::ExecutableFolder(&error);
  if (start.folder.empty()) {
    start.failure =
        "the program's own file name is unknown (error " + std::to_string(error) + ")";
  }
  return start;
}

#else

ProgramStart StartProgram(int argc, char** argv) {
  ProgramStart start;
  start.arguments.assign(argv + 1, argv + argc);
  std::error_code failed;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failed);
  if (failed) {
    start.failure = "/proc/self/exe: cannot find the program's folder (" + failed.message() + ")";
    return start;
  }
  start.folder = FromFsPath(program.parent_path()) + u"/";
  return start;
}

#endif

}  // namespace brivonel::snapshot
