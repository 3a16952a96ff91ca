#include "tools/inspect/inspect_commands.h"

namespace brivonel::tools {

std::span<const InspectCommand> InspectCommands() {
  static const InspectCommand commands[] = {
      {"model", "FILE [--bench N]", &RunModelCommand},
      {"motion", "FILE [--model MODEL] [--bench N]", &RunMotionCommand},
      {"texture", "FILE [--pixel X,Y]", &RunTextureCommand},
      {"pose",
       "MODEL MOTION [--physics] --ms T [--ms T2 ...] [--bones NAME,NAME] | MODEL MOTION "
       "[--physics] --bench N",
       &RunPoseCommand},
  };
  return commands;
}

}  // namespace brivonel::tools
