// brivonel-snapshot MODEL [MOTION] [--ms T] [--size WxH] [--display-size 1|2|3] --out FILE.png
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/linux/program_folders.h"
#include "base/unicode.h"
#include "tools/snapshot/gl_snapshot_backend.h"

int main(int argc, char** argv) {
  using namespace brivonel;
  std::vector<std::string> arguments(argv + 1, argv + argc);
  snapshot::Options options;
  std::string error;
  if (!snapshot::ParseArguments(arguments, &options, &error)) {
    std::cerr << "brivonel-snapshot: " << error << "\n" << snapshot::kUsage << "\n";
    return 2;
  }
  // The shader files are beside the program in a build, in the data folder
  // when installed.
  std::error_code failed;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failed);
  if (failed) {
    std::cerr << "brivonel-snapshot: /proc/self/exe: cannot find the program's folder ("
              << failed.message() << ")\n";
    return 1;
  }
  const std::u16string shaderFolder = ShaderFolderFor(FromFsPath(program.parent_path()) + u"/");
  snapshot::GlSnapshotBackend backend;
  return snapshot::Run(options, shaderFolder, backend, std::cout, std::cerr);
}
