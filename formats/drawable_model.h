#pragma once
// Whether a built model shows anything. A file may hold a valid model that
// draws nothing (bones alone, as test rigs do, or only fully transparent
// materials); the decoders and the tools take it, but the desktop programs
// refuse it: an invisible mascot cannot even be right-clicked, and once
// remembered it would make every later start invisible too.
#include <optional>
#include <string>

#include "model/model.h"

namespace brivonel {

// Why the model draws nothing ("nothing to draw: ..."), or nothing when a
// face of a material that is not fully transparent is there to be drawn.
std::optional<std::string> WhyNothingIsDrawn(const Model& model);

}  // namespace brivonel
