#include "model/model_setup.h"

namespace brivonel {

bool AssignMaterialShaders(Model& model, std::u16string_view folder) {
  for (Material& material : model.materials) {
    int id = model.vertexShaderPool.Find(kVertexShaderName);
    if (id < 0) id = model.vertexShaderPool.Load(folder, kVertexShaderName);
    material.vertexShaderId = id;
    if (id < 0) return false;

    const std::u16string_view pixelName =
        material.textureId >= 0 ? kTexturedPixelShaderName : kPlainPixelShaderName;
    id = model.pixelShaderPool.Find(pixelName);
    if (id < 0) id = model.pixelShaderPool.Load(folder, pixelName);
    material.pixelShaderId = id;
    if (id < 0) return false;
  }
  return true;
}

void LinkMorphTracks(Model& model) {
  if (!model.animation) return;
  for (auto& [name, track] : model.animation->morphTracks) {
    const auto found = model.morphs.find(name);
    track.morph = found != model.morphs.end() ? &found->second : nullptr;
  }
}

}  // namespace brivonel
