#pragma once
// The profile store on Linux: an INI file in the syntax the Windows
// private-profile functions read, in UTF-8 or (a file copied from Windows)
// in the UTF-16 it came in. A write changes only the line of its key and
// replaces the file atomically (a temporary file in the same folder,
// flushed to the disk, then renamed over the old one), so a crash or a full
// disk never leaves a damaged or empty file behind.
//
// A file larger than kMaxSettingsFileBytes, or one that is not text, is not
// read: the program runs on its defaults and says so once. The file itself
// is left as it is until a setting changes; the save then keeps it beside
// as "<file>.bak" and writes a fresh file. A file without write permission
// is never replaced (its owner made it so): writes to it fail.
#include <cstddef>
#include <string>
#include <string_view>

#include "app/platform/profile_store.h"

namespace brivonel {

inline constexpr std::size_t kMaxSettingsFileBytes = std::size_t{1} << 20;  // 1 MiB

class IniProfileStore : public IProfileStore {
 public:
  std::u16string Read(std::u16string_view section, std::u16string_view key,
                      std::u16string_view defaultValue, std::u16string_view path) override;
  bool Write(std::u16string_view section, std::u16string_view key, std::u16string_view value,
             std::u16string_view path) override;

 protected:
  // Writes all of bytes to the open file descriptor; false on failure.
  virtual bool WriteBytes(int fd, std::string_view bytes);
  // Tells the user one line about the settings file (on stderr).
  virtual void Say(const std::string& line);

 private:
  // The file whose refusal was said (it is said once per run).
  std::u16string refusalSaid_;
};

}  // namespace brivonel
