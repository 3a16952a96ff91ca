#pragma once
// Folders the platform knows about.
#include <optional>
#include <string>

#include "app/messages.h"

namespace brivonel {

class IFolders {
 public:
  virtual ~IFolders() = default;
  // The user's roaming application-data folder (on Linux the XDG config
  // folder), without a trailing separator; nothing when it cannot be found.
  virtual std::optional<std::u16string> RoamingAppDataFolder() = 0;
  // What the settings say when RoamingAppDataFolder() finds nothing, naming
  // the folder as this system names it.
  virtual Message NoAppDataFolderMessage() { return Message::kNoAppDataFolder; }
  // The running executable's folder, ending in a separator; empty when it
  // cannot be found.
  virtual std::u16string ExecutableFolder() = 0;
  // The bundled sample's folder (without a trailing separator) when it is
  // installed beside the program; nothing by default.
  virtual std::optional<std::u16string> SamplesFolder() { return std::nullopt; }
};

}  // namespace brivonel
