#pragma once
// Working data that pose evaluation keeps between frames, so that a frame
// costs time in proportion to bones, keys and morph offsets and allocates
// nothing once the sizes have settled. Nothing here decides a result: every
// entry is either derived from the model's own records (and checked against
// them every frame) or a search hint whose answer is verified before use.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/math.h"

namespace brivonel {

struct Animation;

// One bone track's search hint and the last curve evaluation, keyed by
// everything that evaluation depended on. A hint belongs to one key array
// (its address and length); key arrays are taken to keep their order while
// they are played, as the motion decoder leaves them.
struct BoneTrackHint {
  const void* keys = nullptr;  // the key array the hint was made for
  std::size_t keyCount = 0;
  bool sorted = false;          // keys ascend by frame (checked once per array)
  std::uint32_t cursor = 0;     // count of keys below the previous frame
  // Last Bezier evaluation: its inputs (the four control-point bytes of the
  // four curves and the fraction's bits) and its four results.
  bool curvesValid = false;
  std::uint8_t curveBytes[16] = {};
  std::uint32_t fractionBits = 0;
  float curveValues[4] = {};
};

// Four Bezier curves solved side by side (translation x, y, z, rotation).
struct alignas(16) CurveLanes {
  float x1[4];  // first control point's x / 127
  float x2[4];  // second control point's x / 127
  float y1[4];
  float y2[4];
  float x[4];       // the fraction to solve for
  float value[4];   // the result
};

// The hints of one motion's bone tracks.
struct TrackHints {
  const Animation* animation = nullptr;
  std::vector<BoneTrackHint> hints;
};

struct GrantPoses {
  Quaternion ownRotation;
  Float4 ownPosition;
  Quaternion sourceRotation;
  Float4 sourcePosition;
};

// Marks kept per bone in PoseCache::visited while poses are brought back in
// step: its pose was changed this frame; its subtree is already ordered.
constexpr std::uint8_t kTouched = 1;
constexpr std::uint8_t kVisited = 2;

// Whether two values are the same bit for bit: a pose that did not change
// by a bit needs nothing recomputed below it.
template <typename T>
bool SameBits(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

struct PoseCache {
  // Bone hierarchy as last seen: parent numbers, whether every parent comes
  // before its child, and the children of each bone (compressed rows).
  std::vector<std::int32_t> parents;
  bool parentsFirst = true;
  std::vector<std::uint32_t> childStart;
  std::vector<std::uint32_t> children;

  // Inverse bind matrices and the bind matrices they were computed from.
  std::vector<Matrix4> bindSource;
  std::vector<Matrix4> inverseBind;

  // Bone tracks of the motion last played, and of the one giving way to it
  // in a cross-fade.
  TrackHints tracks;
  TrackHints outgoingTracks;
  std::vector<std::uint32_t> pendingTracks;  // tracks whose curves are solved this frame
  std::vector<CurveLanes> lanes;

  // Inverse kinematics: bones whose pose a chain changed, the order in which
  // their subtrees are recomputed, a mark per bone, and the bones from a
  // link down to the end effector.
  std::vector<std::uint32_t> touched;
  std::vector<std::uint32_t> order;
  std::vector<std::uint8_t> visited;
  std::vector<std::uint32_t> path;

  // Records that bone b's pose changed this frame (once).
  void Touch(std::uint32_t b) {
    if ((visited[b] & kTouched) != 0) return;
    visited[b] |= kTouched;
    touched.push_back(b);
  }
  // Forgets the bones touched so far.
  void ClearTouched() {
    for (std::uint32_t b : touched) visited[b] = 0;
    touched.clear();
  }

  // The order of evaluation and what it was worked out from (the model's
  // order rule, each bone's layer and parent, each grant's bones and kind,
  // each chain's bones): every grant in its turn; which grants go before IK
  // (the others wait for their turn among the chains); and the steps of
  // the IK stage, a chain c as c and a waiting grant i as ~i.
  std::vector<std::uint32_t> grantOrder;
  std::vector<std::uint8_t> grantBeforeIk;  // per grant
  std::vector<std::int32_t> ikSteps;
  std::vector<std::int32_t> orderSource;
  // Per-bone marks used while the order is worked out.
  std::vector<std::uint8_t> boneMarks;

  // Grants of this frame, one entry per grant: the granted bone's own pose
  // (before its grant) and the source bone's pose the grant was taken from,
  // and whether it has been applied yet this frame.
  std::vector<GrantPoses> grantPoses;
  std::vector<std::uint8_t> grantApplied;
  // Per bone, its first grant (or -1): whose own pose a local grant takes.
  std::vector<std::int32_t> firstGrantOf;
};

}  // namespace brivonel
