// The playlist's keys, in their own section of the settings file.
#include <algorithm>
#include <string>

#include "app/settings.h"

namespace brivonel {
namespace {

constexpr std::u16string_view kCountKey = u"Count";
constexpr std::u16string_view kShuffleKey = u"Shuffle";

std::u16string ItemKey(std::int32_t number) {
  const std::string digits = "Item" + std::to_string(number);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string Decimal(std::int32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

std::vector<std::u16string> Settings::GetPlaylist() {
  const std::int32_t count = std::clamp(
      LeadingInteger(ReadInSection(playlistSection, kCountKey)), 0, maxPlaylistItems);
  std::vector<std::u16string> items;
  for (std::int32_t number = 1; number <= count; ++number) {
    std::u16string item = ReadInSection(playlistSection, ItemKey(number));
    if (!item.empty()) items.push_back(std::move(item));
  }
  return items;
}

bool Settings::PlaylistShuffled() {
  return LeadingInteger(ReadInSection(playlistSection, kShuffleKey)) != 0;
}

bool Settings::SetPlaylistShuffled(bool shuffle) {
  return WriteInSection(playlistSection, kShuffleKey, shuffle ? u"1" : u"0");
}

bool Settings::SetPlaylist(const std::vector<std::u16string>& items, bool shuffle) {
  const auto count = static_cast<std::int32_t>(
      std::min<std::size_t>(items.size(), static_cast<std::size_t>(maxPlaylistItems)));
  const std::int32_t stored = std::clamp(
      LeadingInteger(ReadInSection(playlistSection, kCountKey)), 0, maxPlaylistItems);
  // One failed write has already shown its box; the rest are not tried.
  if (count > 0 && !SetMotionPath(items.front())) return false;
  if (!WriteInSection(playlistSection, kCountKey, Decimal(count))) return false;
  for (std::int32_t number = 1; number <= count; ++number)
    if (!WriteInSection(playlistSection, ItemKey(number), items[static_cast<std::size_t>(number - 1)]))
      return false;
  for (std::int32_t number = count + 1; number <= stored; ++number)
    if (!WriteInSection(playlistSection, ItemKey(number), u"")) return false;
  return SetPlaylistShuffled(shuffle);
}

}  // namespace brivonel
