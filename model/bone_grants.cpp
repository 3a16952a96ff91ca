// Grant bones: a bone that takes a share of another bone's rotation and/or
// translation on top of its own pose. A grant takes its source's pose as it
// stands when the grant's turn comes, so a bone granted from an earlier
// granted bone takes that bone's full result (A -> B -> C); a local grant
// takes the source's own pose instead, without the share the source takes
// from its own grant. When grants are applied is the deform order's to say
// (model/deform_order.cpp): all before IK and again after it where IK moved
// a source, or each in its bone's turn among the IK chains.
//
// Every bone starts the frame from its rest pose, so a grant never adds
// onto last frame's grant.
#include <cmath>

#include "model/model.h"

namespace brivonel {
namespace {

bool GrantIsValid(const BoneGrant& grant, std::size_t boneCount) {
  return grant.bone >= 0 && grant.parent >= 0 && static_cast<std::size_t>(grant.bone) < boneCount &&
         static_cast<std::size_t>(grant.parent) < boneCount && grant.bone != grant.parent;
}

// The granted bone's pose from its own pose and its source's pose.
void ApplyGrant(const BoneGrant& grant, const GrantPoses& poses, const Bone& source, Bone& bone) {
  if (grant.rotation)
    bone.rotation =
        QuaternionMultiply(Model::GrantedRotation(poses.sourceRotation, grant.weight), poses.ownRotation);
  if (grant.translation) {
    const Float4 moved = Subtract(poses.sourcePosition, source.restPosition);
    bone.position = poses.ownPosition;
    bone.position.x += moved.x * grant.weight;
    bone.position.y += moved.y * grant.weight;
    bone.position.z += moved.z * grant.weight;
  }
}

// The source's pose a grant takes now: for a local grant the source's own
// pose, which is what it held before its first grant once that grant has
// been applied this frame; otherwise the pose it holds.
void SourcePoseNow(const PoseCache& cache, const std::vector<Bone>& bones, const BoneGrant& grant,
                   Quaternion& rotation, Float4& position) {
  const std::size_t s = static_cast<std::size_t>(grant.parent);
  const std::int32_t first = cache.firstGrantOf[s];
  if (grant.local && first >= 0 && cache.grantApplied[static_cast<std::size_t>(first)] != 0) {
    rotation = cache.grantPoses[static_cast<std::size_t>(first)].ownRotation;
    position = cache.grantPoses[static_cast<std::size_t>(first)].ownPosition;
    return;
  }
  rotation = bones[s].rotation;
  position = bones[s].position;
}

}  // namespace

Quaternion Model::GrantedRotation(const Quaternion& source, float weight) {
  // source = (sin(a/2) axis, cos(a/2)) on the shorter arc; the result turns
  // weight * a about the same axis.
  const float sign = source.w < 0.0f ? -1.0f : 1.0f;
  const float sine = std::sqrt(source.x * source.x + source.y * source.y + source.z * source.z);
  if (!(sine > 0.0f)) return QuaternionIdentity();
  const float half = std::atan2(sine, sign * source.w) * weight;
  const float k = sign * std::sin(half) / sine;
  return {source.x * k, source.y * k, source.z * k, std::cos(half)};
}

bool Model::GrantApplies(std::size_t i) const { return GrantIsValid(grants[i], bones.size()); }

void Model::ApplyGrantNow(std::size_t i) {
  PoseCache& cache = poseCache_;
  const BoneGrant& grant = grants[i];
  Bone& bone = bones[static_cast<std::size_t>(grant.bone)];
  GrantPoses& poses = cache.grantPoses[i];
  poses.ownRotation = bone.rotation;
  poses.ownPosition = bone.position;
  SourcePoseNow(cache, bones, grant, poses.sourceRotation, poses.sourcePosition);
  ApplyGrant(grant, poses, bones[static_cast<std::size_t>(grant.parent)], bone);
  cache.grantApplied[i] = 1;
}

void Model::ApplyGrants() {
  PoseCache& cache = poseCache_;
  cache.grantPoses.resize(grants.size());
  cache.grantApplied.assign(grants.size(), 0);
  for (std::uint32_t i : cache.grantOrder)
    if (cache.grantBeforeIk[i] != 0 && GrantApplies(i)) ApplyGrantNow(i);
}

bool Model::ReapplyGrantsAfterIk() {
  return deformOrder == DeformOrder::kGrantsAroundIk && ReapplyGrantsWhoseSourceMoved();
}

bool Model::ReapplyGrantsWhoseSourceMoved() {
  PoseCache& cache = poseCache_;
  std::vector<GrantPoses>& poses = cache.grantPoses;
  bool any = false;
  for (std::uint32_t i : cache.grantOrder) {
    if (i >= poses.size() || !GrantApplies(i)) continue;
    const BoneGrant& grant = grants[i];
    Quaternion rotation;
    Float4 position;
    SourcePoseNow(cache, bones, grant, rotation, position);
    const bool moved = (grant.rotation && !SameBits(rotation, poses[i].sourceRotation)) ||
                       (grant.translation && !SameBits(position, poses[i].sourcePosition));
    if (!moved) continue;
    poses[i].sourceRotation = rotation;
    poses[i].sourcePosition = position;
    const std::uint32_t index = static_cast<std::uint32_t>(grant.bone);
    ApplyGrant(grant, poses[i], bones[static_cast<std::size_t>(grant.parent)], bones[index]);
    cache.Touch(index);
    any = true;
  }
  return any;
}

void Model::ReapplyGrantsAfterPhysics() {
  const PoseCache& cache = poseCache_;
  for (std::uint32_t i : cache.grantOrder) {
    if (i >= cache.grantPoses.size() || !GrantApplies(i)) continue;
    const BoneGrant& grant = grants[i];
    Bone& bone = bones[static_cast<std::size_t>(grant.bone)];
    if (!bone.deformAfterPhysics) continue;
    GrantPoses now = cache.grantPoses[i];
    SourcePoseNow(cache, bones, grant, now.sourceRotation, now.sourcePosition);
    ApplyGrant(grant, now, bones[static_cast<std::size_t>(grant.parent)], bone);
  }
}

}  // namespace brivonel
