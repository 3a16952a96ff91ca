// The order a frame takes grants and IK chains in, worked out again only
// when something it depends on changes.
//
// Grants around IK (PMD): every grant by the deform layer of its bone, then
// as listed; the chains likewise; each grant is taken again after IK when IK
// moved its source.
//
// Bone by bone (PMX): by deform layer, then bone number, each bone's grant
// and then its IK chain. Most grants depend on no chain and no chain on
// them: those are applied before IK, all at once and before the one
// computation of the world matrices, which gives what taking them in their
// turn gives. A grant waits for its turn among the chains when a chain
// before it turns its source, or reads its bone or a bone below it (a
// chain's goal, effector and links, and what carries them), or when a grant
// that waits changes its source (unless it takes the source's own pose) or
// reads or changes its bone. When a parent comes after its child every
// grant waits, so that the world matrices are computed as often as the
// plain rules compute them.
#include <algorithm>

#include "model/model.h"

namespace brivonel {
namespace {

// Marks per bone while the order is worked out: what the chains and the
// waiting grants so far do to it.
constexpr std::uint8_t kTurnedByChain = 1;
constexpr std::uint8_t kBelowChain = 2;  // the bone or one below it is read by a chain
constexpr std::uint8_t kChangedByWaiting = 4;
constexpr std::uint8_t kReadByWaiting = 8;

bool Names(std::int64_t bone, std::size_t count) {
  return bone >= 0 && static_cast<std::uint64_t>(bone) < count;
}

bool ChainRuns(const IkChain& chain, std::size_t boneCount) {
  if (chain.iterations == 0 || chain.linkCount == 0 || chain.linkCount > chain.links.size()) return false;
  if (chain.ikBone >= boneCount || chain.targetBone >= boneCount) return false;
  for (std::size_t i = 0; i < chain.linkCount; ++i)
    if (chain.links[i] >= boneCount) return false;
  return true;
}

// One step of the order: a grant or a chain, by its bone's layer and number.
struct Step {
  std::int64_t layer;
  std::int64_t bone;
  bool chain;
  std::uint32_t index;
};

}  // namespace

void Model::RefreshLayerOrder() {
  PoseCache& cache = poseCache_;
  const std::size_t boneCount = bones.size();

  // What the order depends on, in one sequence of numbers: compared with
  // the last one every frame, kept anew when it differs.
  std::vector<std::int32_t>& source = cache.orderSource;
  bool same = true;
  std::size_t k = 0;
  const auto check = [&](std::int64_t value) {
    const std::int32_t v = static_cast<std::int32_t>(value);
    if (same && (k >= source.size() || source[k] != v)) same = false;
    ++k;
  };
  const auto keep = [&](std::int64_t value) { source.push_back(static_cast<std::int32_t>(value)); };
  const auto visit = [&](auto&& emit) {
    emit(static_cast<std::int64_t>(deformOrder));
    emit(cache.parentsFirst ? 1 : 0);
    emit(static_cast<std::int64_t>(boneCount));
    emit(static_cast<std::int64_t>(grants.size()));
    emit(static_cast<std::int64_t>(ikChains.size()));
    for (const Bone& bone : bones) {
      emit(bone.deformLayer);
      emit(bone.parentIndex);
    }
    for (const BoneGrant& grant : grants) {
      emit(grant.bone);
      emit(grant.parent);
      emit(grant.local ? 1 : 0);
    }
    for (const IkChain& chain : ikChains) {
      emit(chain.ikBone);
      if (!ChainRuns(chain, boneCount)) {
        emit(-1);
        continue;
      }
      emit(chain.targetBone);
      emit(chain.linkCount);
      for (std::size_t i = 0; i < chain.linkCount; ++i) emit(chain.links[i]);
    }
  };
  visit(check);
  if (same && k == source.size()) return;
  source.clear();
  visit(keep);

  const auto layerOf = [&](std::int64_t bone) -> std::int64_t {
    return Names(bone, boneCount) ? bones[static_cast<std::size_t>(bone)].deformLayer : 0;
  };
  std::vector<Step> steps;
  steps.reserve(grants.size() + ikChains.size());
  for (std::size_t i = 0; i < grants.size(); ++i)
    steps.push_back({layerOf(grants[i].bone), grants[i].bone, false, static_cast<std::uint32_t>(i)});
  for (std::size_t c = 0; c < ikChains.size(); ++c)
    steps.push_back({layerOf(ikChains[c].ikBone), ikChains[c].ikBone, true, static_cast<std::uint32_t>(c)});
  const bool boneByBone = deformOrder == DeformOrder::kBoneByBone;
  // Around IK, grants and chains each keep their own order by layer; bone by
  // bone they go by layer, bone, then a bone's grant before its chain.
  std::stable_sort(steps.begin(), steps.end(), [boneByBone](const Step& a, const Step& b) {
    if (a.layer != b.layer) return a.layer < b.layer;
    if (!boneByBone) return false;
    if (a.bone != b.bone) return a.bone < b.bone;
    return !a.chain && b.chain;
  });

  cache.grantOrder.clear();
  cache.ikSteps.clear();
  cache.grantBeforeIk.assign(grants.size(), 1);
  std::vector<std::uint8_t>& marks = cache.boneMarks;
  marks.assign(boneCount, 0);
  const auto markBelowChain = [&](std::size_t bone) {
    for (std::size_t hops = 0; hops < boneCount && (marks[bone] & kBelowChain) == 0; ++hops) {
      marks[bone] |= kBelowChain;
      const std::int32_t parent = bones[bone].parentIndex;
      if (!Names(parent, boneCount)) break;
      bone = static_cast<std::size_t>(parent);
    }
  };
  for (const Step& step : steps) {
    if (step.chain) {
      cache.ikSteps.push_back(static_cast<std::int32_t>(step.index));
      const IkChain& chain = ikChains[step.index];
      if (!boneByBone || !ChainRuns(chain, boneCount)) continue;
      markBelowChain(chain.ikBone);
      markBelowChain(chain.targetBone);
      for (std::size_t i = 0; i < chain.linkCount; ++i) {
        marks[chain.links[i]] |= kTurnedByChain;
        markBelowChain(chain.links[i]);
      }
      continue;
    }
    cache.grantOrder.push_back(step.index);
    const BoneGrant& grant = grants[step.index];
    if (!boneByBone || !Names(grant.bone, boneCount) || !Names(grant.parent, boneCount)) continue;
    const std::uint8_t own = marks[static_cast<std::size_t>(grant.bone)];
    const std::uint8_t from = marks[static_cast<std::size_t>(grant.parent)];
    const bool waits = !cache.parentsFirst || (from & kTurnedByChain) != 0 ||
                       (own & (kBelowChain | kChangedByWaiting | kReadByWaiting)) != 0 ||
                       (!grant.local && (from & kChangedByWaiting) != 0);
    if (!waits) continue;
    cache.grantBeforeIk[step.index] = 0;
    cache.ikSteps.push_back(~static_cast<std::int32_t>(step.index));
    marks[static_cast<std::size_t>(grant.bone)] |= kChangedByWaiting;
    marks[static_cast<std::size_t>(grant.parent)] |= kReadByWaiting;
  }

  cache.firstGrantOf.assign(boneCount, -1);
  for (std::uint32_t i : cache.grantOrder) {
    const BoneGrant& grant = grants[i];
    if (!Names(grant.bone, boneCount) || !Names(grant.parent, boneCount) || grant.bone == grant.parent) continue;
    std::int32_t& first = cache.firstGrantOf[static_cast<std::size_t>(grant.bone)];
    if (first < 0) first = static_cast<std::int32_t>(i);
  }
}

}  // namespace brivonel
