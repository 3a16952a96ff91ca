// The controls beside the tray icon: show/hide, click-through (only while
// the tray icon exists, remembered as ClickThrough), start at login (the
// entry on disk is the truth) and a second copy bringing the figure back.
#include <gtest/gtest.h>

#include "app/figure_controls.h"
#include "tests/app/fake_platform.h"

namespace brivonel::test {
namespace {

class FakeFigureWindow : public IFigureWindow {
 public:
  explicit FakeFigureWindow(EventLog& log) : log_(log) {}
  void SetShown(bool shown) override { log_.push_back(shown ? "show" : "hide"); }
  void Raise() override { log_.push_back("raise"); }
  void SetClickThrough(bool on) override { log_.push_back(on ? "through on" : "through off"); }

 private:
  EventLog& log_;
};

class FakeLoginStart : public ILoginStart {
 public:
  bool Registered() override { return onDisk; }
  bool SetRegistered(bool on) override {
    if (failWrites) return false;
    onDisk = on;
    return true;
  }
  std::u16string Location() override { return u"/c/autostart/brivonel.desktop"; }
  bool onDisk = false;
  bool failWrites = false;
};

struct Harness {
  explicit Harness(std::u16string_view stored = u"") {
    if (!stored.empty()) {
      store.files[SettingsFileIn(*folders.appData)][{u"CharaModel", u"ClickThrough"}] = stored;
    }
  }
  std::optional<std::u16string> Stored() {
    return store.Stored(SettingsFileIn(*folders.appData), u"ClickThrough");
  }
  TempDir appData;
  EventLog log;
  MemoryProfileStore store{log};
  FakeFolders folders = [this] {
    FakeFolders made;
    made.appData = FromFsPath(appData.path());
    return made;
  }();
  FakeMessageBoxes boxes{log};
  Settings settings{store, folders, boxes};
  FakeMenuChecks checks;
  FakeFigureWindow window{log};
  FakeLoginStart login;
  FigureControls controls{settings, checks, window, login, boxes};
};

TEST(FigureControlsTest, ClickThroughHoldsOnlyWhileTheTrayIconExists) {
  const struct {
    std::u16string stored;
    bool tray;
    bool inEffect;
  } cases[] = {{u"", true, false}, {u"0", true, false}, {u"1", true, true},
               {u"1", false, false}, {u"7", true, true}, {u"x", true, false}};
  for (const auto& c : cases) {
    Harness h(c.stored);
    h.controls.SetTrayPresent(c.tray);
    EXPECT_EQ(h.controls.clickThrough(), c.inEffect) << Utf16ToUtf8(c.stored) << " " << c.tray;
    EXPECT_EQ(h.checks.checks[command::kClickThrough], c.inEffect);
  }
}

TEST(FigureControlsTest, TheItemTogglesAndRemembersAndTheTrayGoingTurnsItOffButKeepsTheKey) {
  Harness h;
  h.controls.SetTrayPresent(true);
  EXPECT_TRUE(h.controls.RunCommand(command::kClickThrough));
  EXPECT_TRUE(h.controls.clickThrough());
  EXPECT_EQ(h.Stored(), u"1");
  h.controls.SetTrayPresent(false);
  EXPECT_FALSE(h.controls.clickThrough()) << "nothing would be left to turn it off with";
  EXPECT_EQ(h.Stored(), u"1");
  EXPECT_TRUE(h.controls.RunCommand(command::kClickThrough));
  EXPECT_EQ(h.Stored(), u"1") << "not offered without the tray icon";
  h.controls.SetTrayPresent(true);
  EXPECT_TRUE(h.controls.RunCommand(command::kClickThrough));
  EXPECT_FALSE(h.controls.clickThrough());
  EXPECT_EQ(h.Stored(), u"0");
  EXPECT_EQ(h.log, (EventLog{"write ClickThrough=1", "through on", "through off", "through on",
                             "write ClickThrough=0", "through off"}));
}

TEST(FigureControlsTest, ShowHideAndASecondCopyBringTheFigureBack) {
  Harness h;
  h.controls.SetTrayPresent(true);
  EXPECT_EQ(h.controls.ShowHideText(), Message::kHideItem);
  h.controls.RunCommand(command::kShowHide);
  EXPECT_FALSE(h.controls.shown());
  EXPECT_EQ(h.controls.ShowHideText(), Message::kShowItem);
  h.controls.BringIntoView();
  EXPECT_TRUE(h.controls.shown());
  h.controls.BringIntoView();  // already shown: raised again, not shown twice
  h.controls.RunCommand(command::kShowHide);
  h.controls.SetTrayPresent(false);  // a hidden figure without a way back
  EXPECT_TRUE(h.controls.shown());
  EXPECT_EQ(h.log, (EventLog{"hide", "show", "raise", "raise", "hide", "show"}));
}

TEST(FigureControlsTest, StartAtLoginShowsWhatIsOnDisk) {
  Harness h;
  h.controls.RefreshChecks();
  EXPECT_FALSE(h.checks.checks[command::kStartAtLogin]);
  h.controls.RunCommand(command::kStartAtLogin);
  EXPECT_TRUE(h.login.onDisk);
  EXPECT_TRUE(h.checks.checks[command::kStartAtLogin]);
  h.login.onDisk = false;  // the user removed the entry with another tool
  h.controls.RefreshChecks();
  EXPECT_FALSE(h.checks.checks[command::kStartAtLogin]);
  EXPECT_FALSE(h.store.Stored(SettingsFileIn(*h.folders.appData), u"StartAtLogin"))
      << "no copy of it in the settings";

  h.login.failWrites = true;
  h.controls.RunCommand(command::kStartAtLogin);
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].text, u"/c/autostart/brivonel.desktop に保存できない");
  EXPECT_FALSE(h.checks.checks[command::kStartAtLogin]);
}

TEST(FigureControlsTest, OtherCommandsAreNotTheirs) {
  Harness h;
  for (const int id : {command::kExit, command::kPhysics, command::kAbout, 0}) {
    EXPECT_FALSE(h.controls.RunCommand(id)) << id;
  }
  EXPECT_TRUE(h.log.empty());
}

}  // namespace
}  // namespace brivonel::test
