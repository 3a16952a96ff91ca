#include "tools/snapshot/headless_platform.h"

#include <random>
#include <system_error>

#include "base/unicode.h"

namespace brivonel::snapshot {

std::u16string MemoryProfileStore::Read(std::u16string_view, std::u16string_view key,
                                        std::u16string_view defaultValue, std::u16string_view) {
  const auto found = values.find(std::u16string(key));
  return found != values.end() ? found->second : std::u16string(defaultValue);
}

bool MemoryProfileStore::Write(std::u16string_view, std::u16string_view key,
                               std::u16string_view value, std::u16string_view) {
  values[std::u16string(key)] = value;
  return true;
}

void RememberedMessageBoxes::Show(MessageOwner, std::u16string_view text, std::u16string_view,
                                  MessageStyle) {
  texts.emplace_back(text);
}

ScratchFolders::ScratchFolders(std::u16string executableFolder)
    : executable_(std::move(executableFolder)) {
  std::error_code error;
  const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
  if (error) return;
  std::random_device random;
  for (int attempt = 0; attempt < 8; ++attempt) {
    const std::filesystem::path candidate =
        temp / ("brivonel-headless-" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate, error) && !error) {
      scratch_ = candidate;
      return;
    }
  }
}

ScratchFolders::~ScratchFolders() {
  if (scratch_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(scratch_, ignored);
}

std::optional<std::u16string> ScratchFolders::RoamingAppDataFolder() {
  if (scratch_.empty()) return std::nullopt;
  return FromFsPath(scratch_);
}

}  // namespace brivonel::snapshot
