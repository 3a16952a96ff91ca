#pragma once
// The sample figure's morphs, one or more of every kind the program applies:
// vertex (blink, mouth shapes), UV, bone, material (multiply and add) and group.
#include "tools/sample_generator/body.h"

namespace brivonel::samples {

void BuildMorphs(Figure& figure, const BodyParts& parts);

}  // namespace brivonel::samples
