#pragma once
// The settings file through the system's private-profile functions. They
// keep the file in the encoding it already has; a file they create
// themselves is written in the ANSI code page, where a Japanese path is
// lost (on Wine, and on any Windows whose code page lacks the characters).
// So a missing file is first created holding only the UTF-16LE byte-order
// mark: the functions then write UTF-16 and every path reads back unchanged.
#include "app/platform/profile_store.h"

namespace brivonel::win32 {

class PrivateProfileStore final : public IProfileStore {
 public:
  std::u16string Read(std::u16string_view section, std::u16string_view key,
                      std::u16string_view defaultValue, std::u16string_view path) override;
  bool Write(std::u16string_view section, std::u16string_view key, std::u16string_view value,
             std::u16string_view path) override;
};

// Creates path holding only the UTF-16LE byte-order mark when no file is
// there; an existing file is left as it is. False when it could not be made.
bool CreateUnicodeProfileFile(std::u16string_view path);

}  // namespace brivonel::win32
