#pragma once
// The Linux program speaks the user's language through gettext: the locale
// from the environment (LC_ALL, LC_MESSAGES, LANG, and gettext's own
// LANGUAGE list), the Japanese words from the catalogue the build makes of
// po/ja.po (share/locale/ja/LC_MESSAGES/brivonel.mo), English otherwise.
#include <string>

namespace brivonel {

inline constexpr char kMessageDomain[] = "brivonel";

// The locale folder for a program in executableFolder (ending in "/"):
// "../share/locale" beside it when it holds the Japanese catalogue (the
// build folder, or an installation moved elsewhere), else installedFolder.
std::string LocaleFolderFor(const std::string& executableFolder,
                            const std::string& installedFolder);

// Sets the locale from the environment and makes MessageText give the
// catalogue's words. A locale the system lacks (LANG=ja_JP.UTF-8 without
// that locale generated) still chooses the language: the program then runs
// in C.UTF-8 with that language first in LANGUAGE, for GTK's words too.
void UseUserLanguage(const std::string& localeFolder);

}  // namespace brivonel
