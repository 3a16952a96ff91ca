// The generated dance: a loop of the intended length whose every track
// closes on itself, led by the centre, travelling both ways.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "tests/samples/sample_test_support.h"
#include "tools/sample_generator/skeleton.h"

namespace brivonel::samples {
namespace {

std::map<std::u16string, std::vector<const DanceBoneKey*>> BoneTracks(const Dance& dance) {
  std::map<std::u16string, std::vector<const DanceBoneKey*>> tracks;
  for (const DanceBoneKey& key : dance.boneKeys) tracks[key.bone].push_back(&key);
  for (auto& [name, keys] : tracks)
    std::stable_sort(keys.begin(), keys.end(), [](auto a, auto b) { return a->frame < b->frame; });
  return tracks;
}

TEST(SampleDanceTest, LastsTenToTwentySecondsAndTheCentreLeads) {
  const Dance& dance = IntendedSamples().dance;
  const double seconds = dance.lastFrame * 0.033;
  EXPECT_GE(seconds, 10.0);
  EXPECT_LE(seconds, 20.0);
  ASSERT_FALSE(dance.boneKeys.empty());
  // Motion editors write the centre's keys first; the loop ends with its last.
  EXPECT_EQ(dance.boneKeys.front().bone, u"センター");
  std::uint32_t centreLast = 0;
  for (const DanceBoneKey& key : dance.boneKeys)
    if (key.bone == u"センター") centreLast = std::max(centreLast, key.frame);
  EXPECT_EQ(centreLast, dance.lastFrame);
}

class BothDancesTest : public ::testing::TestWithParam<bool> {
 protected:
  const Dance& dance = GetParam() ? IntendedSamples().stepDance : IntendedSamples().dance;
};

TEST_P(BothDancesTest, EveryTrackEndsWhereItStartsSoTheLoopIsSeamless) {
  for (const auto& [name, keys] : BoneTracks(dance)) {
    ASSERT_GE(keys.size(), 2u);
    EXPECT_EQ(keys.front()->frame, 0u);
    EXPECT_EQ(keys.back()->frame, dance.lastFrame);
    const DanceBoneKey& first = *keys.front();
    const DanceBoneKey& last = *keys.back();
    EXPECT_NEAR(Length(first.translation - last.translation), 0.0f, 1e-4f);
    float dot = 0.0f;
    for (std::size_t k = 0; k < 4; ++k) dot += first.rotation[k] * last.rotation[k];
    EXPECT_NEAR(std::fabs(dot), 1.0f, 1e-5f);
  }
  std::map<std::u16string, std::pair<const DanceMorphKey*, const DanceMorphKey*>> morphs;
  for (const DanceMorphKey& key : dance.morphKeys) {
    auto& [first, last] = morphs[key.morph];
    if (first == nullptr || key.frame < first->frame) first = &key;
    if (last == nullptr || key.frame >= last->frame) last = &key;
  }
  for (const auto& [name, ends] : morphs) {
    EXPECT_EQ(ends.first->frame, 0u);
    EXPECT_EQ(ends.second->frame, dance.lastFrame);
    EXPECT_EQ(ends.first->weight, ends.second->weight);
  }
}

INSTANTIATE_TEST_SUITE_P(MainAndSteps, BothDancesTest, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "Steps" : "Main"; });

// The step dance keys the legs as real dances do: through the IK bones only.
TEST(SampleStepDanceTest, KeysNoLegBoneButTheIkBonesAndBendsTheKneesDeep) {
  const Dance& dance = IntendedSamples().stepDance;
  const auto tracks = BoneTracks(dance);
  for (const char16_t* bone : {u"左足", u"右足", u"左ひざ", u"右ひざ", u"左足首", u"右足首"})
    EXPECT_EQ(tracks.count(bone), 0u) << Utf16ToUtf8(bone);
  for (const char16_t* bone : {u"左足ＩＫ", u"右足ＩＫ", u"左つま先ＩＫ", u"右つま先ＩＫ", u"センター"})
    EXPECT_GT(tracks.count(bone), 0u) << Utf16ToUtf8(bone);
  float deepest = 0.0f, forward = 0.0f, sideways = 0.0f;
  for (const DanceBoneKey* key : tracks.at(u"センター")) deepest = std::min(deepest, key->translation.y);
  for (const DanceBoneKey* key : tracks.at(u"左足ＩＫ")) {
    forward = std::min(forward, key->translation.z);
    sideways = std::max(sideways, key->translation.x);
  }
  EXPECT_LT(deepest, -1.5f);
  EXPECT_LT(forward, -1.0f);
  EXPECT_GT(sideways, 0.5f);
  EXPECT_GE(dance.lastFrame * 0.033, 5.0);
}

TEST(SampleDanceTest, TheCentreTravelsToBothSidesAndTheFeetFollow) {
  const auto tracks = BoneTracks(IntendedSamples().dance);
  float lo = 0.0f, hi = 0.0f;
  for (const DanceBoneKey* key : tracks.at(u"センター")) {
    lo = std::min(lo, key->translation.x);
    hi = std::max(hi, key->translation.x);
  }
  EXPECT_LT(lo, -2.0f);
  EXPECT_GT(hi, 2.0f);
  for (const char16_t* foot : {u"左足ＩＫ", u"右足ＩＫ"}) {
    float footLo = 0.0f, footHi = 0.0f, lift = 0.0f;
    for (const DanceBoneKey* key : tracks.at(foot)) {
      footLo = std::min(footLo, key->translation.x);
      footHi = std::max(footHi, key->translation.x);
      lift = std::max(lift, key->translation.y);
    }
    EXPECT_NEAR(footLo, lo, 0.5f);
    EXPECT_NEAR(footHi, hi, 0.5f);
    EXPECT_GT(lift, 0.3f) << "the feet leave the ground when they step";
  }
}

TEST(SampleDanceTest, KeysTheBodyTheFaceAndBonesThePmdLacks) {
  const Dance& dance = IntendedSamples().dance;
  const Figure& figure = IntendedSamples().figure;
  const auto tracks = BoneTracks(dance);
  for (const char16_t* bone : {u"上半身", u"下半身", u"頭", u"左腕", u"右腕", u"左ひじ", u"右ひじ"})
    EXPECT_GT(tracks.count(bone), 0u);
  int pmxOnly = 0;
  for (const auto& [name, keys] : tracks) {
    EXPECT_GE(figure.FindBone(name), 0) << "every keyed bone exists in the PMX";
    pmxOnly += IsPmxOnlyBone(name);
  }
  EXPECT_GE(pmxOnly, 2);
  std::map<std::u16string, int> morphKeys;
  for (const DanceMorphKey& key : dance.morphKeys) ++morphKeys[key.morph];
  EXPECT_GE(morphKeys[u"まばたき"], 8);
  EXPECT_GE(morphKeys[u"あ"], 4);
  for (const auto& [name, count] : morphKeys) EXPECT_GE(figure.FindMorph(name), 0);
}

TEST(SampleDanceTest, InterpolationBlockHoldsTheCurvesInFileOrder) {
  std::array<Curve, 4> curves{Curve{1, 2, 3, 4}, Curve{5, 6, 7, 8}, Curve{9, 10, 11, 12},
                              Curve{13, 14, 15, 16}};
  const auto block = InterpolationBlock(curves);
  // Bytes 0-3 are x1 of x, y, z and rotation; 4-7 y1; 8-11 x2; 12-15 y2.
  const std::uint8_t expected[16] = {1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(block[static_cast<std::size_t>(i)], expected[i]) << i;
  EXPECT_EQ(block[16], 5);  // the next row starts one byte on
}

}  // namespace
}  // namespace brivonel::samples
