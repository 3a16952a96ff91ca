#pragma once
// The head that follows the mouse pointer, as plain angles: how far the
// head, neck and eyes may turn, how quickly they follow, and how the dance's
// own head motion comes back once the pointer rests. The model's look-at
// stage (model/look_at_stage.cpp) measures the pointer's direction and turns
// the bones by what this gives.
#include "base/math.h"

namespace brivonel {

// A direction as turns away from looking straight ahead, in the frame of
// the body the neck sits on: yaw toward the figure's +x (the right of the
// screen, seen from the camera), pitch upward. Radians.
struct GazeAngles {
  float yaw = 0.0f;
  float pitch = 0.0f;
  friend bool operator==(const GazeAngles&, const GazeAngles&) = default;
};

// Natural limits: the head and neck together turn about 50 degrees either
// way, 30 down and 20 up; the eyes turn a little further on their own.
inline constexpr float kDegree = kPi / 180.0f;
inline constexpr float kHeadYawLimit = 50.0f * kDegree;
inline constexpr float kHeadPitchDown = 30.0f * kDegree;
inline constexpr float kHeadPitchUp = 20.0f * kDegree;
inline constexpr float kEyeYawLimit = 10.0f * kDegree;
inline constexpr float kEyePitchLimit = 6.0f * kDegree;
// The neck's share of the head's turn; the head takes the rest.
inline constexpr float kNeckShare = 0.4f;
// The pointer is taken to be this far in front of the head, in model units
// (about 60 % of a figure's height; 430 pixels at the large display size):
// a pointer that far to the side turns the head 45 degrees.
inline constexpr float kPointerDepth = 12.0f;

// Timing, in seconds.
inline constexpr float kHeadFollowSeconds = 0.25f;  // 90 % of the way to a new direction
inline constexpr float kEyeFollowSeconds = 0.1f;    // the eyes lead the head
inline constexpr float kPointerRestSeconds = 3.0f;  // still this long, the dance takes over
inline constexpr float kFadeBackSeconds = 1.0f;     // the dance's head fading back in
inline constexpr float kFadeInSeconds = 0.25f;      // the pointer taking over again

// One angle following a target without snapping: a critically damped
// spring, stepped exactly for a target that holds over the step, so that it
// follows alike at any frame rate.
struct SmoothAngle {
  float value = 0.0f;
  float velocity = 0.0f;  // per second
  // Moves toward target for `seconds` with spring rate omega (per second).
  void Follow(float target, float omega, float seconds);
  void Reset(float target) {
    value = target;
    velocity = 0.0f;
  }
};

// What the look-at stage is told each frame: whether the user wants it,
// and the pointer in the model's screen pixels (as Model::ProjectToScreen
// gives them) when the platform knows where it is.
struct LookAtInput {
  bool enabled = false;
  bool known = false;  // the pointer's place is known
  bool moved = false;  // it moved on the screen since the last frame
  Float2 pointer;
};

class GazeFollower {
 public:
  // One frame, `seconds` after the last (0 after a stall). enabled: the
  // user's switch. moved: the pointer moved since the last frame. toward:
  // the pointer's direction in the body's frame, as measured (unlimited);
  // ignored when `known` is false (no pointer, or no head to turn).
  void Advance(float seconds, bool enabled, bool moved, bool known, GazeAngles toward);

  // The head's turn (neck and head together), within the limits.
  GazeAngles head() const { return {headYaw_.value, headPitch_.value}; }
  // The eyes' turn relative to the head: what the head has not yet
  // covered, up to the eyes' own limits.
  GazeAngles eyes() const;
  // How much of the head's pose is the pointer's: 0 the dance's alone, 1
  // the pointer's alone; eased, so it starts and ends gently.
  float weight() const;
  // Seconds since the pointer last moved (large at start).
  float restSeconds() const { return rest_; }

 private:
  SmoothAngle headYaw_, headPitch_, eyeYaw_, eyePitch_;
  float fade_ = 0.0f;  // linear in time; weight() eases it
  float rest_ = 1.0e9f;
};

// The direction from a point toward a target offset, in the same frame:
// offset (x right, y up, z forward as the model's z, toward the camera is
// -z) to yaw and pitch.
GazeAngles DirectionAngles(const Float4& offset);
// The rotation that turns "straight ahead" (-z) to look along `angles`:
// pitch first, then yaw.
Quaternion GazeRotation(GazeAngles angles);

}  // namespace brivonel
