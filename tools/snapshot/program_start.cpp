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
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) {
    start.failure = "the program's own file name is unknown (error " +
                    std::to_string(GetLastError()) + ")";
    return start;
  }
  path.resize(length);
  path.resize(path.find_last_of(L"\\/") + 1);
  start.folder.assign(path.begin(), path.end());
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
