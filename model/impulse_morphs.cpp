// Impulse morphs push rigid bodies: a velocity and an angular impulse each,
// scaled by the morph's weight. A push is a moment, not a force: it is given
// on the frames the morph's weight changes (keyed on, or moving between
// keys), not again while the weight holds, so that a flick of hair keyed
// once is one flick at any frame rate. A push of zero stops its body. This
// is how the one runtime that plays these morphs gives them; a model
// without physics (or with physics off) ignores them.
#include <algorithm>

#include "model/model.h"
#include "model/physics_rig.h"

namespace brivonel {

void Model::PushBodies() {
  for (const WeightedMorph& impulse : impulseMorphs_) {
    if (!(impulse.weight > 0.0f)) continue;
    const auto before = std::find_if(impulsesBefore_.begin(), impulsesBefore_.end(),
                                     [&](const WeightedMorph& b) { return b.morph == impulse.morph; });
    if (before != impulsesBefore_.end() && before->weight == impulse.weight) continue;
    const float w = impulse.weight;
    for (const PMXImpulseOffset& push : impulse.morph->impulseOffsets) {
      if (push.bodyIndex < 0 || static_cast<std::size_t>(push.bodyIndex) >= physicsDescription.bodies.size())
        continue;
      physicsRig_->Push(static_cast<std::size_t>(push.bodyIndex),
                        {push.velocity.x * w, push.velocity.y * w, push.velocity.z * w},
                        {push.torque.x * w, push.torque.y * w, push.torque.z * w}, push.local);
    }
  }
  impulsesBefore_ = impulseMorphs_;
}

}  // namespace brivonel
