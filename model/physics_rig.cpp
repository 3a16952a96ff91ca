#include "model/physics_rig.h"

#include <algorithm>
#include <cmath>

#include "model/model.h"

namespace brivonel {
namespace {

using physics::BodyMode;

Matrix4 RestPoseOf(const physics::RigidBodyDescription& body) {
  const Float4 one{1.0f, 1.0f, 1.0f, 1.0f};
  return MatrixAffine(one, body.rotation, {body.position.x, body.position.y, body.position.z, 0.0f});
}

bool Finite(const Matrix4& m) {
  for (const auto& row : m.m)
    for (float v : row)
      if (!std::isfinite(v)) return false;
  return true;
}

bool ValidBone(std::int64_t bone, std::size_t count) {
  return bone >= 0 && static_cast<std::uint64_t>(bone) < count;
}

// Bones in an order where every parent comes before its children: roots
// first, then breadth-first down the hierarchy. Bones that no root reaches
// (a parent loop) come last, in file order.
std::vector<std::uint32_t> ParentsFirst(const std::vector<Bone>& bones) {
  const std::size_t count = bones.size();
  std::vector<std::vector<std::uint32_t>> children(count);
  std::vector<std::uint32_t> order;
  order.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::int32_t parent = bones[i].parentIndex;
    if (ValidBone(parent, count) && static_cast<std::size_t>(parent) != i)
      children[static_cast<std::size_t>(parent)].push_back(static_cast<std::uint32_t>(i));
    else
      order.push_back(static_cast<std::uint32_t>(i));
  }
  std::vector<std::uint8_t> placed(count, 0);
  for (std::uint32_t root : order) placed[root] = 1;
  for (std::size_t next = 0; next < order.size(); ++next)
    for (std::uint32_t child : children[order[next]])
      if (!placed[child]) {
        placed[child] = 1;
        order.push_back(child);
      }
  for (std::size_t i = 0; i < count; ++i)
    if (!placed[i]) order.push_back(static_cast<std::uint32_t>(i));
  return order;
}

Matrix4 Translation(const Float3& t) { return MatrixTranslation({t.x, t.y, t.z, 0.0f}); }

}  // namespace

PhysicsRig::PhysicsRig(std::unique_ptr<physics::IPhysicsWorld> world,
                       const physics::PhysicsDescription& description,
                       const std::vector<Bone>& bones)
    : world_(std::move(world)),
      poses_(description.bodies.size(), MatrixIdentity()),
      order_(ParentsFirst(bones)),
      driven_(bones.size(), 0),
      targets_(bones.size(), MatrixIdentity()) {
  links_.reserve(description.bodies.size());
  for (const physics::RigidBodyDescription& body : description.bodies) {
    BodyLink link;
    link.mode = body.mode;
    const Matrix4 rest = RestPoseOf(body);
    if (ValidBone(body.bone, bones.size())) {
      link.bone = body.bone;
      const Matrix4& bind = bones[static_cast<std::size_t>(body.bone)].bindMatrix;
      link.bodyFromBone = Multiply(rest, Inverse(bind));
      link.boneFromBody = Multiply(bind, Inverse(rest));
    } else {
      // A body without a bone hangs from the figure's origin.
      link.bodyFromBone = rest;
      link.boneFromBody = Inverse(rest);
    }
    links_.push_back(link);
  }
  for (const Bone& bone : bones) hasBonesAfterPhysics_ = hasBonesAfterPhysics_ || bone.deformAfterPhysics;
}

Matrix4 PhysicsRig::FigureAt(const Float3& place, bool restart) {
  if (restart) {
    slip_ = {};
  } else {
    // Where the figure would be without slipping, and the part of its move
    // from the last frame that the bodies feel.
    const Float3 wanted{place.x - slip_.x, place.y - slip_.y, place.z - slip_.z};
    const Float4 move{wanted.x - figure_.x, wanted.y - figure_.y, wanted.z - figure_.z, 0.0f};
    const float length = Length3(move);
    if (length > kMaxFigureStep) {
      const float felt = kMaxFigureStep / length;
      slip_.x += move.x * (1.0f - felt);
      slip_.y += move.y * (1.0f - felt);
      slip_.z += move.z * (1.0f - felt);
    }
  }
  figure_ = {place.x - slip_.x, place.y - slip_.y, place.z - slip_.z};
  return Translation(figure_);
}

void PhysicsRig::CarryKinematicBodies(const std::vector<Bone>& bones, const Matrix4& figure) {
  for (std::size_t i = 0; i < links_.size(); ++i) {
    const BodyLink& link = links_[i];
    if (link.mode != BodyMode::kFollowBone) continue;
    const Matrix4 bone =
        link.bone >= 0 ? bones[static_cast<std::size_t>(link.bone)].worldMatrix : MatrixIdentity();
    poses_[i] = Multiply(Multiply(link.bodyFromBone, bone), figure);
  }
}

void PhysicsRig::Restart(const std::vector<Bone>& bones, const Matrix4& figure) {
  for (std::size_t i = 0; i < links_.size(); ++i) {
    const BodyLink& link = links_[i];
    const Matrix4 bone =
        link.bone >= 0 ? bones[static_cast<std::size_t>(link.bone)].worldMatrix : MatrixIdentity();
    poses_[i] = Multiply(Multiply(link.bodyFromBone, bone), figure);
  }
  world_->Reset(poses_);
}

void PhysicsRig::Step(float seconds) { world_->Step(seconds, poses_); }

void PhysicsRig::PoseBones(std::vector<Bone>& bones, const Matrix4& figure) {
  const Matrix4 inFigure = Inverse(figure);
  for (std::size_t i = 0; i < links_.size(); ++i) {
    const BodyLink& link = links_[i];
    if (link.mode == BodyMode::kFollowBone || link.bone < 0) continue;
    const Matrix4 target = Multiply(link.boneFromBody, Multiply(poses_[i], inFigure));
    // A body the engine lost (no number) leaves its bone as the motion put it.
    if (!Finite(target)) continue;
    const std::size_t bone = static_cast<std::size_t>(link.bone);
    targets_[bone] = target;
    driven_[bone] = static_cast<std::uint8_t>(static_cast<int>(link.mode) + 1);
  }
  for (std::uint32_t b : order_) {
    Bone& bone = bones[b];
    const bool hasParent = ValidBone(bone.parentIndex, bones.size());
    const Matrix4 parent =
        hasParent ? bones[static_cast<std::size_t>(bone.parentIndex)].worldMatrix : MatrixIdentity();
    if (driven_[b] != 0) {
      const Matrix4 local = Multiply(targets_[b], Inverse(parent));
      bone.rotation = QuaternionNormalize(QuaternionRotationMatrix(local));
      if (driven_[b] == static_cast<int>(BodyMode::kDynamic) + 1)
        bone.position = {local.m[3][0], local.m[3][1], local.m[3][2], bone.position.w};
      driven_[b] = 0;
    }
    const Matrix4 own = MatrixAffine(bone.scale, bone.rotation, bone.position);
    bone.worldMatrix = hasParent ? Multiply(own, parent) : own;
  }
  // A body that keeps its bone's place goes where the turned bone carries
  // it, so that it hangs from the bone's animated place in the next step.
  for (std::size_t i = 0; i < links_.size(); ++i) {
    const BodyLink& link = links_[i];
    if (link.mode != BodyMode::kDynamicKeepsPlace || link.bone < 0) continue;
    const Matrix4 carried = Multiply(
        Multiply(link.bodyFromBone, bones[static_cast<std::size_t>(link.bone)].worldMatrix), figure);
    if (!Finite(carried)) continue;
    world_->MoveBodyTo(i, {carried.m[3][0], carried.m[3][1], carried.m[3][2]});
    poses_[i].m[3][0] = carried.m[3][0];
    poses_[i].m[3][1] = carried.m[3][1];
    poses_[i].m[3][2] = carried.m[3][2];
  }
}

void PhysicsRig::RecomputeWorlds(std::vector<Bone>& bones) const {
  for (std::uint32_t b : order_) {
    Bone& bone = bones[b];
    const Matrix4 own = MatrixAffine(bone.scale, bone.rotation, bone.position);
    bone.worldMatrix = ValidBone(bone.parentIndex, bones.size())
                           ? Multiply(own, bones[static_cast<std::size_t>(bone.parentIndex)].worldMatrix)
                           : own;
  }
}

}  // namespace brivonel
