// Inverse kinematics by cyclic coordinate descent: each link of a chain in
// turn is rotated about the axis that carries the end effector's direction
// onto the goal's, by a share of the angle between them, and the result is
// held inside the link's Euler angle limits.
//
// After every chain the whole hierarchy is brought back in step, as if every
// world matrix were recomputed. Most chains of a PMX model (one per bone)
// have no links, so that recompute is skipped whenever the world matrices
// are already what a recompute would give; after a chain that did move
// bones, and when every parent precedes its children, only the moved bones
// and their subtrees are recomputed. A chain also stops iterating once an
// iteration leaves every bone exactly as it was, since every further
// iteration would repeat it. The results are bit for bit those of the plain
// algorithm.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/trace.h"
#include "model/model.h"

namespace brivonel {
namespace {

constexpr float kIkEpsilon = 1e-7f;

// Marks kept per bone in PoseCache::visited while a chain is brought back
// in step.
constexpr std::uint8_t kTouched = 1;
constexpr std::uint8_t kVisited = 2;

// A bone's model-space position: the translation row of its world matrix.
Float4 PositionOf(const Matrix4& m) { return {m.m[3][0], m.m[3][1], m.m[3][2], 1.0f}; }

template <typename T>
bool SameBits(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// The bone's local matrix times its parent's world matrix as it stands now.
Matrix4 PoseOf(const std::vector<Bone>& bones, const Bone& bone) {
  const Matrix4 local = MatrixAffine(bone.scale, bone.rotation, bone.position);
  if (bone.parentIndex >= 0 && static_cast<std::size_t>(bone.parentIndex) < bones.size())
    return Multiply(local, bones[static_cast<std::size_t>(bone.parentIndex)].worldMatrix);
  return local;
}

// Sine and cosine of an angle. A zero angle (of either sign) has them
// exactly: the sine is the angle itself and the cosine 1.
struct SineCosine {
  float s;
  float c;
};
SineCosine SineCosineOf(float angle) {
  if (angle == 0.0f) return {angle, 1.0f};
  return {std::sin(angle), std::cos(angle)};
}

// The rotation part of Multiply(Multiply(MatrixRotationZ(z),
// MatrixRotationY(y)), MatrixRotationX(x)), bit for bit, for finite sines
// and cosines. Multiply sums four products per entry; here the products
// with an exact zero factor are left out. Such a product is a zero, which
// leaves a sum as it was, except that a sum of zeros keeps the sign of
// zero only if every term is -0. The fourth term of every entry is a +0
// (zeros of the fourth row and column), so each entry is the sum of its
// other terms plus +0, and adding +0 turns a -0 into +0 as it does.
Matrix4 EulerRotation(const SineCosine& x, const SineCosine& y, const SineCosine& z) {
  // Rz * Ry.
  const float a00 = z.c * y.c + 0.0f, a01 = z.s + 0.0f, a02 = z.c * -y.s + 0.0f;
  const float a10 = -z.s * y.c + 0.0f, a11 = z.c + 0.0f, a12 = -z.s * -y.s + 0.0f;
  const float a20 = y.s + 0.0f, a22 = y.c + 0.0f;  // a21 is +0
  // Times Rx. Column 0 keeps a's; in row 2 the term of a21 is a zero.
  Matrix4 r;
  r.m[0][0] = a00;
  r.m[0][1] = (a01 * x.c + a02 * -x.s) + 0.0f;
  r.m[0][2] = (a01 * x.s + a02 * x.c) + 0.0f;
  r.m[1][0] = a10;
  r.m[1][1] = (a11 * x.c + a12 * -x.s) + 0.0f;
  r.m[1][2] = (a11 * x.s + a12 * x.c) + 0.0f;
  r.m[2][0] = a20;
  r.m[2][1] = a22 * -x.s + 0.0f;
  r.m[2][2] = a22 * x.c + 0.0f;
  r.m[3][3] = 1.0f;
  return r;
}

// Decomposes the rotation into Euler angles (R = Rz * Ry * Rx), clamps them
// to the limits and rebuilds the rotation from the clamped angles. The sine
// is clamped to [-1, 1] first: rounding can push it just past 1 near a
// quarter turn, where the arc sine would give no angle at all.
Quaternion LimitRotation(const Quaternion& rotation, const Float4& minAngles,
                         const Float4& maxAngles) {
  const Matrix4 r = MatrixRotationQuaternion(rotation);
  const float x = -std::atan2(r.m[2][1], r.m[2][2]);
  const float y = std::asin(std::clamp(r.m[2][0], -1.0f, 1.0f));
  const float z = -std::atan2(r.m[1][0], r.m[0][0]);
  const float cx = std::min(std::max(x, minAngles.x), maxAngles.x);
  const float cy = std::min(std::max(y, minAngles.y), maxAngles.y);
  const float cz = std::min(std::max(z, minAngles.z), maxAngles.z);
  // A NaN or infinite angle (a broken rotation or limit) takes the full
  // products, whose NaNs the short form would not reproduce.
  if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(cz))
    return QuaternionRotationMatrix(
        Multiply(Multiply(MatrixRotationZ(cz), MatrixRotationY(cy)), MatrixRotationX(cx)));
  return QuaternionRotationMatrix(
      EulerRotation(SineCosineOf(cx), SineCosineOf(cy), SineCosineOf(cz)));
}

bool ChainIsValid(const IkChain& chain, std::size_t boneCount) {
  if (chain.ikBone >= boneCount || chain.targetBone >= boneCount) return false;
  if (chain.linkCount > chain.links.size()) return false;
  for (std::size_t i = 0; i < chain.linkCount; ++i)
    if (chain.links[i] >= boneCount) return false;
  return true;
}

}  // namespace

void Model::SolveIk() {
  RefreshHierarchy();
  SolveIkChains(false);
}

void Model::SolveIkChains(bool worldsSettled) {
  PoseCache& cache = poseCache_;
  bool settled = worldsSettled;
  for (std::size_t c = 0; c < ikChains.size(); ++c) {
    const IkChain& chain = ikChains[c];
    bool changed = false;
    if (chain.iterations > 0 && chain.linkCount > 0) {
      if (ChainIsValid(chain, bones.size()))
        changed = RunIkChain(chain, settled);
      else
        TraceFormat("IK chain %zu skipped: a bone or link number is out of range\n", c);
    }
    if (!settled || changed) {
      if (settled && cache.parentsFirst)
        RecomputeTouchedSubtrees();
      else
        settled = RecomputeAllWorlds();
    }
    for (std::uint32_t bone : cache.touched) cache.visited[bone] = 0;
    cache.touched.clear();
  }
}

bool Model::RunIkChain(const IkChain& chain, bool worldsSettled) {
  PoseCache& cache = poseCache_;
  auto touch = [&cache](std::uint32_t bone) {
    if ((cache.visited[bone] & kTouched) != 0) return;
    cache.visited[bone] |= kTouched;
    cache.touched.push_back(bone);
  };
  Bone& target = bones[chain.targetBone];
  const Bone& goal = bones[chain.ikBone];
  // With settled world matrices the target's is its local matrix times its
  // parent's, and stays so: within the chain only a step on the target or on
  // its parent can change what recomputing it gives.
  const bool targetFollowsParent = worldsSettled;
  bool changedAny = false;
  for (std::uint32_t iteration = 0; iteration < chain.iterations; ++iteration) {
    bool changed = false;
    Float4 effector = PositionOf(target.worldMatrix);
    for (std::size_t i = 0; i < chain.linkCount; ++i) {
      const std::uint16_t linkIndex = chain.links[i];
      Bone& link = bones[linkIndex];
      const Matrix4 inverseLink = Inverse(link.worldMatrix);
      const Float4 e = Normalize3(Transform(effector, inverseLink));
      // The goal is read anew for every link.
      const Float4 g = Normalize3(Transform(PositionOf(goal.worldMatrix), inverseLink));
      if (NearEqual3(e, g, kIkEpsilon)) continue;
      const Float4 axis = Cross3(e, g);
      if (NearEqual3(axis, Float4{}, kIkEpsilon)) continue;
      // Rounding can put the cosine of two unit vectors just outside [-1, 1].
      const float angle = std::acos(std::clamp(Dot3(e, g), -1.0f, 1.0f)) * chain.angleFactor;
      const Quaternion turned =
          QuaternionMultiply(QuaternionRotationAxis(Normalize3(axis), angle), link.rotation);
      const Quaternion rotation = LimitRotation(turned, link.ikMinAngles, link.ikMaxAngles);
      if (!SameBits(rotation, link.rotation)) {
        link.rotation = rotation;
        changed = true;
        touch(linkIndex);
      }
      const Matrix4 linkWorld = PoseOf(bones, link);
      if (!SameBits(linkWorld, link.worldMatrix)) {
        link.worldMatrix = linkWorld;
        changed = true;
        touch(linkIndex);
      }
      if (!targetFollowsParent || linkIndex == chain.targetBone ||
          static_cast<std::int32_t>(linkIndex) == target.parentIndex) {
        const Matrix4 targetWorld = PoseOf(bones, target);
        if (!SameBits(targetWorld, target.worldMatrix)) {
          target.worldMatrix = targetWorld;
          changed = true;
          touch(chain.targetBone);
        }
        effector = PositionOf(target.worldMatrix);
      }
    }
    // An iteration that changed nothing would be repeated exactly by every
    // iteration after it.
    if (!changed) break;
    changedAny = true;
  }
  return changedAny;
}

void Model::RecomputeTouchedSubtrees() {
  // Every parent precedes its children and the other bones' world matrices
  // are already what a recompute gives, so recomputing the touched bones and
  // their descendants, each after its parent, gives the full recompute.
  PoseCache& cache = poseCache_;
  std::sort(cache.touched.begin(), cache.touched.end());
  cache.order.clear();
  for (std::uint32_t root : cache.touched) {
    if ((cache.visited[root] & kVisited) != 0) continue;
    cache.visited[root] |= kVisited;
    std::size_t next = cache.order.size();
    cache.order.push_back(root);
    for (; next < cache.order.size(); ++next) {
      const std::uint32_t bone = cache.order[next];
      bones[bone].worldMatrix = PoseOf(bones, bones[bone]);
      for (std::uint32_t c = cache.childStart[bone]; c < cache.childStart[bone + 1]; ++c) {
        const std::uint32_t child = cache.children[c];
        if ((cache.visited[child] & kVisited) != 0) continue;
        cache.visited[child] |= kVisited;
        cache.order.push_back(child);
      }
    }
  }
  for (std::uint32_t bone : cache.order) cache.visited[bone] = 0;
}

bool Model::RecomputeAllWorlds() {
  if (poseCache_.parentsFirst) {
    ComputeWorldMatrices();
    return true;
  }
  // A parent after its child is read before it is recomputed, so a recompute
  // may change matrices again; the matrices are settled once one leaves
  // every bit as it was.
  bool changed = false;
  for (Bone& bone : bones) {
    const Matrix4 m = PoseOf(bones, bone);
    if (!SameBits(m, bone.worldMatrix)) {
      bone.worldMatrix = m;
      changed = true;
    }
  }
  return !changed;
}

}  // namespace brivonel
