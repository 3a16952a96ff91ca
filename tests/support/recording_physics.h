#pragma once
// A physics engine for tests: it records what the model asks of its world
// and moves the dynamic bodies only as the test scripts it (each step,
// every dynamic body goes where `dynamicPose` puts it, given its pose
// before the step).
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "physics/physics_world.h"

namespace brivonel::test {

struct PhysicsRecord {
  physics::PhysicsDescription description;
  physics::WorldSettings settings;
  int worlds = 0;
  int resets = 0;
  std::vector<float> steps;            // seconds of each Step
  std::vector<Matrix4> lastResetPoses;
  std::vector<Matrix4> lastStepPoses;  // as handed in (kinematic ones carried)
  struct Move {
    std::size_t body;
    Float3 position;
  };
  std::vector<Move> moves;  // MoveBodyTo calls
  struct Push {
    std::size_t body;
    Float3 velocity;
    Float3 torque;
    bool local;
  };
  std::vector<Push> pushes;  // Push calls
  // body index, pose before the step -> pose after; unset: dynamic bodies stay.
  std::function<Matrix4(std::size_t, const Matrix4&)> dynamicPose;
};

class RecordingPhysicsEngine final : public physics::IPhysicsEngine {
 public:
  explicit RecordingPhysicsEngine(PhysicsRecord& record) : record_(record) {}

  std::unique_ptr<physics::IPhysicsWorld> CreateWorld(const physics::PhysicsDescription& description,
                                                      const physics::WorldSettings& settings) override {
    record_.description = description;
    record_.settings = settings;
    ++record_.worlds;
    return std::make_unique<World>(record_);
  }

 private:
  class World final : public physics::IPhysicsWorld {
   public:
    explicit World(PhysicsRecord& record) : record_(record) {}
    void Reset(std::span<const Matrix4> poses) override {
      ++record_.resets;
      record_.lastResetPoses.assign(poses.begin(), poses.end());
      current_.assign(poses.begin(), poses.end());
    }
    void Step(float seconds, std::span<Matrix4> poses) override {
      record_.steps.push_back(seconds);
      record_.lastStepPoses.assign(poses.begin(), poses.end());
      for (std::size_t i = 0; i < poses.size() && i < current_.size(); ++i) {
        if (record_.description.bodies[i].mode == physics::BodyMode::kFollowBone) {
          current_[i] = poses[i];
        } else {
          if (record_.dynamicPose) current_[i] = record_.dynamicPose(i, current_[i]);
          poses[i] = current_[i];
        }
      }
    }

    void MoveBodyTo(std::size_t body, const Float3& position) override {
      record_.moves.push_back({body, position});
      if (body >= current_.size()) return;
      current_[body].m[3][0] = position.x;
      current_[body].m[3][1] = position.y;
      current_[body].m[3][2] = position.z;
    }

    void Push(std::size_t body, const Float3& velocity, const Float3& torque, bool local) override {
      record_.pushes.push_back({body, velocity, torque, local});
    }

   private:
    PhysicsRecord& record_;
    std::vector<Matrix4> current_;
  };

  PhysicsRecord& record_;
};

}  // namespace brivonel::test
