#pragma once
// How the character is drawn beyond its lit colours: antialiasing, the
// materials' sphere maps and toon ramps, and the edge outline. The plain
// look (one sample, no material effects) is what comparisons of geometry
// and lighting draw with.
#include <cstdint>

#include "render/multisampling.h"

namespace brivonel {

struct Look {
  // Samples per pixel of the drawn surface (kSamplesChosenByDevice: the
  // presenter's choice).
  std::uint32_t samples = kSamplesChosenByDevice;
  // Multiplying and adding sphere maps. A sub-texture (PMX sphere mode 3) is
  // part of the material's picture and drawn in every look.
  bool sphereMaps = true;
  bool toonShading = true;  // the toon ramp lights toon materials
  bool outlines = true;     // edges of materials that ask for them

  // Sphere maps or toon ramps: the specular highlight then goes on after
  // the textures, as peers draw it.
  bool MaterialEffects() const { return sphereMaps || toonShading; }

  static constexpr Look Plain() { return {1, false, false, false}; }
};

}  // namespace brivonel
