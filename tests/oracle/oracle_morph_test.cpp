// Morph weights against an independent implementation of the formats
// (three.js's MMD animation runtime in node): at frames spread over the
// loop, every morph track the model binds has the weight the oracle's mixer
// gives that morph: linear between keys, the first key's before it and the
// last's after it, and a track of one key held for the whole motion (a
// face set once, as pose-like files and many dances set it).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "base/unicode.h"
#include "formats/mapped_file.h"
#include "formats/vmd_decoder.h"
#include "formats/writer/byte_writer.h"
#include "formats/writer/vmd_writer.h"
#include "model/model_setup.h"
#include "tests/oracle/oracle_poses.h"
#include "tests/support/temp_dir.h"

namespace brivonel {
namespace {

constexpr float kWeightTolerance = 1e-5f;
constexpr std::uint32_t kSampledFrames = 24;

std::filesystem::path SampleFile(const char* name) {
  return std::filesystem::path(BRIVONEL_SAMPLES_DIR) / name;
}

// The step dance with a face on it: a smile keyed once at its start, a
// mouth keyed once halfway (held before its frame too), another mouth
// keyed once, and a glance that comes and goes, as a dance keys a face
// over its steps. (The PMD sample has the mouths alone: its format has
// vertex morphs only.)
void WriteStepsWithAFace(const std::filesystem::path& path) {
  VMDMotion dance;
  const MappedFile steps = MappedFile::Open(FromFsPath(SampleFile("nel_steps.vmd")), kMaxMotionFileBytes);
  ASSERT_TRUE(steps.mapped());
  ASSERT_EQ(VMDDecoder::Read(steps.bytes(), dance), FileRead);
  dance.morphFrames = {writer::MakeMorphFrame(u"笑顔", 0, 0.8f), writer::MakeMorphFrame(u"あ", 45, 0.6f),
                       writer::MakeMorphFrame(u"い", 10, 0.3f),
                       writer::MakeMorphFrame(u"よそ見", 20, 0.0f), writer::MakeMorphFrame(u"よそ見", 35, 1.0f),
                       writer::MakeMorphFrame(u"よそ見", 70, 0.25f)};
  writer::WriteFile(path, writer::WriteVmd(dance));
}

struct MorphCase {
  const char* name;
  const char* model;
  const char* motion;  // a sample file, or null for the step dance with a face
};

class OracleMorphTest : public ::testing::TestWithParam<MorphCase> {};

TEST_P(OracleMorphTest, TrackWeightsAgreeWithTheOracle) {
  const MorphCase& c = GetParam();
  const std::optional<test::OracleSetup> oracle = test::FindOracle();
  if (!oracle) GTEST_SKIP() << "node is missing (install nodejs, see scripts/setup): no oracle to compare with";
  test::TempDir dir;
  std::filesystem::path motionPath = dir / "face.vmd";
  if (c.motion != nullptr)
    motionPath = SampleFile(c.motion);
  else
    WriteStepsWithAFace(motionPath);

  std::shared_ptr<Model> model = test::LoadModelFile(SampleFile(c.model));
  ASSERT_TRUE(model);
  auto animation = std::make_shared<Animation>();
  ASSERT_EQ(VMDDecoder().Decode(FromFsPath(motionPath), animation, model->bones), ModelBuilt);
  model->animation = animation;
  LinkMorphTracks(*model);
  std::uint64_t last = 0;
  ASSERT_TRUE(LatestKeyFrame(*animation, last));
  // Frames spread over the loop, its last frame left out (the oracle wraps there).
  std::vector<std::uint32_t> frames;
  for (std::uint32_t k = 0; k < kSampledFrames; ++k) {
    const auto frame = static_cast<std::uint32_t>(last * k / kSampledFrames);
    if (frames.empty() || frame > frames.back()) frames.push_back(frame);
  }

  const test::OraclePoses oracleRun = test::RunOracle(*oracle, SampleFile(c.model), motionPath, frames);
  std::map<std::u16string, std::size_t> oracleMorph;
  for (std::size_t m = 0; m < oracleRun.morphNames.size(); ++m)
    oracleMorph[Utf8ToUtf16(oracleRun.morphNames[m])] = m;

  std::size_t compared = 0, heldSingleKeys = 0, oneKeyTracks = 0;
  for (const auto& [name, track] : animation->morphTracks)
    if (track.morph != nullptr && track.keys.size() == 1 && oracleMorph.count(name) != 0) ++oneKeyTracks;
  float worst = 0.0f;
  for (std::uint32_t frame : frames) {
    model->Update(std::uint64_t{frame} * 33);
    const std::vector<float>& theirs = oracleRun.morphWeights.at(frame);
    for (const auto& [name, track] : animation->morphTracks) {
      const auto m = oracleMorph.find(name);
      if (track.morph == nullptr || m == oracleMorph.end()) continue;
      ++compared;
      const float difference = std::fabs(track.weight - theirs[m->second]);
      worst = std::max(worst, difference);
      EXPECT_LE(difference, kWeightTolerance) << Utf16ToUtf8(name) << " at frame " << frame;
      if (track.keys.size() == 1 && theirs[m->second] > 0.0f) ++heldSingleKeys;
    }
  }
  std::printf("oracle morphs %s: %zu weights over %zu frames within %.2g of the oracle's (%zu of one-key tracks)\n",
              c.name, compared, frames.size(), static_cast<double>(worst), heldSingleKeys);
  EXPECT_GT(compared, frames.size());
  if (c.motion == nullptr) {
    EXPECT_GE(oneKeyTracks, 2u);
    EXPECT_EQ(heldSingleKeys, oneKeyTracks * frames.size()) << "every one-key track, every frame";
  }
}

INSTANTIATE_TEST_SUITE_P(Sample, OracleMorphTest,
                         ::testing::Values(MorphCase{"pmx_dance", "nel.pmx", "nel_dance.vmd"},
                                           MorphCase{"pmx_steps_with_a_face", "nel.pmx", nullptr},
                                           MorphCase{"pmd_steps_with_a_face", "nel.pmd", nullptr}),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace brivonel
