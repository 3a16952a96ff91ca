// brivonel-inspect: what the program's decoders make of model, motion and
// other files, as JSON on stdout.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/inspect/inspect_commands.h"

#if defined(BRIVONEL_INSPECT_LINUX_CODECS)
#include "render/linux/image_codecs_linux.h"
#endif

namespace {

void PrintUsage(std::FILE* out) {
  std::fprintf(out, "usage:\n");
  for (const auto& command : brivonel::tools::InspectCommands()) {
    std::fprintf(out, "  brivonel-inspect %.*s %.*s\n", static_cast<int>(command.name.size()),
                 command.name.data(), static_cast<int>(command.usage.size()),
                 command.usage.data());
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace brivonel::tools;
#if defined(BRIVONEL_INSPECT_LINUX_CODECS)
  brivonel::RegisterLinuxImageCodecs();
#endif
  if (argc < 2) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h") {
    PrintUsage(stdout);
    return kExitOk;
  }
  for (const InspectCommand& command : InspectCommands()) {
    if (command.name == name) {
      return command.run(std::vector<std::string>(argv + 2, argv + argc));
    }
  }
  std::fprintf(stderr, "brivonel-inspect: unknown subcommand \"%s\"\n", name.c_str());
  PrintUsage(stderr);
  return kExitUsage;
}
