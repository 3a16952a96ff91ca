#include "tests/model/pose_reference.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace brivonel::test {
namespace {

bool ValidBone(const Model& model, std::int64_t index) {
  return index >= 0 && static_cast<std::uint64_t>(index) < model.bones.size();
}

Float4 TranslationRow(const Matrix4& m) { return {m.m[3][0], m.m[3][1], m.m[3][2], 1.0f}; }

Matrix4 LocalTimesParent(const Model& model, const Bone& bone) {
  Matrix4 m = MatrixAffine(bone.scale, bone.rotation, bone.position);
  if (ValidBone(model, bone.parentIndex))
    m = Multiply(m, model.bones[static_cast<std::size_t>(bone.parentIndex)].worldMatrix);
  return m;
}

void ApplyVertex(Model& model, const PMXMorph& morph, float weight) {
  for (const PMXVertexOffset& entry : morph.vertexOffsets) {
    if (entry.vertexIndex >= model.posedVertices.size()) continue;
    model.touchedVertices.push_back(entry.vertexIndex);
    Vertex& v = model.posedVertices[entry.vertexIndex];
    v.position.x += entry.translation.x * weight;
    v.position.y += entry.translation.y * weight;
    v.position.z += entry.translation.z * weight;
  }
}

void ApplyUv(Model& model, const PMXMorph& morph, float weight) {
  for (const PMXUvOffset& entry : morph.uvOffsets) {
    if (entry.vertexIndex >= model.posedVertices.size()) continue;
    model.touchedVertices.push_back(entry.vertexIndex);
    Vertex& v = model.posedVertices[entry.vertexIndex];
    if (morph.kind == 3) {
      v.uv.x += entry.offset.x * weight;
      v.uv.y += entry.offset.y * weight;
    } else {
      v.additionalUv[morph.kind - 4].x += entry.offset.x * weight;
      v.additionalUv[morph.kind - 4].y += entry.offset.y * weight;
    }
  }
}

void ApplyBone(Model& model, const PMXMorph& morph) {
  for (const PMXBoneOffset& entry : morph.boneOffsets) {
    if (!ValidBone(model, entry.boneIndex)) continue;
    Bone& bone = model.bones[entry.boneIndex];
    bone.rotation = QuaternionMultiply(bone.rotation, entry.rotation);
    bone.position.x += entry.translation.x;
    bone.position.y += entry.translation.y;
    bone.position.z += entry.translation.z;
    bone.position.w += 0.0f;
  }
}

void ApplyMaterialTo(Material& material, const PMXMaterialOffset& entry, float w, bool all) {
  MaterialFactors* f;
  if (entry.operation == 0) {
    material.multiplyPending = true;
    f = &material.multiplyFactors;
  } else {
    material.addPending = true;
    f = &material.addTerms;
  }
  f->diffuse.x += entry.diffuse.x * w;
  f->diffuse.y += entry.diffuse.y * w;
  f->diffuse.z += entry.diffuse.z * w;
  f->diffuse.w += entry.diffuse.w * w;
  f->ambient.x += entry.ambient.x * w;
  f->ambient.y += entry.ambient.y * w;
  f->ambient.z += entry.ambient.z * w;
  f->ambient.w += 0.0f * w;
  f->specular.x += entry.specular.x * w;
  f->specular.y += entry.specular.y * w;
  f->specular.z += entry.specular.z * w;
  if (all)
    f->specular.w += entry.specularPower * w;
  else
    f->specular.w = entry.specularPower * w;
  f->edgeColor.x += entry.edgeColor.x * w;
  f->edgeColor.y += entry.edgeColor.y * w;
  f->edgeColor.z += entry.edgeColor.z * w;
  f->edgeColor.w += entry.edgeColor.w * w;
}

void ApplyMaterial(Model& model, const PMXMorph& morph, float weight) {
  for (const PMXMaterialOffset& entry : morph.materialOffsets) {
    if (entry.materialIndex == 0xFFFFFFFFu) {
      for (Material& material : model.materials) ApplyMaterialTo(material, entry, weight, true);
    } else if (entry.materialIndex < model.materials.size()) {
      ApplyMaterialTo(model.materials[entry.materialIndex], entry, weight, false);
    }
  }
}

void ApplyByKind(Model& model, const PMXMorph& morph, float weight, bool allowGroup) {
  switch (morph.kind) {
    case 0:
      if (!allowGroup) return;
      for (const PMXGroupOffset& entry : morph.groupOffsets) {
        if (entry.morphIndex < 0 || static_cast<std::size_t>(entry.morphIndex) >= model.morphList.size()) continue;
        const PMXMorph* target = model.morphList[static_cast<std::size_t>(entry.morphIndex)];
        if (target == nullptr || target == &morph) continue;
        ApplyByKind(model, *target, weight * entry.weight, false);
      }
      return;
    case 1:
      ApplyVertex(model, morph, weight);
      return;
    case 2:
      ApplyBone(model, morph);
      return;
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
      ApplyUv(model, morph, weight);
      return;
    case 8:
      ApplyMaterial(model, morph, weight);
      return;
    default:
      return;
  }
}

bool ChainUsable(const Model& model, const IkChain& chain) {
  if (!ValidBone(model, chain.ikBone) || !ValidBone(model, chain.targetBone)) return false;
  if (chain.linkCount > chain.links.size()) return false;
  for (std::size_t i = 0; i < chain.linkCount; ++i)
    if (!ValidBone(model, chain.links[i])) return false;
  return true;
}

float Lane(const Float4& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }
void SetLane(Float4& v, int axis, float value) { (axis == 0 ? v.x : axis == 1 ? v.y : v.z) = value; }

// The one axis a link's limits let it turn about, or -1.
int HingeAxis(const Bone& link) {
  int free = -1;
  for (int axis = 0; axis < 3; ++axis) {
    const float lower = Lane(link.ikMinAngles, axis);
    const float upper = Lane(link.ikMaxAngles, axis);
    if (lower == 0.0f && upper == 0.0f) continue;
    if (!(lower < upper) || free >= 0) return -1;
    free = axis;
  }
  return free;
}

float Wrap(float angle) {
  while (angle > kPi) angle -= 2.0f * kPi;
  while (angle <= -kPi) angle += 2.0f * kPi;
  return angle;
}

float OutsideBy(float angle, float lower, float upper) {
  return std::max(lower - angle, 0.0f) + std::max(angle - upper, 0.0f);
}

struct StepLimit {
  float angle, cosine, halfSine, halfCosine;
};

Quaternion TurnLink(const Bone& link, const Float4& effector, const Float4& goal, const Float4* pivot,
                    const StepLimit& step, bool firstIteration) {
  const float limit = step.angle;
  // Into the link's frame: offsets from the link projected on its axes (the
  // rows of its world matrix; bones are never scaled).
  const Matrix4& w = link.worldMatrix;
  const auto local = [&w](const Float4& p) {
    const float x = p.x - w.m[3][0], y = p.y - w.m[3][1], z = p.z - w.m[3][2];
    return Float4{x * w.m[0][0] + y * w.m[0][1] + z * w.m[0][2], x * w.m[1][0] + y * w.m[1][1] + z * w.m[1][2],
                  x * w.m[2][0] + y * w.m[2][1] + z * w.m[2][2], 1.0f};
  };
  const Float4 localEffector = local(effector);
  const Float4 localGoal = local(goal);
  Float4 e = Normalize3(localEffector);
  Float4 g = Normalize3(localGoal);
  const int hinge = HingeAxis(link);
  if (NearEqual3(e, g, 1e-7f) && (hinge < 0 || pivot == nullptr)) return link.rotation;
  if (hinge >= 0) {
    Quaternion q = link.rotation;
    if (q.w < 0.0f) q = Scale(q, -1.0f);
    const float current = 2.0f * std::atan2(Lane(q, hinge), q.w);
    const float lower = Lane(link.ikMinAngles, hinge);
    const float upper = Lane(link.ikMaxAngles, hinge);
    float angle = 0.0f;
    bool reached = false;
    if (pivot != nullptr) {
      // The angle at which the effector is as far from the pivot as the goal.
      Float4 p = local(*pivot);
      Float4 le = localEffector;
      const float goalDistance2 = Dot3(Subtract(p, localGoal), Subtract(p, localGoal));
      const float along = Lane(p, hinge) - Lane(le, hinge);
      SetLane(le, hinge, 0.0f);
      SetLane(p, hinge, 0.0f);
      const float e2 = Dot3(le, le);
      const float p2 = Dot3(p, p);
      const float radii = std::sqrt(e2 * p2);
      if (radii > 1e-12f) {
        const float cosine = std::clamp((along * along + p2 + e2 - goalDistance2) / (2.0f * radii), -1.0f, 1.0f);
        const float from = std::atan2(Lane(Cross3(p, le), hinge), Dot3(p, le));
        const float to = std::acos(cosine);
        const float a = Wrap(current + (to - from));
        const float b = Wrap(current + (-to - from));
        const float va = OutsideBy(a, lower, upper);
        const float vb = OutsideBy(b, lower, upper);
        if (va != vb)
          angle = va < vb ? a : b;
        else
          angle = std::fabs(a - current) <= std::fabs(b - current) ? a : b;
        angle = current + std::clamp(angle - current, -limit, limit);
        reached = true;
      }
    }
    if (!reached) {
      // Aim along the axis; leave a bound by the whole angle, mirror on the
      // first iteration.
      const float whole = std::min(std::atan2(Length3(Cross3(e, g)), Dot3(e, g)), limit);
      SetLane(e, hinge, 0.0f);
      SetLane(g, hinge, 0.0f);
      float turn = std::atan2(Lane(Cross3(e, g), hinge), Dot3(e, g));
      turn = std::clamp(turn, -limit, limit);
      if (firstIteration && current >= upper)
        turn = -whole;
      else if (firstIteration && current <= lower)
        turn = whole;
      angle = current + turn;
      if (firstIteration && (angle < lower || angle > upper) && -angle >= lower && -angle <= upper)
        angle = -angle;
    }
    angle = std::max(angle, lower);
    angle = std::min(angle, upper);
    bool pure = true;
    for (int axis = 0; axis < 3; ++axis)
      if (axis != hinge && Lane(q, axis) != 0.0f) pure = false;
    if (pure && std::fabs(angle - current) < 1e-7f) return link.rotation;
    Quaternion turned{0.0f, 0.0f, 0.0f, std::cos(0.5f * angle)};
    SetLane(turned, hinge, std::sin(0.5f * angle));
    return turned;
  }
  const Float4 axis = Cross3(e, g);
  if (NearEqual3(axis, Float4{0, 0, 0, 0}, 1e-7f)) return link.rotation;
  const float sine = Length3(axis);
  const float cosine = Dot3(e, g);
  if (cosine > 0.0f && sine < 1e-7f * cosine) return link.rotation;
  Quaternion turn;
  if (cosine >= step.cosine) {
    const float norm = std::sqrt(2.0f + 2.0f * cosine);
    turn = {axis.x / norm, axis.y / norm, axis.z / norm, (1.0f + cosine) / norm};
  } else {
    const Float4 n = Normalize3(axis);
    turn = {n.x * step.halfSine, n.y * step.halfSine, n.z * step.halfSine, step.halfCosine};
  }
  const Quaternion rotation = QuaternionMultiply(turn, link.rotation);
  const Float4& lo = link.ikMinAngles;
  const Float4& hi = link.ikMaxAngles;
  if (lo.x <= -kPi && lo.y <= -kPi && lo.z <= -kPi && hi.x >= kPi && hi.y >= kPi && hi.z >= kPi)
    return QuaternionNormalize(rotation);
  const Matrix4 r = MatrixRotationQuaternion(rotation);
  float x = -std::atan2(r.m[2][1], r.m[2][2]);
  float y = std::asin(std::clamp(r.m[2][0], -1.0f, 1.0f));
  float z = -std::atan2(r.m[1][0], r.m[0][0]);
  const float inX = x, inY = y, inZ = z;
  x = std::max(x, lo.x);
  y = std::max(y, lo.y);
  z = std::max(z, lo.z);
  x = std::min(x, hi.x);
  y = std::min(y, hi.y);
  z = std::min(z, hi.z);
  if (x == inX && y == inY && z == inZ) return QuaternionNormalize(rotation);
  return QuaternionRotationMatrix(Multiply(Multiply(MatrixRotationZ(z), MatrixRotationY(y)), MatrixRotationX(x)));
}

bool Above(const Model& model, std::size_t ancestor, std::size_t bone) {
  for (std::size_t steps = 0; steps < model.bones.size(); ++steps) {
    if (!ValidBone(model, model.bones[bone].parentIndex)) return false;
    bone = static_cast<std::size_t>(model.bones[bone].parentIndex);
    if (bone == ancestor) return true;
  }
  return false;
}

// Own and source poses of each grant in this frame, and whether it has
// been applied yet.
struct GrantFrame {
  Quaternion ownRotation, sourceRotation;
  Float4 ownPosition, sourcePosition;
  bool applied = false;
};

bool GrantUsable(const Model& model, const BoneGrant& grant) {
  return ValidBone(model, grant.bone) && ValidBone(model, grant.parent) && grant.bone != grant.parent;
}

void ApplyGrant(Model& model, const BoneGrant& grant, const GrantFrame& poses) {
  Bone& bone = model.bones[static_cast<std::size_t>(grant.bone)];
  const Bone& source = model.bones[static_cast<std::size_t>(grant.parent)];
  if (grant.rotation)
    bone.rotation = QuaternionMultiply(Model::GrantedRotation(poses.sourceRotation, grant.weight), poses.ownRotation);
  if (grant.translation) {
    bone.position = poses.ownPosition;
    bone.position.x += (poses.sourcePosition.x - source.restPosition.x) * grant.weight;
    bone.position.y += (poses.sourcePosition.y - source.restPosition.y) * grant.weight;
    bone.position.z += (poses.sourcePosition.z - source.restPosition.z) * grant.weight;
  }
}

int LayerOf(const Model& model, std::int64_t bone) {
  return ValidBone(model, bone) ? model.bones[static_cast<std::size_t>(bone)].deformLayer : 0;
}

// Positions 0 to count - 1, stably sorted by the deform layer of the bone
// each one names (a missing bone counts as layer 0).
template <typename BoneOf>
std::vector<std::size_t> InLayerOrder(const Model& model, std::size_t count, BoneOf boneOf) {
  std::vector<std::size_t> order(count);
  for (std::size_t i = 0; i < count; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return LayerOf(model, boneOf(a)) < LayerOf(model, boneOf(b)); });
  return order;
}

// One turn of the frame: grant `index` or chain `index`.
struct Turn {
  bool chain;
  std::size_t index;
};

// Bone by bone: every grant and chain by the layer of its bone, then the
// bone's number, a bone's grant before its chain, then as listed. Around
// IK: the chains alone, by layer, then as listed.
std::vector<Turn> TurnOrder(const Model& model) {
  std::vector<Turn> turns;
  const bool boneByBone = model.deformOrder == DeformOrder::kBoneByBone;
  if (boneByBone)
    for (std::size_t i = 0; i < model.grants.size(); ++i) turns.push_back({false, i});
  for (std::size_t c = 0; c < model.ikChains.size(); ++c) turns.push_back({true, c});
  const auto boneOf = [&](const Turn& t) -> std::int64_t {
    return t.chain ? model.ikChains[t.index].ikBone : model.grants[t.index].bone;
  };
  std::stable_sort(turns.begin(), turns.end(), [&](const Turn& a, const Turn& b) {
    const int la = LayerOf(model, boneOf(a)), lb = LayerOf(model, boneOf(b));
    if (la != lb) return la < lb;
    if (!boneByBone) return false;
    if (boneOf(a) != boneOf(b)) return boneOf(a) < boneOf(b);
    return !a.chain && b.chain;
  });
  return turns;
}

// The grants in the order they are taken.
std::vector<std::size_t> GrantOrder(const Model& model) {
  if (model.deformOrder != DeformOrder::kBoneByBone)
    return InLayerOrder(model, model.grants.size(), [&](std::size_t i) { return model.grants[i].bone; });
  std::vector<std::size_t> order;
  for (const Turn& turn : TurnOrder(model))
    if (!turn.chain) order.push_back(turn.index);
  return order;
}

// The source pose grant i takes now: a local grant takes the pose its
// source held before the first of the source's grants, once that grant has
// been applied this frame; any grant otherwise takes the source's pose.
void SourcePose(const Model& model, const std::vector<std::size_t>& order, const std::vector<GrantFrame>& frames,
                std::size_t i, Quaternion& rotation, Float4& position) {
  const BoneGrant& grant = model.grants[i];
  const Bone& source = model.bones[static_cast<std::size_t>(grant.parent)];
  rotation = source.rotation;
  position = source.position;
  if (!grant.local) return;
  for (std::size_t j : order) {
    if (!GrantUsable(model, model.grants[j]) || model.grants[j].bone != grant.parent) continue;
    if (frames[j].applied) {
      rotation = frames[j].ownRotation;
      position = frames[j].ownPosition;
    }
    return;
  }
}

void TakeGrant(Model& model, const std::vector<std::size_t>& order, std::vector<GrantFrame>& frames, std::size_t i) {
  const Bone& bone = model.bones[static_cast<std::size_t>(model.grants[i].bone)];
  frames[i].ownRotation = bone.rotation;
  frames[i].ownPosition = bone.position;
  SourcePose(model, order, frames, i, frames[i].sourceRotation, frames[i].sourcePosition);
  ApplyGrant(model, model.grants[i], frames[i]);
  frames[i].applied = true;
}

// One chain by the rules; steps counts the frame's IK steps.
void SolveChain(Model& model, std::size_t c, std::uint32_t& steps,
                const std::set<std::int32_t>& switchedOff) {
  const IkChain& chain = model.ikChains[c];
  const bool runs = chain.iterations > 0 && chain.linkCount > 0 && ChainUsable(model, chain) &&
                    steps < kIkStepBudget && switchedOff.count(chain.ikBone) == 0;
  if (runs) {
    const Float4 goal = TranslationRow(model.bones[chain.ikBone].worldMatrix);
    float limit = 4.0f * chain.angleFactor;
    if (std::isnan(limit) || limit > kPi) limit = kPi;
    limit = std::max(limit, 0.0f);
    const StepLimit step{limit, std::cos(limit), std::sin(0.5f * limit), std::cos(0.5f * limit)};
    bool exhausted = false;
    float lastDistance = 0.0f;
    for (std::uint32_t iteration = 0; iteration < chain.iterations && !exhausted; ++iteration) {
      Float4 effector = TranslationRow(model.bones[chain.targetBone].worldMatrix);
      // On the goal, or no longer getting closer to it: done.
      const float distance = Length3(Subtract(effector, goal));
      if (distance <= 1e-5f) break;
      if (iteration > 0 && !(lastDistance - distance >= 1e-5f && lastDistance - distance >= 1e-3f * distance)) break;
      lastDistance = distance;
      bool turned = false;
      for (std::size_t i = 0; i < chain.linkCount; ++i) {
        if (steps >= kIkStepBudget) {
          exhausted = true;
          break;
        }
        ++steps;
        const std::uint16_t linkIndex = chain.links[i];
        Bone& link = model.bones[linkIndex];
        // The next link is the pivot when it carries this one.
        Float4 pivot;
        const bool pivoted = i + 1 < chain.linkCount && Above(model, chain.links[i + 1], linkIndex);
        if (pivoted) pivot = TranslationRow(model.bones[chain.links[i + 1]].worldMatrix);
        const Quaternion rotation = TurnLink(link, effector, goal, pivoted ? &pivot : nullptr, step, iteration == 0);
        if (std::memcmp(&rotation, &link.rotation, sizeof rotation) == 0) continue;
        link.rotation = rotation;
        turned = true;
        // The bones from the link down to the target (the link alone when
        // it is not above the target), each after its parent.
        std::vector<std::size_t> path;
        std::size_t bone = chain.targetBone;
        while (bone != linkIndex && path.size() < model.bones.size()) {
          path.push_back(bone);
          if (!ValidBone(model, model.bones[bone].parentIndex)) break;
          bone = static_cast<std::size_t>(model.bones[bone].parentIndex);
        }
        if (bone != linkIndex) path.clear();
        path.push_back(linkIndex);
        std::reverse(path.begin(), path.end());
        for (std::size_t b : path) model.bones[b].worldMatrix = LocalTimesParent(model, model.bones[b]);
        steps += static_cast<std::uint32_t>(path.size());
        effector = TranslationRow(model.bones[chain.targetBone].worldMatrix);
      }
      if (!turned) break;
    }
  }
}

}  // namespace

// The IK bones whose IK the motion has switched off at its current frame:
// for each switched bone, the last of its keys at or before the frame (the
// first key before the first).
std::set<std::int32_t> SwitchedOffIkBones(const Model& model) {
  std::set<std::int32_t> off;
  if (!model.animation) return off;
  const std::uint32_t frame = model.animation->currentFrame;
  for (const IkSwitchTrack& track : model.animation->ikSwitchTracks) {
    if (track.keys.empty() || track.boneIndex < 0) continue;
    const IkSwitchKey* inForce = &track.keys.front();
    for (const IkSwitchKey& key : track.keys)
      if (key.frame <= frame) inForce = &key;
    if (!inForce->on) off.insert(track.boneIndex);
  }
  return off;
}

void ReferenceApplyMorph(Model& model, const PMXMorph& morph, float weight) {
  ApplyByKind(model, morph, weight, true);
}

void ReferenceComputeWorldMatrices(Model& model) {
  for (Bone& bone : model.bones) bone.worldMatrix = LocalTimesParent(model, bone);
}

std::uint32_t ReferenceSolveIk(Model& model, const std::set<std::int32_t>& switchedOff) {
  std::uint32_t steps = 0;
  for (const Turn& turn : TurnOrder(model)) {
    if (!turn.chain) continue;
    SolveChain(model, turn.index, steps, switchedOff);
    ReferenceComputeWorldMatrices(model);
  }
  return steps;
}

void ReferenceComputeSkinningMatrices(Model& model) {
  if (model.bones.empty() || !model.boneBuffer) return;
  if (model.skinningMatrices.size() != model.bones.size()) model.skinningMatrices.resize(model.bones.size());
  for (std::size_t i = 0; i < model.bones.size(); ++i) {
    const Matrix4 t = MultiplyTranspose(Inverse(model.bones[i].bindMatrix), model.bones[i].worldMatrix);
    for (int row = 0; row < 3; ++row)
      model.skinningMatrices[i].rows[row] = {t.m[row][0], t.m[row][1], t.m[row][2], t.m[row][3]};
  }
}

int ReferenceUpdate(Model& model, std::uint64_t elapsedMilliseconds) {
  if (model.loading) return 0;
  // Every frame starts from the rest state.
  for (Bone& bone : model.bones) {
    bone.position = bone.restPosition;
    bone.rotation = {0.0f, 0.0f, 0.0f, 1.0f};
  }
  for (std::uint32_t v : model.touchedVertices) model.posedVertices[v] = model.baseVertices[v];
  model.touchedVertices.clear();
  for (Material& material : model.materials) {
    material.multiplyPending = false;
    material.addPending = false;
    material.multiplyFactors = MaterialFactors{};
    material.addTerms = MaterialFactors{};
  }
  int result = 0;
  if (Animation* motion = model.animation.get()) {
    // Frame.
    const double frames = std::floor(static_cast<float>(elapsedMilliseconds) / 33.0f);
    std::uint32_t frame = static_cast<std::uint32_t>(static_cast<std::int64_t>(frames));
    bool keyed = false;
    std::uint64_t lastFrame = 0;
    for (const BoneTrack& track : motion->boneTracks) {
      if (track.keys.empty()) continue;
      keyed = true;
      lastFrame = std::max(lastFrame, track.keys.back().frame);
    }
    for (const auto& [name, track] : motion->morphTracks) {
      if (track.keys.empty()) continue;
      keyed = true;
      lastFrame = std::max<std::uint64_t>(lastFrame, track.keys.back().frame);
    }
    for (const ShownKey& key : motion->shownKeys) {
      keyed = true;
      lastFrame = std::max<std::uint64_t>(lastFrame, key.frame);
    }
    if (keyed && frame > lastFrame) frame = lastFrame == 0 ? 0 : static_cast<std::uint32_t>(frame % lastFrame);
    motion->currentFrame = frame;

    // Bone tracks.
    float centreX = 0.0f;
    Float2 remembered{-1.0f, -1.0f};
    for (const BoneTrack& track : motion->boneTracks) {
      if (track.keys.empty()) continue;
      std::size_t n = 0;
      while (n < track.keys.size() && track.keys[n].frame < frame) ++n;
      if (n == track.keys.size()) n = track.keys.size() - 1;
      const BoneKey& next = track.keys[n];
      const BoneKey* prev;
      float t;
      if (n == 0) {
        prev = &next;
        t = 1.0f;
      } else {
        prev = &track.keys[n - 1];
        const float numerator = static_cast<float>(frame - prev->frame);
        const float denominator = static_cast<float>(next.frame - prev->frame);
        t = denominator == 0.0f ? 1.0f : numerator / denominator;
      }
      t = std::max(t, 0.0f);
      t = std::min(t, 1.0f);
      const std::uint8_t* ip = next.interpolation;
      const float tX = Model::BezierValue(ip[0], ip[8], ip[4], ip[12], t);
      const float tY = Model::BezierValue(ip[1], ip[9], ip[5], ip[13], t);
      const float tZ = Model::BezierValue(ip[2], ip[10], ip[6], ip[14], t);
      const float tR = Model::BezierValue(ip[3], ip[11], ip[7], ip[15], t);
      if (!ValidBone(model, track.boneIndex)) continue;
      Bone& bone = model.bones[static_cast<std::size_t>(track.boneIndex)];
      bone.position.x = prev->position.x + (next.position.x - prev->position.x) * tX;
      bone.position.y = prev->position.y + (next.position.y - prev->position.y) * tY;
      bone.position.z = prev->position.z + (next.position.z - prev->position.z) * tZ;
      bone.position.w = 1.0f;
      if (bone.isCenter) {
        const Float2 centre = model.ProjectToScreen(bone.position);
        if (remembered.x < 0.0f) remembered = model.ProjectToScreen({0, 0, 0, 1});
        const float distance = centre.x - remembered.x;
        result = (distance > -2147483648.0f && distance < 2147483648.0f) ? static_cast<int>(distance) : 0;
        centreX = bone.position.x;
        bone.position.x = 0.0f;
        remembered = centre;
      } else if (bone.parentIndex < 0) {
        bone.position.x -= centreX;
      }
      bone.rotation = QuaternionSlerp(prev->rotation, next.rotation, tR);
    }

    // Morph tracks.
    for (auto& [name, track] : motion->morphTracks) {
      if (track.keys.empty()) continue;
      track.cursor = std::clamp(track.cursor, 0, static_cast<std::int32_t>(track.keys.size()) - 1);
      const MorphKey* prev;
      const MorphKey* next;
      if (frame < track.keys.front().frame) {
        prev = next = &track.keys.front();
      } else if (frame > track.keys.back().frame) {
        prev = next = &track.keys.back();
      } else {
        std::size_t i = 0;
        if (track.keys[static_cast<std::size_t>(track.cursor)].frame < frame) i = static_cast<std::size_t>(track.cursor);
        while (i < track.keys.size() && track.keys[i].frame < frame) ++i;
        track.cursor = i > 0 ? static_cast<std::int32_t>(i - 1) : 0;
        next = &track.keys[i];
        prev = &track.keys[static_cast<std::size_t>(track.cursor)];
      }
      float t = 0.0f;
      if (prev->frame != next->frame)
        t = static_cast<float>(frame - prev->frame) / static_cast<float>(next->frame - prev->frame);
      const float weight = prev->weight + (next->weight - prev->weight) * t;
      if (track.morph != nullptr) ReferenceApplyMorph(model, *track.morph, weight);
    }
  }
  std::vector<GrantFrame> frames(model.grants.size());
  const std::vector<std::size_t> grantOrder = GrantOrder(model);
  if (model.deformOrder == DeformOrder::kBoneByBone) {
    // Bone by bone: each chain and each grant that names two bones in its
    // turn, the world matrices computed after each. (A grant that names no
    // bone, or its own bone, takes no turn.)
    ReferenceComputeWorldMatrices(model);
    std::uint32_t steps = 0;
    const std::set<std::int32_t> switchedOff = SwitchedOffIkBones(model);
    for (const Turn& turn : TurnOrder(model)) {
      if (turn.chain)
        SolveChain(model, turn.index, steps, switchedOff);
      else if (GrantUsable(model, model.grants[turn.index]))
        TakeGrant(model, grantOrder, frames, turn.index);
      else
        continue;
      ReferenceComputeWorldMatrices(model);
    }
  } else {
    // Grants in order, then again after IK for those whose source IK moved.
    for (std::size_t i : grantOrder)
      if (GrantUsable(model, model.grants[i])) TakeGrant(model, grantOrder, frames, i);
    ReferenceComputeWorldMatrices(model);
    ReferenceSolveIk(model, SwitchedOffIkBones(model));
    bool regranted = false;
    for (std::size_t i : grantOrder) {
      const BoneGrant& grant = model.grants[i];
      if (!GrantUsable(model, grant)) continue;
      GrantFrame& poses = frames[i];
      Quaternion rotation;
      Float4 position;
      SourcePose(model, grantOrder, frames, i, rotation, position);
      const bool moved = (grant.rotation && std::memcmp(&rotation, &poses.sourceRotation, sizeof(Quaternion)) != 0) ||
                         (grant.translation && std::memcmp(&position, &poses.sourcePosition, sizeof(Float4)) != 0);
      if (!moved) continue;
      poses.sourceRotation = rotation;
      poses.sourcePosition = position;
      ApplyGrant(model, grant, poses);
      regranted = true;
    }
    if (regranted) ReferenceComputeWorldMatrices(model);
  }
  ReferenceComputeSkinningMatrices(model);
  return result;
}

}  // namespace brivonel::test
