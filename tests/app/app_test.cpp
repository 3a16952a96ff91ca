// The application object's frame logic through fakes: clock, power, drag,
// the window shift, display sizes, error boxes and the shell's helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/error_text.h"
#include "app/shell.h"
#include "base/app_exception.h"
#include "base/trace.h"
#include "render/frame_setup.h"
#include "tests/app/app_harness.h"

namespace brivonel::test {
namespace {

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h.RememberGoodFiles();
    ASSERT_EQ(h.Start(), 0);
    ASSERT_NE(h.CurrentModel(), nullptr);
  }
  AppHarness h;
};

TEST_F(AppTest, ClockRestartsTheMotionOnlyAfterAStallOfMoreThanOneSecond) {
  DesktopMascotApp& app = *h.app;
  h.clock.now += 16;
  ASSERT_EQ(app.Update(), 0);
  h.clock.now += 1000;  // exactly one second: the motion goes on
  app.Update();
  EXPECT_EQ(app.delta(), 1000u);
  const std::uint64_t before = app.elapsed();
  EXPECT_GE(before, 1016u);

  h.clock.now += 2000;  // a popup menu held open for two seconds
  app.Update();
  EXPECT_EQ(app.elapsed(), 0u);
  EXPECT_EQ(app.delta(), 0u);
  EXPECT_EQ(h.CurrentModel()->lastElapsed, 0u) << "the model is posed at frame 0";

  h.clock.now += 33;
  app.Update();
  EXPECT_EQ(app.elapsed(), 33u);
}

TEST_F(AppTest, ClockAbsorbsTheCountersWrapAround) {
  DesktopMascotApp& app = *h.app;
  h.clock.now = 4294967290u;
  app.Update();  // may restart: the jump from 5000 is huge
  const std::uint64_t before = app.elapsed();
  h.clock.now = 4;
  app.Update();
  EXPECT_EQ(app.delta(), 10u);
  EXPECT_EQ(app.elapsed(), before + 10);
}

std::string traced;
void CollectTrace(std::string_view text) { traced += text; }

TEST_F(AppTest, SleepSkipsEveryTurnUntilWakingAndASuccessfulTestPresent) {
  DesktopMascotApp& app = *h.app;
  traced.clear();
  SetTraceSink(&CollectTrace);
  app.OnSleep();
  const int updatesBefore = h.CurrentModel()->updates;
  for (int turn = 0; turn < 3; ++turn) EXPECT_EQ(app.Update(), 1202);
  EXPECT_EQ(h.presenter.testPresents, 0) << "no test present while asleep";

  app.OnWakeUp();
  h.presenter.testPresentResult = static_cast<HResult>(0x087A0001);  // occluded
  EXPECT_EQ(app.Update(), 1202);
  EXPECT_EQ(app.Update(), 1202);
  EXPECT_EQ(h.presenter.testPresents, 2);
  EXPECT_EQ(h.window.showCount, 0);
  EXPECT_EQ(h.CurrentModel()->updates, updatesBefore);

  h.presenter.testPresentResult = kSOk;
  h.clock.now += 60000;
  EXPECT_EQ(app.Update(), 0);
  EXPECT_EQ(app.powerState(), kPowerRunning);
  EXPECT_EQ(h.window.showCount, 1);
  EXPECT_EQ(app.elapsed(), 0u) << "the first step after waking restarts the motion";
  SetTraceSink(nullptr);
  EXPECT_EQ(traced, ">> OnSleep!\n>> OnWakeUp!\n");
}

TEST_F(AppTest, DragMovesTheLayeredDestinationAndNeedsAPress) {
  DesktopMascotApp& app = *h.app;
  const Point start = app.destination();
  EXPECT_EQ(start, (Point{961, 0}));
  EXPECT_EQ(app.OnMouseMove(0, 50, 50), 1201);
  EXPECT_EQ(app.destination(), start);

  // The window's client area starts at (961, 0); press at client (100, 200).
  EXPECT_EQ(app.OnLButtonDown(1, 100, 200), 0);
  EXPECT_TRUE(h.window.captured);
  EXPECT_TRUE(app.dragging());
  EXPECT_EQ(app.OnMouseMove(1, 90, 230), 0);
  EXPECT_EQ(app.destination(), (Point{951, 30}));
  EXPECT_EQ(app.OnLButtonUp(0, 90, 230), 0);
  EXPECT_FALSE(h.window.captured);
  EXPECT_EQ(app.OnMouseMove(0, 0, 0), 1201);

  app.Update();
  app.Render();
  ASSERT_FALSE(h.presenter.presented.empty());
  EXPECT_EQ(h.presenter.presented.back(), (Point{951, 30})) << "moved at the next frame";
}

// A drag moves the place the dance's sideways travel is measured from: the
// figure stays where it is dropped, also while the dance travels.
TEST_F(AppTest, DragHoldsWhileTheDanceTravelsSideways) {
  DesktopMascotApp& app = *h.app;
  ScriptedModel& model = *h.CurrentModel();
  model.shift = 20;
  app.Update();
  app.Render();
  EXPECT_EQ(h.presenter.presented.back(), (Point{981, 0})) << "x = baseX + shift";

  app.OnLButtonDown(1, 0, 0);
  app.OnMouseMove(1, 100, 40);  // the window dragged to (1061, 40)
  app.OnLButtonUp(1, 100, 40);
  app.Update();
  app.Render();
  EXPECT_EQ(h.presenter.presented.back(), (Point{1061, 40})) << "the drop holds";
  EXPECT_EQ(app.baseX(), 1041);

  model.shift = -15;
  app.Update();
  app.Render();
  EXPECT_EQ(h.presenter.presented.back(), (Point{1026, 40})) << "the travel goes on from the drop";
}

TEST_F(AppTest, RenderBeginsTheSceneThenDrawsTheModelThenPresents) {
  DesktopMascotApp& app = *h.app;
  RecordingGpu& gpu = *h.presenter.gpu;
  gpu.ClearCalls();
  app.Update();
  app.Render();
  EXPECT_EQ(gpu.CountCalls("ClearRenderTargetView"), 1u);
  EXPECT_EQ(gpu.CountCalls("ClearDepthStencilView"), 1u);
  EXPECT_NE(gpu.bindings().vsConstantBuffers.at(0), nullptr);
  EXPECT_NE(gpu.bindings().vsConstantBuffers.at(1), nullptr);
  EXPECT_EQ(h.CurrentModel()->renders, 1);
  EXPECT_EQ(h.presenter.presented.size(), 1u);
  EXPECT_EQ(h.CurrentModel()->projection, &app.projection());
  EXPECT_EQ(h.CurrentModel()->view, &app.view());
  EXPECT_EQ(h.CurrentModel()->viewportWidth, 960);
  EXPECT_EQ(h.CurrentModel()->viewportHeight, 1040);
  EXPECT_EQ(h.presenter.surfaceWidth, 960);
  EXPECT_EQ(h.presenter.surfaceHeight, 1040);
}

// A motion that hides the model (a property key) leaves an empty frame: the
// scene is cleared and presented, the model not drawn until it is shown again.
TEST_F(AppTest, AModelTheMotionHidesIsNotDrawnButTheFrameIsPresented) {
  DesktopMascotApp& app = *h.app;
  ScriptedModel& model = *h.CurrentModel();
  ASSERT_NE(model.animation, nullptr);
  model.animation->shownKeys = {{0, false}, {10, true}, {100, true}};
  RecordingGpu& gpu = *h.presenter.gpu;
  const int renders = model.renders;
  const std::size_t presented = h.presenter.presented.size();
  gpu.ClearCalls();
  app.Update();
  app.Render();
  EXPECT_EQ(model.renders, renders);
  EXPECT_EQ(gpu.CountCalls("ClearRenderTargetView"), 1u);
  EXPECT_EQ(h.presenter.presented.size(), presented + 1);
  h.clock.now += 400;  // frame 12
  app.Update();
  app.Render();
  EXPECT_EQ(model.renders, renders + 1);
}

// The check marks of the three size items.
std::map<int, bool> SizeChecks(const AppHarness& h) {
  std::map<int, bool> sizes;
  for (const auto& [item, checked] : h.checks.checks)
    if (item >= command::kSizeLarge && item <= command::kSizeSmall) sizes[item] = checked;
  return sizes;
}

TEST(AppSizeTest, MediumSizeShrinksTheViewportTowardTheBottomCentre) {
  AppHarness h;
  h.RememberGoodFiles();
  ASSERT_EQ(h.Start(), 0);
  h.app->ChangeModelSize(2);
  EXPECT_EQ(h.Stored(u"ModelSize"), u"2");
  const gpu::Viewport expected{120.0f, 260.0f, 720.0f, 780.0f, 0.0f, 1.0f};
  EXPECT_EQ(h.presenter.gpu->bindings().viewport, expected);
  EXPECT_EQ(SizeChecks(h), (std::map<int, bool>{{132, false}, {133, true}, {134, false}}));

  h.app->ChangeModelSize(3);
  const gpu::Viewport small{240.0f, 520.0f, 480.0f, 520.0f, 0.0f, 1.0f};
  EXPECT_EQ(h.presenter.gpu->bindings().viewport, small);
  EXPECT_EQ(SizeChecks(h), (std::map<int, bool>{{132, false}, {133, false}, {134, true}}));
}

TEST(AppSizeTest, InvalidStoredSizesCountAsLarge) {
  for (const std::u16string stored : {u"7", u"abc", u"", u"0", u"-2"}) {
    AppHarness h;
    h.RememberGoodFiles();
    h.Remember(u"ModelSize", stored);
    ASSERT_EQ(h.Start(), 0);
    const gpu::Viewport full{0.0f, 0.0f, 960.0f, 1040.0f, 0.0f, 1.0f};
    EXPECT_EQ(h.presenter.gpu->bindings().viewport, full) << Utf16ToUtf8(stored);
    EXPECT_EQ(SizeChecks(h), (std::map<int, bool>{{132, true}, {133, false}, {134, false}}))
        << Utf16ToUtf8(stored);
  }
  AppHarness h;
  h.RememberGoodFiles();
  h.Remember(u"ModelSize", u"3");
  ASSERT_EQ(h.Start(), 0);
  EXPECT_TRUE(h.checks.checks[134]);
  EXPECT_EQ(h.presenter.gpu->bindings().viewport->width, 480.0f);
}

// Physics is on unless the settings say 0; the menu item turns it off and
// on for the model shown, marks it and remembers the choice.
TEST(AppPhysicsTest, MenuItemTurnsPhysicsOffAndOnAndRemembersIt) {
  NoShellCommands shell;
  const struct {
    const char16_t* stored;  // nullptr: no key
    bool on;
  } cases[] = {{nullptr, true}, {u"1", true}, {u"0", false}};
  for (const auto& c : cases) {
    AppHarness h;
    h.RememberGoodFiles();
    if (c.stored != nullptr) h.Remember(u"Physics", c.stored);
    ASSERT_EQ(h.Start(), 0);
    EXPECT_EQ(h.checks.checks[command::kPhysics], c.on);
    EXPECT_EQ(h.CurrentModel()->PhysicsActive(), c.on);
    EXPECT_TRUE(RunMenuCommand(command::kPhysics, *h.app, shell));
    EXPECT_EQ(h.checks.checks[command::kPhysics], !c.on);
    EXPECT_EQ(h.CurrentModel()->PhysicsActive(), !c.on);
    EXPECT_EQ(h.Stored(u"Physics"), c.on ? u"0" : u"1");
  }
}

// The head follows the pointer unless the settings say 0; the menu item
// switches it, marks it and remembers the choice.
TEST(AppLookAtTest, MenuItemSwitchesTheHeadThatFollowsThePointer) {
  NoShellCommands shell;
  const struct {
    const char16_t* stored;  // nullptr: no key
    bool on;
  } cases[] = {{nullptr, true}, {u"1", true}, {u"0", false}};
  for (const auto& c : cases) {
    AppHarness h;
    h.RememberGoodFiles();
    if (c.stored != nullptr) h.Remember(u"LookAt", c.stored);
    ASSERT_EQ(h.Start(), 0);
    EXPECT_EQ(h.checks.checks[command::kLookAt], c.on);
    h.app->Update();
    EXPECT_EQ(h.CurrentModel()->lookAtInput().enabled, c.on);
    EXPECT_TRUE(RunMenuCommand(command::kLookAt, *h.app, shell));
    EXPECT_EQ(h.checks.checks[command::kLookAt], !c.on);
    h.app->Update();
    EXPECT_EQ(h.CurrentModel()->lookAtInput().enabled, !c.on);
    EXPECT_EQ(h.Stored(u"LookAt"), c.on ? u"0" : u"1");
  }
}

// The pointer reaches the model in the pixels the model projects into (the
// large size's, whatever the display size), a move is a move on the
// screen, and a pointer the platform cannot place is unknown.
TEST(AppLookAtTest, PointerReachesTheModelInItsOwnPixels) {
  struct Step {
    Point screen;
    bool known;
    Float2 pointer;
    bool moved;
  };
  const struct {
    const char16_t* size;
    std::vector<Step> steps;
  } cases[] = {
      // The client area starts at (961, 0); the large size fills it.
      {u"1", {{{1061, 500}, true, {100, 500}, false},
              {{1061, 500}, true, {100, 500}, false},
              {{1000, 20}, true, {39, 20}, true},
              {{1000, 20}, false, {}, false},
              {{5, 1000}, true, {-956, 1000}, false}}},
      // The small size draws in the bottom centre at half size.
      {u"3", {{{961 + 240 + 120, 520 + 260}, true, {240, 520}, false},
              {{961, 0}, true, {-480, -1040}, true}}},
  };
  for (const auto& c : cases) {
    AppHarness h;
    h.RememberGoodFiles();
    h.Remember(u"ModelSize", c.size);
    ASSERT_EQ(h.Start(), 0);
    for (const Step& step : c.steps) {
      SCOPED_TRACE(testing::Message() << "size " << Utf16ToUtf8(c.size) << ", pointer at "
                                      << step.screen.x << ", " << step.screen.y);
      h.pointer.position = step.screen;
      h.pointer.known = step.known;
      h.app->Update();
      const LookAtInput& seen = h.CurrentModel()->lookAtInput();
      EXPECT_EQ(seen.known, step.known);
      EXPECT_EQ(seen.moved, step.moved);
      if (step.known) {
        EXPECT_FLOAT_EQ(seen.pointer.x, step.pointer.x);
        EXPECT_FLOAT_EQ(seen.pointer.y, step.pointer.y);
      }
    }
  }
}

TEST(ErrorTextTest, CodesWithTextAndWithoutShowTheirTwoFormats) {
  EXPECT_EQ(FormatErrorMessage(u"モーションは必須です", 0, 1001),
            u"モーションは必須です\nhr:0 ecode: 1001");
  EXPECT_EQ(FormatErrorMessage(std::nullopt, 0, 1202), u"hr: 0 ecode:1202");
  EXPECT_EQ(FormatErrorMessage(u"DWM関連でエラー", static_cast<HResult>(0x887A0005u), 1200),
            u"DWM関連でエラー\nhr:-2005270523 ecode: 1200");
}

TEST_F(AppTest, ErrorBoxesUseTheStringTableAndTheErrorCaption) {
  h.boxes.shown.clear();
  h.app->ShowError(0, 1001);
  h.app->ShowError(0, 1202);
  ASSERT_EQ(h.boxes.shown.size(), 2u);
  EXPECT_EQ(h.boxes.shown[0].text, u"モーションは必須です\nhr:0 ecode: 1001");
  EXPECT_EQ(h.boxes.shown[0].caption, u"エラー");
  EXPECT_EQ(h.boxes.shown[0].owner, MessageOwner::kWindow);
  EXPECT_EQ(h.boxes.shown[0].style, MessageStyle::kError);
  EXPECT_EQ(h.boxes.shown[1].text, u"hr: 0 ecode:1202");
}

TEST(ErrorTextTest, StandardErrorTextsAreReadAsUtf8AndCutTo99Characters) {
  EXPECT_EQ(StdErrorText(std::string(150, 'x')), std::u16string(99, u'x'));
  EXPECT_EQ(StdErrorText("invalid vector<T> subscript"), u"invalid vector<T> subscript");
  std::string japanese;
  for (int i = 0; i < 120; ++i) japanese += "\xE3\x83\xA2";  // モ
  EXPECT_EQ(StdErrorText(japanese), std::u16string(99, u'モ'));
  // A character outside the basic plane is never cut in half.
  std::string wide(98, 'a');
  wide += "\xF0\x9F\x98\x80";
  EXPECT_EQ(StdErrorText(wide), std::u16string(98, u'a'));
}

TEST(ShellTest, MenuCommandsRunTheirActions) {
  struct Shell : IShellCommands {
    void ShowAbout() override { ++abouts; }
    void CloseWindow() override { ++closes; }
    int abouts = 0;
    int closes = 0;
  } shell;
  AppHarness h;
  h.RememberGoodFiles();
  ASSERT_EQ(h.Start(), 0);
  EXPECT_TRUE(RunMenuCommand(104, *h.app, shell));
  EXPECT_TRUE(RunMenuCommand(105, *h.app, shell));
  EXPECT_EQ(shell.abouts, 1);
  EXPECT_EQ(shell.closes, 1);
  EXPECT_TRUE(RunMenuCommand(134, *h.app, shell));
  EXPECT_EQ(h.Stored(u"ModelSize"), u"3");
  EXPECT_TRUE(RunMenuCommand(132, *h.app, shell));
  EXPECT_EQ(h.Stored(u"ModelSize"), u"1");
  EXPECT_FALSE(RunMenuCommand(106, *h.app, shell));
  EXPECT_FALSE(RunMenuCommand(0, *h.app, shell));

  h.dialog.Cancel();
  EXPECT_TRUE(RunMenuCommand(131, *h.app, shell));
  EXPECT_EQ(h.dialog.setups.back().title, u"モーションデータを選んでください");
  h.dialog.Cancel();
  EXPECT_TRUE(RunMenuCommand(130, *h.app, shell));
  EXPECT_EQ(h.dialog.setups.back().title, u"モデルデータを選んでください");
}

TEST(ShellTest, PowerEventsSuspendAndResume) {
  AppHarness h;
  h.RememberGoodFiles();
  ASSERT_EQ(h.Start(), 0);
  OnPowerEvent(*h.app, 10);
  EXPECT_EQ(h.app->powerState(), kPowerRunning);
  OnPowerEvent(*h.app, kPowerEventSuspend);
  EXPECT_EQ(h.app->powerState(), kPowerAsleep);
  OnPowerEvent(*h.app, kPowerEventResume);
  EXPECT_EQ(h.app->powerState(), kPowerWaking);
}

TEST(ShellTest, IdleTurnEndsTheLoopOnlyForAnAppException) {
  AppHarness h;
  h.RememberGoodFiles();
  ASSERT_EQ(h.Start(), 0);
  EXPECT_EQ(RunIdleTurn(*h.app), LoopTurn::kContinue);
  EXPECT_EQ(h.presenter.presented.size(), 1u);

  h.app->OnSleep();
  EXPECT_EQ(RunIdleTurn(*h.app), LoopTurn::kContinue);
  EXPECT_EQ(h.presenter.presented.size(), 1u) << "nothing is rendered while asleep";
  h.app->OnWakeUp();

  h.presenter.presentThrowsStd = true;
  EXPECT_EQ(RunIdleTurn(*h.app), LoopTurn::kContinue);
  EXPECT_EQ(h.boxes.shown.back().text, u"presenting went wrong");

  h.presenter.presentThrowsStd = false;
  h.presenter.presentFailure = static_cast<HResult>(0x80004005u);
  EXPECT_EQ(RunIdleTurn(*h.app), LoopTurn::kEnd);
  EXPECT_EQ(h.boxes.shown.back().text, u"DWM関連でエラー\nhr:-2147467259 ecode: 1200");
}

TEST(ShellTest, WindowCoversTheRightHalfOfTheWorkArea) {
  EXPECT_EQ(MascotWindowRect(1921, 1040), (Rect{961, 0, 1921, 1040}));
  EXPECT_EQ(MascotWindowRect(1920, 1080), (Rect{960, 0, 1920, 1080}));
  EXPECT_EQ(ExitCodeOfLastMessage(0), 0);
}

TEST(InitialiseTest, DeviceFailureShowsItsBoxAndStopsStartUp) {
  AppHarness h;
  h.RememberGoodFiles();
  h.presenter.deviceFailure = static_cast<HResult>(0x887A0004u);
  EXPECT_EQ(h.Start(), 1100);
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].text, u"D3D11 Device初期化でエラー\nhr:-2005270524 ecode: 1100");
  EXPECT_EQ(h.app->model(), nullptr);
}

TEST(InitialiseTest, ConstantBufferFailureIsCode1102) {
  AppHarness h;
  h.RememberGoodFiles();
  h.presenter.gpu->FailCall("CreateBuffer", kEOutOfMemory);
  EXPECT_EQ(h.Start(), 1102);
  EXPECT_EQ(h.boxes.shown.back().text,
            u"D3D11バッファの初期化でエラー\nhr:-2147024882 ecode: 1102");
}

// The surface gets the look's samples per pixel (by default the device's
// choice), and the model the look's material effects.
TEST(InitialiseTest, TheLookReachesTheSurfaceAndTheModel) {
  AppHarness h;
  h.RememberGoodFiles();
  ASSERT_EQ(h.Start(), 0);
  EXPECT_EQ(h.presenter.surfaceSamples, kSamplesChosenByDevice);
  EXPECT_TRUE(h.app->model()->look.outlines);

  AppHarness flat;
  flat.RememberGoodFiles();
  flat.Make().SetLook(Look::Plain());
  ASSERT_EQ(flat.app->Initialise(flat.window.rect), 0);
  EXPECT_EQ(flat.presenter.surfaceSamples, 1u);
  EXPECT_FALSE(flat.app->model()->look.sphereMaps);
  EXPECT_FALSE(flat.app->model()->look.toonShading);
  EXPECT_FALSE(flat.app->model()->look.outlines);
}

TEST(InitialiseTest, ResizingFollowsTheNewClientArea) {
  AppHarness h;
  h.RememberGoodFiles();
  h.Remember(u"ModelSize", u"2");
  ASSERT_EQ(h.Start(), 0);
  EXPECT_EQ(h.presenter.textObjectsCreated, 1);

  EXPECT_EQ(h.app->OnSize(640, 480), 0);
  EXPECT_EQ(h.presenter.resizes, 1);
  EXPECT_EQ(h.presenter.surfaceWidth, 640);
  EXPECT_EQ(h.presenter.surfaceHeight, 480);
  EXPECT_EQ(h.app->width(), 640);
  EXPECT_EQ(h.app->height(), 480);
  // The picture keeps its shape: the projection follows the new aspect, the
  // viewport of the chosen size the new area, and the model measures its
  // centre shift in the new pixels.
  EXPECT_EQ(h.app->projection(), CameraProjectionMatrix(640, 480));
  EXPECT_EQ(h.app->viewport(), ModelSizeViewport(640, 480, 2));
  EXPECT_EQ(h.presenter.gpu->bindings().viewport, ModelSizeViewport(640, 480, 2));
  const FakeBuffer* projection = RecordingGpu::AsBuffer(h.app->scene().frame().projectionBuffer.get());
  ASSERT_NE(projection, nullptr);
  EXPECT_EQ(std::memcmp(projection->data.data(), &h.app->scene().frame().projectionTransposed,
                        sizeof(Matrix4)), 0);
  EXPECT_EQ(h.app->scene().frame().projectionTransposed, Transpose(CameraProjectionMatrix(640, 480)));
  EXPECT_EQ(h.app->model()->viewportWidth, 640);
  EXPECT_EQ(h.app->model()->viewportHeight, 480);

  // A minimised window (no client area) and a repeat of the same size
  // change nothing.
  EXPECT_EQ(h.app->OnSize(0, 0), 0);
  EXPECT_EQ(h.app->OnSize(640, 480), 0);
  EXPECT_EQ(h.presenter.resizes, 1);
  EXPECT_EQ(h.app->width(), 640);
}

}  // namespace
}  // namespace brivonel::test
