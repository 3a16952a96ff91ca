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
// The ramp a toon file holds: lit at the top, shadowed at the bottom.
Image ToonTexture(int toonIndex);
Image SphereMap(int size);

}  // namespace brivonel::samples
