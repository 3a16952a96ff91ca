#pragma once
// The model's side of physics: which bone carries or follows each rigid
// body, where the bones carry the kinematic bodies, and how the dynamic
// bodies turn their bones. The world itself sits behind the physics
// layer's interface; the rig only moves poses across.
#include <cstdint>
#include <memory>
#include <vector>

#include "base/math.h"
#include "physics/body_description.h"
#include "physics/physics_world.h"

namespace brivonel {

struct Animation;
struct Bone;

class PhysicsRig {
 public:
  // bones: the model's bones at rest (their bind matrices place the bodies).
  PhysicsRig(std::unique_ptr<physics::IPhysicsWorld> world,
             const physics::PhysicsDescription& description, const std::vector<Bone>& bones);

  // What the last step was taken at: a frame whose time or motion does not
  // follow on from it starts the world again.
  struct Clock {
    bool started = false;
    std::uint64_t elapsed = 0;
    std::uint32_t frame = 0;
    const Animation* motion = nullptr;
  };
  Clock clock;

  // The figure's place in the world this frame (model units): the rig
  // follows it by at most kMaxFigureStep per frame, and lets the rest slip
  // (a window thrown across the screen, a jump to another monitor) rather
  // than fling the bodies. `restart` takes the place as it is.
  Matrix4 FigureAt(const Float3& place, bool restart);
  // Where the bones (posed, with the figure at `figure`) carry the bodies
  // that follow them.
  void CarryKinematicBodies(const std::vector<Bone>& bones, const Matrix4& figure);
  // Every body where its bone carries it, at rest.
  void Restart(const std::vector<Bone>& bones, const Matrix4& figure);
  void Step(float seconds);
  // Pushes a dynamic body (an impulse morph), in the world's axes or its own.
  void Push(std::size_t body, const Float3& velocity, const Float3& torque, bool local) {
    world_->Push(body, velocity, torque, local);
  }
  // Turns (and, for bodies that move their bone, places) the bones of the
  // dynamic bodies, then brings every bone's world matrix up to date,
  // parents first.
  void PoseBones(std::vector<Bone>& bones, const Matrix4& figure);
  // World matrices of every bone from its local pose, parents first.
  void RecomputeWorlds(std::vector<Bone>& bones) const;

  bool hasBonesAfterPhysics() const { return hasBonesAfterPhysics_; }
  // The bone count the rig was made for; a model whose bones changed since
  // needs a new rig.
  std::size_t boneCount() const { return driven_.size(); }

  // Largest move of the figure per frame that the bodies feel (model units,
  // a quarter of a character's height).
  static constexpr float kMaxFigureStep = 5.0f;

 private:
  struct BodyLink {
    std::int32_t bone = -1;  // a valid bone number, or -1
    physics::BodyMode mode = physics::BodyMode::kFollowBone;
    Matrix4 bodyFromBone;  // body pose = bodyFromBone * bone world
    Matrix4 boneFromBody;  // bone world = boneFromBody * body pose
  };

  std::unique_ptr<physics::IPhysicsWorld> world_;
  std::vector<BodyLink> links_;
  std::vector<Matrix4> poses_;        // one per body, in the world's frame
  std::vector<std::uint32_t> order_;  // bones, every parent before its children
  // Per bone: how a body drives it this frame (0 none, else the mode + 1)
  // and the world matrix the body gives it.
  std::vector<std::uint8_t> driven_;
  std::vector<Matrix4> targets_;
  Float3 figure_;  // where the bodies last felt the figure
  Float3 slip_;    // how far the figure moved without the bodies feeling it
  bool hasBonesAfterPhysics_ = false;
};

}  // namespace brivonel
