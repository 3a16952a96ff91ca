// Building an Animation from a VMDMotion for one model's bones.
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "formats/vmd_decoder.h"

namespace brivonel {

int VMDDecoder::Build(const VMDMotion& motion, Animation& animation,
                      const std::vector<Bone>& modelBones) {
  // The first model bone of each name, and the track of each bone name; the
  // maps give the same answers as searching the lists from the start.
  std::unordered_map<std::u16string, std::size_t> boneOfName;
  for (std::size_t i = 0; i < modelBones.size(); ++i) boneOfName.emplace(modelBones[i].name, i);
  std::unordered_map<std::u16string, std::size_t> trackOfName;
  for (std::size_t i = 0; i < animation.boneTracks.size(); ++i) {
    trackOfName.emplace(animation.boneTracks[i].name, i);
  }

  animation.boneTracks.reserve(animation.boneTracks.size() + motion.boneFrames.size());
  for (const VMDBoneFrame& f : motion.boneFrames) {
    auto [trackIt, added] = trackOfName.emplace(f.name, animation.boneTracks.size());
    if (added) animation.boneTracks.push_back(BoneTrack{f.name, 0, {}});
    BoneTrack& track = animation.boneTracks[trackIt->second];

    const auto boneIt = boneOfName.find(f.name);
    if (boneIt == boneOfName.end()) continue;  // a bone the model lacks: key dropped
    const Bone& bone = modelBones[boneIt->second];
    BoneKey key;
    // From the rest offset, not the bone's current position: a model that an
    // earlier motion posed keeps that pose until the new motion plays.
    key.position = {f.translation.x + bone.restPosition.x, f.translation.y + bone.restPosition.y,
                    f.translation.z + bone.restPosition.z, 0.0f + bone.restPosition.w};
    key.rotation = f.rotation;
    key.frame = f.frame;
    std::memcpy(key.interpolation, f.interpolation, sizeof key.interpolation);
    track.boneIndex = bone.index;
    track.keys.push_back(key);
  }
  for (BoneTrack& track : animation.boneTracks) {
    std::stable_sort(track.keys.begin(), track.keys.end(),
                     [](const BoneKey& a, const BoneKey& b) { return a.frame < b.frame; });
  }

  for (const VMDMorphFrame& f : motion.morphFrames) {
    auto [it, added] = animation.morphTracks.try_emplace(f.name);
    if (added) it->second.name = f.name;
    it->second.keys.push_back(MorphKey{f.weight, f.frame});
  }
  for (auto& [name, track] : animation.morphTracks) {
    std::stable_sort(track.keys.begin(), track.keys.end(),
                     [](const MorphKey& a, const MorphKey& b) { return a.frame < b.frame; });
  }
  return ModelBuilt;
}

int VMDDecoder::BuildAnimation(const std::shared_ptr<VMDMotion>& motion,
                               std::shared_ptr<Animation> animation,
                               const std::vector<Bone>& modelBones) {
  if (!motion || !animation) return FormatError;
  return Build(*motion, *animation, modelBones);
}

}  // namespace brivonel
