#pragma once
// A motion as the pose evaluation plays it: per-bone and per-morph key tracks
// sorted by frame, and the step keys of its properties (the model shown or
// hidden, IK bones switched on or off), built from a VMD file for one model.
#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/math.h"
#include "model/morph_record.h"

namespace brivonel {

struct BoneKey {
  Float4 position;  // file translation plus the bone's rest offset, w = 0
  Quaternion rotation;
  std::uint64_t frame = 0;
  // Bezier control points; bytes 0-15 hold the four curves (x, y, z, rotation).
  std::uint8_t interpolation[64] = {};
};

struct BoneTrack {
  std::u16string name;
  std::int32_t boneIndex = 0;
  std::vector<BoneKey> keys;  // ascending frame
};

struct MorphKey {
  float weight = 0.0f;
  std::uint32_t frame = 0;
};

struct MorphTrack {
  std::u16string name;
  std::int32_t reserved = 0;
  std::vector<MorphKey> keys;  // ascending frame
  std::int32_t cursor = 0;     // key last used by the pose evaluation
  const PMXMorph* morph = nullptr;  // bound by the application after loading
  float weight = 0.0f;  // the weight the last frame gave (0 without keys)
};

// Properties hold from their key to the next: no interpolation. Of keys on
// one frame the last in the file counts; before the first key, the first.
struct ShownKey {
  std::uint32_t frame = 0;
  bool shown = true;
};

struct IkSwitchKey {
  std::uint32_t frame = 0;
  bool on = true;
};

// The IK of one bone switched on and off. Chains whose IK bone no track
// names stay on.
struct IkSwitchTrack {
  std::u16string boneName;
  std::int32_t boneIndex = -1;  // the model's first bone of that name; -1 for none
  std::vector<IkSwitchKey> keys;  // ascending frame, file order within a frame
};

struct Animation {
  std::string name;
  std::uint32_t currentFrame = 0;
  std::vector<BoneTrack> boneTracks;  // in order of first appearance
  std::int64_t reserved = 0;
  std::map<std::u16string, MorphTrack> morphTracks;  // ordered by UTF-16 code units
  std::vector<ShownKey> shownKeys;  // ascending frame, file order within a frame
  // Every shown key hides the model. Such a motion is played as if it had
  // none: a mascot hidden for good leaves nothing on the desktop to click
  // for its menu, and would come back hidden at every start.
  bool hidesThroughout = false;
  std::vector<IkSwitchTrack> ikSwitchTracks;  // in order of first appearance
};

// The key in force at `frame`: the last key at or before it, or the first
// when the frame comes before every key; null when there are none. Keys are
// in ascending frame order.
template <typename Key>
const Key* KeyInForce(const std::vector<Key>& keys, std::uint32_t frame) {
  if (keys.empty()) return nullptr;
  const auto after = std::upper_bound(keys.begin(), keys.end(), frame,
                                      [](std::uint32_t f, const Key& key) { return f < key.frame; });
  return after == keys.begin() ? &keys.front() : &*(after - 1);
}

// The latest key frame of any bone or morph track or property key: the
// frame the motion loops at. False when there is no key. Each track's keys
// are in frame order, so its last key is its latest.
bool LatestKeyFrame(const Animation& motion, std::uint64_t& lastFrame);

// How long the motion takes to play its frames once, 0 to its loop frame,
// in milliseconds (one frame for a motion without keys).
std::uint64_t OneLoopMilliseconds(const Animation& motion);

}  // namespace brivonel
