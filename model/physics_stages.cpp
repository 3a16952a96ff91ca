// The physics stages of a frame: the bodies that follow bones go where the
// posed bones carry them, impulse morphs push bodies, the world steps, the
// dynamic bodies turn their bones, and the bones marked to deform after
// physics are evaluated again.
// A model without a physics world skips them all.
#include <algorithm>
#include <cmath>

#include "model/model.h"
#include "model/physics_rig.h"

namespace brivonel {
namespace {

// A frame longer than this (a stall the clock did not catch) counts as this
// long; the world's own sub-step cap bounds the work further.
constexpr std::uint64_t kLongestStepMs = 250;

}  // namespace

void Model::SetPhysicsEngine(physics::IPhysicsEngine* engine, const physics::WorldSettings& settings) {
  physicsRig_.reset();
  if (engine == nullptr || physicsDescription.empty()) return;
  std::unique_ptr<physics::IPhysicsWorld> made = engine->CreateWorld(physicsDescription, settings);
  if (!made) return;
  physicsRig_ = std::make_unique<PhysicsRig>(std::move(made), physicsDescription, bones);
}

bool Model::PhysicsActive() const {
  return physicsRig_ != nullptr && physicsRig_->boneCount() == bones.size();
}

Matrix4 Model::FigurePlacement() const {
  // Screen pixels to model units at the figure's depth, from how far one
  // unit along x lands from the origin on the screen.
  const Float2 origin = ProjectToScreen({0.0f, 0.0f, 0.0f, 1.0f});
  const Float2 unit = ProjectToScreen({1.0f, 0.0f, 0.0f, 1.0f});
  const float pixelsPerUnit = unit.x - origin.x;
  Float3 place{centreTravel_, 0.0f, 0.0f};
  if (std::isfinite(pixelsPerUnit) && pixelsPerUnit > 1e-6f) {
    place.x += screenPlacement_.x / pixelsPerUnit;
    place.y -= screenPlacement_.y / pixelsPerUnit;  // the screen's y grows downward
  }
  if (!std::isfinite(place.x) || !std::isfinite(place.y)) place = {};
  return MatrixTranslation({place.x, place.y, place.z, 0.0f});
}

void Model::MoveKinematicBodies() {
  if (!PhysicsActive()) return;
  PhysicsRig& rig = *physicsRig_;
  const Animation* motion = animation.get();
  const std::uint32_t frame = motion != nullptr ? motion->currentFrame : 0;
  const PhysicsRig::Clock& clock = rig.clock;
  // Bodies start again from the bones on a new motion, a time that goes
  // back (a restart after a stall) and the motion's wrap to its start. A
  // motion that takes over from the one that was playing (a cross-fade)
  // is no new start: hair and skirts swing on through the hand-over.
  const bool sameMotion = clock.motion == motion;
  const bool handedOver = !sameMotion && clock.motion != nullptr &&
                          clock.motion == blend_.outgoing.get();
  restartPhysics_ = !clock.started || (!sameMotion && !handedOver) ||
                    (sameMotion && frame < clock.frame) || motionElapsed_ < clock.elapsed;
  const Matrix4 placement = FigurePlacement();
  figure_ = rig.FigureAt({placement.m[3][0], placement.m[3][1], placement.m[3][2]}, restartPhysics_);
  rig.CarryKinematicBodies(bones, figure_);
}

void Model::StepPhysics() {
  if (!PhysicsActive()) return;
  PhysicsRig& rig = *physicsRig_;
  PhysicsRig::Clock& clock = rig.clock;
  const Animation* motion = animation.get();
  if (restartPhysics_) {
    rig.Restart(bones, figure_);
    // The motion plays from its start again, pushes and all.
    impulsesBefore_.clear();
  }
  PushBodies();
  if (!restartPhysics_ && motionElapsed_ > clock.elapsed) {
    const std::uint64_t step = std::min(motionElapsed_ - clock.elapsed, kLongestStepMs);
    rig.Step(static_cast<float>(step) / 1000.0f);
  }
  clock = {true, motionElapsed_, motion != nullptr ? motion->currentFrame : 0, motion};
}

void Model::PoseBonesFromBodies() {
  if (!PhysicsActive()) return;
  physicsRig_->PoseBones(bones, figure_);
}

void Model::PoseBonesAfterPhysics() {
  if (!PhysicsActive() || !physicsRig_->hasBonesAfterPhysics()) return;
  ReapplyGrantsAfterPhysics();
  physicsRig_->RecomputeWorlds(bones);
  if (SolveIkChainsAfterPhysics()) physicsRig_->RecomputeWorlds(bones);
}

}  // namespace brivonel
