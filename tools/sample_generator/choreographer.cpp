#include "tools/sample_generator/choreographer.h"

#include "base/math.h"
#include "model/model.h"

namespace brivonel::samples {
namespace {

Quat ToQuat(const Float4& q) { return {q.x, q.y, q.z, q.w}; }
Float4 ToFloat4(const Quat& q) { return {q[0], q[1], q[2], q[3]}; }
Float4 ToFloat4(Vec3 v) { return {v.x, v.y, v.z, 0.0f}; }

}  // namespace

Quat AxisAngle(Vec3 axis, float angle) { return ToQuat(QuaternionRotationAxis(ToFloat4(axis), angle)); }

Quat Then(const Quat& a, const Quat& b) { return ToQuat(QuaternionMultiply(ToFloat4(a), ToFloat4(b))); }

Quat Euler(float pitch, float yaw, float roll) {
  return Then(Then(AxisAngle({0, 0, 1}, roll), AxisAngle({1, 0, 0}, pitch)), AxisAngle({0, 1, 0}, yaw));
}

Vec3 TranslationAt(const std::vector<DanceBoneKey>& keys, std::u16string_view bone, float frame) {
  const DanceBoneKey* before = nullptr;
  const DanceBoneKey* after = nullptr;
  for (const DanceBoneKey& key : keys) {
    if (key.bone != bone) continue;
    const float at = static_cast<float>(key.frame);
    if (at <= frame && (before == nullptr || key.frame >= before->frame)) before = &key;
    if (at >= frame && (after == nullptr || key.frame < after->frame)) after = &key;
  }
  if (before == nullptr || after == nullptr) return before ? before->translation : after ? after->translation : Vec3{};
  if (after->frame == before->frame) return before->translation;
  const float t = (frame - static_cast<float>(before->frame)) / static_cast<float>(after->frame - before->frame);
  const auto eased = [&](int axis) {
    const Curve& k = after->curves[static_cast<std::size_t>(axis)];
    return Model::BezierValue(k.x1, k.x2, k.y1, k.y2, t);
  };
  const Vec3 a = before->translation, b = after->translation;
  return {a.x + (b.x - a.x) * eased(0), a.y + (b.y - a.y) * eased(1), a.z + (b.z - a.z) * eased(2)};
}

void Choreographer::Key(std::u16string_view bone, float beat, Vec3 translation, Quat rotation, Curve curve) {
  DanceBoneKey key;
  key.bone = std::u16string(bone);
  key.frame = Beat(beat);
  key.translation = translation;
  key.rotation = rotation;
  key.curves = {curve, curve, curve, curve};
  dance_.boneKeys.push_back(key);
}

void Choreographer::Morph(std::u16string_view morph, float beat, float weight) {
  dance_.morphKeys.push_back({std::u16string(morph), Beat(beat), weight});
}

Vec3 Choreographer::Rest(std::u16string_view bone) const {
  return figure_.bones[static_cast<std::size_t>(figure_.FindBone(bone))].position;
}

Dance Choreographer::Finish(std::uint32_t beats) {
  dance_.lastFrame = Beat(static_cast<float>(beats));
  return std::move(dance_);
}

}  // namespace brivonel::samples
