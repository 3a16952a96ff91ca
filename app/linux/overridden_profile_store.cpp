#include "app/linux/overridden_profile_store.h"

#include "app/ini_text.h"

namespace brivonel {

std::u16string OverriddenProfileStore::Read(std::u16string_view section,
                                            std::u16string_view key,
                                            std::u16string_view defaultValue,
                                            std::u16string_view path) {
  // Section and key names compare as the INI reader compares them.
  for (const Override& entry : overrides_) {
    if (IniNamesEqual<char16_t>(entry.section, section) &&
        IniNamesEqual<char16_t>(entry.key, key))
      return entry.value;
  }
  return file_.Read(section, key, defaultValue, path);
}

}  // namespace brivonel
