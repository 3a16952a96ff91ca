#pragma once
// What the sample dances are written with: turns as quaternions, the curves
// the keys carry, beats as frames, and a choreographer that collects the
// keys of a dance.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/sample_generator/dance.h"
#include "tools/sample_generator/figure.h"

namespace brivonel::samples {

using Quat = std::array<float, 4>;

constexpr Curve kEase{64, 0, 64, 127};   // slow out, slow in
constexpr Curve kSoft{40, 10, 88, 117};  // gentler ease
constexpr Curve kLinear{20, 20, 107, 107};

constexpr std::uint32_t Beat(float beat) {
  return static_cast<std::uint32_t>(beat * static_cast<float>(kFramesPerBeat) + 0.5f);
}

Quat AxisAngle(Vec3 axis, float angle);
// Applies a first, then b.
Quat Then(const Quat& a, const Quat& b);
// Small body turns: roll about z, then pitch about x, then yaw about y.
// Seen from the camera (the figure faces -z): negative pitch bows forwards,
// negative roll leans towards the figure's left (+x).
Quat Euler(float pitch, float yaw, float roll);
// The same turn seen in a mirror at x = 0: for the figure's right side.
inline Quat Mirror(const Quat& q) { return {q[0], -q[1], -q[2], q[3]}; }
inline Vec3 Mirror(Vec3 v) { return {-v.x, v.y, v.z}; }

// Where a bone's translation track stands at a frame, interpolated as the
// program does it (each component with its curve of the later key).
Vec3 TranslationAt(const std::vector<DanceBoneKey>& keys, std::u16string_view bone, float frame);

class Choreographer {
 public:
  explicit Choreographer(const Figure& figure) : figure_(figure) {}

  void Key(std::u16string_view bone, float beat, Vec3 translation, Quat rotation, Curve curve);
  void Turn(std::u16string_view bone, float beat, Quat rotation, Curve curve) {
    Key(bone, beat, {}, rotation, curve);
  }
  void Morph(std::u16string_view morph, float beat, float weight);

  Vec3 Rest(std::u16string_view bone) const;
  const std::vector<DanceBoneKey>& Keys() const { return dance_.boneKeys; }

  // The dance, looping after `beats` beats.
  Dance Finish(std::uint32_t beats);

 private:
  const Figure& figure_;
  Dance dance_;
};

}  // namespace brivonel::samples
