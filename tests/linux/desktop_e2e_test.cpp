// The desktop program as a user meets it, on a private X server: where its
// window goes, what shows with and without a compositing manager, clicks,
// drags, the popup menu, a second copy, suspend and resume, the first run's
// dialogs and the settings they leave behind. Input comes from xdotool;
// the screen is read from the server's frame buffer file.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "base/unicode.h"
#include "tests/linux/child_process.h"
#include "tests/linux/x_session.h"
#include "tests/support/temp_dir.h"

namespace brivonel::test {
namespace {

using namespace std::chrono_literals;

// The desktop's colour, unlike anything the sample figure wears.
constexpr Rgb kDesk{32, 160, 64};
constexpr int kWindowLeft = 960;  // the right half of a 1920 x 1080 screen

const std::string kSamples = BRIVONEL_SAMPLES_DIR;
const std::string kModel = kSamples + "/nel.pmx";
const std::string kDance = kSamples + "/nel_dance.vmd";
const std::string kSteps = kSamples + "/nel_steps.vmd";

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"config", "home", "shader-cache", "screen"}) {
      std::filesystem::create_directories(scratch_ / folder);
    }
    xvfb_ = std::make_unique<XvfbServer>(scratch_ / "screen");
    ASSERT_FALSE(xvfb_->display().empty());
    x_ = std::make_unique<XClient>(xvfb_->display());
    ASSERT_NE(x_->get(), nullptr);
    x_->PaintRoot(kDesk);
  }

  void TearDown() override {
    if (HasFailure() && xvfb_ && std::filesystem::exists(xvfb_->screenFile())) {
      const std::filesystem::path kept = std::filesystem::temp_directory_path() /
          (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".ppm");
      Screen::Read(xvfb_->screenFile()).SavePpm(kept);
      std::printf("screen at the failure: %s\n", kept.c_str());
      for (std::size_t i = 0; i < logs_.size(); ++i) {
        std::printf("--- brivonel run %zu ---\n%s\n", i, ReadTextFile(logs_[i]).c_str());
      }
    }
  }

  // Starts brivonel with the test's own settings folder and home.
  ChildProcess& Start(std::vector<std::string> arguments,
                      std::map<std::string, std::string> environment = {},
                      const std::string& program = BRIVONEL_PROGRAM) {
    arguments.insert(arguments.begin(), program);
    const std::filesystem::path log = scratch_ / ("brivonel-" + std::to_string(logs_.size()) + ".log");
    logs_.push_back(log);
    std::map<std::string, std::string> base = ProgramEnvironment(xvfb_->display(), scratch_);
    for (auto& [name, value] : environment) base[name] = value;
    runs_.push_back(std::make_unique<ChildProcess>(ChildProcess::Options{arguments, base, log}));
    return *runs_.back();
  }
  // A copy of the program with its shader files and catalogue but without
  // the sample beside it (a first start then asks for files).
  ChildProcess& StartWithoutSample(std::vector<std::string> arguments) {
    const std::filesystem::path bin = scratch_ / "lonely" / "bin";
    const std::filesystem::path built = std::filesystem::path(BRIVONEL_PROGRAM).parent_path();
    if (!std::filesystem::exists(bin)) {
      std::filesystem::create_directories(bin);
      for (const auto& file : std::filesystem::directory_iterator(built)) {
        if (file.path().extension() == ".glsl" || file.path().filename() == "brivonel") {
          std::filesystem::copy_file(file.path(), bin / file.path().filename());
        }
      }
      std::filesystem::copy(built / ".." / "share", scratch_ / "lonely" / "share",
                            std::filesystem::copy_options::recursive);
    }
    return Start(std::move(arguments), {}, (bin / "brivonel").string());
  }
  ChildProcess& StartWithSample(std::vector<std::string> more = {},
                                std::map<std::string, std::string> environment = {}) {
    std::vector<std::string> arguments = {"--model", kModel, "--motion", kDance};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return Start(arguments, std::move(environment));
  }

  std::string Output(std::size_t run = 0) const { return ReadTextFile(logs_.at(run)); }
  bool WaitForOutput(const std::string& text, std::size_t run = 0,
                     std::chrono::milliseconds timeout = 60s) const {
    return WaitUntil([&] { return Output(run).find(text) != std::string::npos; }, timeout);
  }

  // The mascot's window, once it is mapped and the first frame has been put.
  TopLevel WaitForMascot() {
    std::optional<TopLevel> found;
    EXPECT_TRUE(WaitUntil(
        [&] {
          found = x_->FindByName("BRIVONEL");
          return found && FigureBox();
        },
        60s))
        << "no window with the figure";
    return found.value_or(TopLevel{});
  }
  TopLevel Mascot() { return x_->FindByName("BRIVONEL").value_or(TopLevel{}); }

  Screen Read() const { return Screen::Read(xvfb_->screenFile()); }
  std::optional<ScreenRect> FigureBox() {
    return Read().FigureBox(Mascot().rect, kDesk);
  }
  std::pair<int, int> SpotOnFigure() {
    const std::optional<std::pair<int, int>> spot = Read().SpotOnFigure(Mascot().rect, kDesk);
    EXPECT_TRUE(spot) << "no figure on the screen";
    return spot.value_or(std::pair{0, 0});
  }
  bool Xdo(const std::vector<std::string>& arguments) { return Xdotool(xvfb_->display(), arguments); }
  // Serves text as the clipboard's content for as long as the returned
  // process lives (xclip in the foreground, so that it is stopped by its
  // own process id); null when it did not take the clipboard.
  std::unique_ptr<ChildProcess> ServeClipboard(const std::string& text) {
    const std::filesystem::path file = scratch_ / "clipboard.txt";
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    auto clip = std::make_unique<ChildProcess>(ChildProcess::Options{
        {"/usr/bin/xclip", "-quiet", "-selection", "clipboard", "-i", file.string()},
        {{"DISPLAY", xvfb_->display()}},
        scratch_ / "xclip.log"});
    if (!WaitUntil([&] { return x_->SelectionOwned("CLIPBOARD"); }, 10s)) return nullptr;
    return clip;
  }
  // Focuses a dialog (there is no window manager to do it) and types keys.
  bool KeysTo(XWindow window, const std::vector<std::string>& keys) {
    std::vector<std::string> arguments = {"windowfocus", "--sync", std::to_string(window), "key"};
    arguments.insert(arguments.end(), keys.begin(), keys.end());
    return Xdo(arguments);
  }
  // The first viewable window of the program, besides the mascot, whose
  // title is title (dialogs and boxes).
  std::optional<TopLevel> WaitForDialog(const std::string& title) {
    std::optional<TopLevel> found;
    WaitUntil(
        [&] {
          for (const TopLevel& window : x_->TopLevels()) {
            if (window.viewable && !window.overrideRedirect && window.instance == "brivonel" &&
                window.name == title && window.window != Mascot().window) {
              found = window;
              return true;
            }
          }
          return false;
        },
        30s);
    return found;
  }
  // Right-clicks the figure until its menu shows (the dancing figure may
  // have stepped away from the spot between the screen read and the click).
  bool OpenMenuOnFigure() {
    for (int attempt = 0; attempt < 3; ++attempt) {
      const auto [x, y] = SpotOnFigure();
      if (!Xdo({"mousemove", std::to_string(x), std::to_string(y), "click", "3"})) return false;
      const bool shown = WaitUntil(
          [&] {
            for (const TopLevel& window : x_->TopLevels()) {
              if (window.viewable && window.overrideRedirect && window.instance == "brivonel") {
                return true;
              }
            }
            return false;
          },
          5s);
      if (shown) return true;
    }
    return false;
  }

  // Presses the left button on the figure, again where the dance took it
  // when a press missed: true once the mascot has the press. Presses that
  // reached the desk below on the way are taken off it.
  bool PressOnFigure(std::pair<int, int>& at, XWindow desk = 0) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (desk != 0) x_->PressesOn(desk);
      at = SpotOnFigure();
      const std::size_t before = Count(Output(), "mouse button 1 down");
      if (!Xdo({"mousemove", std::to_string(at.first), std::to_string(at.second), "mousedown",
                "1"})) {
        return false;
      }
      if (WaitUntil([&] { return Count(Output(), "mouse button 1 down") > before; }, 2s)) {
        return true;
      }
      Xdo({"mouseup", "1"});
    }
    return false;
  }

  std::filesystem::path SettingsPath() const {
    return scratch_ / "config" / "Quenvalis" / "figure.ini";
  }
  std::string SettingsFile() const { return ReadTextFile(SettingsPath()); }
  void WriteSettings(const std::string& bytes) const {
    std::filesystem::create_directories(SettingsPath().parent_path());
    std::ofstream(SettingsPath(), std::ios::binary | std::ios::trunc) << bytes;
  }

  TempDir scratch_dir_;
  const std::filesystem::path& scratch_ = scratch_dir_.path();
  std::unique_ptr<XvfbServer> xvfb_;
  std::unique_ptr<XClient> x_;
  std::vector<std::filesystem::path> logs_;
  std::vector<std::unique_ptr<ChildProcess>> runs_;
};

constexpr char kHardEdges[] = "no compositing manager is running";

bool Covers(const std::vector<ScreenRect>& shape, int width, int height) {
  return shape.size() == 1 && shape[0] == ScreenRect{0, 0, width, height};
}

ScreenRect BoundsOf(const std::vector<ScreenRect>& shape) {
  int left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
  for (const ScreenRect& r : shape) {
    left = std::min(left, r.x);
    top = std::min(top, r.y);
    right = std::max(right, r.right());
    bottom = std::max(bottom, r.bottom());
  }
  return shape.empty() ? ScreenRect{} : ScreenRect{left, top, right - left, bottom - top};
}

TEST_F(DesktopTest, WindowOnTheRightHalfAboveOthersCutToTheDancingFigure) {
  StartWithSample();
  const TopLevel window = WaitForMascot();
  EXPECT_EQ(window.instance, "brivonel");
  EXPECT_EQ(window.className, "Brivonel");
  EXPECT_EQ(window.rect.y, 0);
  EXPECT_EQ(window.rect.width, 960);
  EXPECT_EQ(window.rect.height, 1080);
  // The dance moves the window sideways from where it was placed.
  const std::vector<long> placed = x_->Cardinals(window.window, "WM_NORMAL_HINTS");
  ASSERT_GE(placed.size(), 5u);
  EXPECT_EQ(std::vector<long>(placed.begin() + 1, placed.begin() + 5),
            (std::vector<long>{kWindowLeft, 0, 960, 1080}));
  const std::vector<std::string> state = x_->AtomNames(window.window, "_NET_WM_STATE");
  for (const char* expected :
       {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
    EXPECT_NE(std::find(state.begin(), state.end(), expected), state.end()) << expected;
  }
  const std::vector<long> motif = x_->Cardinals(window.window, "_MOTIF_WM_HINTS");
  ASSERT_GE(motif.size(), 3u);
  EXPECT_EQ(motif[0] & 2, 2) << "decorations given";
  EXPECT_EQ(motif[2], 0) << "and none wanted";

  // Without a compositor the window's bounding shape is the figure.
  const std::vector<ScreenRect> shape = x_->Shape(window.window, false);
  const ScreenRect bounds = BoundsOf(shape);
  EXPECT_GT(shape.size(), 20u);
  EXPECT_LT(bounds.width * bounds.height, 960 * 1080 / 3);
  EXPECT_GT(bounds.bottom(), 900) << "the figure stands at the bottom";
  const Screen first = Read();
  const ScreenRect rect = Mascot().rect;
  EXPECT_FALSE(first.At(rect.x + 5, 5).FarFrom(kDesk, 0)) << "the desktop shows around it";
  const std::optional<ScreenRect> figure = first.FigureBox(rect, kDesk);
  ASSERT_TRUE(figure);
  EXPECT_GT(figure->height, 500);
  EXPECT_TRUE(WaitUntil([&] { return !Read().SameIn(first, {960 - 300, 0, 1260, 1080}); }, 15s))
      << "the figure dances";
  // One line says what a compositor would change.
  const std::string output = Output();
  EXPECT_NE(output.find(kHardEdges), std::string::npos);
  EXPECT_EQ(output.find(kHardEdges), output.rfind(kHardEdges));
}

TEST_F(DesktopTest, ClicksOnTransparentPixelsReachTheWindowBelowWithoutCompositor) {
  const XWindow desk = x_->CreateDesk();
  StartWithSample();
  const TopLevel window = WaitForMascot();
  ASSERT_TRUE(Xdo({"mousemove", std::to_string(Mascot().rect.x + 20), "20", "click", "1"}));
  EXPECT_TRUE(WaitUntil([&] { return x_->PressesOn(desk) == 1; }, 5s));
  std::pair<int, int> spot;
  ASSERT_TRUE(PressOnFigure(spot, desk));
  ASSERT_TRUE(Xdo({"mouseup", "1"}));
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(x_->PressesOn(desk), 0) << "a click on the figure is the mascot's";
}

TEST_F(DesktopTest, UnderACompositorTheFigureBlendsAndOnlyItTakesClicks) {
  const XWindow desk = x_->CreateDesk();
  auto compositor = std::make_unique<Compositor>(xvfb_->display(), scratch_ / "xcompmgr.log", *x_);
  StartWithSample();
  const TopLevel window = WaitForMascot();
  EXPECT_TRUE(Covers(x_->Shape(window.window, false), 960, 1080))
      << "the whole window is drawn, transparent where the figure is not";
  const ScreenRect input = BoundsOf(x_->Shape(window.window, true));
  EXPECT_LT(input.width * input.height, 960 * 1080 / 3) << "only the figure takes the mouse";
  const Screen first = Read();
  const ScreenRect rect = Mascot().rect;
  EXPECT_FALSE(first.At(rect.x + 5, 5).FarFrom(kDesk, 0));
  EXPECT_FALSE(first.At(rect.x + rect.width / 2, 20).FarFrom(kDesk, 0));
  ASSERT_TRUE(first.FigureBox(rect, kDesk));
  // Generous: a loaded machine draws the first frames slowly.
  EXPECT_TRUE(WaitUntil([&] { return !Read().SameIn(first, {960 - 300, 0, 1260, 1080}); }, 15s));
  EXPECT_EQ(Output().find(kHardEdges), std::string::npos);

  ASSERT_TRUE(Xdo({"mousemove", std::to_string(rect.x + 20), "20", "click", "1"}));
  EXPECT_TRUE(WaitUntil([&] { return x_->PressesOn(desk) == 1; }, 5s));
  std::pair<int, int> spot;
  ASSERT_TRUE(PressOnFigure(spot, desk));
  ASSERT_TRUE(Xdo({"mouseup", "1"}));
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(x_->PressesOn(desk), 0);

  // The compositor goes: the window is cut to the figure, with one line.
  compositor->Stop();
  EXPECT_TRUE(WaitForOutput(kHardEdges, 0, 10s));
  EXPECT_TRUE(WaitUntil([&] { return !Covers(x_->Shape(window.window, false), 960, 1080); }, 5s));
  // And comes back: the window blends again.
  compositor = std::make_unique<Compositor>(xvfb_->display(), scratch_ / "xcompmgr.log", *x_);
  EXPECT_TRUE(WaitUntil([&] { return Covers(x_->Shape(window.window, false), 960, 1080); }, 5s));
}

TEST_F(DesktopTest, DraggingTheFigureMovesTheWindow) {
  StartWithSample();
  const TopLevel window = WaitForMascot();
  const ScreenRect before = Mascot().rect;
  std::pair<int, int> spot;
  ASSERT_TRUE(PressOnFigure(spot));
  const auto [x, y] = spot;
  for (int step = 1; step <= 5; ++step) {
    ASSERT_TRUE(Xdo({"mousemove", std::to_string(x - 12 * step), std::to_string(y - 30 * step)}));
  }
  ASSERT_TRUE(Xdo({"mouseup", "1"}));
  // Vertically the window follows the drag exactly; sideways the dance's
  // own travel keeps placing it (as the program does on Windows).
  EXPECT_TRUE(WaitUntil([&] { return Mascot().rect.y == before.y - 150; }, 5s))
      << "window at y " << Mascot().rect.y;
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(Mascot().rect.y, before.y - 150) << "and stays there";
  EXPECT_EQ(Mascot().window, window.window);
}

// The number a settings line "key=..." holds; null without the line.
std::optional<int> SettingsNumber(const std::string& text, const std::string& key) {
  const std::size_t at = text.find("\n" + key + "=");
  if (at == std::string::npos) return std::nullopt;
  return std::atoi(text.c_str() + at + key.size() + 2);
}

// Dropped 500 pixels to the left in the middle of the dance, the figure
// dances on around the drop (the window no longer snaps back to the right
// half) and starts there the next time, with Ctrl + wheel scaling it.
TEST_F(DesktopTest, ADragOf500PixelsHoldsDuringTheDanceAndIsThereAfterARestart) {
  auto compositor = std::make_unique<Compositor>(xvfb_->display(), scratch_ / "xcompmgr.log", *x_);
  ChildProcess& first = StartWithSample();
  WaitForMascot();
  std::this_thread::sleep_for(1500ms);  // into the dance
  std::pair<int, int> spot;
  ASSERT_TRUE(PressOnFigure(spot));
  const auto [x, y] = spot;
  for (int step = 1; step <= 10; ++step) {
    ASSERT_TRUE(Xdo({"mousemove", std::to_string(x - 50 * step), std::to_string(y)}));
  }
  ASSERT_TRUE(Xdo({"mouseup", "1"}));
  ASSERT_TRUE(WaitUntil(
      [&] {
        const std::string text = SettingsFile();
        return SettingsNumber(text, "WindowX") && SettingsNumber(text, "WindowY");
      },
      5s))
      << SettingsFile();
  const int placeX = *SettingsNumber(SettingsFile(), "WindowX");
  EXPECT_EQ(SettingsNumber(SettingsFile(), "WindowY"), 0);
  // The default place is x 960; the dance's sideways travel moves the
  // window by less than 150 pixels either way.
  EXPECT_NEAR(placeX, 460, 150);
  int lowest = INT32_MAX;
  int highest = INT32_MIN;
  for (int look = 0; look < 20; ++look) {
    std::this_thread::sleep_for(100ms);
    lowest = std::min(lowest, Mascot().rect.x);
    highest = std::max(highest, Mascot().rect.x);
  }
  std::printf("after the drop to %d the window's left edge went from %d to %d\n", placeX, lowest,
              highest);
  EXPECT_GE(lowest, placeX - 150);
  EXPECT_LE(highest, placeX + 150) << "the window came back toward the right half";

  // Ctrl + wheel down over the figure: 90 %, then 80 % ("中" is nearest).
  const auto [wx, wy] = SpotOnFigure();
  ASSERT_TRUE(Xdo({"mousemove", std::to_string(wx), std::to_string(wy), "keydown", "ctrl",
                   "click", "5", "click", "5", "keyup", "ctrl"}));
  EXPECT_TRUE(WaitUntil([&] { return SettingsNumber(SettingsFile(), "Scale") == 80; }, 5s))
      << SettingsFile();
  EXPECT_EQ(SettingsNumber(SettingsFile(), "ModelSize"), 2);

  first.Stop();
  Start({"--model", kModel, "--motion", kDance});
  WaitForMascot();
  const int restartX = Mascot().rect.x;
  EXPECT_NEAR(restartX, placeX, 150) << "back at the drop";
  EXPECT_EQ(Mascot().rect.y, 0);
  // The figure is drawn at 80 %: its box is well below the full height.
  const std::optional<ScreenRect> box = FigureBox();
  ASSERT_TRUE(box);
  EXPECT_LT(box->height, 1040 * 85 / 100);
}

// Where the figure's eyes are on the screen: the middle of the blue irises
// in the top fifth of the figure (the dress is below), or nothing.
std::optional<double> EyesX(const Screen& screen, ScreenRect figure) {
  double sum = 0;
  int count = 0;
  for (int y = figure.y; y < figure.y + figure.height / 5; ++y) {
    for (int x = figure.x; x < figure.right(); ++x) {
      const Rgb c = screen.At(x, y);
      if (c.b > 140 && c.b > c.r + 70 && c.b > c.g + 30) {
        sum += x;
        ++count;
      }
    }
  }
  if (count < 30) return std::nullopt;
  return sum / count;
}

// The head follows the pointer anywhere on the screen, turns back to the
// dance once it rests, and keeps still when 視線追従 is off. The figure
// stands still (a motion without keys), so only the head moves.
TEST_F(DesktopTest, TheHeadFollowsThePointerUntilItRestsOrTheItemIsOff) {
  const std::filesystem::path still = scratch_ / "still.vmd";
  std::string header = "Vocaloid Motion Data 0002";
  header.resize(50, '\0');  // the signature's 30 bytes and the model name's 20
  header.append(8, '\0');   // no bone keys, no morph keys
  std::ofstream(still, std::ios::binary) << header;
  ChildProcess& mascot = Start({"--model", kModel, "--motion", still.string()});
  WaitForMascot();
  std::this_thread::sleep_for(3s);  // hair and skirt settle
  const std::optional<ScreenRect> figure = FigureBox();
  ASSERT_TRUE(figure);
  // The box with the twin tails swinging still in it, wide enough for a
  // turned head.
  const ScreenRect head{figure->x - 40, figure->y, figure->width + 80, figure->height};
  const std::optional<double> ahead = EyesX(Read(), head);
  ASSERT_TRUE(ahead) << "no eyes found";
  const auto pointTo = [&](int x, int y) {
    // Two steps: a move is a change between frames.
    return Xdo({"mousemove", std::to_string(x - 10), std::to_string(y)}) &&
           Xdo({"mousemove", std::to_string(x), std::to_string(y)});
  };
  const auto eyesAfterAWhile = [&] {
    std::this_thread::sleep_for(1500ms);
    return EyesX(Read(), head).value_or(-1000);
  };
  const int eyeLevel = figure->y + figure->height / 8;
  ASSERT_TRUE(pointTo(head.x - 300, eyeLevel));
  const double left = eyesAfterAWhile();
  ASSERT_TRUE(pointTo(1910, eyeLevel));
  const double right = eyesAfterAWhile();
  EXPECT_LT(left, *ahead - 15) << "pointer on the left";
  EXPECT_GT(right, *ahead + 15) << "pointer on the right";
  // Three seconds still, then a second to fade back to the dance's pose.
  std::this_thread::sleep_for(4s);
  EXPECT_NEAR(EyesX(Read(), head).value_or(-1000), *ahead, 4) << "back to the dance";

  ASSERT_TRUE(OpenMenuOnFigure());
  // 視線追従, the fifth item.
  ASSERT_TRUE(Xdo({"key", "--delay", "80", "Down", "Down", "Down", "Down", "Down", "Return"}));
  EXPECT_TRUE(WaitUntil([&] { return SettingsFile().find("LookAt=0") != std::string::npos; }, 10s))
      << SettingsFile();
  std::this_thread::sleep_for(2s);  // the menu's own pointer moves fade out
  ASSERT_TRUE(pointTo(head.x - 300, eyeLevel));
  EXPECT_NEAR(eyesAfterAWhile(), *ahead, 4) << "off: the head does not follow";
  mascot.Stop();
}

TEST_F(DesktopTest, PopupMenuChangesTheSizeAndEndsTheProgram) {
  ChildProcess& mascot = StartWithSample();
  WaitForMascot();
  const ScreenRect large = FigureBox().value_or(ScreenRect{});
  ASSERT_TRUE(OpenMenuOnFigure()) << "no popup menu";
  // 表示サイズ (the third item), then 小 (the third of its items).
  ASSERT_TRUE(Xdo({"key", "--delay", "80", "Down", "Down", "Down", "Right", "Down", "Down", "Return"}));
  EXPECT_TRUE(WaitUntil([&] { return SettingsFile().find("ModelSize=3") != std::string::npos; }, 10s))
      << SettingsFile();
  EXPECT_TRUE(WaitForOutput("menu command 134"));
  // Half the size, still standing at the bottom, in the middle.
  std::optional<ScreenRect> small;
  EXPECT_TRUE(WaitUntil(
      [&] {
        small = FigureBox();
        return small && small->height < large.height * 2 / 3;
      },
      5s));
  ASSERT_TRUE(small);
  EXPECT_GT(small->height, large.height / 3);
  EXPECT_NEAR(small->bottom(), large.bottom(), 60);
  const ScreenRect rect = Mascot().rect;
  EXPECT_NEAR(small->x + small->width / 2, rect.x + rect.width / 2, rect.width / 6);
  EXPECT_EQ(SettingsFile().find("Model="), std::string::npos)
      << "files given on the command line are not remembered";

  ASSERT_TRUE(OpenMenuOnFigure());
  // From the end: the About box, then 終了.
  ASSERT_TRUE(Xdo({"key", "--delay", "80", "Up", "Up", "Return"}));
  EXPECT_EQ(mascot.Wait(15s), 0);
  EXPECT_NE(Output().find("menu command 105"), std::string::npos);
}

TEST_F(DesktopTest, ASecondCopyEndsAtOnceSayingSoAndKeepsTheFirst) {
  ChildProcess& first = StartWithSample();
  const TopLevel window = WaitForMascot();
  ChildProcess& second = StartWithSample();
  EXPECT_EQ(second.Wait(30s), 0);
  EXPECT_TRUE(first.running());
  const TopLevel still = Mascot();
  EXPECT_EQ(still.window, window.window);
  EXPECT_TRUE(still.viewable);
  EXPECT_EQ(Output(1).find("message box"), std::string::npos) << Output(1);
  EXPECT_NE(Output(1).find("brivonel: already running"), std::string::npos) << Output(1);
  int windows = 0;
  for (const TopLevel& top : x_->TopLevels()) windows += top.name == "BRIVONEL" ? 1 : 0;
  EXPECT_EQ(windows, 1);
}

TEST_F(DesktopTest, SuspendStopsTheFramesAndResumeStartsThemAgain) {
  PrivateBus bus(scratch_);
  const std::map<std::string, std::string> onTheBus = {{"DBUS_SYSTEM_BUS_ADDRESS", bus.address()}};
  ChildProcess& mascot = StartWithSample({}, onTheBus);
  WaitForMascot();
  ASSERT_TRUE(WaitForOutput("watching the system bus"));
  const auto logind = [&](const char* sleeping) {
    ChildProcess say({{BRIVONEL_TEST_LOGIND, sleeping}, onTheBus, scratch_ / "logind.log"});
    return say.Wait(10s) == 0;
  };
  ASSERT_TRUE(logind("true")) << ReadTextFile(scratch_ / "logind.log");
  ASSERT_TRUE(WaitForOutput(">> OnSleep!"));
  std::this_thread::sleep_for(200ms);  // a frame already under way is put
  const Screen asleep = Read();
  const long ticks = mascot.CpuTicks();
  std::this_thread::sleep_for(1s);
  EXPECT_TRUE(Read().SameIn(asleep, {0, 0, 1920, 1080})) << "no frame for a second";
  EXPECT_LE(mascot.CpuTicks() - ticks, 3) << "and the process waits idle";

  ASSERT_TRUE(logind("false"));
  ASSERT_TRUE(WaitForOutput(">> OnWakeUp!"));
  EXPECT_TRUE(WaitUntil([&] { return !Read().SameIn(asleep, {0, 0, 1920, 1080}); }, 5s))
      << "drawing again";
}

TEST_F(DesktopTest, FirstRunWithoutAModelAsksForOneAndEndsWhenCancelled) {
  ChildProcess& mascot = StartWithoutSample({});
  const std::optional<TopLevel> box = WaitForDialog("");
  ASSERT_TRUE(box) << Output();
  EXPECT_TRUE(WaitForOutput("message box [] モデルデータ(PMD/PMX)が必要です"));
  ASSERT_TRUE(KeysTo(box->window, {"Return"}));
  const std::optional<TopLevel> dialog = WaitForDialog("モデルデータを選んでください");
  ASSERT_TRUE(dialog) << Output();
  ASSERT_TRUE(KeysTo(dialog->window, {"Escape"}));
  const std::optional<TopLevel> error = WaitForDialog("エラー");
  ASSERT_TRUE(error) << Output();
  EXPECT_TRUE(WaitForOutput("message box [エラー] モデルは必須です\nhr:0 ecode: 1000"));
  ASSERT_TRUE(KeysTo(error->window, {"Return"}));
  EXPECT_EQ(mascot.Wait(15s), 1) << "it could not start";
  EXPECT_EQ(SettingsFile(), "") << "nothing chosen, nothing written";
}

TEST_F(DesktopTest, AModelInAJapaneseFolderChosenInTheDialogLoadsAtTheNextStart) {
  // The sample as a user keeps a downloaded model: its own folder, with
  // Japanese names (the textures are found beside the model).
  const std::filesystem::path folder = scratch_ / "モデル" / "ネル";
  std::filesystem::create_directories(folder);
  for (const auto& file : std::filesystem::directory_iterator(kSamples)) {
    std::filesystem::copy_file(file.path(), folder / file.path().filename());
  }
  std::filesystem::rename(folder / "nel.pmx", folder / "ネル.pmx");
  std::filesystem::rename(folder / "nel_dance.vmd", folder / "ダンス.vmd");
  const std::string model = (folder / "ネル.pmx").string();
  const std::string dance = (folder / "ダンス.vmd").string();

  ChildProcess& first = StartWithoutSample({});
  const auto choose = [&](const std::string& boxText, const std::string& title,
                          const std::string& path) {
    const std::optional<TopLevel> box = WaitForDialog("");
    ASSERT_TRUE(box) << Output();
    EXPECT_TRUE(WaitForOutput("message box [] " + boxText));
    ASSERT_TRUE(KeysTo(box->window, {"Return"}));
    // The path is pasted: xdotool types Japanese by remapping a spare key
    // for each character, which a busy GTK can read with the old mapping.
    // A name that still goes wrong loads nothing and the dialog comes back
    // (with the previous text, replaced here), so the test tries again.
    // Return may first take a completion.
    const auto chosenCount = [&] { return Count(Output(), "file chosen "); };
    bool chosen = false;
    for (int attempt = 0; attempt < 5 && !chosen; ++attempt) {
      const std::optional<TopLevel> dialog = WaitForDialog(title);
      ASSERT_TRUE(dialog) << Output();
      const std::size_t before = chosenCount();
      const std::unique_ptr<ChildProcess> clipboard = ServeClipboard(path);
      ASSERT_TRUE(clipboard) << "xclip did not take the clipboard";
      ASSERT_TRUE(KeysTo(dialog->window, {"ctrl+l", "ctrl+a", "ctrl+v"}));
      for (int press = 0; press < 3 && chosenCount() == before; ++press) {
        ASSERT_TRUE(Xdo({"key", "Return"}));
        WaitUntil([&] { return chosenCount() > before; }, 1500ms);
      }
      chosen = Output().find("file chosen " + path + "\n") != std::string::npos;
    }
    EXPECT_TRUE(chosen) << Output();
  };
  choose("モデルデータ(PMD/PMX)が必要です", "モデルデータを選んでください", model);
  choose("モーションデータ(VMD)が必要です", "モーションデータを選んでください", dance);
  WaitForMascot();
  EXPECT_EQ(SettingsFile(), "[CharaModel]\nModel=" + model + "\nMotion=" + dance + "\n");
  first.Stop();

  ChildProcess& second = Start({});
  WaitForMascot();
  EXPECT_EQ(Output(1).find("message box"), std::string::npos) << Output(1);
  EXPECT_TRUE(second.running());
}

// What the program costs before it decides about a file it cannot use: it
// asks for another at once (or, for settings it will not read, says so and
// goes on as on a first start), holding little memory (time is printed).
TEST_F(DesktopTest, OversizedFilesAreRefusedAtOnceWithLittleMemory) {
  const std::filesystem::path model = scratch_ / "2g.pmx";
  const std::filesystem::path motion = scratch_ / "2g.vmd";
  const std::filesystem::path settings = scratch_ / "lines" / "Quenvalis" / "figure.ini";
  std::filesystem::create_directories(settings.parent_path());
  for (const auto& path : {model, motion}) {
    std::ofstream(path, std::ios::binary);
    std::filesystem::resize_file(path, std::uint64_t{2} << 30);  // sparse: no room on the disk
  }
  std::ofstream(settings, std::ios::binary) << std::string(100'000'000, '\n');
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    std::map<std::string, std::string> environment;
    std::string decided;  // what the program says once it has decided
  } cases[] = {
      {"a 2 GB model", {"--model", model.string(), "--motion", kDance}, {},
       "message box [] モデルデータ(PMD/PMX)が必要です"},
      {"a 2 GB motion", {"--model", kModel, "--motion", motion.string()}, {},
       "message box [] モーションデータ(VMD)が必要です"},
      {"100 MB of empty lines as settings",
       {},
       {{"XDG_CONFIG_HOME", (scratch_ / "lines").string()}},
       "is larger than 1 MiB (100000000 bytes)"},
  };
  for (const auto& c : cases) {
    const std::size_t run = logs_.size();
    const auto started = std::chrono::steady_clock::now();
    ChildProcess& mascot = Start(c.arguments, c.environment);
    ASSERT_TRUE(WaitForOutput(c.decided, run, 60s))
        << c.name << ": " << Output(run);
    const auto decided = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    const long peak = mascot.PeakMemoryMiB();
    std::printf("%s: refused after %lld ms, %ld MiB at most\n", c.name,
                static_cast<long long>(decided.count()), peak);
    EXPECT_GT(peak, 0) << c.name;
    EXPECT_LT(peak, 256) << c.name;
    mascot.Stop();
  }
  const std::string said = Output(2);
  EXPECT_EQ(Count(said, "is larger than 1 MiB (100000000 bytes)"), 1u) << said;
  EXPECT_EQ(std::filesystem::file_size(settings), 100'000'000u) << "the file is left as it is";
}

TEST_F(DesktopTest, ARememberedEmptyPmdIsRefusedAndATermSignalClosesTheDialogAndEnds) {
  const std::filesystem::path empty = scratch_ / "empty.pmd";
  std::ofstream(empty, std::ios::binary);
  const std::string remembered =
      "[CharaModel]\nModel=" + empty.string() + "\nMotion=" + kDance + "\n";
  WriteSettings(remembered);
  ChildProcess& mascot = Start({});
  const std::optional<TopLevel> box = WaitForDialog("");
  ASSERT_TRUE(box) << Output();
  EXPECT_TRUE(WaitForOutput("PMD refused: the file is empty"));
  EXPECT_TRUE(WaitForOutput("message box [] モデルデータ(PMD/PMX)が必要です"));
  ASSERT_TRUE(KeysTo(box->window, {"Return"}));
  ASSERT_TRUE(WaitForDialog("モデルデータを選んでください")) << Output();
  ::kill(mascot.pid(), SIGTERM);
  EXPECT_EQ(mascot.Wait(10s), 0) << Output();
  EXPECT_EQ(SettingsFile(), remembered);
}

TEST_F(DesktopTest, ATermSignalEndsTheProgramWithTheAboutBoxOpenAndKeepsTheSettings) {
  WriteSettings("[CharaModel]\nModelSize=2\n");
  ChildProcess& mascot = StartWithSample();
  WaitForMascot();
  ASSERT_TRUE(OpenMenuOnFigure()) << "no popup menu";
  ASSERT_TRUE(Xdo({"key", "--delay", "80", "Up", "Return"}));  // the About box, the last item
  ASSERT_TRUE(WaitForDialog("バージョン情報 Brivonel")) << Output();
  ::kill(mascot.pid(), SIGTERM);
  EXPECT_EQ(mascot.Wait(10s), 0) << Output();
  EXPECT_EQ(SettingsFile(), "[CharaModel]\nModelSize=2\n");
}

// A settings file from Windows: UTF-16 with its byte-order mark, CR LF.
std::string Utf16LeSettings(const std::string& utf8) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : Utf8ToUtf16(utf8)) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

TEST_F(DesktopTest, AUtf16SettingsFileWithALongPathIsReadAndWrittenBackAsItCame) {
  // The sample in a folder whose path is 2,000 bytes long.
  std::filesystem::path folder = scratch_;
  while (folder.string().size() < 2000) folder /= std::string(200, 'd');
  std::filesystem::create_directories(folder);
  for (const auto& file : std::filesystem::directory_iterator(kSamples)) {
    std::filesystem::copy_file(file.path(), folder / file.path().filename());
  }
  const std::string model = (folder / "nel.pmx").string();
  const std::string settings =
      "[CharaModel]\r\nModel=" + model + "\r\nMotion=" + kDance + "\r\n";
  WriteSettings(Utf16LeSettings(settings));
  Start({});
  WaitForMascot();
  EXPECT_EQ(Output().find("message box"), std::string::npos) << Output();
  ASSERT_TRUE(OpenMenuOnFigure()) << "no popup menu";
  // 表示サイズ, then 小.
  ASSERT_TRUE(Xdo({"key", "--delay", "80", "Down", "Down", "Down", "Right", "Down", "Down", "Return"}));
  const std::string expected = Utf16LeSettings(settings + "ModelSize=3\r\nScale=50\r\n");
  EXPECT_TRUE(WaitUntil([&] { return SettingsFile() == expected; }, 10s)) << SettingsFile();
}

TEST_F(DesktopTest, WhenTheXServerGoesAwayTheProgramSaysSoInOneLineAndFails) {
  ChildProcess& mascot = StartWithSample();
  WaitForMascot();
  x_.reset();  // the test's own connection goes first
  xvfb_->Stop();
  EXPECT_EQ(mascot.Wait(15s), 1);
  const std::string output = Output();
  const std::string line = "brivonel: the X server of display " + xvfb_->display() + " went away";
  EXPECT_EQ(Count(output, line), 1u) << output;
  EXPECT_EQ(output.find("XIO"), std::string::npos) << output;
  EXPECT_EQ(output.find("Gdk"), std::string::npos) << output;
}

TEST_F(DesktopTest, ABadOptionEndsWithTheUsage) {
  ChildProcess& mascot = Start({"--size", "4"});
  EXPECT_EQ(mascot.Wait(20s), 2);
  EXPECT_EQ(Output().rfind("brivonel: --size takes 1, 2 or 3, not 4\n使い方: brivonel", 0), 0u)
      << Output();
  EXPECT_FALSE(x_->FindByName("BRIVONEL").has_value());
}

// The menu speaks the user's language: Japanese for LANGUAGE=ja, English
// for an English locale (here one the system lacks, as on many machines).
TEST_F(DesktopTest, MenusSpeakTheUsersLanguage) {
  struct Case {
    std::map<std::string, std::string> environment;
    std::string items;
    std::string name;
  };
  const Case cases[] = {
      {{{"LANGUAGE", "ja"}},
       "モデル変更|モーション変更|表示サイズ|物理演算|視線追従|シャッフル|ログイン時に起動|終了||"
       "バージョン情報(_A)...",
       "ja"},
      {{{"LANGUAGE", ""}, {"LC_ALL", "en_US.UTF-8"}},
       "Change model|Change motion|Display size|Physics|Follow the pointer|Shuffle|Start at login|"
       "Exit||_About...",
       "en"},
  };
  std::size_t run = 0;
  for (const Case& c : cases) {
    ChildProcess& mascot = StartWithSample({}, c.environment);
    WaitForMascot();
    ASSERT_TRUE(OpenMenuOnFigure()) << "no popup menu";
    EXPECT_TRUE(WaitForOutput(c.items, run, 10s)) << Output(run);
    std::this_thread::sleep_for(300ms);  // drawn
    const std::filesystem::path grab =
        std::filesystem::temp_directory_path() / ("brivonel-menu-" + c.name + ".ppm");
    Read().SavePpm(grab);
    std::printf("menu in %s: %s\n", c.name.c_str(), grab.c_str());
    ASSERT_TRUE(Xdo({"key", "Escape"}));
    ::kill(mascot.pid(), SIGTERM);
    EXPECT_EQ(mascot.Wait(10s), 0);
    ++run;
  }
}

// No settings and the sample beside the program: it dances, nothing asked,
// nothing written.
TEST_F(DesktopTest, FirstStartShowsTheSampleDancingAndWritesNothing) {
  ChildProcess& mascot = Start({});
  WaitForMascot();
  const ScreenRect first = FigureBox().value_or(ScreenRect{});
  EXPECT_TRUE(WaitUntil([&] { const auto now = FigureBox(); return now && !(*now == first); }, 10s))
      << "the figure moves";
  EXPECT_EQ(Output().find("message box"), std::string::npos) << Output();
  ::kill(mascot.pid(), SIGTERM);
  EXPECT_EQ(mascot.Wait(10s), 0);
  EXPECT_FALSE(std::filesystem::exists(SettingsPath()));
}

// A file that is no motion (here a model) is refused: the box and stderr
// name it and say why, and the dialog asks for another.
TEST_F(DesktopTest, AFileThatIsNoMotionIsRefusedByNameAndReason) {
  ChildProcess& mascot = Start({"--model", kModel, "--motion", kModel});
  const std::optional<TopLevel> box = WaitForDialog("");
  ASSERT_TRUE(box) << Output();
  EXPECT_TRUE(WaitForOutput("message box [] モーションデータ(VMD)が必要です\n\n" + kModel +
                            ": not a VMD motion"));
  EXPECT_TRUE(WaitForOutput("brivonel: " + kModel + ": not a VMD motion\n"));
  ASSERT_TRUE(KeysTo(box->window, {"Return"}));
  ASSERT_TRUE(WaitForDialog("モーションデータを選んでください")) << Output();
  ::kill(mascot.pid(), SIGTERM);
  EXPECT_EQ(mascot.Wait(10s), 0) << Output();
}

// The sample's two dances as a remembered playlist, a missing file between
// them: each dance plays its loop, then the other takes over (the trace
// says so) while the figure dances on; the missing one is skipped with one
// line. The menu's sixth item turns shuffling on, and the list stays.
TEST_F(DesktopTest, APlaylistOfTheSamplesTwoDancesSwitchesOver) {
  const std::string gone = (scratch_ / "gone.vmd").string();
  WriteSettings("[CharaModel]\nModel=" + kModel + "\nMotion=" + kDance +
                "\n[Playlist]\nCount=3\nItem1=" + kDance + "\nItem2=" + gone + "\nItem3=" + kSteps +
                "\nShuffle=0\n");
  ChildProcess& mascot = Start({}, {{"BRIVONEL_TRACE", "1"}});
  WaitForMascot();
  // The dance loops in 17 s, the steps in 8.5 s.
  ASSERT_TRUE(WaitForOutput("playlist: item 3 of 3, " + kSteps + "\n", 0, 45s)) << Output();
  EXPECT_NE(Output().find("playlist: " + gone + " skipped: file not found\n"), std::string::npos)
      << Output();
  const ScreenRect during = FigureBox().value_or(ScreenRect{});
  EXPECT_TRUE(WaitUntil([&] { const auto now = FigureBox(); return now && !(*now == during); }, 10s))
      << "the figure dances on through the hand-over";
  ASSERT_TRUE(WaitForOutput("playlist: item 1 of 3, " + kDance + "\n", 0, 45s)) << Output();
  EXPECT_EQ(Count(Output(), "skipped"), 1u) << "a file that failed is not tried again";

  ASSERT_TRUE(OpenMenuOnFigure()) << "no popup menu";
  ASSERT_TRUE(Xdo({"key", "--delay", "80", "Down", "Down", "Down", "Down", "Down", "Down", "Return"}));
  EXPECT_TRUE(WaitUntil([&] { return SettingsFile().find("Shuffle=1") != std::string::npos; }, 10s))
      << SettingsFile();
  ::kill(mascot.pid(), SIGTERM);
  EXPECT_EQ(mascot.Wait(10s), 0) << Output();
  EXPECT_NE(SettingsFile().find("Item3=" + kSteps), std::string::npos) << "the list is kept";
}

}  // namespace
}  // namespace brivonel::test
