// Poses against an independent implementation of the same formats (three.js's
// MMD animation runtime in node): the bundled sample (PMX and PMD, with both
// of its dances) and the shared fixtures that come with motions. At frames
// spread over each motion's loop, every bone that IK does not drive stands
// within 1e-3 of where the oracle puts it, turned within 1e-3 radians of its
// turn; IK puts each effector (ankles, toes) within 0.01 of its goal
// wherever the oracle does, and knees bend forwards. A deep crouch held as a
// pose is played on the sample too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <fstream>
#include <string>
#include <vector>

#include "base/unicode.h"
#include "formats/vmd_decoder.h"
#include "formats/writer/vmd_writer.h"
#include "model/model_setup.h"
#include "tests/oracle/oracle_poses.h"
#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"

namespace brivonel {
namespace {

constexpr float kBoneTolerance = 1e-3f;
constexpr float kTurnTolerance = 1e-3f;  // radians
constexpr float kGoalTolerance = 0.01f;
constexpr std::size_t kSampledFrames = 24;

struct OracleCase {
  std::string name;
  std::filesystem::path model;
  std::filesystem::path motion;
  bool hasLegs = false;  // leg IK chains whose ankles must be checked
  // A motion written by the test instead of a file (then `motion` is empty).
  VMDMotion (*writtenMotion)() = nullptr;
};

std::filesystem::path SampleFile(const char* name) {
  return std::filesystem::path(BRIVONEL_SAMPLES_DIR) / name;
}

// A deep crouch held from the first frame, as a pose saved as a motion is:
// the centre four units lower in one key. The shins tilt some 60 degrees
// and each foot stays flat only if its ankle turns as far back.
VMDMotion Crouch() {
  VMDMotion motion;
  motion.boneFrames.push_back(writer::MakeBoneFrame(u"センター", 0, {0.0f, -4.0f, 0.0f}));
  return motion;
}

std::vector<OracleCase> Cases() {
  std::vector<OracleCase> cases;
  for (const char* model : {"nel.pmx", "nel.pmd"}) {
    for (const char* motion : {"nel_dance.vmd", "nel_steps.vmd"})
      cases.push_back({std::string(model) + " " + motion, SampleFile(model), SampleFile(motion), true});
    cases.push_back({std::string(model) + " crouch", SampleFile(model), {}, true, Crouch});
  }
  // (joint_orient_test, the UTF-8 PMX with a motion, is left out: the
  // oracle's file parser cannot read UTF-8 PMX text.)
  for (const char* stem : {"test_1bone_cube", "test_append_bone"}) {
    const std::string motion = std::string(stem) == "test_1bone_cube" ? "test_1bone_cube_motion" : stem;
    cases.push_back({stem, test::Fixture(std::string("yohawing/") + stem + ".pmx"),
                     test::Fixture("yohawing/" + motion + ".vmd"), false});
  }
  return cases;
}

Float4 PositionOf(const Bone& bone) {
  return {bone.worldMatrix.m[3][0], bone.worldMatrix.m[3][1], bone.worldMatrix.m[3][2], 1.0f};
}

float Distance(const Float4& a, const Float4& b) { return Length3(Subtract(a, b)); }

// The angle between two rotations, from the distance of their unit
// quaternions (|a - b| = 2 sin(angle / 4)), which unlike the arc cosine of
// their dot product resolves small angles in single precision.
float AngleBetween(Quaternion a, Quaternion b) {
  a = QuaternionNormalize(a);
  b = QuaternionNormalize(b);
  if (QuaternionDot(a, b) < 0.0f) b = Scale(b, -1.0f);
  const Float4 d = Subtract(a, b);
  return 4.0f * std::asin(std::min(0.5f * std::sqrt(QuaternionDot(d, d)), 1.0f));
}

// Frames spread over the loop (its last frame excluded: the oracle wraps
// there), avoiding the frames of bone keys: at a key the oracle's curve
// solution starts a segment and is off by up to 2e-4 of the segment's
// change. A motion whose keys are all on frame 0 holds that pose: its
// first frames.
std::vector<std::uint32_t> SampleFrames(const Animation& motion, std::uint64_t last) {
  if (last == 0) return {0, 1, 2};
  std::set<std::uint64_t> keyFrames;
  for (const BoneTrack& track : motion.boneTracks)
    for (const BoneKey& key : track.keys) keyFrames.insert(key.frame);
  std::set<std::uint32_t> frames;
  for (std::size_t k = 0; k < kSampledFrames; ++k) {
    std::uint64_t frame = last * k / kSampledFrames;
    while (frame < last && keyFrames.count(frame) != 0) ++frame;
    if (frame < last) frames.insert(static_cast<std::uint32_t>(frame));
  }
  return {frames.begin(), frames.end()};
}

// Bones whose pose IK decides (links, effectors, what hangs from them, and
// what takes a grant from them), and bones whose grant the oracle leaves
// out, with what hangs from them: both are compared otherwise.
std::vector<bool> BonesNotComparedOneToOne(const Model& model, const test::OraclePoses& oracle) {
  const std::size_t count = model.bones.size();
  std::vector<bool> marked(count, false);
  for (const IkChain& chain : model.ikChains) {
    if (chain.iterations == 0 || chain.linkCount == 0) continue;
    marked[chain.targetBone] = true;
    for (std::size_t i = 0; i < chain.linkCount; ++i) marked[chain.links[i]] = true;
  }
  for (std::size_t bone : oracle.unappliedGrants)
    if (bone < count) marked[bone] = true;
  for (bool changed = true; changed;) {
    changed = false;
    for (std::size_t b = 0; b < count; ++b) {
      if (marked[b]) continue;
      bool follows = false;
      for (std::int32_t p = model.bones[b].parentIndex, steps = 0;
           p >= 0 && static_cast<std::size_t>(p) < count && steps < static_cast<std::int32_t>(count);
           p = model.bones[static_cast<std::size_t>(p)].parentIndex, ++steps)
        follows = follows || marked[static_cast<std::size_t>(p)];
      for (const BoneGrant& grant : model.grants)
        if (static_cast<std::size_t>(grant.bone) == b && marked[static_cast<std::size_t>(grant.parent)]) follows = true;
      if (follows) marked[b] = changed = true;
    }
  }
  return marked;
}

void PrintTo(const OracleCase& c, std::ostream* out) { *out << c.name; }

class OraclePoseTest : public ::testing::TestWithParam<OracleCase> {};

TEST_P(OraclePoseTest, BonesAndIkEffectorsAgreeWithTheOracle) {
  const OracleCase& c = GetParam();
  const std::optional<test::OracleSetup> oracle = test::FindOracle();
  if (!oracle) GTEST_SKIP() << "node is missing (install nodejs, see scripts/setup): no pose oracle to compare with";
  if (!c.hasLegs) BRIVONEL_REQUIRE_FIXTURES();

  std::shared_ptr<Model> model = test::LoadModelFile(c.model);
  ASSERT_TRUE(model) << c.model;
  // The centre's horizontal travel is a window shift in the program; here
  // it stays in the pose, as the oracle poses it.
  for (Bone& bone : model->bones) bone.isCenter = false;
  test::TempDir dir;
  std::filesystem::path motionPath = c.motion;
  if (c.writtenMotion != nullptr) {
    motionPath = dir / "motion.vmd";
    const std::vector<std::uint8_t> bytes = writer::WriteVmd(c.writtenMotion());
    std::ofstream(motionPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  auto animation = std::make_shared<Animation>();
  ASSERT_EQ(VMDDecoder().Decode(FromFsPath(motionPath), animation, model->bones), ModelBuilt);
  model->animation = animation;
  LinkMorphTracks(*model);
  std::uint64_t last = 0;
  ASSERT_TRUE(LatestKeyFrame(*animation, last));
  const std::vector<std::uint32_t> frames = SampleFrames(*animation, last);
  ASSERT_GE(frames.size(), last == 0 ? 1 : std::min<std::uint64_t>(20, last - 1));

  const test::OraclePoses poses = test::RunOracle(*oracle, c.model, motionPath, frames);
  ASSERT_EQ(poses.boneNames.size(), model->bones.size());
  for (std::size_t b = 0; b < model->bones.size(); ++b)
    ASSERT_EQ(poses.boneNames[b], Utf16ToUtf8(model->bones[b].name)) << "bone " << b;
  const std::vector<bool> skipped = BonesNotComparedOneToOne(*model, poses);

  float worstBone = 0.0f, worstTurn = 0.0f, worstEffector = 0.0f, worstOracleEffector = 0.0f;
  std::string worstBoneName;
  std::size_t comparedBones = 0, comparedEffectors = 0, bentKnees = 0;
  // Played frame by frame, as the program plays it.
  for (std::uint32_t frame = 0; frame <= frames.back(); ++frame) {
    model->Update(std::uint64_t{frame} * 33);
    const auto sampled = poses.frames.find(frame);
    if (sampled == poses.frames.end()) continue;
    std::vector<Float4> expected;
    for (const test::OracleBonePose& pose : sampled->second) expected.push_back(pose.position);
    for (std::size_t b = 0; b < model->bones.size(); ++b) {
      if (skipped[b]) continue;
      ++comparedBones;
      const float d = Distance(PositionOf(model->bones[b]), expected[b]);
      EXPECT_LE(d, kBoneTolerance) << poses.boneNames[b] << " at frame " << frame;
      if (d > worstBone) {
        worstBone = d;
        worstBoneName = poses.boneNames[b] + " frame " + std::to_string(frame);
      }
      const float turn = AngleBetween(QuaternionRotationMatrix(model->bones[b].worldMatrix),
                                      sampled->second[b].rotation);
      EXPECT_LE(turn, kTurnTolerance) << poses.boneNames[b] << " at frame " << frame;
      worstTurn = std::max(worstTurn, turn);
    }
    for (const IkChain& chain : model->ikChains) {
      if (chain.linkCount == 0 || chain.iterations == 0) continue;
      const float theirs = Distance(expected[chain.targetBone], expected[chain.ikBone]);
      const Float4 effector = PositionOf(model->bones[chain.targetBone]);
      const float ours = Distance(effector, PositionOf(model->bones[chain.ikBone]));
      worstOracleEffector = std::max(worstOracleEffector, theirs);
      if (theirs <= kGoalTolerance) {
        ++comparedEffectors;
        worstEffector = std::max(worstEffector, ours);
        EXPECT_LE(ours, kGoalTolerance) << poses.boneNames[chain.targetBone] << " at frame " << frame;
      }
      if (chain.linkCount < 2 || model->bones[chain.targetBone].name.find(u"足首") == std::u16string::npos) continue;
      // A bent knee stands in front of (-z from) the line from hip to ankle.
      const Float4 knee = PositionOf(model->bones[chain.links[0]]);
      const Float4 hip = PositionOf(model->bones[chain.links[1]]);
      const Float4 leg = Normalize3(Subtract(effector, hip));
      const Float4 toKnee = Subtract(knee, hip);
      const Float4 offset = Subtract(toKnee, Scale(leg, Dot3(toKnee, leg)));
      if (Length3(offset) > 0.05f) {
        ++bentKnees;
        EXPECT_LT(offset.z, 0.0f) << poses.boneNames[chain.links[0]] << " bends backwards at frame " << frame;
      }
    }
  }
  std::printf("oracle %s: %zu frames, %zu bone poses within %.2g of the oracle's positions (largest at "
              "%s) and %.2g rad of its turns; %zu IK effectors on their goals within %.2g (the oracle's within "
              "%.2g where compared, %.2g at worst); %zu bent knees\n",
              c.name.c_str(), frames.size(), comparedBones, static_cast<double>(worstBone),
              worstBoneName.c_str(), static_cast<double>(worstTurn), comparedEffectors,
              static_cast<double>(worstEffector), static_cast<double>(kGoalTolerance),
              static_cast<double>(worstOracleEffector), bentKnees);
  EXPECT_GT(comparedBones, 0u);
  if (c.hasLegs) {
    EXPECT_GT(comparedEffectors, frames.size()) << "leg IK never compared";
    EXPECT_GT(bentKnees, 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(SampleAndFixtures, OraclePoseTest, ::testing::ValuesIn(Cases()),
                         [](const auto& param) {
                           std::string name;
                           for (char ch : param.param.name) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                           return name;
                         });

}  // namespace
}  // namespace brivonel
