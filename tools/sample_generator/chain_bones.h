#pragma once
// The bones of the parts that swing: a chain down each twin tail (four
// bones and a tip) hung from the head, and chains of two bones around the
// skirt hung from the lower body. Nothing in a dance keys them; the rigid
// bodies on them turn them.
#include "tools/sample_generator/figure.h"

namespace brivonel::samples {

// Appends the chains to figure.bones (after the standard bones, each
// chain's bones in order from its root). Needs the head and lower body.
void AddChainBones(Figure& figure);

}  // namespace brivonel::samples
