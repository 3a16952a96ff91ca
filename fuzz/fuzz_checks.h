#pragma once
// What every built model and animation must hold whatever the input: the
// harnesses check it after decoding and stop (abort) when it fails.
#include <cstdio>
#include <cstdlib>

#include "model/model.h"
#include "physics/description_checks.h"

namespace brivonel::fuzz {

[[noreturn]] inline void Broken(const char* what) {
  std::fprintf(stderr, "model invariant broken: %s\n", what);
  std::abort();
}

inline void CheckModel(const Model& model) {
  const std::size_t boneCount = model.bones.size();
  for (const Bone& bone : model.bones) {
    if (bone.parentIndex < -1 || bone.parentIndex >= static_cast<std::int64_t>(boneCount)) {
      Broken("parent index outside the bone list");
    }
    std::size_t steps = 0;
    for (std::int32_t p = bone.parentIndex; p >= 0;
         p = model.bones[static_cast<std::size_t>(p)].parentIndex) {
      if (++steps > boneCount) Broken("parents loop");
    }
  }
  for (const IkChain& chain : model.ikChains) {
    if (chain.links.empty()) continue;
    if (chain.ikBone >= boneCount || chain.targetBone >= boneCount) Broken("IK bone");
    for (std::uint16_t link : chain.links) {
      if (link >= boneCount) Broken("IK link");
    }
  }
  for (const auto& mesh : model.meshes) {
    for (std::uint32_t index : mesh->indices) {
      if (index >= mesh->vertices.size()) Broken("face index");
    }
    for (const Piece& piece : mesh->pieces) {
      for (const FaceRange& range : piece.ranges) {
        if ((std::uint64_t{range.firstFace} + range.faceCount) * 3 > mesh->indices.size()) {
          Broken("face range");
        }
      }
      if (piece.material == nullptr) Broken("piece without material");
    }
    for (const Vertex& v : mesh->vertices) {
      for (int j = 0; j < 4; ++j) {
        if (v.boneWeights[j] != 0 && v.boneIndices[j] >= boneCount) Broken("weight on no bone");
      }
    }
  }
  // A model is given only rigid bodies and joints that a world can be built from.
  if (physics::CheckDescription(model.physicsDescription, boneCount)) Broken("physics description");
  const std::size_t vertexCount = model.meshes.empty() ? 0 : model.meshes[0]->vertices.size();
  for (const auto& [name, morph] : model.morphs) {
    for (const PMXGroupOffset& o : morph.groupOffsets) {
      if (o.morphIndex < 0 || static_cast<std::size_t>(o.morphIndex) >= model.morphList.size()) {
        Broken("group offset");
      }
    }
    for (const PMXVertexOffset& o : morph.vertexOffsets) {
      if (o.vertexIndex >= vertexCount) Broken("vertex offset");
    }
    for (const PMXUvOffset& o : morph.uvOffsets) {
      if (o.vertexIndex >= vertexCount) Broken("UV offset");
    }
    for (const PMXBoneOffset& o : morph.boneOffsets) {
      if (o.boneIndex >= boneCount) Broken("bone offset");
    }
    for (const PMXMaterialOffset& o : morph.materialOffsets) {
      if (o.materialIndex != 0xFFFFFFFFu && o.materialIndex >= model.materials.size()) {
        Broken("material offset");
      }
    }
  }
}

}  // namespace brivonel::fuzz
