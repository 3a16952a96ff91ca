// The settings store over a profile store: lazy reads, write-through, the
// size rule and the three messages.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/settings.h"
#include "tests/app/fake_platform.h"

namespace brivonel::test {
namespace {

struct SettingsHarness {
  SettingsHarness() { folders.appData = FromFsPath(appData.path()); }
  std::u16string IniPath() const { return SettingsFileIn(folders.appData.value()); }
  void Store(std::u16string_view key, std::u16string_view value) {
    store.files[IniPath()][{u"CharaModel", std::u16string(key)}] = value;
  }
  EventLog log;
  MemoryProfileStore store{log};
  FakeFolders folders;
  FakeMessageBoxes boxes{log};
  TempDir appData;
};

TEST(SettingsTest, ConstructionCreatesTheFolderAndReadsNothing) {
  SettingsHarness h;
  Settings settings(h.store, h.folders, h.boxes);
  EXPECT_TRUE(std::filesystem::is_directory(h.appData.path() / "Quenvalis"));
  EXPECT_EQ(settings.path(), h.IniPath());
  EXPECT_EQ(h.store.reads, 0);
  EXPECT_TRUE(h.boxes.shown.empty());
}

TEST(SettingsTest, EachKeyIsReadOnceAndChangesInTheFileAfterThatAreNotSeen) {
  SettingsHarness h;
  h.Store(u"Model", u"/m/日本語/モデル.pmx");
  Settings settings(h.store, h.folders, h.boxes);
  std::u16string path;
  EXPECT_TRUE(settings.GetModelPath(path));
  EXPECT_EQ(path, u"/m/日本語/モデル.pmx");
  h.Store(u"Model", u"/m/edited.pmx");
  EXPECT_TRUE(settings.GetModelPath(path));
  EXPECT_EQ(path, u"/m/日本語/モデル.pmx");
  EXPECT_EQ(h.store.reads, 1);

  EXPECT_FALSE(settings.GetMotionPath(path)) << "a missing key reads as empty";
  EXPECT_EQ(path, u"");
  EXPECT_FALSE(settings.GetMotionPath(path));
  EXPECT_EQ(h.store.reads, 2);
}

TEST(SettingsTest, SettersWriteAtOnceAndAreSeenWithoutReadingTheFile) {
  SettingsHarness h;
  h.Store(u"Model", u"/m/old.pmx");
  Settings settings(h.store, h.folders, h.boxes);
  EXPECT_TRUE(settings.SetModelPath(u"/m/new.pmx"));
  EXPECT_EQ(h.store.Stored(h.IniPath(), u"Model"), u"/m/new.pmx");
  std::u16string path;
  EXPECT_TRUE(settings.GetModelPath(path));
  EXPECT_EQ(path, u"/m/new.pmx");
  EXPECT_EQ(h.store.reads, 0);

  EXPECT_TRUE(settings.SetModelSize(3));
  EXPECT_EQ(h.store.Stored(h.IniPath(), u"ModelSize"), u"3");
}

TEST(SettingsTest, AnEmptyValueIsWrittenButLeavesTheCache) {
  SettingsHarness h;
  Settings settings(h.store, h.folders, h.boxes);
  settings.SetMotionPath(u"/m/a.vmd");
  EXPECT_TRUE(settings.SetMotionPath(u""));
  EXPECT_EQ(h.store.Stored(h.IniPath(), u"Motion"), u"");
  std::u16string path;
  EXPECT_TRUE(settings.GetMotionPath(path));
  EXPECT_EQ(path, u"/m/a.vmd");
}

TEST(SettingsTest, ModelSizeIsValidOnlyForOneTwoAndThree) {
  const struct {
    std::u16string stored;
    std::int32_t size;
    bool valid;
  } cases[] = {{u"1", 1, true},   {u"2", 2, true},     {u"3", 3, true},     {u"7", 7, false},
               {u"abc", 0, false}, {u"", 0, false},    {u" 2", 2, true},    {u"2x", 2, true},
               {u"-3", -3, false}, {u"+3", 3, true},   {u"99999999999", 2147483647, false}};
  for (const auto& c : cases) {
    SettingsHarness h;
    if (!c.stored.empty()) h.Store(u"ModelSize", c.stored);
    Settings settings(h.store, h.folders, h.boxes);
    std::int32_t size = -99;
    EXPECT_EQ(settings.GetModelSize(size), c.valid) << Utf16ToUtf8(c.stored);
    EXPECT_EQ(size, c.size) << Utf16ToUtf8(c.stored);
  }
}

TEST(SettingsTest, WindowPlaceNeedsTwoWholeNumbersAndIsWrittenAsTwoKeys) {
  const struct {
    std::u16string x;
    std::u16string y;
    std::optional<Point> place;
  } cases[] = {{u"-640", u"20", Point{-640, 20}},  {u" 12 ", u"+3", Point{12, 3}},
               {u"12", u"", std::nullopt},          {u"12px", u"3", std::nullopt},
               {u"-", u"3", std::nullopt},          {u"99999999999", u"3", std::nullopt},
               {u"2147483647", u"0", std::nullopt}, {u"2147483646", u"0", Point{2147483646, 0}}};
  for (const auto& c : cases) {
    SettingsHarness h;
    if (!c.x.empty()) h.Store(u"WindowX", c.x);
    if (!c.y.empty()) h.Store(u"WindowY", c.y);
    Settings settings(h.store, h.folders, h.boxes);
    EXPECT_EQ(settings.WindowPlace(), c.place) << Utf16ToUtf8(c.x) << "," << Utf16ToUtf8(c.y);
  }
  SettingsHarness h;
  Settings settings(h.store, h.folders, h.boxes);
  EXPECT_EQ(settings.Scale(), std::nullopt);
  ASSERT_TRUE(settings.SetWindowPlace({-7, 30}));
  ASSERT_TRUE(settings.SetScale(40));
  Settings reread(h.store, h.folders, h.boxes);
  EXPECT_EQ(reread.WindowPlace(), (Point{-7, 30}));
  EXPECT_EQ(reread.Scale(), 40);
}

TEST(SettingsTest, PathsOfAnyLengthAreKeptWhole) {
  SettingsHarness h;
  const std::u16string longest(4095, u'a');  // Linux's PATH_MAX less its terminator
  h.Store(u"Model", longest);
  Settings settings(h.store, h.folders, h.boxes);
  std::u16string path;
  EXPECT_TRUE(settings.GetModelPath(path));
  EXPECT_EQ(path, longest);
  ASSERT_TRUE(settings.SetMotionPath(longest + u".vmd"));
  EXPECT_TRUE(settings.GetMotionPath(path));
  EXPECT_EQ(path, longest + u".vmd");
}

TEST(SettingsTest, MissingApplicationDataFolderIsReportedAndWritesFail) {
  SettingsHarness h;
  h.folders.appData.reset();
  Settings settings(h.store, h.folders, h.boxes);
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].text, u"AppDataパスが取得できない");
  EXPECT_EQ(h.boxes.shown[0].caption, u"エラー");
  EXPECT_EQ(h.boxes.shown[0].owner, MessageOwner::kNone);
  EXPECT_EQ(h.boxes.shown[0].style, MessageStyle::kError);
  EXPECT_TRUE(settings.path().empty());
  std::u16string path;
  EXPECT_FALSE(settings.GetModelPath(path));

  EXPECT_FALSE(settings.SetModelPath(u"/m/a.pmx"));
  EXPECT_EQ(h.boxes.shown.back().text, u" に保存できない");
  EXPECT_TRUE(settings.GetModelPath(path)) << "the value is kept for this run";
  EXPECT_EQ(path, u"/m/a.pmx");
}

TEST(SettingsTest, FolderThatCannotBeCreatedIsReportedAndConstructionGoesOn) {
  SettingsHarness h;
  std::ofstream(h.appData.path() / "Quenvalis") << "a file in the folder's place";
  Settings settings(h.store, h.folders, h.boxes);
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].text, FromFsPath(h.appData.path() / "Quenvalis") + u"が作成できない");
  EXPECT_EQ(h.boxes.shown[0].owner, MessageOwner::kNone);
  EXPECT_EQ(settings.path(), h.IniPath());
}

TEST(SettingsTest, FailedWriteShowsThePathAndKeepsTheNewValue) {
  SettingsHarness h;
  h.store.failWrites = true;
  Settings settings(h.store, h.folders, h.boxes);
  EXPECT_FALSE(settings.SetModelSize(2));
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].text, h.IniPath() + u" に保存できない");
  std::int32_t size = 0;
  EXPECT_TRUE(settings.GetModelSize(size));
  EXPECT_EQ(size, 2);
}

TEST(SettingsTest, PlaylistKeepsItsOwnSectionAndTheFirstItemAsTheMotion) {
  SettingsHarness h;
  Settings settings(h.store, h.folders, h.boxes);
  ASSERT_TRUE(settings.SetPlaylist({u"/d/a.vmd", u"/d/b.vmd", u"/d/c.vmd"}, true));
  EXPECT_EQ(h.store.Stored(h.IniPath(), u"Motion"), u"/d/a.vmd");
  auto& file = h.store.files[h.IniPath()];
  EXPECT_EQ((file[{u"Playlist", u"Count"}]), u"3");
  EXPECT_EQ((file[{u"Playlist", u"Item3"}]), u"/d/c.vmd");
  EXPECT_EQ((file[{u"Playlist", u"Shuffle"}]), u"1");

  // A shorter list clears the items the longer one left behind.
  ASSERT_TRUE(settings.SetPlaylist({u"/d/z.vmd"}, false));
  EXPECT_EQ((file[{u"Playlist", u"Item2"}]), u"");
  EXPECT_EQ((file[{u"Playlist", u"Item3"}]), u"");
  Settings reread(h.store, h.folders, h.boxes);
  EXPECT_EQ(reread.GetPlaylist(), (std::vector<std::u16string>{u"/d/z.vmd"}));
  EXPECT_FALSE(reread.PlaylistShuffled());
}

TEST(SettingsTest, PlaylistReadsOnlyWhatTheCountCoversAndBoundsTheCount) {
  struct Case {
    std::u16string count;
    std::size_t expected;
  };
  for (const Case& c : {Case{u"", 0}, Case{u"-4", 0}, Case{u"2", 2}, Case{u"99999999", 4}}) {
    SettingsHarness h;
    auto& file = h.store.files[h.IniPath()];
    if (!c.count.empty()) file[{u"Playlist", u"Count"}] = c.count;
    file[{u"Playlist", u"Item1"}] = u"/d/a.vmd";
    file[{u"Playlist", u"Item2"}] = u"/d/b.vmd";
    file[{u"Playlist", u"Item4"}] = u"/d/d.vmd";  // Item3 is missing
    file[{u"Playlist", u"Item1000"}] = u"/d/last.vmd";
    file[{u"Playlist", u"Item1001"}] = u"/d/beyond.vmd";
    Settings settings(h.store, h.folders, h.boxes);
    EXPECT_EQ(settings.GetPlaylist().size(), c.expected) << std::string(c.count.begin(), c.count.end());
  }
}

}  // namespace
}  // namespace brivonel::test
