#pragma once
// Every text the program shows the user, by name: the texts of the error
// codes, the boxes, the file dialogs, the menus and the About box. Code
// names a message and takes its words from MessageText, which is the one
// place that knows the language shown; the words themselves are the table
// in messages.cpp. (The Windows program's resource script carries the same
// words for the string table, the menus and the About box; a test compares
// them with this table.)
#include <string>
#include <string_view>

namespace brivonel {

enum class Message {
  // The texts of the error codes, which the string table gives by code.
  kModelRequired,      // 1000: the model dialog was cancelled
  kMotionRequired,     // 1001: the motion dialog was cancelled
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
  // The open-file dialogs: title and the filter's description.
  kModelDialogTitle,
  kModelDialogFilter,
  kMotionDialogTitle,
  kMotionDialogFilter,
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
  kExitItem,
  kExitApplicationItem,
  kHelpMenu,
  kAboutItem,
  // The About box.
  kAboutCaption,
  kAboutVersionLine,
  kAboutSecondLine,
  kCount
};

// The words of a message in the language shown; none for kCount.
std::u16string_view MessageText(Message message);

// A message about something named ("%s" in its words), with the name in
// place of "%s".
std::u16string MessageNaming(Message message, std::u16string_view name);

}  // namespace brivonel
