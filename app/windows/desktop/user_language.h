#pragma once
// The Windows program speaks the user's display language: Japanese for a
// Japanese Windows, English for any other. The resources (menus, About box,
// string table) are loaded from the script's block of that language
// (language_resources.h) and the core's messages follow the same choice
// (the boxes' captions, the dialogs).
#include <windows.h>

#include "app/messages.h"

namespace brivonel::win32 {

// The language of the user's display language (GetUserDefaultUILanguage).
Language UserLanguage();

// The resources' language id of a language.
LANGID ResourceLanguage(Language language);

// Makes the resources loaded from now on and the core's messages speak
// language.
void UseLanguage(Language language);

// The resources' language id of the language last given to UseLanguage
// (Japanese, the program's first language, before).
LANGID ResourceLanguageInUse();

}  // namespace brivonel::win32
