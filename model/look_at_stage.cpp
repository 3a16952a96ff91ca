// The look-at stage of a frame: after the motion and IK have posed the
// body, the neck, head and eyes turn toward the mouse pointer, blended with
// the dance's own head motion by the gaze's weight; physics comes after, so
// hair swings with the turned head. A model without a head bone is left as
// the motion poses it.
#include <algorithm>
#include <cmath>
#include <string_view>

#include "model/model.h"

namespace brivonel {
namespace {

// A frame longer than this (a stall the clock did not catch) counts as this
// long. Slow frames (a busy machine, software rendering) count in full, so
// that the three seconds of rest are three seconds; the gaze's spring steps
// exactly and does not overshoot on a long step.
constexpr std::uint64_t kLongestLookStepMs = 1000;

std::int32_t FindBone(const std::vector<Bone>& bones, std::u16string_view name) {
  for (const Bone& bone : bones)
    if (bone.name == name) return static_cast<std::int32_t>(&bone - bones.data());
  return -1;
}

Float4 PositionOf(const Matrix4& m) { return {m.m[3][0], m.m[3][1], m.m[3][2], 1.0f}; }

Quaternion Inverse(const Quaternion& q) { return {-q.x, -q.y, -q.z, q.w}; }

}  // namespace

const Model::LookAtBones& Model::FindLookAtBones() {
  LookAtBones& found = lookAtBones_;
  if (found.list == bones.data() && found.count == bones.size()) return found;
  found = {};
  found.list = bones.data();
  found.count = bones.size();
  found.neck = FindBone(bones, u"首");
  found.head = FindBone(bones, u"頭");
  found.bothEyes = FindBone(bones, u"両目");
  found.leftEye = FindBone(bones, u"左目");
  found.rightEye = FindBone(bones, u"右目");
  return found;
}

bool Model::PointerDirection(std::int32_t turned, GazeAngles& direction) const {
  const Bone& head = bones[static_cast<std::size_t>(lookAtBones_.head)];
  const Float4 at = PositionOf(head.worldMatrix);
  // Pixels to model units at the head's depth, from how far one unit along
  // x lands from the head on the screen.
  const Float2 screen = ProjectToScreen(at);
  const Float2 side = ProjectToScreen({at.x + 1.0f, at.y, at.z, 1.0f});
  const float pixelsPerUnit = side.x - screen.x;
  if (!std::isfinite(pixelsPerUnit) || !(pixelsPerUnit > 1e-6f)) return false;
  const Float2& pointer = lookAtInput_.pointer;
  // The screen's y grows downward; the camera looks along +z.
  Float4 offset{(pointer.x - screen.x) / pixelsPerUnit, (screen.y - pointer.y) / pixelsPerUnit,
                -kPointerDepth, 0.0f};
  const std::int32_t body = bones[static_cast<std::size_t>(turned)].parentIndex;
  if (body >= 0 && static_cast<std::size_t>(body) < bones.size())
    offset = Transform(offset, brivonel::Inverse(bones[static_cast<std::size_t>(body)].worldMatrix));
  if (!std::isfinite(offset.x) || !std::isfinite(offset.y) || !std::isfinite(offset.z)) return false;
  direction = DirectionAngles(offset);
  return true;
}

void Model::TurnTowardPointer() {
  const std::uint64_t now = motionElapsed_;
  const float seconds =
      now > lookAtElapsed_ ? static_cast<float>(std::min(now - lookAtElapsed_, kLongestLookStepMs)) / 1000.0f
                           : 0.0f;
  lookAtElapsed_ = now;
  const LookAtInput& input = lookAtInput_;
  if (!input.enabled && gaze_.weight() <= 0.0f) return;
  const LookAtBones& found = FindLookAtBones();
  if (found.head < 0) return;
  // The body the head turns against is what the neck (or, without one, the
  // head) hangs from.
  const std::int32_t turned = found.neck >= 0 ? found.neck : found.head;
  GazeAngles toward;
  const bool known = input.known && PointerDirection(turned, toward);
  gaze_.Advance(seconds, input.enabled, input.moved, known, toward);
  const float weight = gaze_.weight();
  if (!(weight > 0.0f)) return;

  PoseCache& cache = poseCache_;
  const auto turn = [&](std::int32_t index, const Quaternion& rotation) {
    if (index < 0) return;
    Bone& bone = bones[static_cast<std::size_t>(index)];
    bone.rotation = QuaternionSlerp(bone.rotation, rotation, weight);
    cache.Touch(static_cast<std::uint32_t>(index));
  };
  const GazeAngles head = gaze_.head();
  const Quaternion whole = GazeRotation(head);
  if (found.neck >= 0) {
    // The neck takes its share; the head the rest, so that the two together
    // look along the gaze.
    const Quaternion neck = GazeRotation({head.yaw * kNeckShare, head.pitch * kNeckShare});
    turn(found.neck, neck);
    turn(found.head, QuaternionMultiply(whole, Inverse(neck)));
  } else {
    turn(found.head, whole);
  }
  const Quaternion eyes = GazeRotation(gaze_.eyes());
  if (found.bothEyes >= 0) {
    turn(found.bothEyes, eyes);  // the eyes take it through their grants
  } else {
    turn(found.leftEye, eyes);
    turn(found.rightEye, eyes);
  }
  // Whatever takes a share of the turned bones (the eyes of "両目") follows,
  // in either deform order.
  ReapplyGrantsWhoseSourceMoved();
  if (cache.parentsFirst)
    RecomputeTouchedSubtrees();
  else
    ComputeWorldMatrices();
  cache.ClearTouched();
}

}  // namespace brivonel
