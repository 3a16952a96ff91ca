#pragma once
// The small interface between the model and a physics engine. The model
// builds one world per character from its description, tells it where the
// bones carry the kinematic bodies, steps it, and reads back where the
// dynamic bodies went; the world never calls into the model. Poses are
// rigid transforms in the model's matrix convention (row vectors, the
// translation in the fourth row), in model units.
#include <cstdint>
#include <memory>
#include <span>

#include "base/math.h"
#include "physics/body_description.h"

namespace brivonel::physics {

struct WorldSettings {
  // Model units per second squared, downward (a character is about 20 units tall).
  float gravity = 98.0f;
  // The engine advances in steps of this length, at most maxSubSteps of them
  // per call; time beyond that is dropped, so that a long pause never costs
  // a long frame. Two steps a frame at 30 frames per second: the sample's
  // and the jointed test files' hair swings as at 1/120 s (and as the
  // reference runtime's does), for half the cost.
  float fixedStep = 1.0f / 60.0f;
  int maxSubSteps = 6;
  // Passes of the joint solver per step. Rod-like bodies, as hair and skirt
  // pieces are, converge in a few; a small heavy ball on a long link is the
  // hard case for this kind of solver (its swing runs 8 % slow at twenty
  // passes, 15 % at ten).
  int solverIterations = 20;
};

class IPhysicsWorld {
 public:
  virtual ~IPhysicsWorld() = default;
  // Puts every body at its pose (one per body, in body order) with no
  // velocity.
  virtual void Reset(std::span<const Matrix4> poses) = 0;
  // Advances the world by `seconds`. On entry `poses` holds, for the bodies
  // that follow their bones, where the bones carry them now (they move
  // there over the step); the entries of dynamic bodies are ignored. On
  // return the dynamic bodies' entries hold their new poses; the others are
  // left as they were.
  virtual void Step(float seconds, std::span<Matrix4> poses) = 0;
  // Puts a dynamic body at `position`, keeping its rotation and velocity:
  // bodies that keep their bone's place follow the bone there after each
  // step.
  virtual void MoveBodyTo(std::size_t body, const Float3& position) = 0;
  // Pushes a dynamic body, as a model's impulse morph asks: adds `velocity`
  // (model units per second) to its velocity and gives it the angular
  // impulse `torque`, both along the world's axes or, when `local`, the
  // body's own. A push of zero both stops the body. Bodies that follow
  // bones are not pushed.
  virtual void Push(std::size_t body, const Float3& velocity, const Float3& torque, bool local) = 0;
};

// Makes worlds; one engine serves every model of a program.
class IPhysicsEngine {
 public:
  virtual ~IPhysicsEngine() = default;
  // A world of the description's bodies and joints at their rest poses.
  // Bodies and joints that the engine cannot simulate sensibly (sizes, masses
  // or limits out of bounds) are made harmless, never refused: the
  // description has been checked already (CheckDescription).
  virtual std::unique_ptr<IPhysicsWorld> CreateWorld(const PhysicsDescription& description,
                                                     const WorldSettings& settings) = 0;
};

}  // namespace brivonel::physics
