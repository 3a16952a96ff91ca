#pragma once
// The sample dance as plain keyframes: a loop of 32 beats that travels
// sideways and back, with the feet placed by the leg IK bones, and blinks,
// mouth shapes and a smile on the face.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/sample_generator/figure.h"

namespace brivonel::samples {

// A cubic Bezier from (0, 0) to (1, 1) through (x1, y1) and (x2, y2), each
// coordinate 0 to 127 (the motion file's units).
struct Curve {
  std::uint8_t x1 = 20, y1 = 20, x2 = 107, y2 = 107;
};

struct DanceBoneKey {
  std::u16string bone;
  std::uint32_t frame = 0;
  Vec3 translation;                                    // from the bone's rest place
  std::array<float, 4> rotation{0.0f, 0.0f, 0.0f, 1.0f};  // quaternion x, y, z, w
  std::array<Curve, 4> curves;                          // translation x, y, z, rotation
};

struct DanceMorphKey {
  std::u16string morph;
  std::uint32_t frame = 0;
  float weight = 0.0f;
};

struct Dance {
  std::vector<DanceBoneKey> boneKeys;  // the centre's keys come first
  std::vector<DanceMorphKey> morphKeys;
  std::uint32_t lastFrame = 0;  // the loop's length; frame lastFrame poses as frame 0
};

constexpr std::uint32_t kFramesPerBeat = 16;
constexpr std::uint32_t kBeats = 32;

Dance BuildDance(const Figure& figure);

// A second dance that keys the legs only through their IK bones, as real
// dances do: steps forwards, sideways and back with deep knee bends.
Dance BuildStepDance(const Figure& figure);

// The 64-byte interpolation block of a bone key: four rows, each the 16
// control-point bytes (x1 of x, y, z, rotation; then y1; x2; y2) shifted left
// by the row number, as motion editors write it.
std::array<std::uint8_t, 64> InterpolationBlock(const std::array<Curve, 4>& curves);

}  // namespace brivonel::samples
