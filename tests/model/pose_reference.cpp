#include "tests/model/pose_reference.h"

#include <algorithm>
#include <cmath>

namespace brivonel::test {
namespace {

bool ValidBone(const Model& model, std::int64_t index) {
  return index >= 0 && static_cast<std::uint64_t>(index) < model.bones.size();
}

Float4 TranslationRow(const Matrix4& m) { return {m.m[3][0], m.m[3][1], m.m[3][2], 1.0f}; }

Matrix4 LocalTimesParent(const Model& model, const Bone& bone) {
  Matrix4 m = MatrixAffine(bone.scale, bone.rotation, bone.position);
  if (ValidBone(model, bone.parentIndex))
    m = Multiply(m, model.bones[static_cast<std::size_t>(bone.parentIndex)].worldMatrix);
  return m;
}

void ApplyVertex(Model& model, const PMXMorph& morph, float weight) {
  for (const PMXVertexOffset& entry : morph.vertexOffsets) {
    if (entry.vertexIndex >= model.posedVertices.size()) continue;
    model.touchedVertices.push_back(entry.vertexIndex);
    Vertex& v = model.posedVertices[entry.vertexIndex];
    v.position.x += entry.translation.x * weight;
    v.position.y += entry.translation.y * weight;
    v.position.z += entry.translation.z * weight;
  }
}

void ApplyUv(Model& model, const PMXMorph& morph, float weight) {
  for (const PMXUvOffset& entry : morph.uvOffsets) {
    if (entry.vertexIndex >= model.posedVertices.size()) continue;
    model.touchedVertices.push_back(entry.vertexIndex);
    Vertex& v = model.posedVertices[entry.vertexIndex];
    if (morph.kind == 3) {
      v.uv.x += entry.offset.x * weight;
      v.uv.y += entry.offset.y * weight;
    } else {
      v.additionalUv[morph.kind - 4].x += entry.offset.x * weight;
      v.additionalUv[morph.kind - 4].y += entry.offset.y * weight;
    }
  }
}

void ApplyBone(Model& model, const PMXMorph& morph) {
  for (const PMXBoneOffset& entry : morph.boneOffsets) {
    if (!ValidBone(model, entry.boneIndex)) continue;
    Bone& bone = model.bones[entry.boneIndex];
    bone.rotation = QuaternionMultiply(bone.rotation, entry.rotation);
    bone.position.x += entry.translation.x;
    bone.position.y += entry.translation.y;
    bone.position.z += entry.translation.z;
    bone.position.w += 0.0f;
  }
}

void ApplyMaterialTo(Material& material, const PMXMaterialOffset& entry, float w, bool all) {
  MaterialFactors* f;
  if (entry.operation == 0) {
    material.multiplyPending = true;
    f = &material.multiplyFactors;
  } else {
    material.addPending = true;
    f = &material.addTerms;
  }
  f->diffuse.x += entry.diffuse.x * w;
  f->diffuse.y += entry.diffuse.y * w;
  f->diffuse.z += entry.diffuse.z * w;
  f->diffuse.w += entry.diffuse.w * w;
  f->ambient.x += entry.ambient.x * w;
  f->ambient.y += entry.ambient.y * w;
  f->ambient.z += entry.ambient.z * w;
  f->ambient.w += 0.0f * w;
  f->specular.x += entry.specular.x * w;
  f->specular.y += entry.specular.y * w;
  f->specular.z += entry.specular.z * w;
  if (all)
    f->specular.w += entry.specularPower * w;
  else
    f->specular.w = entry.specularPower * w;
  f->edgeColor.x += entry.edgeColor.x * w;
  f->edgeColor.y += entry.edgeColor.y * w;
  f->edgeColor.z += entry.edgeColor.z * w;
  f->edgeColor.w += entry.edgeColor.w * w;
}

void ApplyMaterial(Model& model, const PMXMorph& morph, float weight) {
  for (const PMXMaterialOffset& entry : morph.materialOffsets) {
    if (entry.materialIndex == 0xFFFFFFFFu) {
      for (Material& material : model.materials) ApplyMaterialTo(material, entry, weight, true);
    } else if (entry.materialIndex < model.materials.size()) {
      ApplyMaterialTo(model.materials[entry.materialIndex], entry, weight, false);
    }
  }
}

void ApplyByKind(Model& model, const PMXMorph& morph, float weight, bool allowGroup) {
  switch (morph.kind) {
    case 0:
      if (!allowGroup) return;
      for (const PMXGroupOffset& entry : morph.groupOffsets) {
        if (entry.morphIndex < 0 || static_cast<std::size_t>(entry.morphIndex) >= model.morphList.size()) continue;
        const PMXMorph* target = model.morphList[static_cast<std::size_t>(entry.morphIndex)];
        if (target == nullptr || target == &morph) continue;
        ApplyByKind(model, *target, weight * entry.weight, false);
      }
      return;
    case 1:
      ApplyVertex(model, morph, weight);
      return;
    case 2:
      ApplyBone(model, morph);
      return;
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
      ApplyUv(model, morph, weight);
      return;
    case 8:
      ApplyMaterial(model, morph, weight);
      return;
    default:
      return;
  }
}

bool ChainUsable(const Model& model, const IkChain& chain) {
  if (!ValidBone(model, chain.ikBone) || !ValidBone(model, chain.targetBone)) return false;
  if (chain.linkCount > chain.links.size()) return false;
  for (std::size_t i = 0; i < chain.linkCount; ++i)
    if (!ValidBone(model, chain.links[i])) return false;
  return true;
}

}  // namespace

void ReferenceApplyMorph(Model& model, const PMXMorph& morph, float weight) {
  ApplyByKind(model, morph, weight, true);
}

void ReferenceComputeWorldMatrices(Model& model) {
  for (Bone& bone : model.bones) bone.worldMatrix = LocalTimesParent(model, bone);
}

void ReferenceSolveIk(Model& model) {
  for (const IkChain& chain : model.ikChains) {
    const bool usable = chain.iterations == 0 || chain.linkCount == 0 || ChainUsable(model, chain);
    for (std::uint32_t iteration = 0; usable && iteration < chain.iterations; ++iteration) {
      if (chain.linkCount == 0) break;
      Bone& target = model.bones[chain.targetBone];
      Float4 effector = TranslationRow(target.worldMatrix);
      for (std::size_t i = 0; i < chain.linkCount; ++i) {
        Bone& link = model.bones[chain.links[i]];
        const Matrix4 inverseLink = Inverse(link.worldMatrix);
        const Float4 localEffector = Transform(effector, inverseLink);
        const Float4 localGoal = Transform(TranslationRow(model.bones[chain.ikBone].worldMatrix), inverseLink);
        const Float4 e = Normalize3(localEffector);
        const Float4 g = Normalize3(localGoal);
        if (NearEqual3(e, g, 1e-7f)) continue;
        Float4 axis = Cross3(e, g);
        if (NearEqual3(axis, Float4{0, 0, 0, 0}, 1e-7f)) continue;
        axis = Normalize3(axis);
        float angle = std::acos(std::clamp(Dot3(e, g), -1.0f, 1.0f));
        angle = angle * chain.angleFactor;
        const Quaternion q = QuaternionRotationAxis(axis, angle);
        const Quaternion rotation = QuaternionMultiply(q, link.rotation);
        const Matrix4 r = MatrixRotationQuaternion(rotation);
        float x = -std::atan2(r.m[2][1], r.m[2][2]);
        float y = std::asin(std::clamp(r.m[2][0], -1.0f, 1.0f));
        float z = -std::atan2(r.m[1][0], r.m[0][0]);
        x = std::max(x, link.ikMinAngles.x);
        y = std::max(y, link.ikMinAngles.y);
        z = std::max(z, link.ikMinAngles.z);
        x = std::min(x, link.ikMaxAngles.x);
        y = std::min(y, link.ikMaxAngles.y);
        z = std::min(z, link.ikMaxAngles.z);
        const Matrix4 m = Multiply(Multiply(MatrixRotationZ(z), MatrixRotationY(y)), MatrixRotationX(x));
        link.rotation = QuaternionRotationMatrix(m);
        link.worldMatrix = LocalTimesParent(model, link);
        target.worldMatrix = LocalTimesParent(model, target);
        effector = TranslationRow(target.worldMatrix);
      }
    }
    ReferenceComputeWorldMatrices(model);
  }
}

void ReferenceComputeSkinningMatrices(Model& model) {
  if (model.bones.empty() || !model.boneBuffer) return;
  if (model.skinningMatrices.size() != model.bones.size()) model.skinningMatrices.resize(model.bones.size());
  for (std::size_t i = 0; i < model.bones.size(); ++i) {
    const Matrix4 t = MultiplyTranspose(Inverse(model.bones[i].bindMatrix), model.bones[i].worldMatrix);
    for (int row = 0; row < 3; ++row)
      model.skinningMatrices[i].rows[row] = {t.m[row][0], t.m[row][1], t.m[row][2], t.m[row][3]};
  }
}

int ReferenceUpdate(Model& model, std::uint64_t elapsedMilliseconds) {
  if (model.loading) return 0;
  int result = 0;
  if (Animation* motion = model.animation.get()) {
    // Frame.
    const double frames = std::floor(static_cast<float>(elapsedMilliseconds) / 33.0f);
    std::uint32_t frame = static_cast<std::uint32_t>(static_cast<std::int64_t>(frames));
    if (!motion->boneTracks.empty() && !motion->boneTracks[0].keys.empty()) {
      const std::uint64_t lastFrame = motion->boneTracks[0].keys.back().frame;
      if (frame > lastFrame) frame = lastFrame == 0 ? 0 : static_cast<std::uint32_t>(frame % lastFrame);
    }
    motion->currentFrame = frame;

    // Bone tracks.
    float centreX = 0.0f;
    Float2 remembered{-1.0f, -1.0f};
    for (const BoneTrack& track : motion->boneTracks) {
      if (track.keys.empty()) continue;
      std::size_t n = 0;
      while (n < track.keys.size() && track.keys[n].frame < frame) ++n;
      if (n == track.keys.size()) n = track.keys.size() - 1;
      const BoneKey& next = track.keys[n];
      const BoneKey* prev;
      float t;
      if (n == 0) {
        prev = &next;
        t = 1.0f;
      } else {
        prev = &track.keys[n - 1];
        const float numerator = static_cast<float>(frame - prev->frame);
        const float denominator = static_cast<float>(next.frame - prev->frame);
        t = denominator == 0.0f ? 1.0f : numerator / denominator;
      }
      t = std::max(t, 0.0f);
      t = std::min(t, 1.0f);
      const std::uint8_t* ip = prev->interpolation;
      const float tX = Model::BezierValue(ip[0], ip[8], ip[4], ip[12], t);
      const float tY = Model::BezierValue(ip[1], ip[9], ip[5], ip[13], t);
      const float tZ = Model::BezierValue(ip[2], ip[10], ip[6], ip[14], t);
      const float tR = Model::BezierValue(ip[3], ip[11], ip[7], ip[15], t);
      if (!ValidBone(model, track.boneIndex)) continue;
      Bone& bone = model.bones[static_cast<std::size_t>(track.boneIndex)];
      bone.position.x = prev->position.x + (next.position.x - prev->position.x) * tX;
      bone.position.y = prev->position.y + (next.position.y - prev->position.y) * tY;
      bone.position.z = prev->position.z + (next.position.z - prev->position.z) * tZ;
      bone.position.w = 1.0f;
      if (bone.isCenter) {
        const Float2 centre = model.ProjectToScreen(bone.position);
        if (remembered.x < 0.0f) remembered = model.ProjectToScreen({0, 0, 0, 1});
        const float distance = centre.x - remembered.x;
        result = (distance > -2147483648.0f && distance < 2147483648.0f) ? static_cast<int>(distance) : 0;
        centreX = bone.position.x;
        bone.position.x = 0.0f;
        remembered = centre;
      } else if (bone.parentIndex < 0) {
        bone.position.x -= centreX;
      }
      bone.rotation = QuaternionSlerp(prev->rotation, next.rotation, tR);
    }

    // Morph tracks.
    for (auto& [name, track] : motion->morphTracks) {
      if (track.keys.size() < 2) continue;
      track.cursor = std::clamp(track.cursor, 0, static_cast<std::int32_t>(track.keys.size()) - 1);
      const MorphKey* prev;
      const MorphKey* next;
      if (frame < track.keys.front().frame) {
        prev = next = &track.keys.front();
      } else if (frame > track.keys.back().frame) {
        prev = next = &track.keys.back();
      } else {
        std::size_t i = 0;
        if (track.keys[static_cast<std::size_t>(track.cursor)].frame < frame) i = static_cast<std::size_t>(track.cursor);
        while (i < track.keys.size() && track.keys[i].frame < frame) ++i;
        if (i > 0) track.cursor = static_cast<std::int32_t>(i - 1);
        next = &track.keys[i];
        prev = &track.keys[static_cast<std::size_t>(track.cursor)];
      }
      float t = 0.0f;
      if (prev->frame != next->frame)
        t = static_cast<float>(frame - prev->frame) / static_cast<float>(next->frame - prev->frame);
      const float weight = prev->weight + (next->weight - prev->weight) * t;
      if (track.morph != nullptr) ReferenceApplyMorph(model, *track.morph, weight);
    }
  }
  ReferenceComputeWorldMatrices(model);
  ReferenceSolveIk(model);
  ReferenceComputeSkinningMatrices(model);
  return result;
}

void RestoreAfterDrawing(Model& model) {
  for (std::uint32_t v : model.touchedVertices) model.posedVertices[v] = model.baseVertices[v];
  model.touchedVertices.clear();
  for (Material& material : model.materials) {
    material.multiplyPending = false;
    material.addPending = false;
    material.multiplyFactors = MaterialFactors{};
    material.addTerms = MaterialFactors{};
  }
}

}  // namespace brivonel::test
