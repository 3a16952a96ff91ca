// The motion's properties at the frame: whether the model is drawn, and which
// IK chains run. Each holds from its key to the next, as editors key them
// (a dance switches leg IK off for a kick and on again); chains whose IK
// bone the motion never switches stay on. A hidden model is still posed, so
// that its physics goes on and it reappears mid-swing, as it would have moved;
// a motion that never shows it is drawn all the same (Animation says why).
// In a cross-fade the switches are stepped too: the outgoing motion's hold
// until the new motion has the greater share.
#include "model/model.h"

namespace brivonel {

void Model::ApplyMotionProperties() {
  shown_ = true;
  ikChainOff_.assign(ikChains.size(), 0);
  const Animation* motion = PropertiesMotion();
  if (motion == nullptr) return;
  const std::uint32_t frame = motion->currentFrame;
  const ShownKey* key = KeyInForce(motion->shownKeys, frame);
  if (key != nullptr && !motion->hidesThroughout) shown_ = key->shown;
  for (const IkSwitchTrack& track : motion->ikSwitchTracks) {
    const IkSwitchKey* switchKey = KeyInForce(track.keys, frame);
    if (switchKey == nullptr || switchKey->on || track.boneIndex < 0) continue;
    for (std::size_t c = 0; c < ikChains.size(); ++c)
      if (ikChains[c].ikBone == track.boneIndex) ikChainOff_[c] = 1;
  }
}

}  // namespace brivonel
