#pragma once
// A VMD motion file as read: header, model name, bone keyframes, morph
// keyframes and property keyframes (shown or hidden, IK switched on or off).
// The camera, light and self-shadow sections between the morph and the
// property keys are passed over.
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

// One IK bone's switch in a property key.
struct VMDIkSwitch {
  std::uint8_t nameSjis[21] = {};  // 20 name bytes and a terminating zero
  std::u16string name;
  std::uint8_t enabled = 1;  // 0 off, anything else on
};

// From this frame on, whether the model is shown and whether the IK of the
// bones its switches name is on. The switches of all keys are kept in one
// list, in file order (a key holds few, often none).
struct VMDPropertyFrame {
  std::uint32_t frame = 0;
  std::uint8_t shown = 1;  // 0 hidden, anything else shown
  std::uint32_t firstSwitch = 0;  // in VMDMotion::ikSwitches
  std::uint32_t switchCount = 0;
};

struct VMDMotion {
  std::uint8_t header[30] = {};
  std::uint8_t modelName[20] = {};
  std::vector<VMDBoneFrame> boneFrames;
  std::vector<VMDMorphFrame> morphFrames;
  std::vector<VMDPropertyFrame> propertyFrames;
  std::vector<VMDIkSwitch> ikSwitches;
  // Why the decoder refused the file (empty unless it returned FormatError).
  std::string formatError;
};

// Bytes of one record in the file, after its count.
inline constexpr std::size_t kVmdBoneRecordBytes = 111;
inline constexpr std::size_t kVmdMorphRecordBytes = 23;
inline constexpr std::size_t kVmdCameraRecordBytes = 61;
inline constexpr std::size_t kVmdLightRecordBytes = 28;
inline constexpr std::size_t kVmdSelfShadowRecordBytes = 9;
// A property key: frame, shown flag and switch count, then its switches.
inline constexpr std::size_t kVmdPropertyKeyBytes = 9;
inline constexpr std::size_t kVmdIkSwitchBytes = 21;

}  // namespace brivonel
