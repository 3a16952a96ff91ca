// brivonel-snapshot MODEL [MOTION] [--ms T] [--size WxH] [--display-size 1|2|3] [--flat]
//                   [--no-physics] --out FILE.png
#include <iostream>
#include <string>

#include "tools/snapshot/program_start.h"
#if defined(_WIN32)
#include "tools/snapshot/d3d11_snapshot_backend.h"
using PlatformBackend = brivonel::snapshot::D3d11SnapshotBackend;
#else
#include "app/linux/program_folders.h"
#include "tools/snapshot/gl_snapshot_backend.h"
using PlatformBackend = brivonel::snapshot::GlSnapshotBackend;
#endif

int main(int argc, char** argv) {
  using namespace brivonel;
  const snapshot::ProgramStart start = snapshot::StartProgram(argc, argv);
  snapshot::Options options;
  std::string error;
  if (!snapshot::ParseArguments(start.arguments, &options, &error)) {
    std::cerr << "brivonel-snapshot: " << error << "\n" << snapshot::kUsage << "\n";
    return 2;
  }
  if (options.help) {
    std::cout << snapshot::kUsage << "\n" << snapshot::kHelp << "\n";
    return 0;
  }
  if (start.folder.empty()) {
    std::cerr << "brivonel-snapshot: " << start.failure << "\n";
    return 1;
  }
#if defined(_WIN32)
  const std::u16string shaderFolder = start.folder;  // the .cso files are beside the program
#else
  // Beside the program in a build, in the data folder when installed.
  const std::u16string shaderFolder = ShaderFolderFor(start.folder);
#endif
  PlatformBackend backend;
  return snapshot::Run(options, shaderFolder, backend, std::cout, std::cerr);
}
