#include "formats/drawable_model.h"

namespace brivonel {

std::optional<std::string> WhyNothingIsDrawn(const Model& model) {
  bool faces = false;
  for (const std::shared_ptr<Mesh>& mesh : model.meshes) {
    for (const Piece& piece : mesh->pieces) {
      if (piece.faceCount == 0 || piece.material == nullptr) continue;
      if (piece.material->diffuse.w > 0.0f) return std::nullopt;
      faces = true;
    }
  }
  return faces ? "nothing to draw: every material with faces is fully transparent"
               : "nothing to draw: the model has no faces";
}

}  // namespace brivonel
