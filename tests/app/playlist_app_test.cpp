// The application's playlist: remembered or chosen together, each motion
// plays one loop and fades into the next, missing ones are skipped, the
// shuffle item, and a list that does not go with the motion.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/shell.h"
#include "tests/app/app_harness.h"

namespace brivonel::test {
namespace {

std::u16string& PlaylistKey(AppHarness& h, const std::u16string& key) {
  return h.store.files[h.IniPath()][{u"Playlist", key}];
}

// The good model, `motion`, and the list, as figure.ini would hold them.
void RememberList(AppHarness& h, const std::vector<std::u16string>& items,
                  std::u16string_view motion, const char16_t* shuffle = nullptr) {
  h.decoders.models[u"/m/good.pmx"] = {};
  h.Remember(u"Model", u"/m/good.pmx");
  h.Remember(u"Motion", motion);
  PlaylistKey(h, u"Count") = Utf8ToUtf16(std::to_string(items.size()));
  for (std::size_t i = 0; i < items.size(); ++i)
    PlaylistKey(h, u"Item" + Utf8ToUtf16(std::to_string(i + 1))) = items[i];
  if (shuffle != nullptr) PlaylistKey(h, u"Shuffle") = shuffle;
}

class PlaylistAppTest : public ::testing::Test {
 protected:
  void RememberList(const std::vector<std::u16string>& items, std::u16string_view motion) {
    test::RememberList(h, items, motion);
  }
  std::u16string& Section(const std::u16string& key) { return PlaylistKey(h, key); }
  // Runs frames of at most a second (a longer one restarts the clock) up
  // to `clock` milliseconds after the start.
  void RunUntil(std::uint64_t clock) {
    while (h.clock.now - start_ < clock) {
      h.clock.now += static_cast<std::uint32_t>(std::min<std::uint64_t>(clock - (h.clock.now - start_), 1000));
      h.app->Update();
    }
  }
  std::string Playing() const { return h.app->model()->animation->name; }
  long Decodes(const std::string& path) const {
    return std::count(h.log.begin(), h.log.end(), "decode motion " + path);
  }

  AppHarness h;
  std::uint32_t start_ = 0;
};

// a.vmd loops at frame 59 (1980 ms), c.vmd at 89 (2970 ms); b.vmd is gone.
TEST_F(PlaylistAppTest, EachMotionPlaysOneLoopThenFadesIntoTheNext) {
  h.decoders.motions[u"/m/a.vmd"].loopFrame = 59;
  h.decoders.motions[u"/m/c.vmd"].loopFrame = 89;
  RememberList({u"/m/a.vmd", u"/m/b.vmd", u"/m/c.vmd"}, u"/m/a.vmd");
  ASSERT_EQ(h.Start(), 0);
  start_ = h.clock.now;
  const struct {
    std::uint64_t clock;
    const char* playing;
    const char* outgoing;  // "" for none
    float weight;
    std::uint64_t start;
  } frames[] = {
      {1000, "/m/a.vmd", "", 1.0f, 0},
      {1979, "/m/a.vmd", "", 1.0f, 0},
      {1980, "/m/c.vmd", "/m/a.vmd", 0.0f, 1980},  // b is skipped
      {2230, "/m/c.vmd", "/m/a.vmd", 0.5f, 1980},
      {2480, "/m/c.vmd", "/m/a.vmd", 1.0f, 1980},
      {4949, "/m/c.vmd", "/m/a.vmd", 1.0f, 1980},
      {4960, "/m/a.vmd", "/m/c.vmd", 0.001184f, 4950},  // 10 ms late: the turn began on time
      {6930, "/m/c.vmd", "/m/a.vmd", 0.0f, 6930},
  };
  for (const auto& f : frames) {
    RunUntil(f.clock);
    SCOPED_TRACE("at " + std::to_string(f.clock) + " ms");
    EXPECT_EQ(Playing(), f.playing);
    const MotionBlend& blend = h.app->model()->motionBlend();
    EXPECT_EQ(blend.outgoing ? blend.outgoing->name : "", f.outgoing);
    EXPECT_NEAR(blend.weight, f.weight, 1e-4f);
    EXPECT_EQ(blend.start, f.start);
  }
  EXPECT_EQ(Decodes("/m/b.vmd"), 1) << "a file that failed is not tried again";
  EXPECT_EQ(h.physicsRecord.resets, 1) << "the hair swings on through the hand-overs";
  EXPECT_EQ(h.Stored(u"Motion"), u"/m/a.vmd") << "playing writes nothing";
}

// After a stall the clock starts again: so does the motion playing, alone.
TEST_F(PlaylistAppTest, StallRestartsTheMotionPlaying) {
  RememberList({u"/m/a.vmd", u"/m/c.vmd"}, u"/m/a.vmd");
  h.decoders.motions[u"/m/a.vmd"] = {};
  h.decoders.motions[u"/m/c.vmd"] = {};
  ASSERT_EQ(h.Start(), 0);
  start_ = h.clock.now;
  RunUntil(1100);  // the shortest turn is a second
  ASSERT_EQ(Playing(), "/m/c.vmd");
  h.clock.now += 3000;
  h.app->Update();
  EXPECT_EQ(Playing(), "/m/c.vmd");
  EXPECT_EQ(h.app->model()->motionBlend().start, 0u);
  EXPECT_EQ(h.app->model()->motionBlend().outgoing, nullptr);
}

TEST_F(PlaylistAppTest, ChoosingSeveralMotionsMakesThemTheList) {
  h.RememberGoodFiles();
  h.decoders.motions[u"/m/z.vmd"] = {};
  h.decoders.motions[u"/m/face.vmd"] = {};
  ASSERT_EQ(h.Start(), 0);
  h.dialog.ChooseMany({u"/m/z.vmd", u"/m/face.vmd"});
  h.app->ChangeMotion();
  ASSERT_EQ(h.dialog.setups.size(), 1u);
  EXPECT_TRUE(h.dialog.setups[0].multipleFiles);
  EXPECT_EQ(Playing(), "/m/face.vmd") << "by path, whatever order the dialog gave";
  EXPECT_EQ(h.app->playlist().size(), 2u);
  EXPECT_EQ(h.Stored(u"Motion"), u"/m/face.vmd");
  EXPECT_EQ(Section(u"Count"), u"2");
  EXPECT_EQ(Section(u"Item1"), u"/m/face.vmd");
  EXPECT_EQ(Section(u"Item2"), u"/m/z.vmd");

  // One file again: the motion as before, and the list goes.
  h.dialog.Choose(u"/m/dance.vmd");
  h.app->ChangeMotion();
  EXPECT_EQ(Playing(), "/m/dance.vmd");
  EXPECT_EQ(h.app->playlist().size(), 1u);
  EXPECT_EQ(h.Stored(u"Motion"), u"/m/dance.vmd");
  EXPECT_EQ(Section(u"Count"), u"0");
  EXPECT_EQ(Section(u"Item1"), u"");
  EXPECT_EQ(Section(u"Item2"), u"");
}

// A list none of whose files loads is a missing motion: the box names the
// last one tried, then the dialog.
TEST_F(PlaylistAppTest, AListNoneOfWhichLoadsAsksForAMotion) {
  RememberList({u"/m/x.vmd", u"/m/y.vmd"}, u"/m/x.vmd");
  h.decoders.motions[u"/m/new.vmd"] = {};
  h.dialog.Choose(u"/m/new.vmd");
  ASSERT_EQ(h.Start(), 0);
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].text, u"モーションデータ(VMD)が必要です\n\n/m/y.vmd: file not found");
  EXPECT_EQ(Playing(), "/m/new.vmd");
  EXPECT_EQ(h.Stored(u"Motion"), u"/m/new.vmd");
  EXPECT_EQ(Section(u"Count"), u"0");
}

// The list plays only when it starts with the motion: one an older program
// left behind when it changed the motion alone is not played.
TEST(PlaylistStartTest, TheListPlaysOnlyWhenItStartsWithTheMotion) {
  const struct {
    const char16_t* motion;
    std::size_t listed;
  } cases[] = {{u"/m/a.vmd", 2}, {u"/m/c.vmd", 1}};
  for (const auto& c : cases) {
    AppHarness h;
    for (const char16_t* file : {u"/m/a.vmd", u"/m/b.vmd", u"/m/c.vmd"}) h.decoders.motions[file] = {};
    RememberList(h, {u"/m/a.vmd", u"/m/b.vmd"}, c.motion);
    ASSERT_EQ(h.Start(), 0);
    EXPECT_EQ(h.app->playlist().size(), c.listed) << Utf16ToUtf8(c.motion);
    EXPECT_EQ(h.app->model()->animation->name, Utf16ToUtf8(c.motion));
  }
}

TEST(PlaylistStartTest, ShuffleItemSwitchesTheOrderAndRemembersIt) {
  NoShellCommands shell;
  const struct {
    const char16_t* stored;  // nullptr: no key
    bool on;
  } cases[] = {{nullptr, false}, {u"0", false}, {u"1", true}};
  for (const auto& c : cases) {
    AppHarness h;
    h.decoders.motions[u"/m/a.vmd"] = {};
    h.decoders.motions[u"/m/b.vmd"] = {};
    RememberList(h, {u"/m/a.vmd", u"/m/b.vmd"}, u"/m/a.vmd", c.stored);
    ASSERT_EQ(h.Start(), 0);
    EXPECT_EQ(h.checks.checks[command::kShuffle], c.on);
    EXPECT_EQ(h.app->playlist().shuffle(), c.on);
    EXPECT_TRUE(RunMenuCommand(command::kShuffle, *h.app, shell));
    EXPECT_EQ(h.checks.checks[command::kShuffle], !c.on);
    EXPECT_EQ(h.app->playlist().shuffle(), !c.on);
    EXPECT_EQ(PlaylistKey(h, u"Shuffle"), c.on ? u"0" : u"1");
  }
}

}  // namespace
}  // namespace brivonel::test
