#include "app/linux/message_catalogue.h"

#include <libintl.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "app/messages.h"
#include "base/unicode.h"

namespace brivonel {
namespace {

// The environment's message locale, in the order the C library reads it.
std::string MessageLocaleName() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return "C";
}

// "ja_JP.UTF-8@variant" -> "ja_JP": the part gettext's LANGUAGE list takes.
std::string LanguageOfLocale(std::string_view locale) {
  return std::string(locale.substr(0, locale.find_first_of(".@")));
}

}  // namespace

std::string LocaleFolderFor(const std::string& executableFolder,
                            const std::string& installedFolder) {
  const std::filesystem::path beside =
      std::filesystem::path(executableFolder) / ".." / "share" / "locale";
  std::error_code error;
  if (std::filesystem::is_regular_file(beside / "ja" / "LC_MESSAGES" / "brivonel.mo", error)) {
    return beside.lexically_normal().string();
  }
  return installedFolder;
}

void UseUserLanguage(const std::string& localeFolder) {
  const std::string locale = MessageLocaleName();
  if (std::setlocale(LC_ALL, "") == nullptr) {
    // The C library ignores LANGUAGE in the "C" locale, so the fallback is
    // C.UTF-8, which it honours.
    std::setlocale(LC_ALL, "C.UTF-8");
    const char* languages = std::getenv("LANGUAGE");
    if (languages == nullptr || *languages == '\0') {
      setenv("LANGUAGE", LanguageOfLocale(locale).c_str(), 1);
    }
  }
  // Numbers are read and written in the C form whatever the language.
  std::setlocale(LC_NUMERIC, "C");
  bindtextdomain(kMessageDomain, localeFolder.c_str());
  bind_textdomain_codeset(kMessageDomain, "UTF-8");
  ShowMessages([](Message message) {
    const std::string id = MessageId(message);
    return Utf8ToUtf16(dgettext(kMessageDomain, id.c_str()));
  });
}

}  // namespace brivonel
