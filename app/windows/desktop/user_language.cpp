#include "app/windows/desktop/user_language.h"

namespace brivonel::win32 {

Language UserLanguage() {
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::kJapanese
                                                                     : Language::kEnglish;
}

LANGID ResourceLanguage(Language language) {
  return language == Language::kJapanese ? MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)
                                         : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
}

void UseLanguage(Language language) {
  SetThreadUILanguage(ResourceLanguage(language));
  ShowMessagesIn(language);
}

}  // namespace brivonel::win32
