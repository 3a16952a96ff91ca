// The program's compiled resources (linked into this test program from the
// same script) say what the core says: the string table, both menus, the
// accelerators and the About box, in the words of the core's messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/resources.h"
#include "app/windows/desktop/language_resources.h"
#include "app/windows/desktop/user_language.h"
#include "app/windows/desktop/win32_services.h"
#include "base/error_codes.h"

namespace brivonel {
namespace {

std::u16string MenuText(HMENU menu, int position) {
  wchar_t text[256] = {};
  GetMenuStringW(menu, static_cast<UINT>(position), text, 256, MF_BYPOSITION);
  return reinterpret_cast<const char16_t*>(text);
}

// Every resource in both languages, loaded as the program loads them: the
// language in use picks the block, and the core's messages speak the same
// language.
class ResourcesTest : public ::testing::TestWithParam<Language> {
 protected:
  void SetUp() override { win32::UseLanguage(GetParam()); }
  void TearDown() override { win32::UseLanguage(win32::UserLanguage()); }
  bool japanese() const { return GetParam() == Language::kJapanese; }
  static HMENU LoadMenu(int id) {
    return win32::LoadMenuIn(GetModuleHandleW(nullptr), id, win32::ResourceLanguageInUse());
  }
};
INSTANTIATE_TEST_SUITE_P(BothLanguages, ResourcesTest,
                         ::testing::Values(Language::kJapanese, Language::kEnglish),
                         [](const auto& instance) {
                           return instance.param == Language::kJapanese ? "Japanese" : "English";
                         });

TEST_P(ResourcesTest, StringTableHoldsExactlyTheCoresTexts) {
  win32::ResourceStrings strings;
  // Every id the program could ask for, both ways round.
  for (std::int32_t id = 0; id < 4096; ++id) {
    const std::optional<std::u16string_view> builtIn = BuiltInString(id);
    const std::optional<std::u16string> loaded = strings.Load(id);
    ASSERT_EQ(builtIn.has_value(), loaded.has_value()) << "string " << id;
    if (builtIn) {
      EXPECT_EQ(*loaded, *builtIn) << "string " << id;
    }
  }
  EXPECT_EQ(strings.Load(resource::kClassNameString), u"BRIVONEL");
  EXPECT_EQ(strings.Load(error::kPresent),
            japanese() ? u"DWM関連でエラー" : u"Error in the desktop window manager (DWM)");
}

TEST_P(ResourcesTest, PopupMenuIsMenu129sFirstPopupWithTheCoresItems) {
  HMENU menu = LoadMenu(resource::kPopupMenu);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), 1);
  EXPECT_EQ(MenuText(menu, 0), MessageText(kPopupMenuTitle));

  // Walk the core's list alongside the menu and its one sub-menu.
  HMENU popup = GetSubMenu(menu, 0);
  HMENU current = popup;
  int position = 0;
  int outerPosition = 0;
  for (const MenuItemText& item : kPopupMenuItems) {
    if (item.commandId == kSubMenuEnd) {
      EXPECT_EQ(GetMenuItemCount(current), position);
      current = popup;
      position = outerPosition;
      continue;
    }
    ASSERT_LT(position, GetMenuItemCount(current)) << static_cast<int>(item.text);
    EXPECT_EQ(MenuText(current, position), MessageText(item.text));
    if (item.commandId == 0) {
      current = GetSubMenu(current, position);
      ASSERT_NE(current, nullptr);
      outerPosition = position + 1;
      position = 0;
      continue;
    }
    EXPECT_EQ(GetMenuItemID(current, position), static_cast<UINT>(item.commandId));
    ++position;
  }
  EXPECT_EQ(GetMenuItemCount(popup), position);
  DestroyMenu(menu);
}

// The application checks the size items (in the sub-menu) and the physics,
// look-at and shuffle items (at the top) by command; each mark goes on and
// off alone.
TEST_P(ResourcesTest, MenuChecksReachEveryCheckableItemOfThePopupMenu) {
  HMENU menu = LoadMenu(resource::kPopupMenu);
  ASSERT_NE(menu, nullptr);
  win32::PopupMenuChecks checks;
  checks.SetMenu(GetSubMenu(menu, 0));
  const int checkable[] = {command::kSizeLarge, command::kSizeMedium, command::kSizeSmall,
                           command::kPhysics, command::kLookAt, command::kShuffle};
  const auto checked = [&](int id) {
    return (GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND) & MF_CHECKED) != 0;
  };
  for (int id : checkable) {
    checks.SetChecked(id, true);
    for (int other : checkable) EXPECT_EQ(checked(other), other == id) << id << " " << other;
    checks.SetChecked(id, false);
    EXPECT_FALSE(checked(id)) << id;
  }
  DestroyMenu(menu);
}

TEST_P(ResourcesTest, ClassMenuHasExitAndAbout) {
  HMENU menu = LoadMenu(resource::kClassMenu);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), 2);
  EXPECT_EQ(MenuText(menu, 0), MessageText(kClassMenuFileTitle));
  EXPECT_EQ(MenuText(menu, 1), MessageText(kClassMenuHelpTitle));
  HMENU file = GetSubMenu(menu, 0);
  HMENU help = GetSubMenu(menu, 1);
  ASSERT_EQ(GetMenuItemCount(file), 1);
  ASSERT_EQ(GetMenuItemCount(help), 1);
  EXPECT_EQ(MenuText(file, 0), MessageText(kClassMenuExitItem));
  EXPECT_EQ(GetMenuItemID(file, 0), static_cast<UINT>(command::kExit));
  EXPECT_EQ(MenuText(help, 0), MessageText(kClassMenuAboutItem));
  EXPECT_EQ(GetMenuItemID(help, 0), static_cast<UINT>(command::kAbout));
  DestroyMenu(menu);
}

TEST_P(ResourcesTest, AcceleratorsAreAltQuestionMarkAndAltSlashForAbout) {
  HACCEL table = LoadAcceleratorsW(GetModuleHandleW(nullptr),
                                   MAKEINTRESOURCEW(resource::kAccelerators));
  ASSERT_NE(table, nullptr);
  ACCEL entries[8];
  const int count = CopyAcceleratorTableW(table, entries, 8);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(entries[0].key, '?');
  EXPECT_EQ(entries[1].key, '/');
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(entries[i].cmd, command::kAbout);
    EXPECT_EQ(entries[i].fVirt & (FALT | FVIRTKEY), FALT) << "character keys with Alt";
  }
}

// Reading the extended dialog template the way the dialog manager does.
class TemplateReader {
 public:
  explicit TemplateReader(const std::uint8_t* data) : p_(data) {}
  std::uint16_t Word() {
    std::uint16_t v;
    std::memcpy(&v, p_, 2);
    p_ += 2;
    return v;
  }
  std::uint32_t Dword() { return Word() | static_cast<std::uint32_t>(Word()) << 16; }
  std::int16_t Short() { return static_cast<std::int16_t>(Word()); }
  // A name or ordinal: 0 none, 0xFFFF then a number, else text.
  std::u16string NameOrOrdinal() {
    const std::uint16_t first = Word();
    if (first == 0) return u"";
    if (first == 0xFFFF) return Ordinal(Word());
    std::u16string text(1, static_cast<char16_t>(first));
    for (std::uint16_t c = Word(); c != 0; c = Word()) text.push_back(static_cast<char16_t>(c));
    return text;
  }
  void AlignToDword(const std::uint8_t* base) {
    while ((p_ - base) % 4 != 0) ++p_;
  }
  void Skip(std::size_t bytes) { p_ += bytes; }

 private:
  // "#" and the number, as resource names write ordinals.
  static std::u16string Ordinal(unsigned n) {
    std::u16string text(1, u'#');
    for (char digit : std::to_string(n)) text.push_back(static_cast<char16_t>(digit));
    return text;
  }
  const std::uint8_t* p_;
};

// A control's class as a template names it: the predefined ordinal, or the
// class name itself (resource compilers differ).
bool IsClass(const std::u16string& windowClass, std::u16string_view ordinal,
             std::u16string_view name) {
  if (windowClass == ordinal) return true;
  std::u16string upper = windowClass;
  for (char16_t& c : upper) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return upper == name;
}

struct DialogItem {
  std::u16string windowClass, text;
  int id, x, y, cx, cy;
  std::uint32_t style;
};

TEST_P(ResourcesTest, AboutBoxLayout) {
  // As the program finds it for the dialog manager.
  const win32::ResourceBytes found =
      win32::FindResourceIn(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(5),  // RT_DIALOG
                            resource::kAboutDialog, win32::ResourceLanguageInUse());
  ASSERT_NE(found.data, nullptr);
  const auto* base = static_cast<const std::uint8_t*>(found.data);
  TemplateReader in(base);
  ASSERT_EQ(in.Word(), 1);       // version
  ASSERT_EQ(in.Word(), 0xFFFF);  // extended template
  in.Dword();                    // help id
  in.Dword();                    // extended style
  const std::uint32_t style = in.Dword();
  EXPECT_EQ(style & (DS_SETFONT | DS_MODALFRAME | DS_FIXEDSYS | WS_CAPTION | WS_SYSMENU),
            static_cast<std::uint32_t>(DS_SETFONT | DS_MODALFRAME | DS_FIXEDSYS | WS_CAPTION |
                                       WS_SYSMENU));
  const int items = in.Word();
  EXPECT_EQ(in.Short(), 0);
  EXPECT_EQ(in.Short(), 0);
  EXPECT_EQ(in.Short(), 170);
  EXPECT_EQ(in.Short(), 62);
  EXPECT_EQ(in.NameOrOrdinal(), u"");  // no menu
  EXPECT_EQ(in.NameOrOrdinal(), u"");  // the standard dialog class
  EXPECT_EQ(in.NameOrOrdinal(), MessageText(Message::kAboutCaption));
  EXPECT_EQ(in.Word(), kAboutFontPoints);
  in.Word();  // weight
  in.Skip(2);  // italic, character set
  EXPECT_EQ(in.NameOrOrdinal(), japanese() ? kAboutFontName : kEnglishAboutFontName);

  std::vector<DialogItem> controls;
  for (int i = 0; i < items; ++i) {
    in.AlignToDword(base);
    in.Dword();  // help id
    in.Dword();  // extended style
    DialogItem item{};
    item.style = in.Dword();
    item.x = in.Short();
    item.y = in.Short();
    item.cx = in.Short();
    item.cy = in.Short();
    item.id = static_cast<int>(static_cast<std::int32_t>(in.Dword()));
    item.windowClass = in.NameOrOrdinal();
    item.text = in.NameOrOrdinal();
    in.Skip(in.Word());  // creation data
    controls.push_back(item);
  }
  ASSERT_EQ(controls.size(), 4u);
  // An icon naming resource 128 (which the program does not have).
  EXPECT_TRUE(IsClass(controls[0].windowClass, u"#130", u"STATIC"));
  EXPECT_EQ(controls[0].style & SS_TYPEMASK, static_cast<std::uint32_t>(SS_ICON));
  EXPECT_EQ(controls[0].text, u"#128");
  EXPECT_EQ((std::vector<int>{controls[0].x, controls[0].y, controls[0].cx, controls[0].cy}),
            (std::vector<int>{14, 14, 21, 20}));
  EXPECT_EQ(controls[1].text, MessageText(Message::kAboutVersionLine));
  EXPECT_NE(controls[1].style & SS_NOPREFIX, 0u);
  EXPECT_EQ((std::vector<int>{controls[1].x, controls[1].y, controls[1].cx, controls[1].cy}),
            (std::vector<int>{42, 14, 114, 8}));
  EXPECT_EQ(controls[2].text, MessageText(Message::kAboutSecondLine));
  EXPECT_EQ((std::vector<int>{controls[2].x, controls[2].y, controls[2].cx, controls[2].cy}),
            (std::vector<int>{42, 26, 114, 8}));
  EXPECT_TRUE(IsClass(controls[3].windowClass, u"#128", u"BUTTON"));
  EXPECT_EQ(controls[3].text, u"OK");
  EXPECT_EQ(controls[3].id, IDOK);
  EXPECT_EQ(controls[3].style & BS_TYPEMASK, static_cast<std::uint32_t>(BS_DEFPUSHBUTTON));
  EXPECT_EQ((std::vector<int>{controls[3].x, controls[3].y, controls[3].cx, controls[3].cy}),
            (std::vector<int>{113, 41, 50, 14}));
}

// A string-table block as resource compilers write it, read string by
// string: counted strings, empty ones as a zero count, and a block cut short
// (a damaged file) giving nothing rather than bytes beyond it.
TEST(StringOfBlockTest, ReadsCountedStringsAndNothingBeyondTheBlock) {
  const std::uint16_t block[] = {0, 2, u'O', u'K', 0, 3, u'\u30a8', u'\u30e9', u'\u30fc', 1, u'x'};
  struct Case {
    std::size_t bytes;
    int index;
    std::optional<std::u16string> expected;
  };
  const Case cases[] = {
      {sizeof block, 0, std::nullopt},  // empty
      {sizeof block, 1, u"OK"},
      {sizeof block, 3, u"\u30a8\u30e9\u30fc"},
      {sizeof block, 4, u"x"},
      {sizeof block, 5, std::nullopt},    // past the last string
      {sizeof block, 16, std::nullopt},   // no such index in a block
      {sizeof block, -1, std::nullopt},
      {sizeof block - 2, 4, std::nullopt},  // its last unit cut off
      {7, 1, std::nullopt},               // its count there, one unit of two
      {1, 0, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(win32::StringOfBlock(block, c.bytes, c.index), c.expected)
        << c.bytes << " bytes, string " << c.index;
  }
}

TEST_P(ResourcesTest, ClassIconsExist) {
  HMODULE module = GetModuleHandleW(nullptr);
  EXPECT_NE(LoadIconW(module, MAKEINTRESOURCEW(resource::kLargeIcon)), nullptr);
  EXPECT_NE(LoadIconW(module, MAKEINTRESOURCEW(resource::kSmallIcon)), nullptr);
}

// The manifest: started with the user's own rights, aware of each
// monitor's scale (window sizes are physical pixels) and of paths longer than 260
// characters (a model in a deep folder opens where the system allows it).
TEST_P(ResourcesTest, ManifestAsksForTheInvokersRightsDpiAndLongPathAwareness) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_NE(found, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(module, found))),
                             SizeofResource(module, found));
  EXPECT_NE(manifest.find(R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)"),
            std::string::npos);
  // Per monitor (v2 where the system has it), so that a window dragged to
  // a monitor of another scale is told and stays sharp.
  EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
  EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
  EXPECT_NE(manifest.find(">true</longPathAware>"), std::string::npos);
}

}  // namespace
}  // namespace brivonel
