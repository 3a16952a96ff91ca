// Where the window goes on a desktop of several monitors, what a drop does
// to it, and the figure's free scale: the rules, then the application
// object carrying them out through fakes.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "app/figure_scale.h"
#include "app/window_place.h"
#include "render/frame_setup.h"
#include "tests/app/app_harness.h"

namespace brivonel::test {
namespace {

// A 1920x1080 primary monitor with a 40-pixel panel at the bottom, and a
// 1280x1024 one on its right, its top 56 pixels lower, without panel.
const MonitorArea kLeft{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true};
const MonitorArea kRight{{1920, 56, 3200, 1080}, {1920, 56, 3200, 1080}, false};
const std::vector<MonitorArea> kTwo{kRight, kLeft};  // the primary not first

TEST(WindowPlaceTest, StartsWhereItWasDroppedWhileAThirdOfItShows) {
  struct Case {
    const char* what;
    std::optional<Point> remembered;
    std::vector<MonitorArea> monitors;
    Rect expected;
  };
  const Rect primaryDefault{960, 0, 1920, 1040};
  const std::vector<Case> cases = {
      {"nothing remembered", std::nullopt, kTwo, primaryDefault},
      {"on the primary", Point{200, 30}, kTwo, {200, 30, 1160, 1070}},
      {"on the second monitor, at its size", Point{2000, 56}, kTwo, {2000, 56, 2640, 1080}},
      {"the second monitor is gone", Point{2000, 56}, {kLeft}, primaryDefault},
      // 960 wide: 320 pixels showing is exactly a third.
      {"a third showing on the left", Point{-640, 0}, {kLeft}, {-640, 0, 320, 1040}},
      {"less than a third showing", Point{-641, 0}, {kLeft}, primaryDefault},
      {"below every monitor", Point{100, 5000}, kTwo, primaryDefault},
      {"no monitor known", Point{100, 100}, {}, {}},
  };
  for (const Case& c : cases) {
    const std::optional<Rect> rect = StartWindowRect(c.remembered, c.monitors);
    EXPECT_EQ(rect.value_or(Rect{}), c.expected) << c.what;
  }
  // A task bar on the left does not push the default window right.
  const MonitorArea barOnLeft{{0, 0, 1921, 1080}, {100, 0, 1921, 1080}, true};
  EXPECT_EQ(DefaultWindowRect(std::vector{barOnLeft}), (Rect{911, 0, 1821, 1080}));
}

TEST(WindowPlaceTest, ADropTakesTheMonitorsSizeAndALostWindowComesBack) {
  struct Case {
    const char* what;
    Rect dropped;
    Rect expected;
  };
  const std::vector<Case> cases = {
      {"on the same monitor: as dropped", {100, 20, 1060, 1060}, {100, 20, 1060, 1060}},
      {"partly off the top, a third showing", {100, -690, 1060, 350}, {100, -690, 1060, 350}},
      // Mostly on the right monitor: 640x1024 there, around the same bottom
      // centre, raised to its work area's bottom.
      {"onto the second monitor", {2100, 0, 3060, 1040}, {2260, 56, 2900, 1080}},
      {"off the left edge", {-800, 100, 160, 1140}, {0, 0, 960, 1040}},
      {"far below both", {3000, 4000, 3960, 5040}, {2560, 56, 3200, 1080}},
  };
  for (const Case& c : cases) EXPECT_EQ(FittedWindowRect(c.dropped, kTwo), c.expected) << c.what;
  EXPECT_EQ(FittedWindowRect({5, 5, 9, 9}, {}), (Rect{5, 5, 9, 9})) << "no monitor known";
}

TEST(FigureScaleTest, WheelStepsAndTheStoredPairOfScaleAndSize) {
  // percent, notches -> percent
  const std::vector<std::array<std::int32_t, 3>> steps = {
      {100, -1, 90}, {90, 1, 100}, {100, 1, 100}, {20, -1, 20}, {30, -5, 20},
      {75, -1, 70},  {75, 1, 80},  {50, -2, 30},  {100, -8, 20}, {60, 1000000, 100}};
  for (const auto& [from, notches, to] : steps)
    EXPECT_EQ(SteppedScale(from, notches), to) << from << " by " << notches;

  EXPECT_EQ(SizeNearestTo(90), 1);
  EXPECT_EQ(SizeNearestTo(80), 2);
  EXPECT_EQ(SizeNearestTo(60), 3);
  EXPECT_EQ(SizeOfPercent(75), 2);
  EXPECT_EQ(SizeOfPercent(70), 0);

  // stored size, stored scale -> scale drawn
  const std::vector<std::tuple<std::optional<int>, std::optional<int>, int>> stored = {
      {2, std::nullopt, 75},  // written before scales existed
      {std::nullopt, std::nullopt, 100},
      {3, 40, 40},
      {1, 90, 90},
      {1, 40, 100},  // a program without scales chose "大" after the wheel set 40
      {3, 10, 50},   // out of range
      {3, 150, 50},
      {std::nullopt, 90, 90},  // the size unreadable, the scale agrees with large
  };
  for (const auto& [size, scale, drawn] : stored)
    EXPECT_EQ(ResolvedScale(size, scale), drawn) << size.value_or(0) << "/" << scale.value_or(0);
}

std::map<int, bool> SizeChecks(const AppHarness& h) {
  std::map<int, bool> sizes;
  for (const auto& [item, checked] : h.checks.checks)
    if (item >= command::kSizeLarge && item <= command::kSizeSmall) sizes[item] = checked;
  return sizes;
}

TEST(AppScaleTest, CtrlWheelScalesByStepsAndKeepsAValidModelSize) {
  AppHarness h;
  h.RememberGoodFiles();
  ASSERT_EQ(h.Start(), 0);
  constexpr std::uintptr_t kCtrl = 0x0008;
  EXPECT_EQ(h.app->OnMouseWheel(0, -120), error::kNoValue) << "the wheel alone does nothing";
  EXPECT_EQ(h.app->scalePercent(), 100);

  h.app->OnMouseWheel(kCtrl, -120);
  EXPECT_EQ(h.app->scalePercent(), 90);
  EXPECT_EQ(h.Stored(u"Scale"), u"90");
  EXPECT_EQ(h.Stored(u"ModelSize"), u"1");
  EXPECT_EQ(SizeChecks(h), (std::map<int, bool>{{132, false}, {133, false}, {134, false}}));
  EXPECT_EQ(h.presenter.gpu->bindings().viewport, ScaledViewport(960, 1040, 0.9f));

  // A fine wheel's half notches add up to one.
  h.app->OnMouseWheel(kCtrl, -60);
  EXPECT_EQ(h.app->scalePercent(), 90);
  h.app->OnMouseWheel(kCtrl, -60);
  EXPECT_EQ(h.app->scalePercent(), 80);
  EXPECT_EQ(h.Stored(u"ModelSize"), u"2");

  h.app->OnMouseWheel(kCtrl, -120 * 9);
  EXPECT_EQ(h.app->scalePercent(), 20);
  EXPECT_EQ(h.Stored(u"ModelSize"), u"3");
  const gpu::Viewport smallest = *h.presenter.gpu->bindings().viewport;
  EXPECT_FLOAT_EQ(smallest.width, 192.0f);
  EXPECT_FLOAT_EQ(smallest.topLeftY, 1040.0f * 0.8f) << "shrunk toward the bottom";
  EXPECT_FLOAT_EQ(smallest.topLeftX, (960.0f - 192.0f) / 2) << "and the centre";

  // The menu's size sets its own scale and its check mark.
  h.app->ChangeModelSize(2);
  EXPECT_EQ(h.Stored(u"Scale"), u"75");
  EXPECT_EQ(SizeChecks(h), (std::map<int, bool>{{132, false}, {133, true}, {134, false}}));
  h.app->OnMouseWheel(kCtrl, 120);
  EXPECT_EQ(h.app->scalePercent(), 80);

  // The next start draws at the stored scale.
  AppHarness next;
  next.store.files = h.store.files;
  next.folders.appData = h.folders.appData;
  next.RememberGoodFiles();
  ASSERT_EQ(next.Start(), 0);
  EXPECT_EQ(next.app->scalePercent(), 80);
  EXPECT_EQ(SizeChecks(next), (std::map<int, bool>{{132, false}, {133, false}, {134, false}}));
}

class AppPlaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h.monitors.monitors = kTwo;
    h.monitorLayout = &h.monitors;
    h.RememberGoodFiles();
    h.window.rect = {960, 0, 1920, 1040};
    h.window.clientOrigin = {960, 0};
    ASSERT_EQ(h.Start(), 0);
  }
  void Drag(Point from, Point to) {
    h.app->OnLButtonDown(1, from.x, from.y);
    h.app->OnMouseMove(1, to.x, to.y);
    h.app->OnLButtonUp(0, to.x, to.y);
  }
  Point Presented() {
    h.app->Update();
    h.app->Render();
    return h.presenter.presented.back();
  }
  AppHarness h;
};

TEST_F(AppPlaceTest, ADropIsRememberedWithoutTheDancesTravel) {
  h.CurrentModel()->shift = 30;
  Presented();
  h.app->OnLButtonDown(1, 500, 900);
  h.app->OnLButtonUp(0, 500, 900);
  EXPECT_EQ(h.Stored(u"WindowX"), std::nullopt) << "a click without a move is no drop";

  Drag({500, 900}, {0, 920});  // 500 to the left, 20 down: the window to (460, 20)
  EXPECT_EQ(Presented(), (Point{460, 20}));
  EXPECT_EQ(h.Stored(u"WindowX"), u"430");
  EXPECT_EQ(h.Stored(u"WindowY"), u"20");
  EXPECT_TRUE(h.monitors.placed.empty()) << "same monitor, same size";
}

TEST_F(AppPlaceTest, ADropOnAnotherMonitorTakesItsSize) {
  Drag({500, 900}, {1640, 900});  // the window to (2100, 0), mostly on the right
  ASSERT_EQ(h.monitors.placed.size(), 1u);
  EXPECT_EQ(h.monitors.placed[0], (Rect{2260, 56, 2900, 1080}));
  EXPECT_EQ(h.presenter.surfaceWidth, 640);
  EXPECT_EQ(h.presenter.surfaceHeight, 1024);
  EXPECT_EQ(h.app->viewport().width, 640.0f);
  EXPECT_EQ(Presented(), (Point{2260, 56}));
  EXPECT_EQ(h.Stored(u"WindowX"), u"2260");

  // Back on the primary: its size again.
  Drag({100, 100}, {-1000, 100});
  EXPECT_EQ(h.monitors.placed.back().right - h.monitors.placed.back().left, 960);
  EXPECT_EQ(h.presenter.surfaceHeight, 1040);
}

TEST_F(AppPlaceTest, ADropThatHidesTheWindowIsPulledBackInside) {
  Drag({500, 100}, {-1300, 100});  // the window to (-840, 0): 120 pixels showing
  EXPECT_EQ(Presented(), (Point{0, 0}));
  EXPECT_EQ(h.Stored(u"WindowX"), u"0");
  EXPECT_EQ(h.Stored(u"WindowY"), u"0");
}

}  // namespace
}  // namespace brivonel::test
