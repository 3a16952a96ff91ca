// Building a Model from a PMXModel.
#include <string>

#include "base/trace.h"
#include "formats/material_effects.h"
#include "formats/model_building.h"
#include "formats/path_helpers.h"
#include "formats/physics_building.h"
#include "formats/pmx_decoder.h"
#include "formats/usable_values.h"

namespace brivonel {
namespace {

constexpr char16_t kCenterBoneName[] = u"センター";

// The texture the list holds at index, or -1 when the index is past it.
std::int32_t ListedTexture(const PMXModel& r, std::int32_t index, Model& model,
                           std::u16string_view baseFolder, TextureLoading textures) {
  if (index < 0 || static_cast<std::size_t>(index) >= r.textures.size()) return -1;
  return LookUpTexture(model, baseFolder, r.textures[static_cast<std::size_t>(index)], textures);
}

// The sphere map or sub-texture with its mode, and the toon: a shared number
// or a texture of the model's own.
void BuildLooks(const PMXModel& r, const PMXMaterial& source, Model& model, Material& m,
                std::u16string_view baseFolder, TextureLoading textures) {
  // A sub-texture is laid on with the first additional UV set: a file
  // without one gives it no place to go, and it is left out.
  const bool placeless = source.sphereMode == kSphereSubTexture && r.additionalUvCount == 0;
  if (placeless) TraceFormat("material %d: sub-texture without additional UVs\n", m.number);
  if (source.sphereMode >= kSphereMultiply && source.sphereMode <= kSphereSubTexture &&
      !placeless) {
    m.sphereTextureId = ListedTexture(r, source.sphereTextureIndex, model, baseFolder, textures);
    if (m.sphereTextureId >= 0) m.sphereMode = source.sphereMode;
  }
  if (source.sharedToon != 0) {
    UseSharedToon(model, m, source.toon, baseFolder, textures);
  } else {
    m.toonTextureId = ListedTexture(r, source.toon, model, baseFolder, textures);
  }
}

void BuildMaterials(const PMXModel& r, Model& model, Mesh& mesh, TextureLoading textures) {
  std::u16string baseFolder;
  DirectoryOfPath(model.path, baseFolder);
  std::uint64_t runningIndexTotal = 0;
  for (std::size_t k = 1; k <= r.materials.size(); ++k) {
    const PMXMaterial& source = r.materials[k - 1];
    Material& m = model.materials[k - 1];
    m.number = static_cast<std::int32_t>(k);
    m.name = source.name;
    m.diffuse = source.diffuse;
    m.ambient = {source.ambient.x, source.ambient.y, source.ambient.z, 0.0f};
    m.specular = {source.specular.x, source.specular.y, source.specular.z, source.specularPower};
    m.edgeFlag = (source.drawFlags & kMaterialDrawsEdge) != 0 ? 1 : 0;
    m.edgeColor = source.edgeColor;
    m.edgeSize = source.edgeSize;
    // A texture index past the texture list is dropped: no texture.
    const std::int32_t t = source.textureIndex;
    if (t >= 0 && static_cast<std::size_t>(t) < r.textures.size()) {
      m.textureName = r.textures[static_cast<std::size_t>(t)];
      m.textureId = LookUpTexture(model, baseFolder, m.textureName, textures);
    } else if (t >= 0) {
      TraceFormat("material %zu: texture %d is not in the list; no texture\n", k, t);
    }
    BuildLooks(r, source, model, m, baseFolder, textures);
    AddPiece(mesh, k, source.indexCount, runningIndexTotal);
    mesh.pieces[k - 1].material = &m;
    if (TraceEnabled()) {
      const FaceRange& range = mesh.pieces[k - 1].ranges.front();
      TraceFormat("%s Piece fidx:%u fnum:%u\r\n", TraceText(m.name).c_str(), range.firstFace,
                  range.faceCount);
    }
  }
}

void BuildVertices(const PMXModel& r, Mesh& mesh) {
  const std::size_t boneCount = r.bones.size();
  mesh.vertices.resize(r.vertices.size());
  for (std::size_t i = 0; i < r.vertices.size(); ++i) {
    const PMXVertex& s = r.vertices[i];
    Vertex& v = mesh.vertices[i];
    v.position = {s.position.x, s.position.y, s.position.z, s.edgeScale};
    v.normal = s.normal;
    v.uv = s.uv;
    for (int j = 0; j < r.additionalUvCount; ++j) v.additionalUv[j] = s.additionalUv[j];
    int used = 1;
    switch (s.deformKind) {
      case kDeformBdef1:
        v.boneWeights[0] = 255;
        break;
      case kDeformBdef2:
      case kDeformSdef: {
        const std::uint8_t w = BlendWeight(s.weights[0]);
        v.boneWeights[0] = w;
        v.boneWeights[1] = static_cast<std::uint8_t>(255 - w);
        used = 2;
        break;
      }
      default:  // four bones
        for (int j = 0; j < 4; ++j) v.boneWeights[j] = BlendWeight(s.weights[j]);
        used = 4;
        break;
    }
    for (int j = 0; j < used; ++j) {
      v.boneIndices[j] = static_cast<std::uint8_t>(s.bones[j] & 0xFF);
      if (!NamesBone(s.bones[j], boneCount)) v.boneWeights[j] = 0;
    }
  }
}

bool NamesIkBone(std::int32_t bone, std::size_t boneCount) {
  return bone >= 0 && bone <= 0xFFFF && static_cast<std::size_t>(bone) < boneCount;
}

void BuildBones(const PMXModel& r, Model& model) {
  const std::size_t count = r.bones.size();
  model.bones.clear();
  model.bones.resize(count);
  model.ikChains.clear();
  model.ikChains.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const PMXBone& s = r.bones[i];
    Bone& b = model.bones[i];
    b.name = s.name;
    b.parentIndex = CleanParent(s.parent, i, count);
    b.index = static_cast<std::int32_t>(i);
    b.isCenter = s.name == kCenterBoneName;
    b.deformLayer = s.deformLayer;
    b.deformAfterPhysics = s.deformAfterPhysics;
    const Float3 parentPosition =
        b.parentIndex >= 0 ? r.bones[static_cast<std::size_t>(b.parentIndex)].position : Float3{};
    SetRestPose(model.bones, i, s.position, parentPosition);
  }
  // IK chains after every bone exists: a link may name a later bone.
  for (std::size_t i = 0; i < count; ++i) {
    const PMXBone& s = r.bones[i];
    IkChain& chain = model.ikChains[i];
    chain.ikBone = static_cast<std::uint16_t>(i);
    if (!s.ik) continue;
    bool valid = i <= 0xFFFF && NamesIkBone(s.ikTarget, count);
    for (const PMXIKLink& link : s.ikLinks) valid = valid && NamesIkBone(link.bone, count);
    if (!valid) {
      // A chain naming a bone that does not exist is dropped (no links).
      TraceFormat("bone %zu: IK chain names a bone that does not exist; dropped\n", i);
      continue;
    }
    chain.targetBone = static_cast<std::uint16_t>(s.ikTarget);
    chain.linkCount = static_cast<std::uint8_t>(s.ikLinks.size());
    chain.iterations = static_cast<std::uint16_t>(s.ikLoopCount);
    chain.angleFactor = UsableNumber(s.ikLimitAngle, 4.0f * kPi) * 0.25f;
    chain.links.reserve(s.ikLinks.size());
    for (const PMXIKLink& link : s.ikLinks) {
      chain.links.push_back(static_cast<std::uint16_t>(link.bone));
      Bone& linked = model.bones[static_cast<std::size_t>(link.bone)];
      if (link.hasLimits) {
        const auto lower = [](float a) { return UsableNumber(a, 2.0f * kPi, -kPi); };
        const auto upper = [](float a) { return UsableNumber(a, 2.0f * kPi, kPi); };
        linked.ikMinAngles = {lower(link.lowerLimit.x), lower(link.lowerLimit.y), lower(link.lowerLimit.z), 0.0f};
        linked.ikMaxAngles = {upper(link.upperLimit.x), upper(link.upperLimit.y), upper(link.upperLimit.z), 0.0f};
      } else {
        linked.ikMinAngles = {-kPi, -kPi, -kPi, 0.0f};
        linked.ikMaxAngles = {kPi, kPi, kPi, 0.0f};
      }
    }
  }
  // Grants after every bone exists too: a grant may name a later bone.
  for (std::size_t i = 0; i < count; ++i) {
    const PMXBone& s = r.bones[i];
    if (s.rotationGrant || s.translationGrant)
      AddGrant(model, i, s.grantParent, s.grantRate, s.rotationGrant, s.translationGrant, s.localGrant);
  }
  // Each bone takes its grant and runs its IK chain in its turn.
  model.deformOrder = DeformOrder::kBoneByBone;
  BreakParentLoops(model.bones);
  if (TraceEnabled()) {
    for (const Bone& b : model.bones) {
      TraceFormat("%d %s %d\r\n", b.index, TraceText(b.name).c_str(), b.parentIndex);
    }
  }
}

// Keeps the offsets whose index names an entry of a list of size count.
template <typename T, typename IndexOf>
void KeepNamed(std::vector<T>& offsets, std::size_t count, IndexOf indexOf) {
  std::erase_if(offsets, [&](const T& o) { return indexOf(o) >= count; });
}

void BuildMorphs(const PMXModel& r, Model& model) {
  const std::size_t vertexCount = r.vertices.size();
  const std::size_t morphCount = r.morphs.size();
  model.morphList.clear();
  model.morphList.resize(morphCount);
  for (std::size_t i = 0; i < morphCount; ++i) {
    PMXMorph& m = model.morphs[r.morphs[i].name];
    m = r.morphs[i];
    // Offsets that name no vertex, bone, material, morph or body are dropped.
    KeepNamed(m.vertexOffsets, vertexCount, [](const PMXVertexOffset& o) { return o.vertexIndex; });
    KeepNamed(m.uvOffsets, vertexCount, [](const PMXUvOffset& o) { return o.vertexIndex; });
    KeepNamed(m.boneOffsets, r.bones.size(), [](const PMXBoneOffset& o) { return o.boneIndex; });
    for (PMXBoneOffset& o : m.boneOffsets) {
      o.translation = UsablePlace(o.translation);
      o.rotation = UsableRotation(o.rotation);
    }
    std::erase_if(m.materialOffsets, [&](const PMXMaterialOffset& o) {
      return o.materialIndex != 0xFFFFFFFFu && o.materialIndex >= r.materials.size();
    });
    std::erase_if(m.groupOffsets, [&](const PMXGroupOffset& o) {
      return o.morphIndex < 0 || static_cast<std::size_t>(o.morphIndex) >= morphCount;
    });
    std::erase_if(m.impulseOffsets, [&](const PMXImpulseOffset& o) {
      return o.bodyIndex < 0 || static_cast<std::size_t>(o.bodyIndex) >= r.rigidBodies.size();
    });
    model.morphList[i] = &m;
  }
  // Entries that name a group morph (itself included) stay: applying a group
  // never applies a group, and reports one that names itself.
  // The offset count is that of the list the model keeps.
  for (auto& [name, m] : model.morphs) {
    std::size_t kept = 0;
    switch (m.kind) {
      case kMorphGroup:
      case kMorphFlip: kept = m.groupOffsets.size(); break;
      case kMorphImpulse: kept = m.impulseOffsets.size(); break;
      case kMorphVertex: kept = m.vertexOffsets.size(); break;
      case kMorphBone: kept = m.boneOffsets.size(); break;
      case kMorphMaterial: kept = m.materialOffsets.size(); break;
      default: kept = m.uvOffsets.size(); break;
    }
    m.offsetCount = static_cast<std::int32_t>(kept);
  }
}

// Bodies and joints as the file has them: positions already in model space.
// Joints of the kinds PMX 2.1 added are left out.
void BuildPhysics(PMXModel& r, Model& model) {
  physics::PhysicsDescription description;
  if (r.physicsNote.empty()) {
    description.bodies.reserve(r.rigidBodies.size());
    for (const PMXRigidBody& b : r.rigidBodies)
      description.bodies.push_back(DescribeBody(b.name, b.bone, b, b.position));
    for (std::size_t i = 0; i < r.joints.size(); ++i) {
      const PMXJoint& j = r.joints[i];
      if (j.kind != kJointSpring6Dof) {
        TraceFormat("joint %zu is of kind %u, which is not simulated; left out\n", i, j.kind);
        continue;
      }
      description.joints.push_back(DescribeJoint(j.name, j.bodyA, j.bodyB, j));
    }
  }
  GivePhysics(model, std::move(description), r.physicsNote);
}

}  // namespace

int PMXDecoder::Build(PMXModel& record, Model& model, TextureLoading textures) {
  try {
    Mesh& mesh = StartModel(model, record.materials.size());
    mesh.indices.assign(record.indices.begin(), record.indices.end());
    BuildMaterials(record, model, mesh, textures);
    BuildVertices(record, mesh);
    CheckFaceIndices(mesh);
    BuildBones(record, model);
    BuildMorphs(record, model);
    BuildPhysics(record, model);
  } catch (const FormatRefused& refused) {
    record.formatError = refused.what();
    TraceFormat("PMX refused: %s\n", refused.what());
    return FormatError;
  }
  return ModelBuilt;
}

int PMXDecoder::BuildModel(std::shared_ptr<PMXModel> record, std::shared_ptr<Model> model) {
  if (!record || !model) return FormatError;
  return Build(*record, *model, TextureLoading::kLoad);
}

}  // namespace brivonel
