#pragma once
// The sample figure's textures, computed: the face atlas (head skin, eyes,
// mouth, eyelid), the dress cloth, the hair shading, socks and shoes, and the
// PMD's toon ramps and sphere map.
#include "tools/sample_generator/image.h"

namespace brivonel::samples {

Image FaceTexture(int size);
Image ClothTexture(int size);
Image HairTexture(int size);
Image ShoesTexture(int size);
// The ramp a toon file holds: lit (white) in the upper half, a shadow tint
// in the lower half, with a hard step between.
Image ToonTexture(int toonIndex);
// Multiplying: light grey with a white shine up and to the left.
Image SphereMap(int size);
// Adding, on a black material: dark red lacquer with a bright shine.
Image RibbonSphereMap(int size);

}  // namespace brivonel::samples
