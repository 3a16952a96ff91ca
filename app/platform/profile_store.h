#pragma once
// One key of one section of an INI file, read and written the way the
// Windows private-profile functions do it.
#include <string>
#include <string_view>

namespace brivonel {

class IProfileStore {
 public:
  virtual ~IProfileStore() = default;
  // The key's value, or defaultValue when the file, the section or the key
  // is missing. Section and key names compare without regard to ASCII case.
  virtual std::u16string Read(std::u16string_view section, std::u16string_view key,
                              std::u16string_view defaultValue, std::u16string_view path) = 0;
  // Writes the key (adding the section and the key when missing), keeping
  // everything else in the file. False when the file could not be written;
  // the file is then as it was.
  virtual bool Write(std::u16string_view section, std::u16string_view key,
                     std::u16string_view value, std::u16string_view path) = 0;
};

}  // namespace brivonel
