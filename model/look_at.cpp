#include "model/look_at.h"

#include <algorithm>
#include <cmath>

namespace brivonel {
namespace {

// A critically damped spring from rest reaches 90 % of a step after
// omega * t = 3.89 (1 - (1 + x) e^-x = 0.9).
constexpr float kNinetyPercent = 3.8897f;

float Clamp(float value, float low, float high) { return std::min(std::max(value, low), high); }

float SmoothStep(float t) { return t * t * (3.0f - 2.0f * t); }

}  // namespace

void SmoothAngle::Follow(float target, float omega, float seconds) {
  if (!(seconds > 0.0f)) return;
  // x(t) = target + (a + b t) e^(-omega t), with a and b from the value and
  // the velocity now.
  const float a = value - target;
  const float b = velocity + omega * a;
  const float decay = std::exp(-omega * seconds);
  value = target + (a + b * seconds) * decay;
  velocity = (b - omega * (a + b * seconds)) * decay;
}

void GazeFollower::Advance(float seconds, bool enabled, bool moved, bool known, GazeAngles toward) {
  seconds = std::max(seconds, 0.0f);
  rest_ = moved ? 0.0f : rest_ + seconds;
  const bool following = enabled && known && rest_ < kPointerRestSeconds;
  const bool wasIdle = fade_ <= 0.0f;
  fade_ = following ? std::min(fade_ + seconds / kFadeInSeconds, 1.0f)
                    : std::max(fade_ - seconds / kFadeBackSeconds, 0.0f);
  if (!known) return;  // hold the last direction while the dance fades back
  const float yaw = Clamp(toward.yaw, -kHeadYawLimit, kHeadYawLimit);
  const float pitch = Clamp(toward.pitch, -kHeadPitchDown, kHeadPitchUp);
  const float eyeYaw = Clamp(toward.yaw, -kHeadYawLimit - kEyeYawLimit, kHeadYawLimit + kEyeYawLimit);
  const float eyePitch =
      Clamp(toward.pitch, -kHeadPitchDown - kEyePitchLimit, kHeadPitchUp + kEyePitchLimit);
  if (wasIdle) {
    // Nothing of the pointer shows: start from where it is now, so the head
    // fades from the dance's pose straight toward it.
    headYaw_.Reset(yaw);
    headPitch_.Reset(pitch);
    eyeYaw_.Reset(eyeYaw);
    eyePitch_.Reset(eyePitch);
    return;
  }
  const float headOmega = kNinetyPercent / kHeadFollowSeconds;
  const float eyeOmega = kNinetyPercent / kEyeFollowSeconds;
  headYaw_.Follow(yaw, headOmega, seconds);
  headPitch_.Follow(pitch, headOmega, seconds);
  eyeYaw_.Follow(eyeYaw, eyeOmega, seconds);
  eyePitch_.Follow(eyePitch, eyeOmega, seconds);
}

GazeAngles GazeFollower::eyes() const {
  return {Clamp(eyeYaw_.value - headYaw_.value, -kEyeYawLimit, kEyeYawLimit),
          Clamp(eyePitch_.value - headPitch_.value, -kEyePitchLimit, kEyePitchLimit)};
}

float GazeFollower::weight() const { return SmoothStep(Clamp(fade_, 0.0f, 1.0f)); }

GazeAngles DirectionAngles(const Float4& offset) {
  const float level = std::sqrt(offset.x * offset.x + offset.z * offset.z);
  return {std::atan2(offset.x, -offset.z), std::atan2(offset.y, level)};
}

Quaternion GazeRotation(GazeAngles angles) {
  // Turning about +y carries -z toward -x, so a yaw toward +x is a negative
  // turn; turning about +x carries -z upward.
  const Quaternion pitch = QuaternionRotationAxis({1.0f, 0.0f, 0.0f, 0.0f}, angles.pitch);
  const Quaternion yaw = QuaternionRotationAxis({0.0f, 1.0f, 0.0f, 0.0f}, -angles.yaw);
  return QuaternionMultiply(pitch, yaw);
}

}  // namespace brivonel
