#pragma once
// The sample figure's bones: the standard names and hierarchy that dance
// motions key, with leg and toe IK chains.
#include <vector>

#include "tools/sample_generator/figure.h"

namespace brivonel::samples {

// Fills figure.bones.
void BuildSkeleton(Figure& figure);

// The PMD version lacks the bones that the older format's rigs had not yet
// adopted; these names are left out of it.
bool IsPmxOnlyBone(std::u16string_view name);

}  // namespace brivonel::samples
