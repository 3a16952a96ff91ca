// Frame pacing where the composition wait does not wait, and the wait
// itself.
#include "app/windows/desktop/composition_pacing.h"
#include "app/windows/desktop/composition_wait.h"

#include <gtest/gtest.h>

namespace brivonel {
namespace {

constexpr std::int64_t kFrameWork = 5000;  // microseconds of drawing per frame

// Frames whose composition wait returns at once until the timer paces;
// returns the time after them.
std::int64_t HandPacingToTheTimer(CompositionPacing& pacing) {
  std::int64_t now = 0;
  for (int frame = 0; frame < CompositionPacing::kShortWaitsBeforeTimer; ++frame) {
    now += kFrameWork;
    pacing.AfterWait(0, now);
  }
  return now;
}

TEST(CompositionPacingTest, RealCompositionWaitsAreNeverAddedTo) {
  CompositionPacing pacing(60.0);
  std::int64_t now = 0;
  for (int frame = 0; frame < 100; ++frame) {
    now += kFrameWork + 11000;
    EXPECT_EQ(pacing.AfterWait(11000, now), 0);
  }
  EXPECT_FALSE(pacing.timerPacing());
}

TEST(CompositionPacingTest, SeveralWaitsThatReturnAtOnceHandPacingToTheTimer) {
  CompositionPacing pacing(60.0);
  std::int64_t now = 0;
  for (int frame = 1; frame < CompositionPacing::kShortWaitsBeforeTimer; ++frame) {
    now += kFrameWork;
    EXPECT_EQ(pacing.AfterWait(20, now), 0) << "frame " << frame;
  }
  EXPECT_FALSE(pacing.timerPacing());
  now += kFrameWork;
  const std::int64_t sleep = pacing.AfterWait(20, now);
  EXPECT_TRUE(pacing.timerPacing());
  EXPECT_EQ(sleep, pacing.period());

  // From then on frames start a period apart, whatever the drawing took.
  std::int64_t start = now + sleep;
  for (int frame = 0; frame < 50; ++frame) {
    const std::int64_t work = frame % 2 == 0 ? 3000 : 9000;
    now = start + work;
    const std::int64_t next = now + pacing.AfterWait(10, now);
    EXPECT_EQ(next - start, pacing.period()) << "frame " << frame;
    start = next;
  }
}

TEST(CompositionPacingTest, SlowFramesGetNoSleepAndNoCatchUpBurst) {
  CompositionPacing pacing(60.0);
  std::int64_t now = HandPacingToTheTimer(pacing);
  // Three frames that each take two periods: started at once.
  for (int frame = 0; frame < 3; ++frame) {
    now += 2 * pacing.period();
    EXPECT_EQ(pacing.AfterWait(0, now), 0);
  }
  // A quick frame after them waits out a whole period from the last start
  // instead of running ahead to make up for the slow ones.
  now += 1000;
  EXPECT_EQ(pacing.AfterWait(0, now), pacing.period() - 1000);
}

TEST(CompositionPacingTest, AWaitThatWaitsAgainStopsTheTimer) {
  CompositionPacing pacing(60.0);
  std::int64_t now = HandPacingToTheTimer(pacing);
  ASSERT_TRUE(pacing.timerPacing());
  now += kFrameWork + 16000;
  EXPECT_EQ(pacing.AfterWait(16000, now), 0);
  EXPECT_FALSE(pacing.timerPacing());
  // One quick wait alone does not bring the timer back.
  now += kFrameWork;
  EXPECT_EQ(pacing.AfterWait(0, now), 0);
  EXPECT_FALSE(pacing.timerPacing());
}

TEST(CompositionPacingTest, PeriodFollowsTheRefreshRateWithinSaneBounds) {
  EXPECT_EQ(CompositionPacing(60.0).period(), 16667);
  EXPECT_EQ(CompositionPacing(144.0).period(), 6944);
  EXPECT_EQ(CompositionPacing(59.94).period(), 16683);
  // Unknown or nonsense rates: 60 Hz.
  EXPECT_EQ(CompositionPacing(0.0).period(), 16667);
  EXPECT_EQ(CompositionPacing(1.0).period(), 16667);
  EXPECT_EQ(CompositionPacing(100000.0).period(), 16667);
}

}  // namespace
}  // namespace brivonel

namespace brivonel::win32 {
namespace {

// Back-to-back waits take a display period each: on Windows the
// composition waits, under Wine (whose DwmFlush returns at once) the
// timer does after the first few.
TEST(CompositionWaitTest, WaitsInARowAreAboutADisplayPeriodApart) {
  CompositionWait wait;
  const CompositionPacing reference(DisplayRefreshRate());
  constexpr int kWaits = 40;
  const std::int64_t start = MonotonicMicroseconds();
  for (int i = 0; i < kWaits; ++i) ASSERT_EQ(wait.Wait(), S_OK);
  const std::int64_t took = MonotonicMicroseconds() - start;
  EXPECT_GE(took, (kWaits - CompositionPacing::kShortWaitsBeforeTimer - 1) * reference.period());
  EXPECT_LE(took, 3 * kWaits * reference.period());
}

}  // namespace
}  // namespace brivonel::win32
