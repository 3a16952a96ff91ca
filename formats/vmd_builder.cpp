// Building an Animation from a VMDMotion for one model's bones.
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "formats/name_hash.h"
#include "formats/usable_values.h"
#include "formats/vmd_decoder.h"

namespace brivonel {
namespace {

// Where the keys of one name go: its track, and the model's first bone of
// that name (null when the model has none).
struct NameTarget {
  std::size_t track = 0;
  const Bone* bone = nullptr;
};

template <typename Key>
void SortByFrame(std::vector<Key>& keys) {
  const auto earlier = [](const Key& a, const Key& b) { return a.frame < b.frame; };
  // Editors mostly write a bone's keys in frame order already.
  if (!std::is_sorted(keys.begin(), keys.end(), earlier)) std::stable_sort(keys.begin(), keys.end(), earlier);
}

}  // namespace

int VMDDecoder::Build(const VMDMotion& motion, Animation& animation,
                      const std::vector<Bone>& modelBones) {
  // The first model bone of each name, and where the keys of each name go;
  // the maps give the same answers as searching the lists from the start.
  // Keys of one bone usually follow each other, so the last name is checked
  // before the map.
  std::unordered_map<std::u16string, const Bone*, NameHash> boneOfName;
  for (const Bone& bone : modelBones) boneOfName.emplace(bone.name, &bone);
  std::unordered_map<std::u16string, NameTarget, NameHash> targets;
  for (std::size_t i = 0; i < animation.boneTracks.size(); ++i) {
    const auto bone = boneOfName.find(animation.boneTracks[i].name);
    targets.emplace(animation.boneTracks[i].name,
                    NameTarget{i, bone != boneOfName.end() ? bone->second : nullptr});
  }

  const std::u16string* lastName = nullptr;
  const NameTarget* last = nullptr;
  for (const VMDBoneFrame& f : motion.boneFrames) {
    if (last == nullptr || f.name != *lastName) {
      auto [it, added] = targets.try_emplace(f.name);
      if (added) {
        it->second.track = animation.boneTracks.size();
        animation.boneTracks.push_back(BoneTrack{f.name, 0, {}});
        const auto bone = boneOfName.find(f.name);
        it->second.bone = bone != boneOfName.end() ? bone->second : nullptr;
      }
      lastName = &it->first;
      last = &it->second;
    }
    if (last->bone == nullptr) continue;  // a bone the model lacks: key dropped
    const Bone& bone = *last->bone;
    BoneKey key;
    // From the rest offset, not the bone's current position: a model that an
    // earlier motion posed keeps that pose until the new motion plays.
    const Float3 move = UsablePlace(f.translation);
    key.position = {move.x + bone.restPosition.x, move.y + bone.restPosition.y,
                    move.z + bone.restPosition.z, 0.0f + bone.restPosition.w};
    key.rotation = UsableRotation(f.rotation);
    key.frame = f.frame;
    std::memcpy(key.interpolation, f.interpolation, sizeof key.interpolation);
    BoneTrack& track = animation.boneTracks[last->track];
    track.boneIndex = bone.index;
    track.keys.push_back(key);
  }
  for (BoneTrack& track : animation.boneTracks) SortByFrame(track.keys);

  MorphTrack* lastMorph = nullptr;
  for (const VMDMorphFrame& f : motion.morphFrames) {
    if (lastMorph == nullptr || f.name != lastMorph->name) {
      auto [it, added] = animation.morphTracks.try_emplace(f.name);
      if (added) it->second.name = f.name;
      lastMorph = &it->second;
    }
    lastMorph->keys.push_back(MorphKey{f.weight, f.frame});
  }
  for (auto& [name, track] : animation.morphTracks) SortByFrame(track.keys);

  // Property keys: every key says whether the model is shown; each switch
  // goes to the track of its bone, kept whether or not the model has it.
  std::unordered_map<std::u16string, std::size_t, NameHash> switchTracks;
  for (std::size_t i = 0; i < animation.ikSwitchTracks.size(); ++i)
    switchTracks.emplace(animation.ikSwitchTracks[i].boneName, i);
  for (const VMDPropertyFrame& f : motion.propertyFrames) {
    animation.shownKeys.push_back(ShownKey{f.frame, f.shown != 0});
    const std::size_t end = std::min<std::size_t>(std::size_t{f.firstSwitch} + f.switchCount,
                                                  motion.ikSwitches.size());
    for (std::size_t i = f.firstSwitch; i < end; ++i) {
      const VMDIkSwitch& s = motion.ikSwitches[i];
      auto [it, added] = switchTracks.try_emplace(s.name, animation.ikSwitchTracks.size());
      if (added) {
        const auto bone = boneOfName.find(s.name);
        animation.ikSwitchTracks.push_back(
            IkSwitchTrack{s.name, bone != boneOfName.end() ? bone->second->index : -1, {}});
      }
      animation.ikSwitchTracks[it->second].keys.push_back(IkSwitchKey{f.frame, s.enabled != 0});
    }
  }
  SortByFrame(animation.shownKeys);
  animation.hidesThroughout =
      !animation.shownKeys.empty() &&
      std::none_of(animation.shownKeys.begin(), animation.shownKeys.end(), [](const ShownKey& k) { return k.shown; });
  for (IkSwitchTrack& track : animation.ikSwitchTracks) SortByFrame(track.keys);
  return ModelBuilt;
}

int VMDDecoder::BuildAnimation(const std::shared_ptr<VMDMotion>& motion,
                               std::shared_ptr<Animation> animation,
                               const std::vector<Bone>& modelBones) {
  if (!motion || !animation) return FormatError;
  return Build(*motion, *animation, modelBones);
}

}  // namespace brivonel
