#include "formats/material_effects.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace brivonel {

void UseSharedToon(Model& model, Material& material, int index, std::u16string_view baseFolder,
                   TextureLoading textures) {
  if (index < 0 || index >= kSharedToons) {
    material.toonIndex = -1;
    return;
  }
  material.toonIndex = index;
  if (material.toonTextureId >= 0) return;
  char name[16];
  std::snprintf(name, sizeof name, "toon%02d.bmp", index + 1);
  material.toonTextureId =
      LookUpTexture(model, baseFolder, std::u16string(name, name + std::strlen(name)), textures,
                    WhenMissing::kStandIn);
}

std::int32_t PmdSphereMode(std::u16string_view sphereName) {
  return sphereName.ends_with(u".spa") ? kSphereAdd : kSphereMultiply;
}

}  // namespace brivonel
