// Grant bones: a bone that takes a share of another bone's rotation and/or
// translation on top of its own pose. Grants are applied in bone order after
// the motion and the morphs, so a bone granted from an earlier granted bone
// takes that bone's full result (A -> B -> C). Inverse kinematics runs
// after them; a grant whose source bone IK then moved is applied again, from
// the same own pose, so that bones that follow IK-driven bones follow where
// IK put them.
//
// Bones of a lower deform layer are granted first. Every bone starts the
// frame from its rest pose, so a grant never adds onto last frame's grant.
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

void Model::ApplyGrants() {
  std::vector<GrantPoses>& poses = poseCache_.grantPoses;
  poses.resize(grants.size());
  for (std::size_t k = 0; k < grants.size(); ++k) {
    const std::size_t i = poseCache_.GrantAt(k);
    const BoneGrant& grant = grants[i];
    if (!GrantIsValid(grant, bones.size())) continue;
    Bone& bone = bones[static_cast<std::size_t>(grant.bone)];
    const Bone& source = bones[static_cast<std::size_t>(grant.parent)];
    poses[i] = {bone.rotation, bone.position, source.rotation, source.position};
    ApplyGrant(grant, poses[i], source, bone);
  }
}

bool Model::ReapplyGrantsAfterIk() {
  std::vector<GrantPoses>& poses = poseCache_.grantPoses;
  PoseCache& cache = poseCache_;
  bool any = false;
  for (std::size_t k = 0; k < grants.size() && k < poses.size(); ++k) {
    const std::size_t i = cache.GrantAt(k);
    const BoneGrant& grant = grants[i];
    if (!GrantIsValid(grant, bones.size())) continue;
    const Bone& source = bones[static_cast<std::size_t>(grant.parent)];
    const bool moved = (grant.rotation && !SameBits(source.rotation, poses[i].sourceRotation)) ||
                       (grant.translation && !SameBits(source.position, poses[i].sourcePosition));
    if (!moved) continue;
    poses[i].sourceRotation = source.rotation;
    poses[i].sourcePosition = source.position;
    const std::uint32_t index = static_cast<std::uint32_t>(grant.bone);
    ApplyGrant(grant, poses[i], source, bones[index]);
    cache.Touch(index);
    any = true;
  }
  return any;
}

void Model::ReapplyGrantsAfterPhysics() {
  const std::vector<GrantPoses>& poses = poseCache_.grantPoses;
  for (std::size_t k = 0; k < grants.size() && k < poses.size(); ++k) {
    const std::size_t i = poseCache_.GrantAt(k);
    const BoneGrant& grant = grants[i];
    if (!GrantIsValid(grant, bones.size())) continue;
    Bone& bone = bones[static_cast<std::size_t>(grant.bone)];
    if (!bone.deformAfterPhysics) continue;
    const Bone& source = bones[static_cast<std::size_t>(grant.parent)];
    GrantPoses now = poses[i];
    now.sourceRotation = source.rotation;
    now.sourcePosition = source.position;
    ApplyGrant(grant, now, source, bone);
  }
}

}  // namespace brivonel
