#include "formats/material_effects.h"

#include <cstdio>
#include <string>

namespace brivonel {

std::string SharedToonFileName(int index) {
  char name[24];
  std::snprintf(name, sizeof name, "toon%02d.bmp", index + 1);
  return name;
}

void UseSharedToon(Model& model, Material& material, int index, std::u16string_view baseFolder,
                   TextureLoading textures) {
  if (index < 0 || index >= kSharedToonCount) {
    material.toonIndex = -1;
    return;
  }
  material.toonIndex = index;
  if (material.toonTextureId >= 0) return;
  const std::string name = SharedToonFileName(index);
  material.toonTextureId = LookUpTexture(model, baseFolder, std::u16string(name.begin(), name.end()),
                                         textures, WhenMissing::kStandIn);
}

std::int32_t PmdSphereMode(std::u16string_view sphereName) {
  return sphereName.ends_with(u".spa") ? kSphereAdd : kSphereMultiply;
}

}  // namespace brivonel
