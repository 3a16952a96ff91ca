// Placeholder bodies for the model operations whose implementations have not
// landed yet. Each one is removed when its real implementation arrives.
#include "model/model.h"

namespace brivonel {

int Model::Update(std::uint64_t) { return 0; }
void Model::ComputeWorldMatrices() {}
void Model::ComputeSkinningMatrices() {}
void Model::SolveIk() {}
Float2 Model::ProjectToScreen(const Float4&) const { return {}; }
float Model::BezierValue(float, float, float, float, float x) { return x; }
void Model::ApplyGroupMorph(const PMXMorph&, float) {}
void Model::ApplyVertexMorph(const PMXMorph&, float) {}
void Model::ApplyBoneMorph(const PMXMorph&) {}
void Model::ApplyUvMorph(const PMXMorph&, float) {}
void Model::ApplyMaterialMorph(const PMXMorph&, float) {}

}  // namespace brivonel
