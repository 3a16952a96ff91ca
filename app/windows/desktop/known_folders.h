#pragma once
// Folders on Windows: the roaming application-data folder from the shell,
// the executable's folder from the module's file name.
#include "app/platform/folders.h"

namespace brivonel::win32 {

class KnownFolders final : public IFolders {
 public:
  std::optional<std::u16string> RoamingAppDataFolder() override;
  std::u16string ExecutableFolder() override;
  // "samples" beside the program, when the user copied it there.
  std::optional<std::u16string> SamplesFolder() override;
};

}  // namespace brivonel::win32
