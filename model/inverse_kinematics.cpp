// Inverse kinematics by cyclic coordinate descent: each link of a chain in
// turn, in file order, is rotated so that the end effector moves towards the
// goal, by at most the chain's step angle, and held inside the link's
// limits. After each turn every bone from the link down to the effector is
// brought up to date, so that the next link sees where the effector really
// is. A chain stops once the effector is on its goal, once an iteration
// turns nothing, or once an iteration no longer brings it closer.
//
// A link limited to turning about one axis (a knee) turns about that axis
// only. When the next link of the chain carries it (the thigh above the
// knee), it takes the angle at which the effector is as far from that link
// as the goal is, and the next link then only has to aim: a leg lands on
// its goal in one iteration. Otherwise it aims along its axis; on the first
// iteration it leaves a bound of its limits (a straight knee) by the whole
// angle and mirrors an angle outside its limits. Other links turn about the
// axis that carries the effector direction onto the goal direction, and
// links with limits are held inside them as Euler angles.
//
// After every chain the whole hierarchy is brought back in step, as if every
// world matrix were recomputed. Most chains of a PMX model (one per bone)
// have no links, so that recompute is skipped whenever the world matrices
// are already what a recompute would give; after a chain that did move
// bones, and when every parent precedes its children, only the moved bones
// and their subtrees are recomputed. The results are bit for bit those of
// the plain rules.
//
// The work of one frame is bounded: every link step, and every bone brought
// up to date after it, counts against kIkStepBudget; once it is spent the
// remaining chains of the frame are left as they are.
#include <algorithm>
#include <cmath>

#include "base/trace.h"
#include "model/ik_link_turn.h"
#include "model/model.h"

namespace brivonel {
namespace {

// A bone's model-space position: the translation row of its world matrix.
Float4 PositionOf(const Matrix4& m) { return {m.m[3][0], m.m[3][1], m.m[3][2], 1.0f}; }

// The bone's local matrix times its parent's world matrix as it stands now.
Matrix4 PoseOf(const std::vector<Bone>& bones, const Bone& bone) {
  const Matrix4 local = MatrixAffine(bone.scale, bone.rotation, bone.position);
  if (bone.parentIndex >= 0 && static_cast<std::size_t>(bone.parentIndex) < bones.size())
    return Multiply(local, bones[static_cast<std::size_t>(bone.parentIndex)].worldMatrix);
  return local;
}

// True when `ancestor` is a parent, grandparent... of `bone`.
bool IsAncestor(const std::vector<Bone>& bones, std::uint32_t ancestor, std::uint32_t bone) {
  for (std::size_t steps = 0; steps < bones.size(); ++steps) {
    const std::int32_t parent = bones[bone].parentIndex;
    if (parent < 0 || static_cast<std::size_t>(parent) >= bones.size()) return false;
    if (static_cast<std::uint32_t>(parent) == ancestor) return true;
    bone = static_cast<std::uint32_t>(parent);
  }
  return false;
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
  RefreshLayerOrder();
  SolveIkChains(false, false);
}

void Model::BringWorldsInStep(bool& settled) {
  if (settled && poseCache_.parentsFirst)
    RecomputeTouchedSubtrees();
  else
    settled = RecomputeAllWorlds();
  poseCache_.ClearTouched();
}

void Model::SolveIkChains(bool worldsSettled, bool withGrants) {
  PoseCache& cache = poseCache_;
  ikLinkSteps_ = 0;
  bool settled = worldsSettled;
  std::size_t unsolved = 0;
  for (const std::int32_t step : cache.ikSteps) {
    if (step < 0) {
      // A grant whose turn comes among the chains: what it moves is in step
      // before the next chain reads it.
      const std::size_t i = static_cast<std::size_t>(~step);
      if (!withGrants || !GrantApplies(i)) continue;
      ApplyGrantNow(i);
      cache.Touch(static_cast<std::uint32_t>(grants[i].bone));
      BringWorldsInStep(settled);
      continue;
    }
    const std::size_t c = static_cast<std::size_t>(step);
    const IkChain& chain = ikChains[c];
    bool changed = false;
    if (chain.iterations > 0 && chain.linkCount > 0 && IkChainOn(c)) {
      if (!ChainIsValid(chain, bones.size()))
        TraceFormat("IK chain %zu skipped: a bone or link number is out of range\n", c);
      else if (ikLinkSteps_ >= kIkStepBudget || !RunIkChain(chain, changed))
        ++unsolved;
    }
    if (!settled || changed)
      BringWorldsInStep(settled);
    else
      cache.ClearTouched();
  }
  if (unsolved > 0)
    TraceFormat("IK stopped after %u steps this frame: %zu chains not solved\n", ikLinkSteps_,
                unsolved);
}

bool Model::SolveIkChainsAfterPhysics() {
  bool any = false;
  for (const std::int32_t step : poseCache_.ikSteps) {
    if (step < 0) continue;
    const std::size_t c = static_cast<std::size_t>(step);
    const IkChain& chain = ikChains[c];
    if (chain.iterations == 0 || chain.linkCount == 0 || !IkChainOn(c) || !ChainIsValid(chain, bones.size()) ||
        !bones[chain.ikBone].deformAfterPhysics || ikLinkSteps_ >= kIkStepBudget)
      continue;
    bool changed = false;
    RunIkChain(chain, changed);
    poseCache_.ClearTouched();
    if (!changed) continue;
    // The next chain starts from a hierarchy in step.
    RecomputeAllWorlds();
    any = true;
  }
  return any;
}

bool Model::RunIkChain(const IkChain& chain, bool& changed) {
  PoseCache& cache = poseCache_;
  const std::size_t boneCount = bones.size();
  const std::uint16_t target = chain.targetBone;
  const Float4 goal = PositionOf(bones[chain.ikBone].worldMatrix);
  const IkStep step = IkStepOf(chain.angleFactor);
  float lastDistance = 0.0f;
  for (std::uint32_t iteration = 0; iteration < chain.iterations; ++iteration) {
    Float4 effector = PositionOf(bones[target].worldMatrix);
    const float distance = IkGoalDistance(effector, goal);
    if (distance <= kIkGoalTolerance) return true;
    if (iteration > 0 && IkStalled(lastDistance, distance)) return true;
    lastDistance = distance;
    bool turned = false;
    for (std::size_t i = 0; i < chain.linkCount; ++i) {
      if (ikLinkSteps_ >= kIkStepBudget) return false;
      ++ikLinkSteps_;
      const std::uint16_t linkIndex = chain.links[i];
      Bone& link = bones[linkIndex];
      // The next link carries this one when it is above it (a thigh above
      // its knee).
      Float4 pivot;
      const bool pivoted = i + 1 < chain.linkCount && IsAncestor(bones, chain.links[i + 1], linkIndex);
      if (pivoted) pivot = PositionOf(bones[chain.links[i + 1]].worldMatrix);
      const Quaternion rotation =
          TurnIkLink(link, effector, goal, pivoted ? &pivot : nullptr, step, iteration == 0);
      if (SameBits(rotation, link.rotation)) continue;
      link.rotation = rotation;
      turned = true;
      cache.Touch(linkIndex);
      // The bones from the link down to the effector, found from the
      // effector upwards; a link that is not above the effector moves only
      // itself.
      std::vector<std::uint32_t>& chainPath = cache.path;
      chainPath.clear();
      std::uint32_t bone = target;
      while (bone != linkIndex && chainPath.size() < boneCount) {
        chainPath.push_back(bone);
        const std::int32_t parent = bones[bone].parentIndex;
        if (parent < 0 || static_cast<std::size_t>(parent) >= boneCount) break;
        bone = static_cast<std::uint32_t>(parent);
      }
      if (bone != linkIndex) chainPath.clear();
      chainPath.push_back(linkIndex);
      for (auto it = chainPath.rbegin(); it != chainPath.rend(); ++it)
        bones[*it].worldMatrix = PoseOf(bones, bones[*it]);
      ikLinkSteps_ += static_cast<std::uint32_t>(chainPath.size());
      effector = PositionOf(bones[target].worldMatrix);
    }
    changed = changed || turned;
    if (!turned) return true;
  }
  return true;
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
