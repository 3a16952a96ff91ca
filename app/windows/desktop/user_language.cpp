#include "app/windows/desktop/user_language.h"

namespace brivonel::win32 {
namespace {
Language languageInUse = Language::kJapanese;
}  // namespace

Language UserLanguage() {
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::kJapanese
                                                                     : Language::kEnglish;
}

LANGID ResourceLanguage(Language language) {
  return language == Language::kJapanese ? MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)
                                         : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
}

void UseLanguage(Language language) {
  languageInUse = language;
  // Windows' own texts (the message boxes' buttons) follow where the
  // system lets them.
  SetThreadUILanguage(ResourceLanguage(language));
  ShowMessagesIn(language);
}

LANGID ResourceLanguageInUse() { return ResourceLanguage(languageInUse); }

}  // namespace brivonel::win32
