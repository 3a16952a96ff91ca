#pragma once
// The profile store on Linux: a UTF-8 INI file in the syntax the Windows
// private-profile functions read. A write changes only the line of its key
// and replaces the file atomically (a temporary file in the same folder,
// flushed to the disk, then renamed over the old one), so a crash or a full
// disk never leaves a damaged or empty file behind.
#include <string>
#include <string_view>

#include "app/platform/profile_store.h"

namespace brivonel {

class IniProfileStore : public IProfileStore {
 public:
  std::u16string Read(std::u16string_view section, std::u16string_view key,
                      std::u16string_view defaultValue, std::u16string_view path) override;
  bool Write(std::u16string_view section, std::u16string_view key, std::u16string_view value,
             std::u16string_view path) override;

 protected:
  // Writes all of bytes to the open file descriptor; false on failure.
  virtual bool WriteBytes(int fd, std::string_view bytes);
};

}  // namespace brivonel
