// The controls of a mascot that keeps running, as a user meets them on a
// private X server with a private session bus: the tray icon and its menu
// (read and clicked over D-Bus as a desktop's tray does), click-through
// letting clicks reach the window below, show/hide, the autostart entry
// written and removed, and a second copy bringing the first into view.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "tests/linux/child_process.h"
#include "tests/linux/fake_tray_host.h"
#include "tests/linux/x_session.h"
#include "tests/support/temp_dir.h"

// Xlib after the test framework: its macros clash with the framework's names.
#include <X11/Xlib.h>

namespace brivonel::test {
namespace {

using namespace std::chrono_literals;

constexpr Rgb kDesk{32, 160, 64};
const std::string kSamples = BRIVONEL_SAMPLES_DIR;

class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"config", "home", "screen"}) {
      std::filesystem::create_directories(scratch_.path() / folder);
    }
    xvfb_ = std::make_unique<XvfbServer>(scratch_.path() / "screen");
    ASSERT_FALSE(xvfb_->display().empty());
    x_ = std::make_unique<XClient>(xvfb_->display());
    x_->PaintRoot(kDesk);
  }
  void TearDown() override {
    if (!HasFailure()) return;
    for (std::size_t i = 0; i < logs_.size(); ++i) {
      std::printf("--- brivonel run %zu ---\n%s\n", i, ReadTextFile(logs_[i]).c_str());
    }
  }

  // The session bus with a notification area on it.
  void StartTray() {
    bus_ = std::make_unique<PrivateBus>(scratch_.path());
    tray_ = std::make_unique<FakeTrayHost>(bus_->address());
    ASSERT_TRUE(tray_->ready()) << "the watcher's name was not ours";
  }

  ChildProcess& Start() {
    const std::filesystem::path log = scratch_.path() / ("run-" + std::to_string(logs_.size()));
    logs_.push_back(log);
    const std::map<std::string, std::string> environment =
        ProgramEnvironment(xvfb_->display(), scratch_.path(), bus_ ? bus_->address() : "");
    runs_.push_back(std::make_unique<ChildProcess>(ChildProcess::Options{
        {BRIVONEL_PROGRAM, "--model", kSamples + "/nel.pmx", "--motion",
         kSamples + "/nel_dance.vmd"},
        environment, log}));
    return *runs_.back();
  }
  std::string Output(std::size_t run = 0) const { return ReadTextFile(logs_.at(run)); }

  TopLevel Mascot() { return x_->FindByName("BRIVONEL").value_or(TopLevel{}); }
  TopLevel WaitForMascot() {
    EXPECT_TRUE(WaitUntil(
        [&] { return Mascot().viewable && Screen::Read(xvfb_->screenFile()).FigureBox(Mascot().rect, kDesk); },
        60s))
        << "no window with the figure";
    return Mascot();
  }
  std::pair<int, int> SpotOnFigure() {
    const auto spot = Screen::Read(xvfb_->screenFile()).SpotOnFigure(Mascot().rect, kDesk);
    EXPECT_TRUE(spot);
    return spot.value_or(std::pair{0, 0});
  }
  bool Xdo(const std::vector<std::string>& arguments) { return Xdotool(xvfb_->display(), arguments); }
  std::string Settings() const {
    return ReadTextFile(scratch_.path() / "config" / "Quenvalis" / "figure.ini");
  }
  std::filesystem::path AutostartEntry() const {
    return scratch_.path() / "config" / "autostart" / "brivonel.desktop";
  }
  bool Offered(const std::string& label) {
    const auto item = tray_->MenuItem(label);
    return item && item->visible;
  }
  bool Checked(const std::string& label) {
    const auto item = tray_->MenuItem(label);
    return item && item->checked;
  }

  TempDir scratch_;
  std::unique_ptr<XvfbServer> xvfb_;
  std::unique_ptr<XClient> x_;
  std::unique_ptr<PrivateBus> bus_;
  std::unique_ptr<FakeTrayHost> tray_;
  std::vector<std::filesystem::path> logs_;
  std::vector<std::unique_ptr<ChildProcess>> runs_;
};

TEST_F(TrayTest, TheTrayIconCarriesTheFiguresMenuWithShowHideAndClickThrough) {
  StartTray();
  Start();
  WaitForMascot();
  ASSERT_TRUE(WaitUntil([&] { return !tray_->Items().empty(); }, 30s)) << "no item registered";
  ASSERT_TRUE(WaitUntil([&] { return Offered("クリック透過"); }, 30s)) << "click-through not offered";
  std::vector<std::string> labels;
  for (const TrayMenuItem& item : tray_->Menu()) {
    if (item.visible && !item.label.empty()) labels.push_back(item.label);
  }
  EXPECT_EQ(labels, (std::vector<std::string>{"非表示", "モデル変更", "モーション変更", "表示サイズ",
                                              "物理演算", "視線追従", "シャッフル", "クリック透過",
                                              "ログイン時に起動", "終了",
                                              "バージョン情報(A)..."}));

  // Hidden from the tray, and back.
  ASSERT_TRUE(tray_->Click("非表示"));
  EXPECT_TRUE(WaitUntil([&] { return !Mascot().viewable; }, 10s)) << "still on the desktop";
  EXPECT_TRUE(WaitUntil([&] { return tray_->MenuItem("表示").has_value(); }, 10s));
  ASSERT_TRUE(tray_->Click("表示"));
  EXPECT_TRUE(WaitUntil([&] { return Mascot().viewable; }, 10s));
  WaitForMascot();
}

TEST_F(TrayTest, ClickThroughLetsClicksReachTheWindowBelowUntilTheTrayTurnsItOff) {
  StartTray();
  const XWindow desk = x_->CreateDesk();
  Start();
  const TopLevel window = WaitForMascot();
  ASSERT_TRUE(WaitUntil([&] { return Offered("クリック透過"); }, 30s));
  EXPECT_FALSE(Checked("クリック透過"));
  // Without click-through a click on the figure is the figure's.
  auto [x, y] = SpotOnFigure();
  ASSERT_TRUE(Xdo({"mousemove", std::to_string(x), std::to_string(y), "click", "1"}));
  EXPECT_EQ(x_->PressesOn(desk), 0);

  ASSERT_TRUE(tray_->Click("クリック透過"));
  ASSERT_TRUE(WaitUntil([&] { return Checked("クリック透過"); }, 10s));
  EXPECT_TRUE(WaitUntil([&] { return x_->Shape(window.window, true).empty(); }, 10s))
      << "the input shape still takes clicks";
  EXPECT_NE(Settings().find("ClickThrough=1"), std::string::npos) << Settings();
  std::tie(x, y) = SpotOnFigure();
  ASSERT_TRUE(Xdo({"mousemove", std::to_string(x), std::to_string(y), "click", "1"}));
  EXPECT_EQ(x_->PressesOn(desk), 1) << "the click did not reach the window below";
  ASSERT_TRUE(Xdo({"click", "3"}));
  EXPECT_EQ(x_->PressesOn(desk), 1) << "the right button too";
  EXPECT_EQ(Output().find("popup menu at"), std::string::npos) << "the figure's menu opened";

  ASSERT_TRUE(tray_->Click("クリック透過"));
  EXPECT_TRUE(WaitUntil([&] { return !x_->Shape(window.window, true).empty(); }, 10s));
  EXPECT_NE(Settings().find("ClickThrough=0"), std::string::npos) << Settings();
  std::tie(x, y) = SpotOnFigure();
  ASSERT_TRUE(Xdo({"mousemove", std::to_string(x), std::to_string(y), "click", "1"}));
  EXPECT_EQ(x_->PressesOn(desk), 0);
}

TEST_F(TrayTest, StartAtLoginWritesAndRemovesTheAutostartEntryAndShowsWhatIsOnDisk) {
  StartTray();
  Start();
  WaitForMascot();
  ASSERT_TRUE(WaitUntil([&] { return tray_->MenuItem("ログイン時に起動").has_value(); }, 30s));
  EXPECT_FALSE(Checked("ログイン時に起動"));
  ASSERT_TRUE(tray_->Click("ログイン時に起動"));
  ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(AutostartEntry()); }, 10s));
  const std::string entry = ReadTextFile(AutostartEntry());
  EXPECT_NE(entry.find("Exec=\"" + std::filesystem::canonical(BRIVONEL_PROGRAM).string() + "\"\n"),
            std::string::npos)
      << entry;
  EXPECT_TRUE(WaitUntil([&] { return Checked("ログイン時に起動"); }, 10s));
  EXPECT_EQ(Settings().find("Login"), std::string::npos) << "no copy in the settings";

  // Removed by another program: the mark follows the disk.
  std::filesystem::remove(AutostartEntry());
  EXPECT_TRUE(WaitUntil([&] { return !Checked("ログイン時に起動"); }, 10s));
  ASSERT_TRUE(tray_->Click("ログイン時に起動"));
  ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(AutostartEntry()); }, 10s));
  ASSERT_TRUE(tray_->Click("ログイン時に起動"));
  EXPECT_TRUE(WaitUntil([&] { return !std::filesystem::exists(AutostartEntry()); }, 10s));
}

TEST_F(TrayTest, WithoutATrayThereIsNoIconNorClickThroughEvenWhenRemembered) {
  std::filesystem::create_directories(scratch_.path() / "config" / "Quenvalis");
  std::ofstream(scratch_.path() / "config" / "Quenvalis" / "figure.ini")
      << "[CharaModel]\nClickThrough=1\n";
  const XWindow desk = x_->CreateDesk();
  Start();
  const TopLevel window = WaitForMascot();
  EXPECT_TRUE(WaitUntil([&] { return Output().find("no StatusNotifierWatcher") != std::string::npos; }, 10s))
      << Output();
  EXPECT_FALSE(x_->Shape(window.window, true).empty()) << "the figure must stay reachable";
  const auto [x, y] = SpotOnFigure();
  ASSERT_TRUE(Xdo({"mousemove", std::to_string(x), std::to_string(y), "click", "1"}));
  EXPECT_EQ(x_->PressesOn(desk), 0);
}

TEST_F(TrayTest, ASecondCopyShowsAHiddenFigureAndRaisesIt) {
  StartTray();
  ChildProcess& first = Start();
  const TopLevel window = WaitForMascot();
  ASSERT_TRUE(WaitUntil([&] { return tray_->MenuItem("非表示").has_value(); }, 30s));
  ASSERT_TRUE(tray_->Click("非表示"));
  ASSERT_TRUE(WaitUntil([&] { return !Mascot().viewable; }, 10s));

  ChildProcess& second = Start();
  EXPECT_EQ(second.Wait(30s), 0);
  EXPECT_NE(Output(1).find("brivonel: already running"), std::string::npos) << Output(1);
  EXPECT_TRUE(WaitUntil([&] { return Mascot().viewable; }, 10s)) << "still hidden";
  EXPECT_TRUE(first.running());
  EXPECT_TRUE(WaitUntil([&] { return tray_->MenuItem("非表示").has_value(); }, 10s))
      << "the tray's item still offers to show it";

  // A window put over it: the next copy brings the figure above it.
  Display* x = x_->get();
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  const Window cover = XCreateWindow(x, DefaultRootWindow(x), 0, 0, 1920, 1080, 0, CopyFromParent,
                                     InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
  XMapRaised(x, cover);
  XSync(x, False);
  const auto stackedAbove = [&] {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count);
    int mascotAt = -1;
    int coverAt = -1;
    for (unsigned i = 0; i < count; ++i) {
      if (children[i] == window.window) mascotAt = static_cast<int>(i);
      if (children[i] == cover) coverAt = static_cast<int>(i);
    }
    if (children != nullptr) XFree(children);
    return mascotAt > coverAt;
  };
  ASSERT_FALSE(stackedAbove());
  EXPECT_EQ(Start().Wait(30s), 0);
  EXPECT_TRUE(WaitUntil(stackedAbove, 10s)) << "not raised";
  XDestroyWindow(x, cover);
  XSync(x, False);
}

}  // namespace
}  // namespace brivonel::test
