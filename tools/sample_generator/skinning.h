#pragma once
// Skinning weights for the sample figure. Most parts blend between the bones
// they wrap by distance to each bone's segment, so joints bend softly; rigid
// parts follow one bone.
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/sample_generator/surface.h"

namespace brivonel::samples {

struct BoneSegment {
  int bone = -1;
  Vec3 head, tail;
  float radius = 0.0f;  // distances are measured from the limb's surface, not its axis
};

// From the bone's position to its tail bone's position, or along its tail offset.
BoneSegment SegmentOf(const Figure& figure, std::u16string_view boneName, float radius = 0.0f);

// Keeps the four largest weights, drops those too small to matter and scales
// the rest to sum to 1.
SkinWeights MakeWeights(std::vector<std::pair<int, float>> weights);

Skinner RigidSkinner(int bone);

// How a part hung on a chain of bones shares out along its length t in
// [0, 1]. `pivots` are where the chain's bones start, increasing; result[0]
// is the share of what the chain hangs from (before the first pivot),
// result[k] that of bone k. Across each pivot the share passes from the bone
// above to the bone below over a zone as wide as the shorter segment beside
// it, so the part bends there smoothly instead of breaking.
std::vector<float> ChainShares(std::span<const float> pivots, float t);

// Weight of a bone ~ 1 / distance^sharpness to its segment: the larger the
// sharpness, the narrower the blend around each joint.
Skinner DistanceSkinner(std::vector<BoneSegment> candidates, float sharpness);

}  // namespace brivonel::samples
