#include "app/linux/overridden_profile_store.h"

#include <algorithm>

namespace brivonel {
namespace {

// Section and key names compare as the INI reader compares them.
bool SameName(std::u16string_view a, std::u16string_view b) {
  const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; };
  return std::ranges::equal(a, b, [&](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

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
