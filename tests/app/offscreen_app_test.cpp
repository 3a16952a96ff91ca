// The application object on a real device: OpenGL offscreen, the program's
// own decoders and the bundled sample, frames read back into memory. What a
// user sees after start-up errors, a size change, a window resize and a
// model change.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "app/offscreen/offscreen_presenter.h"
#include "app/shell.h"
#include "app/standard_file_decoders.h"
#include "base/unicode.h"
#include "render/linux/image_codecs_linux.h"
#include "tests/app/app_harness.h"
#include "tests/support/fixtures.h"
#include "tests/support/mesa_shader_cache.h"

namespace brivonel::test {
namespace {

// The figure in a frame: the share of pixels with alpha and their box.
struct Figure {
  double coverage = 0.0;
  int x0 = 0, y0 = 0, x1 = -1, y1 = -1;
};

Figure FigureIn(const OffscreenPresenter& presenter) {
  Figure figure;
  const int width = presenter.frameWidth();
  const int height = presenter.frameHeight();
  figure.x0 = width;
  figure.y0 = height;
  std::size_t covered = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (presenter.frame()[(static_cast<std::size_t>(y) * width + x) * 4 + 3] == 0) continue;
      ++covered;
      figure.x0 = std::min(figure.x0, x);
      figure.y0 = std::min(figure.y0, y);
      figure.x1 = std::max(figure.x1, x);
      figure.y1 = std::max(figure.y1, y);
    }
  }
  figure.coverage = static_cast<double>(covered) / (static_cast<double>(width) * height);
  return figure;
}

class OffscreenAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KeepMesaFromCachingShaders();
    RegisterLinuxImageCodecs();
    h.realDecoders = &decoders;
    h.realPresenter = &presenter;
    h.folders.executable = Utf8ToUtf16(BRIVONEL_GL_SHADER_DIR);
    h.window.rect = {0, 0, 480, 520};
    h.Remember(u"Model", FromFsPath(samples / "nel.pmx"));
    h.Remember(u"Motion", FromFsPath(samples / "nel_dance.vmd"));
  }
  void TearDown() override { h.app.reset(); }  // before the presenter's context

  // One turn of the program's loop, 33 ms after the last.
  Figure NextFrame() {
    h.clock.now += 33;
    EXPECT_EQ(RunIdleTurn(*h.app), LoopTurn::kContinue);
    return FigureIn(presenter);
  }

  const std::filesystem::path samples{BRIVONEL_SAMPLES_DIR};
  StandardFileDecoders decoders;
  OffscreenPresenter presenter;
  AppHarness h;
};

TEST_F(OffscreenAppTest, SmallSizeShrinksTheFigureTowardTheBottomCentre) {
  ASSERT_EQ(h.Start(), 0) << presenter.failure();
  const Figure large = NextFrame();
  ASSERT_GT(large.coverage, 0.05);
  EXPECT_EQ(presenter.frameWidth(), 480);

  h.app->ChangeModelSize(3);
  const Figure small = NextFrame();
  // Half the height and width: a quarter of the pixels, still standing on
  // the window's bottom edge, around the same middle.
  EXPECT_NEAR(small.coverage, large.coverage / 4, large.coverage * 0.05);
  EXPECT_NEAR(520 - small.y1, (520 - large.y1) / 2.0, 3);
  EXPECT_NEAR((small.x0 + small.x1) / 2.0, 240 + ((large.x0 + large.x1) / 2.0 - 240) / 2, 4);
  EXPECT_EQ(h.Stored(u"ModelSize"), u"3");
}

TEST_F(OffscreenAppTest, ResizedWindowIsDrawnWholeAtItsNewSize) {
  ASSERT_EQ(h.Start(), 0) << presenter.failure();
  const Figure before = NextFrame();
  // Three quarters of the size, same shape: the same picture, scaled.
  ASSERT_EQ(h.app->OnSize(360, 390), 0);
  const Figure after = NextFrame();
  EXPECT_EQ(presenter.frameWidth(), 360);
  EXPECT_EQ(presenter.frameHeight(), 390);
  EXPECT_NEAR(after.coverage, before.coverage, before.coverage * 0.06);
  EXPECT_NEAR(after.y1, before.y1 * 0.75, 3);
  EXPECT_NEAR(after.y0, before.y0 * 0.75, 3);
  EXPECT_NEAR((after.x0 + after.x1) / 2.0, (before.x0 + before.x1) / 2.0 * 0.75, 4);
}

TEST_F(OffscreenAppTest, ChangedModelIsDrawnWithTheRememberedMotion) {
  BRIVONEL_REQUIRE_FIXTURES();
  ASSERT_EQ(h.Start(), 0) << presenter.failure();
  const Figure character = NextFrame();
  const std::filesystem::path cube = Fixture("yohawing/test_1bone_cube.pmx");
  h.dialog.Choose(FromFsPath(cube));
  h.app->ChangeModel();
  EXPECT_TRUE(h.boxes.shown.empty());
  EXPECT_EQ(h.Stored(u"Model"), FromFsPath(cube));
  ASSERT_NE(h.app->model(), nullptr);
  EXPECT_FALSE(h.app->model()->loading);
  const Figure replaced = NextFrame();
  // The cube, drawn where the character stood: another picture altogether.
  EXPECT_GT(replaced.coverage, 0.0);
  EXPECT_GT(std::abs(replaced.coverage - character.coverage), character.coverage / 2);
}

TEST_F(OffscreenAppTest, StartUpErrorsShowTheirBoxesAndDrawNothing) {
  // No shader files beside the program.
  TempDir empty;
  h.folders.executable = FromFsPath(empty.path()) + u"/";
  EXPECT_EQ(h.Start(), 1103);
  ASSERT_FALSE(h.boxes.shown.empty());
  EXPECT_NE(h.boxes.shown.back().text.find(u"ecode: 1103"), std::u16string::npos);
  EXPECT_EQ(presenter.framesPresented(), 0);
  h.app.reset();

  // A remembered model that is gone, and the dialog cancelled.
  h.boxes.shown.clear();
  h.folders.executable = Utf8ToUtf16(BRIVONEL_GL_SHADER_DIR);
  h.Remember(u"Model", FromFsPath(empty.path() / "gone.pmx"));
  h.dialog.Cancel();
  EXPECT_EQ(h.Start(), 1000);
  ASSERT_EQ(h.boxes.shown.size(), 2u);
  EXPECT_EQ(h.boxes.shown[0].text, u"モデルデータ(PMD/PMX)が必要です\n\n" +
                                       FromFsPath(empty.path() / "gone.pmx") + u": file not found");
  EXPECT_NE(h.boxes.shown[1].text.find(u"ecode: 1000"), std::u16string::npos);
  EXPECT_EQ(presenter.framesPresented(), 0);
}

}  // namespace
}  // namespace brivonel::test
