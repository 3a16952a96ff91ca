#pragma once
// A VMD motion file as read: header, model name, bone keyframes and morph
// keyframes. Camera, light, shadow and IK sections after them are not read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/math.h"

namespace brivonel {

struct VMDBoneFrame {
  std::uint8_t nameSjis[16] = {};  // 15 name bytes and a terminating zero
  std::u16string name;
  std::uint32_t frame = 0;
  Float3 translation;
  Float4 rotation;  // quaternion x, y, z, w as stored
  std::uint8_t interpolation[64] = {};
};

struct VMDMorphFrame {
  std::uint8_t nameSjis[16] = {};
  std::u16string name;
  std::uint32_t frame = 0;
  float weight = 0.0f;
};

struct VMDMotion {
  std::uint8_t header[30] = {};
  std::uint8_t modelName[20] = {};
  std::vector<VMDBoneFrame> boneFrames;
  std::vector<VMDMorphFrame> morphFrames;
  // Why the decoder refused the file (empty unless it returned FormatError).
  std::string formatError;
};

// Bytes of one record in the file, after its count.
inline constexpr std::size_t kVmdBoneRecordBytes = 111;
inline constexpr std::size_t kVmdMorphRecordBytes = 23;

}  // namespace brivonel
