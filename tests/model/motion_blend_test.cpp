// A cross-fade between two motions: at each share the figure stands between
// the two motions posed alone (bones slerped and mixed, morphs mixed), the
// ends are exactly the motions alone, and the property keys switch at half.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "model/model.h"
#include "tests/support/pose_rigs.h"

namespace brivonel {
namespace {

// The outgoing dance has played 1.7 s, the new one 0.4 s; the new one began
// at 10 s on the figure's clock.
constexpr std::uint64_t kOutgoingTime = 1700;
constexpr std::uint64_t kIncomingTime = 400;
constexpr std::uint64_t kIncomingStart = 10000;
constexpr std::uint64_t kClock = kIncomingStart + kIncomingTime;

// A dancer with leg IK, fingers and expressions, seen by the program's
// camera (which the model points at: it outlives every model here).
void BuildDancer(Model& model) {
  static const test::Camera camera = test::StandardCamera(960, 1040);
  test::BuildPmdStyleRig(model);
  test::EnableSkinning(model);
  test::AttachCamera(model, camera, 960, 1040);
}

// The first bone whose world matrix or rotation differs between the two, or "".
std::string PoseDifference(const Model& a, const Model& b) {
  for (std::size_t i = 0; i < a.bones.size(); ++i)
    if (!SameBits(a.bones[i].worldMatrix, b.bones[i].worldMatrix) ||
        !SameBits(a.bones[i].rotation, b.bones[i].rotation))
      return "bone " + std::to_string(i);
  for (std::size_t v = 0; v < a.posedVertices.size(); ++v)
    if (!SameBits(a.posedVertices[v], b.posedVertices[v])) return "vertex " + std::to_string(v);
  return {};
}

float Distance(const Float4& a, const Float4& b) {
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

TEST(MotionBlendTest, FadeStandsBetweenTheMotionsPosedAlone) {
  // The same dance from two starts: at these times its poses differ.
  Model outgoingAlone, incomingAlone;
  BuildDancer(outgoingAlone);
  BuildDancer(incomingAlone);
  outgoingAlone.animation = test::BuildDance(outgoingAlone);
  incomingAlone.animation = test::BuildDance(incomingAlone);
  const int outgoingShift = outgoingAlone.Update(kOutgoingTime);
  const int incomingShift = incomingAlone.Update(kIncomingTime);

  // Bones that IK or a grant moves after the mix are compared only at the ends.
  std::set<std::size_t> solved;
  for (const IkChain& chain : outgoingAlone.ikChains) {
    solved.insert(chain.targetBone);
    solved.insert(chain.links.begin(), chain.links.end());
  }
  for (const BoneGrant& grant : outgoingAlone.grants) solved.insert(static_cast<std::size_t>(grant.bone));

  for (const float weight : {0.0f, 0.25f, 0.5f, 1.0f}) {
    SCOPED_TRACE("weight " + std::to_string(weight));
    Model blended;
    BuildDancer(blended);
    blended.animation = test::BuildDance(blended);
    blended.SetMotionBlend({kIncomingStart, test::BuildDance(blended), kClock - kOutgoingTime, weight});
    const int shift = blended.Update(kClock);
    if (weight == 0.0f) {
      EXPECT_EQ(PoseDifference(blended, outgoingAlone), "");
      EXPECT_EQ(shift, outgoingShift);
      continue;
    }
    if (weight == 1.0f) {
      EXPECT_EQ(PoseDifference(blended, incomingAlone), "");
      EXPECT_EQ(shift, incomingShift);
      continue;
    }
    EXPECT_NEAR(shift, outgoingShift + (incomingShift - outgoingShift) * weight, 1.0f);
    std::size_t moved = 0;
    for (std::size_t b = 0; b < blended.bones.size(); ++b) {
      if (solved.count(b) != 0) continue;
      const Quaternion from = outgoingAlone.bones[b].rotation;
      const Quaternion to = incomingAlone.bones[b].rotation;
      const Quaternion expected = QuaternionSlerp(from, to, weight);
      const Quaternion got = blended.bones[b].rotation;
      EXPECT_NEAR(std::fabs(QuaternionDot(got, expected)), 1.0f, 1e-5f) << "bone " << b;
      const Float4 mixed = Lerp(outgoingAlone.bones[b].position, incomingAlone.bones[b].position, weight);
      EXPECT_LT(Distance(blended.bones[b].position, mixed), 1e-4f) << "bone " << b;
      if (std::fabs(QuaternionDot(from, to)) < 0.999f) ++moved;
    }
    EXPECT_GT(moved, 20u) << "the two poses hardly differ: the test shows nothing";
    // Expressions: each vertex a morph moves sits at the mix of its places.
    std::size_t morphed = 0;
    for (std::size_t v = 0; v < blended.posedVertices.size(); ++v) {
      const Float4 from = outgoingAlone.posedVertices[v].position;
      const Float4 to = incomingAlone.posedVertices[v].position;
      EXPECT_LT(Distance(blended.posedVertices[v].position, Lerp(from, to, weight)), 1e-4f) << "vertex " << v;
      if (Distance(from, to) > 1e-3f) ++morphed;
    }
    EXPECT_GT(morphed, 0u) << "no expression differs: the test shows nothing";
  }
}

// The model hidden by the outgoing motion's keys until its frame 1000, shown
// by the new one: hidden while the outgoing motion has the greater share.
TEST(MotionBlendTest, PropertyKeysComeFromTheGreaterShare) {
  const struct {
    float weight;
    bool shown;
  } cases[] = {{0.0f, false}, {0.4f, false}, {0.5f, false}, {0.6f, true}, {1.0f, true}};
  for (const auto& c : cases) {
    Model model;
    BuildDancer(model);
    test::MotionBuilder hiding(model);
    hiding.AddBoneKey(u"センター", 0, {}, {0, 0, 0, 1});
    hiding.AddShownKey(0, false);
    hiding.AddShownKey(1000, true);
    model.animation = test::BuildDance(model);
    model.SetMotionBlend({kIncomingStart, hiding.Build(), kClock - kOutgoingTime, c.weight});
    model.Update(kClock);
    EXPECT_EQ(model.Shown(), c.shown) << "at weight " << c.weight;
  }
}

}  // namespace
}  // namespace brivonel
