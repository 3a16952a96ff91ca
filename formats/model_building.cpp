#include "formats/model_building.h"

#include <cmath>
#include <vector>

#include "base/trace.h"
#include "base/unicode.h"
#include "formats/usable_values.h"

namespace brivonel {

Mesh& StartModel(Model& model, std::size_t materialCount) {
  auto mesh = std::make_shared<Mesh>();
  mesh->name = u"mesh01";
  model.materials.clear();
  model.materials.resize(materialCount);
  model.texturePool.Clear();
  model.vertexShaderPool.Clear();
  model.pixelShaderPool.Clear();
  mesh->pieces.resize(materialCount);
  model.meshes.clear();
  model.meshes.push_back(mesh);
  model.grants.clear();
  model.deformOrder = DeformOrder::kGrantsAroundIk;
  return *mesh;
}

std::int32_t LookUpTexture(Model& model, std::u16string_view baseFolder,
                           std::u16string_view name, TextureLoading textures,
                           WhenMissing whenMissing) {
  if (name.empty() || textures == TextureLoading::kSkip) return -1;
  const int found = model.texturePool.Find(name);
  if (found >= 0) return found;
  return model.texturePool.Load(baseFolder, name, whenMissing);
}

void AddPiece(Mesh& mesh, std::size_t materialNumber, std::int64_t indexCount,
              std::uint64_t& runningIndexTotal) {
  if (indexCount < 0 ||
      runningIndexTotal + static_cast<std::uint64_t>(indexCount) > mesh.indices.size()) {
    throw FormatRefused("material " + std::to_string(materialNumber) + " draws " +
                        std::to_string(indexCount) + " indices from index " +
                        std::to_string(runningIndexTotal) + " of " +
                        std::to_string(mesh.indices.size()));
  }
  Piece& piece = mesh.pieces[materialNumber - 1];
  const auto faces = static_cast<std::uint32_t>(indexCount / 3);
  piece.faceCount = faces;
  piece.ranges.clear();
  piece.ranges.push_back({static_cast<std::uint32_t>(runningIndexTotal / 3), faces});
  mesh.faceCount += static_cast<std::int32_t>(faces);
  runningIndexTotal += static_cast<std::uint64_t>(indexCount);
}

void CheckFaceIndices(const Mesh& mesh) {
  const std::size_t vertexCount = mesh.vertices.size();
  for (std::size_t i = 0; i < mesh.indices.size(); ++i) {
    if (mesh.indices[i] >= vertexCount) {
      throw FormatRefused("face index " + std::to_string(i) + " names vertex " +
                          std::to_string(mesh.indices[i]) + " of " + std::to_string(vertexCount));
    }
  }
}

std::uint8_t BlendWeight(float weight) {
  const float w = std::floor(weight * 255.0f);
  if (!(w > 0.0f)) return 0;  // also a weight that is no number
  if (w >= 255.0f) return 255;
  return static_cast<std::uint8_t>(w);
}

std::int32_t CleanParent(std::int64_t parent, std::size_t i, std::size_t boneCount) {
  if (parent < 0 || static_cast<std::uint64_t>(parent) >= boneCount ||
      static_cast<std::uint64_t>(parent) == i) {
    return -1;
  }
  return static_cast<std::int32_t>(parent);
}

void SetRestPose(std::vector<Bone>& bones, std::size_t i, const Float3& filePosition,
                 const Float3& fileParentPosition) {
  const Float3 position = UsablePlace(filePosition);
  const Float3 parentPosition = UsablePlace(fileParentPosition);
  Bone& bone = bones[i];
  const bool parentFirst =
      bone.parentIndex >= 0 && static_cast<std::size_t>(bone.parentIndex) < i;
  bone.position = {position.x, position.y, position.z, 0.0f};
  if (parentFirst) {
    bone.position = {position.x - parentPosition.x, position.y - parentPosition.y,
                     position.z - parentPosition.z, 0.0f};
  }
  bone.restPosition = bone.position;
  bone.scale = {1.0f, 1.0f, 1.0f, 1.0f};
  bone.rotation = QuaternionIdentity();
  bone.worldMatrix = MatrixAffine(bone.scale, bone.rotation, bone.position);
  if (parentFirst) {
    bone.worldMatrix =
        Multiply(bone.worldMatrix, bones[static_cast<std::size_t>(bone.parentIndex)].worldMatrix);
  }
  bone.bindMatrix = bone.worldMatrix;
  bone.localAxes = MatrixIdentity();
  bone.localAxes.m[3][3] = 0.0f;
}

void AddGrant(Model& model, std::size_t bone, std::int64_t source, float weight, bool rotation,
              bool translation, bool local) {
  if (source < 0 || static_cast<std::uint64_t>(source) >= model.bones.size() ||
      static_cast<std::uint64_t>(source) == bone) {
    TraceFormat("bone %zu: grant from bone %lld, which does not exist; dropped\n", bone,
                static_cast<long long>(source));
    return;
  }
  // Real shares lie within a turn or two either way; a larger one only
  // overflows the granted bone's place.
  model.grants.push_back(BoneGrant{static_cast<std::int32_t>(bone), static_cast<std::int32_t>(source),
                                   UsableNumber(weight, 100.0f), rotation, translation, local});
}

void BreakParentLoops(std::vector<Bone>& bones) {
  // 0 = not seen, 1 = on the path being followed, 2 = known to reach a root.
  std::vector<std::uint8_t> state(bones.size(), 0);
  std::vector<std::size_t> path;
  for (std::size_t start = 0; start < bones.size(); ++start) {
    path.clear();
    std::size_t b = start;
    for (;;) {
      if (state[b] == 2) break;
      if (state[b] == 1) {
        // b is on the path: the bones from b to the end of the path form a loop.
        std::size_t lowest = b;
        for (auto it = path.rbegin(); it != path.rend() && *it != b; ++it) {
          if (*it < lowest) lowest = *it;
        }
        TraceFormat("bone %zu: parent %d closes a loop; cut\n", lowest,
                    bones[lowest].parentIndex);
        bones[lowest].parentIndex = -1;
        break;
      }
      state[b] = 1;
      path.push_back(b);
      const std::int32_t parent = bones[b].parentIndex;
      if (parent < 0 || static_cast<std::size_t>(parent) >= bones.size()) break;
      b = static_cast<std::size_t>(parent);
    }
    for (std::size_t p : path) state[p] = 2;
  }
}

std::string TraceText(std::u16string_view text) {
  return TraceEnabled() ? Utf16ToUtf8(text) : std::string();
}

}  // namespace brivonel
