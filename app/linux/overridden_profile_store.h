#pragma once
// The settings as the command line changes them for one run: reading a key
// the command line names gives the command line's value; everything else,
// and every write, goes to the settings file unchanged. So a file given on
// the command line is used without being remembered, while what the user
// chooses in a dialog or the menu is remembered as usual.
#include <string>
#include <string_view>
#include <vector>

#include "app/platform/profile_store.h"

namespace brivonel {

class OverriddenProfileStore final : public IProfileStore {
 public:
  struct Override {
    std::u16string section;
    std::u16string key;
    std::u16string value;
  };

  OverriddenProfileStore(IProfileStore& file, std::vector<Override> overrides)
      : file_(file), overrides_(std::move(overrides)) {}

  std::u16string Read(std::u16string_view section, std::u16string_view key,
                      std::u16string_view defaultValue, std::u16string_view path) override;
  bool Write(std::u16string_view section, std::u16string_view key, std::u16string_view value,
             std::u16string_view path) override {
    return file_.Write(section, key, value, path);
  }

 private:
  IProfileStore& file_;
  std::vector<Override> overrides_;
};

}  // namespace brivonel
