// libFuzzer harness: any bytes as a VMD file, mapped and read as the program
// reads one (its property keys too), and built for a small skeleton whose
// bone names are common ones, so that keys are both kept and dropped.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <cstdlib>

#include "formats/vmd_decoder.h"
#include "fuzz/mapped_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brivonel;
  static const std::vector<Bone> bones = [] {
    std::vector<Bone> list(4);
    const char16_t* names[] = {u"センター", u"頭", u"左足ＩＫ", u""};
    for (std::size_t i = 0; i < list.size(); ++i) {
      list[i].name = names[i];
      list[i].index = static_cast<std::int32_t>(i);
    }
    return list;
  }();
  std::shared_ptr<VMDMotion> read;
  // Never refused: inputs are far below the size bound.
  if (VMDDecoder().ReadFile(fuzz::HoldAsFile(data, size), read) != FileRead) std::abort();
  const VMDMotion& motion = *read;
  Animation animation;
  VMDDecoder::Build(motion, animation, bones);
  std::size_t keys = 0;
  for (const BoneTrack& track : animation.boneTracks) {
    keys += track.keys.size();
    for (std::size_t i = 1; i < track.keys.size(); ++i) {
      if (track.keys[i - 1].frame > track.keys[i].frame) std::abort();
    }
  }
  for (const auto& [name, track] : animation.morphTracks) keys += track.keys.size();
  if (keys > motion.boneFrames.size() + motion.morphFrames.size()) std::abort();
  // Property keys: each key's switches in the shared list, every key a
  // shown key, every switch a key of its bone's track, all in frame order.
  std::size_t switches = 0;
  for (const VMDPropertyFrame& f : motion.propertyFrames) {
    if (f.firstSwitch != switches) std::abort();
    switches += f.switchCount;
  }
  if (switches != motion.ikSwitches.size() || animation.shownKeys.size() != motion.propertyFrames.size())
    std::abort();
  std::size_t switchKeys = 0;
  for (const IkSwitchTrack& track : animation.ikSwitchTracks) {
    switchKeys += track.keys.size();
    for (std::size_t i = 1; i < track.keys.size(); ++i)
      if (track.keys[i - 1].frame > track.keys[i].frame) std::abort();
  }
  if (switchKeys != switches) std::abort();
  return 0;
}
