#pragma once
// The Windows program speaks the user's display language: Japanese for a
// Japanese Windows, English for any other. The thread's UI language picks
// the resource script's block (menus, About box, string table) and the
// core's messages follow the same choice (the boxes' captions, the dialogs).
#include <windows.h>

#include "app/messages.h"

namespace brivonel::win32 {

// The language of the user's display language (GetUserDefaultUILanguage).
Language UserLanguage();

// The resources' language id of a language.
LANGID ResourceLanguage(Language language);

// Makes this thread's resources and the core's messages speak language.
void UseLanguage(Language language);

}  // namespace brivonel::win32
