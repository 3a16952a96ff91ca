// The model's Update against the literal reading of the pose rules, frame by
// frame, over generated rigs and motions: every bone, skinning matrix,
// vertex, material factor, cursor and shift must match bit for bit.
#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>

#include "tests/model/pose_reference.h"
#include "tests/support/pose_rigs.h"

namespace brivonel {
namespace {

using test::Camera;

// Compares everything a frame writes; returns a description of the first
// difference, or an empty string.
std::string FirstDifference(const Model& fast, const Model& slow) {
  if (fast.bones.size() != slow.bones.size()) return "bone count";
  for (std::size_t i = 0; i < fast.bones.size(); ++i) {
    const Bone& a = fast.bones[i];
    const Bone& b = slow.bones[i];
    if (!SameBits(a.worldMatrix, b.worldMatrix)) return "world matrix of bone " + std::to_string(i);
    if (!SameBits(a.rotation, b.rotation)) return "rotation of bone " + std::to_string(i);
    if (!SameBits(a.position, b.position)) return "position of bone " + std::to_string(i);
  }
  if (fast.skinningMatrices.size() != slow.skinningMatrices.size()) return "skinning matrix count";
  for (std::size_t i = 0; i < fast.skinningMatrices.size(); ++i)
    if (!SameBits(fast.skinningMatrices[i], slow.skinningMatrices[i]))
      return "skinning matrix " + std::to_string(i);
  if (fast.posedVertices.size() != slow.posedVertices.size()) return "vertex count";
  for (std::size_t i = 0; i < fast.posedVertices.size(); ++i)
    if (!SameBits(fast.posedVertices[i], slow.posedVertices[i])) return "vertex " + std::to_string(i);
  if (fast.touchedVertices != slow.touchedVertices) return "touched vertices";
  for (std::size_t i = 0; i < fast.materials.size(); ++i) {
    const Material& a = fast.materials[i];
    const Material& b = slow.materials[i];
    if (a.multiplyPending != b.multiplyPending || a.addPending != b.addPending ||
        !SameBits(a.multiplyFactors, b.multiplyFactors) || !SameBits(a.addTerms, b.addTerms))
      return "material " + std::to_string(i);
  }
  if (fast.animation->currentFrame != slow.animation->currentFrame) return "current frame";
  auto a = fast.animation->morphTracks.begin();
  auto b = slow.animation->morphTracks.begin();
  for (; a != fast.animation->morphTracks.end(); ++a, ++b)
    if (a->second.cursor != b->second.cursor) return "cursor of morph track";
  return {};
}

using Builder = void (*)(Model&);
using MotionMaker = std::shared_ptr<Animation> (*)(const Model&);

struct Pair {
  Model fast;
  Model slow;
};

// Plays both models through the same elapsed times: steady steps, repeated
// times, pauses, restarts from 0 and long runs past the loop point.
void PlaySideBySide(Pair& pair, const Camera& camera, int frames, std::uint32_t seed) {
  test::AttachCamera(pair.fast, camera, 960, 1040);
  test::AttachCamera(pair.slow, camera, 960, 1040);
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> roll(0, 99);
  std::uint64_t elapsed = 0;
  for (int frame = 0; frame < frames; ++frame) {
    const int shiftFast = pair.fast.Update(elapsed);
    const int shiftSlow = test::ReferenceUpdate(pair.slow, elapsed);
    ASSERT_EQ(shiftFast, shiftSlow) << "frame " << frame << " at " << elapsed << " ms";
    const std::string difference = FirstDifference(pair.fast, pair.slow);
    ASSERT_EQ(difference, "") << "frame " << frame << " at " << elapsed << " ms";
    const int r = roll(random);
    if (r < 5) {
      elapsed = 0;
    } else if (r < 10) {
      // the same time again
    } else if (r < 13) {
      elapsed += 40000;
    } else {
      elapsed += static_cast<std::uint64_t>(std::uniform_int_distribution<int>(5, 70)(random));
    }
  }
}

TEST(PoseEquivalenceTest, RandomRigsMatchTheLiteralRulesBitForBit) {
  const Camera camera = test::StandardCamera(960, 1040);
  for (std::uint32_t seed = 1; seed <= 24; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Pair pair;
    test::BuildRandomRig(pair.fast, seed);
    test::BuildRandomRig(pair.slow, seed);
    pair.fast.animation = test::BuildRandomMotion(pair.fast, seed);
    pair.slow.animation = test::BuildRandomMotion(pair.slow, seed);
    PlaySideBySide(pair, camera, 300, seed);
    if (HasFatalFailure()) return;
  }
}

TEST(PoseEquivalenceTest, PmdStyleDanceMatchesTheLiteralRulesBitForBit) {
  const Camera camera = test::StandardCamera(960, 1040);
  Pair pair;
  test::BuildPmdStyleRig(pair.fast);
  test::BuildPmdStyleRig(pair.slow);
  pair.fast.animation = test::BuildDance(pair.fast);
  pair.slow.animation = test::BuildDance(pair.slow);
  PlaySideBySide(pair, camera, 400, 99);
}

TEST(PoseEquivalenceTest, PmxRigMatchesTheLiteralRulesBitForBit) {
  const Camera camera = test::StandardCamera(960, 1040);
  Pair pair;
  test::BuildPmxRig(pair.fast, 20000);
  test::BuildPmxRig(pair.slow, 20000);
  pair.fast.animation = test::BuildDenseMotion(pair.fast, 120);
  pair.slow.animation = test::BuildDenseMotion(pair.slow, 120);
  PlaySideBySide(pair, camera, 60, 5);
}

// SolveIk called on its own (not from Update) starts from whatever world
// matrices the bones hold, and still ends where the literal rules end.
TEST(PoseEquivalenceTest, SolveIkAloneMatchesTheLiteralRules) {
  for (std::uint32_t seed = 30; seed < 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Pair pair;
    test::BuildRandomRig(pair.fast, seed);
    test::BuildRandomRig(pair.slow, seed);
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> angle(-1.0f, 1.0f);
    for (std::size_t i = 0; i < pair.fast.bones.size(); ++i) {
      const Quaternion q = QuaternionRotationAxis({angle(random), 1.0f, angle(random), 0}, angle(random));
      pair.fast.bones[i].rotation = q;
      pair.slow.bones[i].rotation = q;
    }
    for (int round = 0; round < 3; ++round) {
      pair.fast.SolveIk();
      test::ReferenceSolveIk(pair.slow);
      ASSERT_EQ(FirstDifference(pair.fast, pair.slow), "") << "round " << round;
    }
  }
}

// Limits of the shapes a file can hold: zero-width ranges of either sign of
// zero, single angles, reversed ranges, infinite and NaN bounds (a NaN bound
// clamps nothing). Zero angles and signed zeros take their own ways through
// the limited rotation; each must end where the literal rules end. (Bounds
// that clamp to an infinite angle give NaN rotations, whose sign bits no
// two compilations are bound to agree on, so they are left out.)
TEST(PoseEquivalenceTest, IkLimitsOfEveryShapeMatchTheLiteralRules) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Float4 shapes[][2] = {
      {{0.0f, 0.0f, 0.0f, 0}, {0.0f, 0.0f, 0.0f, 0}},
      {{-0.0f, -0.0f, -0.0f, 0}, {-0.0f, -0.0f, -0.0f, 0}},
      {{-0.0f, 0.0f, -0.0f, 0}, {0.0f, -0.0f, 0.0f, 0}},
      {{0.3f, -0.7f, 1.2f, 0}, {0.3f, -0.7f, 1.2f, 0}},
      {{0.5f, 0.4f, 0.3f, 0}, {-0.5f, -0.4f, -0.3f, 0}},
      {{-inf, -1.0f, -inf, 0}, {inf, 1.0f, inf, 0}},
      {{nan, -0.5f, nan, 0}, {nan, 0.5f, 0.0f, 0}},
      {{-kPi, -0.0f, 0.0f, 0}, {-0.0087266f, 0.0f, -0.0f, 0}},
  };
  constexpr std::size_t kShapes = sizeof shapes / sizeof shapes[0];
  for (std::uint32_t seed = 50; seed < 62; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Pair pair;
    test::BuildRandomRig(pair.fast, seed);
    test::BuildRandomRig(pair.slow, seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> pick(0, kShapes - 1);
    std::uniform_real_distribution<float> angle(-1.5f, 1.5f);
    for (std::size_t i = 0; i < pair.fast.bones.size(); ++i) {
      const std::size_t shape = pick(random);
      const Quaternion q = QuaternionRotationAxis({angle(random), 1.0f, angle(random), 0}, angle(random));
      for (Model* model : {&pair.fast, &pair.slow}) {
        model->bones[i].ikMinAngles = shapes[shape][0];
        model->bones[i].ikMaxAngles = shapes[shape][1];
        model->bones[i].rotation = q;
      }
    }
    for (int round = 0; round < 3; ++round) {
      pair.fast.SolveIk();
      test::ReferenceSolveIk(pair.slow);
      ASSERT_EQ(FirstDifference(pair.fast, pair.slow), "") << "round " << round;
    }
    pair.fast.animation = test::BuildRandomMotion(pair.fast, seed);
    pair.slow.animation = test::BuildRandomMotion(pair.slow, seed);
    PlaySideBySide(pair, test::StandardCamera(960, 1040), 60, seed);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace brivonel
