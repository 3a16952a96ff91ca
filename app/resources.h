#pragma once
// The program's resources that both fronts share: resource and command ids,
// the string table, the menus' items and the About box's layout. Their words
// are messages (app/messages.h); the Windows resource script carries the
// same words.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/messages.h"
#include "app/platform/string_table.h"

namespace brivonel {

namespace resource {
constexpr std::int32_t kTitleString = 103;      // application title
constexpr std::int32_t kClassNameString = 109;  // window class name and title
constexpr std::int32_t kAboutDialog = 103;
constexpr std::int32_t kLargeIcon = 107;
constexpr std::int32_t kSmallIcon = 108;
constexpr std::int32_t kClassMenu = 109;
constexpr std::int32_t kAccelerators = 109;
constexpr std::int32_t kPopupMenu = 129;
constexpr std::int32_t kStringBufferLength = 100;  // title and class name buffers
}  // namespace resource

// Menu command ids.
namespace command {
constexpr int kAbout = 104;
constexpr int kExit = 105;
constexpr int kChangeModel = 130;
constexpr int kChangeMotion = 131;
constexpr int kSizeLarge = 132;
constexpr int kSizeMedium = 133;
constexpr int kSizeSmall = 134;
constexpr int kPhysics = 135;
constexpr int kLookAt = 140;
constexpr int kShowHide = 150;      // the tray menu's first item
constexpr int kClickThrough = 151;  // offered only while the tray icon exists
constexpr int kStartAtLogin = 152;
constexpr int kShuffle = 153;  // the playlist plays in random order
// The size item of display size 1 (large), 2 (medium) or 3 (small). A stored
// size outside 1 to 3 names no size item, so no item gets the check mark.
constexpr int SizeItemOfDisplaySize(int displaySize) { return kSizeLarge - 1 + displaySize; }
}  // namespace command

// The text of a string-table entry, or nothing for an id without text.
std::optional<std::u16string_view> BuiltInString(std::int32_t id);

// The string table built into the core, for fronts without resource files.
class BuiltInStringTable final : public IStringTable {
 public:
  std::optional<std::u16string> Load(std::int32_t id) override;
};

// One item of a menu: a command, a separator-free sub-menu, or the end.
struct MenuItemText {
  int commandId;  // 0 for a sub-menu whose items follow until kSubMenuEnd
  Message text;
};
inline constexpr int kSubMenuEnd = -1;

// The popup menu (menu 129, sub-menu 0), in order. A sub-menu starts with an
// item of command 0 carrying its text and ends with a kSubMenuEnd item.
inline constexpr MenuItemText kPopupMenuItems[] = {
    {command::kChangeModel, Message::kChangeModelItem},
    {command::kChangeMotion, Message::kChangeMotionItem},
    {0, Message::kDisplaySizeMenu},
    {command::kSizeLarge, Message::kSizeLargeItem},
    {command::kSizeMedium, Message::kSizeMediumItem},
    {command::kSizeSmall, Message::kSizeSmallItem},
    {kSubMenuEnd, Message::kCount},  // no words
    {command::kPhysics, Message::kPhysicsItem},
    {command::kLookAt, Message::kLookAtItem},
    {command::kShuffle, Message::kShuffleItem},
    {command::kClickThrough, Message::kClickThroughItem},
    {command::kStartAtLogin, Message::kStartAtLoginItem},
    {command::kExit, Message::kExitItem},
};
inline constexpr Message kPopupMenuTitle = Message::kFileMenu;

// The class menu (menu 109): two popups.
inline constexpr Message kClassMenuFileTitle = Message::kFileMenu;
inline constexpr Message kClassMenuExitItem = Message::kExitApplicationItem;
inline constexpr Message kClassMenuHelpTitle = Message::kHelpMenu;
inline constexpr Message kClassMenuAboutItem = Message::kAboutItem;

// The About box: its words are the messages kAboutCaption, kAboutVersionLine
// and kAboutSecondLine, in this font (the English box in the system's
// dialog font).
inline constexpr std::u16string_view kAboutFontName = u"MS UI Gothic";
inline constexpr std::u16string_view kEnglishAboutFontName = u"MS Shell Dlg";
inline constexpr int kAboutFontPoints = 9;

}  // namespace brivonel
