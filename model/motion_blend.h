#pragma once
// Two motions at once: while one motion gives way to the next, both are
// posed, each at its own time, and the figure takes a share of each.
#include <cstdint>
#include <memory>

#include "model/animation.h"

namespace brivonel {

// When the model's motion began on the figure's clock, and the motion it is
// taking over from. Without an outgoing motion (or at weight 1) the model
// plays its motion alone.
struct MotionBlend {
  std::uint64_t start = 0;  // the clock time the model's animation began
  // The motion giving way, at its own time (it keeps playing, looping as
  // it would alone, while it fades); null when there is none.
  std::shared_ptr<Animation> outgoing;
  std::uint64_t outgoingStart = 0;  // the clock time the outgoing motion began
  // The model's animation's share, 0 to 1: bone turns are slerped and
  // moves and morph weights mixed by it; the motion properties (IK
  // switches, shown) are the outgoing motion's up to 0.5 and the new
  // motion's past it.
  float weight = 1.0f;
};

}  // namespace brivonel
