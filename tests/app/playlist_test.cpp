// The playlist's order, its shuffle and the cross-fade between motions.
#include <gtest/gtest.h>

#include <set>

#include "app/playlist.h"

namespace brivonel::test {
namespace {

std::vector<std::u16string> Items(std::size_t count) {
  std::vector<std::u16string> items;
  for (std::size_t i = 0; i < count; ++i) items.push_back(u"dance" + std::u16string(1, u'a' + i) + u".vmd");
  return items;
}

TEST(PlaylistTest, InOrderTheListWrapsAround) {
  Playlist list(Items(3), false, 1);
  std::vector<std::size_t> played;
  for (int i = 0; i < 7; ++i) played.push_back(list.Next());
  EXPECT_EQ(played, (std::vector<std::size_t>{0, 1, 2, 0, 1, 2, 0}));
  Playlist one(Items(1), false, 1);
  EXPECT_EQ(one.Next(), 0u);
  EXPECT_EQ(one.Next(), 0u);
}

TEST(PlaylistTest, ShuffledEveryItemPlaysOncePerRoundAndNoneTwiceInARow) {
  for (std::size_t count : {2u, 3u, 7u}) {
    for (std::uint32_t seed = 0; seed < 40; ++seed) {
      Playlist list(Items(count), true, seed);
      std::size_t last = count;
      for (int round = 0; round < 5; ++round) {
        std::set<std::size_t> seen;
        for (std::size_t i = 0; i < count; ++i) {
          const std::size_t item = list.Next();
          ASSERT_LT(item, count);
          EXPECT_NE(item, last) << "count " << count << " seed " << seed;
          seen.insert(item);
          last = item;
        }
        EXPECT_EQ(seen.size(), count) << "count " << count << " seed " << seed;
      }
    }
  }
}

TEST(PlaylistTest, ShuffleChangesTheOrderButNotWhatPlaysNow) {
  // Across seeds, a shuffled list of five does not always start in order.
  int inOrder = 0;
  for (std::uint32_t seed = 0; seed < 20; ++seed) {
    Playlist list(Items(5), true, seed);
    bool ordered = true;
    for (std::size_t i = 0; i < 5; ++i) ordered = ordered && list.Next() == i;
    inOrder += ordered;
  }
  EXPECT_LT(inOrder, 3);

  Playlist list(Items(4), false, 3);
  list.Next();
  list.Next();
  list.SetShuffle(true);
  EXPECT_EQ(list.current(), 1u);
  EXPECT_NE(list.Next(), 1u);
  list.SetShuffle(false);
  const std::size_t now = list.current();
  EXPECT_EQ(list.Next(), (now + 1) % 4);
}

TEST(PlaylistTest, CrossFadeRisesSmoothlyFromZeroToOneInHalfASecond) {
  EXPECT_EQ(CrossFadeWeight(0), 0.0f);
  EXPECT_FLOAT_EQ(CrossFadeWeight(250), 0.5f);
  EXPECT_EQ(CrossFadeWeight(500), 1.0f);
  EXPECT_EQ(CrossFadeWeight(90000), 1.0f);
  float previous = 0.0f;
  for (std::uint64_t ms = 1; ms <= 500; ++ms) {
    const float weight = CrossFadeWeight(ms);
    EXPECT_GT(weight, previous) << ms;
    EXPECT_LT(weight - previous, 0.004f) << ms;  // no step larger than 1.5 times the mean
    previous = weight;
  }
  // Eased at both ends: the first and last 50 ms move less than a linear fade.
  EXPECT_LT(CrossFadeWeight(50), 0.1f);
  EXPECT_GT(CrossFadeWeight(450), 0.9f);
}

}  // namespace
}  // namespace brivonel::test
