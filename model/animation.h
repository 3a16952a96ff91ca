#pragma once
// A motion as the pose evaluation plays it: per-bone and per-morph key tracks
// sorted by frame, built from a VMD file for one model.
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
  float weight = 0.0f;  // the weight the last frame gave (0 for fewer than two keys)
};

struct Animation {
  std::string name;
  std::uint32_t currentFrame = 0;
  std::vector<BoneTrack> boneTracks;  // in order of first appearance
  std::int64_t reserved = 0;
  std::map<std::u16string, MorphTrack> morphTracks;  // ordered by UTF-16 code units
};

// The latest key frame of any bone or morph track: the frame the motion
// loops at. False when no track has a key. Each track's keys are in frame
// order, so its last key is its latest.
bool LatestKeyFrame(const Animation& motion, std::uint64_t& lastFrame);

}  // namespace brivonel
