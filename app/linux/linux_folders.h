#pragma once
// Folders on Linux: the XDG config folder stands for the roaming
// application-data folder.
#include <optional>
#include <string>

#include "app/platform/folders.h"

namespace brivonel {

class LinuxFolders : public IFolders {
 public:
  // $XDG_CONFIG_HOME when it is set to an absolute path, else $HOME/.config
  // (HOME from the environment, else the user database). Created (mode 0700)
  // when missing, as the XDG rules ask; when that fails it is still given,
  // so that the settings' message names the folder they could not make.
  // Nothing only without any home folder.
  std::optional<std::u16string> RoamingAppDataFolder() override;
  // Names the folders the settings would be in (no "AppData" on Linux).
  Message NoAppDataFolderMessage() override;
  // The folder of /proc/self/exe, ending in "/".
  std::u16string ExecutableFolder() override;
};

}  // namespace brivonel
