#include "app/settings.h"

#include <filesystem>
#include <limits>
#include <string>
#include <system_error>

#include "app/messages.h"
#include "base/unicode.h"

namespace brivonel {
namespace {

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string path(folder);
  path.push_back(static_cast<char16_t>(std::filesystem::path::preferred_separator));
  path += name;
  return path;
}

bool IsDirectory(std::u16string_view path) {
  std::error_code error;
  return std::filesystem::is_directory(ToFsPath(path), error);
}

bool MakeDirectory(std::u16string_view path) {
  std::error_code error;
  return std::filesystem::create_directory(ToFsPath(path), error) && !error;
}

}  // namespace

std::int32_t LeadingInteger(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  std::int64_t value = 0;
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > kLimit) value = kLimit;
  }
  if (negative) return static_cast<std::int32_t>(-value);
  return static_cast<std::int32_t>(value >= kLimit ? kLimit - 1 : value);
}

std::optional<std::int32_t> WholeInteger(std::u16string_view text) {
  const auto blank = [](char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  std::size_t digits = !text.empty() && (text[0] == u'+' || text[0] == u'-') ? 1 : 0;
  if (digits == text.size() || text.size() - digits > 10) return std::nullopt;
  for (std::size_t i = digits; i < text.size(); ++i)
    if (text[i] < u'0' || text[i] > u'9') return std::nullopt;
  const std::int32_t value = LeadingInteger(text);
  // LeadingInteger saturates: a value at a limit may have been beyond it.
  if (value == std::numeric_limits<std::int32_t>::max() ||
      value == std::numeric_limits<std::int32_t>::min())
    return std::nullopt;
  return value;
}

Settings::Settings(IProfileStore& store, IFolders& folders, IMessageBoxes& messageBoxes)
    : store_(store), messageBoxes_(messageBoxes) {
  const std::optional<std::u16string> appData = folders.RoamingAppDataFolder();
  if (!appData) {
    messageBoxes_.Show(MessageOwner::kNone, MessageText(folders.NoAppDataFolderMessage()),
                       MessageText(Message::kErrorCaption), MessageStyle::kError);
    return;
  }
  const std::u16string folder = JoinPath(*appData, folderName);
  if (!IsDirectory(folder) && !MakeDirectory(folder)) {
    messageBoxes_.Show(MessageOwner::kNone, MessageNaming(Message::kCannotCreateFolder, folder),
                       MessageText(Message::kErrorCaption), MessageStyle::kError);
  }
  path_ = JoinPath(folder, fileName);
}

bool Settings::ReadKey(std::u16string_view key) {
  std::u16string value;
  if (!path_.empty()) value = store_.Read(section, key, defaultValue, path_);
  const bool found = value != defaultValue;
  cache_.insert_or_assign(std::u16string(key), std::move(value));
  return found;
}

const std::u16string& Settings::CachedValue(std::u16string_view key) {
  auto it = cache_.find(key);
  if (it == cache_.end()) {
    ReadKey(key);
    it = cache_.find(key);
  }
  return it->second;
}

bool Settings::GetModelPath(std::u16string& path) {
  path = CachedValue(modelKey);
  return path != defaultValue;
}

bool Settings::GetMotionPath(std::u16string& path) {
  path = CachedValue(motionKey);
  return !path.empty();
}

bool Settings::GetModelSize(std::int32_t& size) {
  size = LeadingInteger(CachedValue(sizeKey));
  return size >= 1 && size <= 3;
}

bool Settings::PhysicsOn() {
  const std::u16string& value = CachedValue(physicsKey);
  return value.empty() || LeadingInteger(value) != 0;
}

bool Settings::ClickThroughOn() { return LeadingInteger(CachedValue(clickThroughKey)) != 0; }

std::optional<std::int32_t> Settings::Scale() { return WholeInteger(CachedValue(scaleKey)); }

std::optional<Point> Settings::WindowPlace() {
  const std::optional<std::int32_t> x = WholeInteger(CachedValue(windowXKey));
  const std::optional<std::int32_t> y = WholeInteger(CachedValue(windowYKey));
  if (!x || !y) return std::nullopt;
  return Point{*x, *y};
}

bool Settings::LookAtOn() {
  const std::u16string& value = CachedValue(lookAtKey);
  return value.empty() || LeadingInteger(value) != 0;
}

bool Settings::WriteKey(std::u16string_view key, std::u16string_view value) {
  if (!value.empty()) cache_.insert_or_assign(std::u16string(key), std::u16string(value));
  return WriteInSection(section, key, value);
}

std::u16string Settings::ReadInSection(std::u16string_view sectionName, std::u16string_view key) {
  if (path_.empty()) return std::u16string(defaultValue);
  return store_.Read(sectionName, key, defaultValue, path_);
}

bool Settings::WriteInSection(std::u16string_view sectionName, std::u16string_view key,
                              std::u16string_view value) {
  if (path_.empty() || !store_.Write(sectionName, key, value, path_)) {
    messageBoxes_.Show(MessageOwner::kNone, MessageNaming(Message::kCannotSaveSettings, path_),
                       MessageText(Message::kErrorCaption), MessageStyle::kError);
    return false;
  }
  return true;
}

bool Settings::SetModelPath(std::u16string_view path) { return WriteKey(modelKey, path); }

bool Settings::SetMotionPath(std::u16string_view path) { return WriteKey(motionKey, path); }

bool Settings::SetPhysicsOn(bool on) { return WriteKey(physicsKey, on ? u"1" : u"0"); }

bool Settings::SetClickThroughOn(bool on) {
  return WriteKey(clickThroughKey, on ? u"1" : u"0");
}

namespace {

std::u16string Decimal(std::int32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

bool Settings::SetLookAtOn(bool on) { return WriteKey(lookAtKey, on ? u"1" : u"0"); }

bool Settings::SetModelSize(std::int32_t size) { return WriteKey(sizeKey, Decimal(size)); }

bool Settings::SetScale(std::int32_t percent) { return WriteKey(scaleKey, Decimal(percent)); }

bool Settings::SetWindowPlace(Point topLeft) {
  // One box at most when the file cannot be written.
  return WriteKey(windowXKey, Decimal(topLeft.x)) && WriteKey(windowYKey, Decimal(topLeft.y));
}

}  // namespace brivonel
