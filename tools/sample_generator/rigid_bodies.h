#pragma once
// The figure's rigid bodies and joints, laid out as modellers lay out a
// character's: bodies that follow the head, the trunk, the arms and the
// legs, so that what swings has something to lie against; capsules on the
// tails' and the skirt's chain bones that the simulation moves; and a joint
// from each chain body to the body above it.
#include "tools/sample_generator/figure.h"

namespace brivonel::samples {

// Collision groups (editors show them numbered from 1).
enum CollisionGroup : std::uint8_t { kBodyGroup = 0, kHairGroup = 1, kSkirtGroup = 2 };

// Fills figure.bodies and figure.joints. Needs the bones, chains included.
void BuildRigidBodies(Figure& figure);

}  // namespace brivonel::samples
