#include "app/linux/file_patterns.h"

#include "base/unicode.h"

namespace brivonel {
namespace {

std::string CaseBlindGlob(std::u16string_view pattern) {
  std::string glob;
  std::size_t plainStart = 0;  // a run of other characters, converted at once
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) {
      glob += Utf16ToUtf8(pattern.substr(plainStart, i - plainStart));
      const char lower = static_cast<char>(c | 0x20);
      glob += {'[', lower, static_cast<char>(lower - 0x20), ']'};
      plainStart = i + 1;
    }
  }
  glob += Utf16ToUtf8(pattern.substr(plainStart));
  return glob;
}

}  // namespace

std::vector<std::string> CaseBlindGlobs(std::u16string_view patterns) {
  std::vector<std::string> globs;
  while (!patterns.empty()) {
    const std::size_t end = patterns.find(u';');
    const std::u16string_view pattern = patterns.substr(0, end);
    if (!pattern.empty()) globs.push_back(CaseBlindGlob(pattern));
    if (end == std::u16string_view::npos) break;
    patterns.remove_prefix(end + 1);
  }
  return globs;
}

}  // namespace brivonel
