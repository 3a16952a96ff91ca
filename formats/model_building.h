#pragma once
// Building steps shared by the PMX and PMD model builders.
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/decoder.h"
#include "model/model.h"

namespace brivonel {

// Empties the texture and shader pools and the lists a builder fills (the
// grants too, with the deform order of PMD files), creates the mesh
// "mesh01" and sizes the materials and pieces to materialCount. Returns the
// mesh (already the model's only mesh).
Mesh& StartModel(Model& model, std::size_t materialCount);

// The texture pool index for name: Find, else Load from baseFolder; -1 for an
// empty name, a missing file, or when textures are skipped.
std::int32_t LookUpTexture(Model& model, std::u16string_view baseFolder,
                           std::u16string_view name, TextureLoading textures,
                           WhenMissing whenMissing = WhenMissing::kNote);

// Piece k of the mesh for material k: faceCount = indexCount / 3, one range
// starting at runningIndexTotal / 3. Refuses a count that is negative or
// reaches past the mesh's index list.
void AddPiece(Mesh& mesh, std::size_t materialNumber, std::int64_t indexCount,
              std::uint64_t& runningIndexTotal);

// Refuses a face index that names no vertex of the mesh.
void CheckFaceIndices(const Mesh& mesh);

// A blend weight (0-255) of a vertex: floor(weight * 255) held to 0..255; a
// weight that is no number gives 0.
std::uint8_t BlendWeight(float weight);

// True when a vertex bone reference names a bone of the model. A reference
// that names none gets blend weight 0, so skinning never uses a bone matrix
// that does not exist (the blend index stays as built).
inline bool NamesBone(std::int64_t reference, std::size_t boneCount) {
  return reference >= 0 && static_cast<std::uint64_t>(reference) < boneCount;
}

// The parent of bone i as the model keeps it: -1 for none, and also for a
// parent number past the bone list or the bone itself.
std::int32_t CleanParent(std::int64_t parent, std::size_t i, std::size_t boneCount);

// The rest pose of bone i, whose parentIndex is set: scale 1, no rotation,
// position relative to the parent when the parent comes first (else its own
// model-space position); world = affine matrix, times the parent's world
// matrix when the parent comes first; bind = world. parentPosition is the
// parent's model-space position (ignored unless the parent comes first).
void SetRestPose(std::vector<Bone>& bones, std::size_t i, const Float3& position,
                 const Float3& parentPosition);

// Appends the grant of bone (a share `weight` of bone source's rotation
// and/or translation, of its own pose when local); one naming no other bone
// of the model is dropped with a trace line. Call in bone order, once every
// bone exists.
void AddGrant(Model& model, std::size_t bone, std::int64_t source, float weight, bool rotation,
              bool translation, bool local = false);

// Cuts parent links that form loops (a bone that is its own ancestor), so
// that following parents from any bone ends at a root within bone-count
// steps. In each loop the link of its lowest-numbered bone is cut.
void BreakParentLoops(std::vector<Bone>& bones);

// Bone names as UTF-8 for trace lines (only formatted when tracing is on).
std::string TraceText(std::u16string_view text);

}  // namespace brivonel
