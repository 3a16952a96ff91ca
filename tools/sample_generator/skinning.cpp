#include "tools/sample_generator/skinning.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace brivonel::samples {
namespace {

constexpr float kSmallestWeight = 0.03f;
constexpr float kNearest = 0.05f;  // distances below this count as this, to bound the weights

}  // namespace

BoneSegment SegmentOf(const Figure& figure, std::u16string_view boneName, float radius) {
  const int index = figure.FindBone(boneName);
  if (index < 0) throw std::logic_error("skinning names an unknown bone");
  const FigureBone& bone = figure.bones[static_cast<std::size_t>(index)];
  const Vec3 tail = bone.tailBone >= 0
                        ? figure.bones[static_cast<std::size_t>(bone.tailBone)].position
                        : bone.position + bone.tailOffset;
  return {index, bone.position, tail, radius};
}

SkinWeights MakeWeights(std::vector<std::pair<int, float>> weights) {
  std::sort(weights.begin(), weights.end(),
            [](const auto& a, const auto& b) { return a.second > b.second; });
  if (weights.size() > 4) weights.resize(4);
  float total = 0.0f;
  for (const auto& w : weights) total += w.second;
  std::erase_if(weights, [&](const auto& w) { return w.second < kSmallestWeight * total; });
  total = 0.0f;
  for (const auto& w : weights) total += w.second;

  SkinWeights skin;
  for (const auto& [bone, weight] : weights) {
    skin.bones[static_cast<std::size_t>(skin.count)] = bone;
    skin.weights[static_cast<std::size_t>(skin.count)] = weight / total;
    ++skin.count;
  }
  return skin;
}

Skinner RigidSkinner(int bone) {
  return [bone](Vec3) {
    SkinWeights skin;
    skin.bones[0] = bone;
    skin.weights[0] = 1.0f;
    skin.count = 1;
    return skin;
  };
}

std::vector<float> ChainShares(std::span<const float> pivots, float t) {
  const std::size_t n = pivots.size();
  // below[k]: how far t has passed from the bone above pivot k to the one below.
  std::vector<float> below(n);
  for (std::size_t k = 0; k < n; ++k) {
    const float before = pivots[k] - (k == 0 ? 0.0f : pivots[k - 1]);
    const float after = (k + 1 < n ? pivots[k + 1] : 1.0f) - pivots[k];
    const float half = 0.5f * std::min(before, after);
    below[k] = half > 0.0f ? SmoothStep(pivots[k] - half, pivots[k] + half, t) : (t >= pivots[k] ? 1.0f : 0.0f);
  }
  std::vector<float> shares(n + 1);
  for (std::size_t k = 0; k <= n; ++k)
    shares[k] = (k == 0 ? 1.0f : below[k - 1]) - (k < n ? below[k] : 0.0f);
  return shares;
}

Skinner DistanceSkinner(std::vector<BoneSegment> candidates, float sharpness) {
  return [candidates = std::move(candidates), sharpness](Vec3 p) {
    std::vector<std::pair<int, float>> weights;
    for (const BoneSegment& segment : candidates) {
      const float d = std::max(DistanceToSegment(p, segment.head, segment.tail) - segment.radius, kNearest);
      weights.emplace_back(segment.bone, std::pow(d, -sharpness));
    }
    return MakeWeights(std::move(weights));
  };
}

}  // namespace brivonel::samples
