#include "app/linux/overridden_profile_store.h"

#include <algorithm>

#include "app/ini_text.h"

namespace brivonel {
namespace {

// Section and key names compare as the INI reader compares them.
bool SameName(std::u16string_view a, std::u16string_view b) { return IniNamesEqual(a, b); }

}  // namespace

std::u16string OverriddenProfileStore::Read(std::u16string_view section,
                                            std::u16string_view key,
                                            std::u16string_view defaultValue,
                                            std::u16string_view path) {
  for (const Override& entry : overrides_) {
    if (SameName(entry.section, section) && SameName(entry.key, key)) return entry.value;
  }
  return file_.Read(section, key, defaultValue, path);
}

}  // namespace brivonel
