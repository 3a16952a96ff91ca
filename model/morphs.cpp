// Morphs: the motion's morph tracks give each morph a weight per frame, and
// the morph's kind decides what the weight changes. Vertex and UV morphs
// change the posed vertices for one frame (the next frame starts from the
// rest vertices), bone morphs add to the bone poses, material morphs
// accumulate colour factors that drawing folds in, and group morphs apply other morphs with scaled
// weights. Entries that name a vertex, bone, material or morph that does not
// exist are skipped.
#include <algorithm>
#include <cstddef>

#include "base/trace.h"
#include "base/unicode.h"
#include "model/model.h"

namespace brivonel {
namespace {

constexpr std::uint32_t kAllMaterials = 0xFFFFFFFFu;

void AddMaterialEntry(MaterialFactors& factors, const PMXMaterialOffset& entry, float weight,
                      bool allMaterials) {
  factors.diffuse = Add(factors.diffuse, Scale(entry.diffuse, weight));
  factors.ambient =
      Add(factors.ambient, Scale(Float4{entry.ambient.x, entry.ambient.y, entry.ambient.z, 0.0f}, weight));
  factors.specular.x += entry.specular.x * weight;
  factors.specular.y += entry.specular.y * weight;
  factors.specular.z += entry.specular.z * weight;
  // A single-material entry replaces the power that earlier entries left;
  // an all-materials entry adds to it.
  if (allMaterials)
    factors.specular.w += entry.specularPower * weight;
  else
    factors.specular.w = entry.specularPower * weight;
  factors.edgeColor = Add(factors.edgeColor, Scale(entry.edgeColor, weight));
}

void ApplyMaterialEntry(Material& material, const PMXMaterialOffset& entry, float weight,
                        bool allMaterials) {
  if (entry.operation == 0) {
    material.multiplyPending = true;
    AddMaterialEntry(material.multiplyFactors, entry, weight, allMaterials);
  } else {
    material.addPending = true;
    AddMaterialEntry(material.addTerms, entry, weight, allMaterials);
  }
}

// Weight between two morph keys: linear, unclamped; 0 on an empty interval.
float MorphWeight(std::uint32_t frame, const MorphKey& prev, const MorphKey& next) {
  float t = 0.0f;
  if (prev.frame != next.frame)
    t = static_cast<float>(frame - prev.frame) / static_cast<float>(next.frame - prev.frame);
  return prev.weight + (next.weight - prev.weight) * t;
}

}  // namespace

void Model::ApplyVertexMorph(const PMXMorph& morph, float weight) {
  // Room for every entry first (kept from frame to frame once the list has
  // grown), then trimmed to the entries that name a vertex.
  const std::size_t count = posedVertices.size();
  const std::size_t first = touchedVertices.size();
  touchedVertices.resize(first + morph.vertexOffsets.size());
  std::uint32_t* touched = touchedVertices.data() + first;
  Vertex* vertices = posedVertices.data();
  for (const PMXVertexOffset& entry : morph.vertexOffsets) {
    if (entry.vertexIndex >= count) continue;
    *touched++ = entry.vertexIndex;
    Float4& position = vertices[entry.vertexIndex].position;
    position.x += entry.translation.x * weight;
    position.y += entry.translation.y * weight;
    position.z += entry.translation.z * weight;
  }
  touchedVertices.resize(static_cast<std::size_t>(touched - touchedVertices.data()));
}

void Model::ApplyUvMorph(const PMXMorph& morph, float weight) {
  if (morph.kind < kMorphUv || morph.kind > kMorphAdditionalUv4) return;
  const std::size_t count = posedVertices.size();
  for (const PMXUvOffset& entry : morph.uvOffsets) {
    if (entry.vertexIndex >= count) continue;
    touchedVertices.push_back(entry.vertexIndex);
    Vertex& vertex = posedVertices[entry.vertexIndex];
    // Only the first two components of an offset are applied, also to the
    // four-component additional UVs.
    if (morph.kind == kMorphUv) {
      vertex.uv.x += entry.offset.x * weight;
      vertex.uv.y += entry.offset.y * weight;
    } else {
      Float4& uv = vertex.additionalUv[morph.kind - kMorphAdditionalUv1];
      uv.x += entry.offset.x * weight;
      uv.y += entry.offset.y * weight;
    }
  }
}

void Model::ApplyBoneMorph(const PMXMorph& morph) {
  // The weight plays no part: an evaluated bone morph acts in full.
  const std::size_t count = bones.size();
  for (const PMXBoneOffset& entry : morph.boneOffsets) {
    if (entry.boneIndex >= count) continue;
    Bone& bone = bones[entry.boneIndex];
    bone.rotation = QuaternionMultiply(bone.rotation, entry.rotation);
    bone.position = Add(bone.position, Float4{entry.translation.x, entry.translation.y,
                                              entry.translation.z, 0.0f});
  }
}

void Model::ApplyMaterialMorph(const PMXMorph& morph, float weight) {
  for (const PMXMaterialOffset& entry : morph.materialOffsets) {
    if (entry.materialIndex == kAllMaterials) {
      for (Material& material : materials) ApplyMaterialEntry(material, entry, weight, true);
    } else if (entry.materialIndex < materials.size()) {
      ApplyMaterialEntry(materials[entry.materialIndex], entry, weight, false);
    }
  }
}

void Model::ApplyGroupMorph(const PMXMorph& morph, float weight) {
  for (const PMXGroupOffset& entry : morph.groupOffsets) {
    if (entry.morphIndex < 0 || static_cast<std::size_t>(entry.morphIndex) >= morphList.size())
      continue;
    const PMXMorph* target = morphList[static_cast<std::size_t>(entry.morphIndex)];
    if (target == nullptr) continue;
    if (target == &morph) {
      if (TraceEnabled())
        TraceFormat("グループモーフィングに自分自身が設定されています index:%d name:%s",
                    static_cast<int>(entry.morphIndex), Utf16ToUtf8(morph.name).c_str());
      continue;
    }
    // Groups do not nest: a group inside a group is not applied.
    const float targetWeight = weight * entry.weight;
    switch (target->kind) {
      case kMorphVertex:
        ApplyVertexMorph(*target, targetWeight);
        break;
      case kMorphBone:
        ApplyBoneMorph(*target);
        break;
      case kMorphMaterial:
        ApplyMaterialMorph(*target, targetWeight);
        break;
      default:
        if (target->kind >= kMorphUv && target->kind <= kMorphAdditionalUv4)
          ApplyUvMorph(*target, targetWeight);
        break;
    }
  }
}

void Model::ApplyMorphTracks() {
  if (!animation) return;
  Animation& motion = *animation;
  const std::uint32_t frame = motion.currentFrame;
  for (auto& [name, track] : motion.morphTracks) {
    const std::vector<MorphKey>& keys = track.keys;
    // A single key has no effect.
    track.weight = 0.0f;
    if (keys.size() < 2) continue;
    const std::int32_t last = static_cast<std::int32_t>(keys.size()) - 1;
    // The cursor is a hint kept between frames; one left out of range by
    // changed keys starts over from the nearest key.
    track.cursor = std::min(std::max(track.cursor, 0), last);

    const MorphKey* prev;
    const MorphKey* next;
    if (frame < keys.front().frame) {
      prev = next = &keys.front();
    } else if (frame > keys.back().frame) {
      prev = next = &keys.back();
    } else {
      std::size_t i = keys[static_cast<std::size_t>(track.cursor)].frame < frame
                          ? static_cast<std::size_t>(track.cursor)
                          : 0;
      while (i < keys.size() && keys[i].frame < frame) ++i;
      // On the first key itself the pair is that key twice: a cursor left
      // further on by an earlier, later frame (the motion's wrap to frame 0)
      // must not pair it with a later key.
      track.cursor = static_cast<std::int32_t>(i > 0 ? i - 1 : 0);
      next = &keys[i];
      prev = &keys[static_cast<std::size_t>(track.cursor)];
    }
    const float weight = MorphWeight(frame, *prev, *next);
    track.weight = weight;
    if (track.morph == nullptr) continue;
    const PMXMorph& morph = *track.morph;
    switch (morph.kind) {
      case kMorphGroup:
        ApplyGroupMorph(morph, weight);
        break;
      case kMorphVertex:
        ApplyVertexMorph(morph, weight);
        break;
      case kMorphBone:
        ApplyBoneMorph(morph);
        break;
      case kMorphMaterial:
        ApplyMaterialMorph(morph, weight);
        break;
      default:
        if (morph.kind >= kMorphUv && morph.kind <= kMorphAdditionalUv4) ApplyUvMorph(morph, weight);
        break;
    }
  }
}

}  // namespace brivonel
