#include "model/model_setup.h"

#include <algorithm>

namespace brivonel {

namespace {

// The shader's id in the pool, loading its file the first time.
template <typename Pool>
int FindOrLoad(Pool& pool, std::u16string_view folder, std::u16string_view name) {
  const int id = pool.Find(name);
  return id >= 0 ? id : pool.Load(folder, name);
}

}  // namespace

bool AssignMaterialShaders(Model& model, std::u16string_view folder) {
  for (Material& material : model.materials) {
    material.vertexShaderId = FindOrLoad(model.vertexShaderPool, folder, kVertexShaderName);
    if (material.vertexShaderId < 0) return false;

    const std::u16string_view pixelName =
        material.textureId >= 0 ? kTexturedPixelShaderName : kPlainPixelShaderName;
    material.pixelShaderId = FindOrLoad(model.pixelShaderPool, folder, pixelName);
    if (material.pixelShaderId < 0) return false;
  }
  const bool edges = std::any_of(model.materials.begin(), model.materials.end(),
                                 [](const Material& m) { return m.edgeFlag != 0; });
  return !edges || FindOrLoad(model.pixelShaderPool, folder, kPlainPixelShaderName) >= 0;
}

void LinkMorphTracks(Model& model) {
  if (!model.animation) return;
  for (auto& [name, track] : model.animation->morphTracks) {
    const auto found = model.morphs.find(name);
    track.morph = found != model.morphs.end() ? &found->second : nullptr;
  }
}

}  // namespace brivonel
