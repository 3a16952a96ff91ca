#pragma once
// Every text the program shows the user, by name: the texts of the error
// codes, the boxes, the file dialogs, the menus, the About box and the
// command line's help. Code names a message and takes its words from
// MessageText, in the language the front chose at start (Japanese, the
// program's first language, until it chooses). The words themselves, English and Japanese side by side, are
// the table in messages.cpp: a new text is one row there. The Linux
// program reads the Japanese words from its gettext catalogue (po/ja.po,
// whose msgids are the English words; a test holds it to the table) and the
// Windows program's resource script carries both (a test compares them).
#include <functional>
#include <string>
#include <string_view>

namespace brivonel {

enum class Message {
  // The texts of the error codes, which the string table gives by code.
  kModelRequired,      // 1000: the model dialog was cancelled
  kMotionRequired,     // 1001: the motion dialog was cancelled, or no motion could be used
  kFileNotFound,       // 1002
  kModelDataInvalid,   // 1003
  kMotionDataInvalid,  // 1004
  kDeviceFailed,       // 1100
  kDxgiFailed,         // 1101
  kBuffersFailed,      // 1102
  kShadersFailed,      // 1103
  kTexturesFailed,     // 1104
  kDirect2DFailed,     // 1105
  kPresentFailed,      // 1200
  kNoValue,            // 1201
  // Boxes.
  kErrorCaption,
  kModelFileNeeded,     // before the model dialog, when no remembered model loads
  kMotionFileNeeded,    // before the motion dialog
  kNoAppDataFolder,     // the settings have no folder to live in
  kNoConfigFolder,      // the same on Linux, where the folder is the configuration folder
  kCannotCreateFolder,  // "%s": the settings folder
  kCannotSaveSettings,  // "%s": the settings file
  // The open-file dialogs: title and the filters' descriptions.
  kModelDialogTitle,
  kModelDialogFilter,
  kMotionDialogTitle,
  kMotionDialogFilter,
  kAllFilesFilter,
  // Menus; "&" marks the access key.
  kFileMenu,
  kChangeModelItem,
  kChangeMotionItem,
  kDisplaySizeMenu,
  kSizeLargeItem,
  kSizeMediumItem,
  kSizeSmallItem,
  kPhysicsItem,
  kLookAtItem,
  kShuffleItem,  // the playlist plays in random order
  kExitItem,
  kExitApplicationItem,
  kHelpMenu,
  kAboutItem,
  // The tray icon's menu and the items it makes possible.
  kShowItem,          // the figure is hidden: bring it back
  kHideItem,          // the figure is shown: take it off the desktop
  kClickThroughItem,  // clicks on the figure go to the windows below
  kStartAtLoginItem,  // the desktop starts the program when the user logs in
  // The About box.
  kAboutCaption,
  kAboutVersionLine,
  kAboutSecondLine,
  // The Linux program's --help.
  kCommandLineHelp,
  kCount
};

enum class Language { kEnglish, kJapanese };

// The words of a message in the language shown; none for kCount.
std::u16string_view MessageText(Message message);

// A message about something named ("%s" in its words), with the name in
// place of "%s".
std::u16string MessageNaming(Message message, std::u16string_view name);

// The words of a message in one language, whatever is shown.
std::u16string_view MessageIn(Message message, Language language);

// The message's English words in UTF-8: its id in a gettext catalogue.
std::string MessageId(Message message);

// From now on MessageText gives each message's words in language...
void ShowMessagesIn(Language language);
// ...or the words `words` gives for it (a catalogue lookup); a message it
// gives no words for keeps its English ones.
void ShowMessages(const std::function<std::u16string(Message)>& words);

}  // namespace brivonel
