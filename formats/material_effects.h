#pragma once
// What both model builders record for a material's looks beyond its colours
// and texture: the shared toon ramp it asks for and how its sphere map joins
// its colour.
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/model_building.h"
#include "model/model.h"
#include "render/toon_ramps.h"

namespace brivonel {

// The file name models ship shared toon `index` (0 to 9) under:
// "toon01.bmp" to "toon10.bmp".
std::string SharedToonFileName(int index);

// Records shared toon `index` on the material (-1 for numbers past 9) and,
// unless the material has a toon texture already, looks up its file as
// models ship it beside themselves, "toon01.bmp" to "toon10.bmp". Without
// the file the material is drawn with a built-in ramp.
void UseSharedToon(Model& model, Material& material, int index, std::u16string_view baseFolder,
                   TextureLoading textures);

// A PMD sphere map adds when its name ends in ".spa" and multiplies
// otherwise (".sph", or any name after "/").
std::int32_t PmdSphereMode(std::u16string_view sphereName);

}  // namespace brivonel
