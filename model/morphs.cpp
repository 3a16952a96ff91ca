// Morphs: the motion's morph tracks give each morph a weight per frame, and
// the morph's kind decides what the weight changes. Vertex and UV morphs
// change the posed vertices for one frame (the next frame starts from the
// rest vertices), bone morphs add to the bone poses, material morphs
// accumulate colour factors that drawing folds in, group morphs apply other
// morphs with scaled weights, a flip morph switches on the one morph of its
// list that its weight chooses, and impulse morphs push rigid bodies (in the
// physics stage). Entries that name a vertex, bone, material or morph that
// does not exist are skipped.
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

// The track's weight at `frame`: linear between the keys around it, the
// first key's before the first and the last key's after the last, so that a
// single key holds its weight for the whole motion; 0 without keys. The
// cursor is a hint kept between frames.
float TrackWeight(MorphTrack& track, std::uint32_t frame) {
  const std::vector<MorphKey>& keys = track.keys;
  if (keys.empty()) return 0.0f;
  const std::int32_t last = static_cast<std::int32_t>(keys.size()) - 1;
  // One left out of range by changed keys starts over from the nearest key.
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
  return MorphWeight(frame, *prev, *next);
}

// The entry a flip morph of this weight switches on: of n entries, entry k
// once the weight reaches (k + 1) / (n + 1), the first for any weight above
// 0 and the last for any weight from n / (n + 1) up; none at 0 or below.
// (The only runtime that plays flip morphs chooses so.)
const PMXGroupOffset* FlipChoice(const PMXMorph& flip, float weight) {
  const std::size_t n = flip.groupOffsets.size();
  if (n == 0 || !(weight > 0.0f)) return nullptr;
  const float scaled = std::min(static_cast<float>(n + 1) * weight, static_cast<float>(n));
  const std::size_t k = static_cast<std::size_t>(scaled);
  return &flip.groupOffsets[k == 0 ? 0 : k - 1];
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
    const PMXMorph* target = MorphAt(entry.morphIndex);
    if (target == nullptr) continue;
    if (target == &morph) {
      if (TraceEnabled())
        TraceFormat("グループモーフィングに自分自身が設定されています index:%d name:%s",
                    static_cast<int>(entry.morphIndex), Utf16ToUtf8(morph.name).c_str());
      continue;
    }
    // Groups do not nest: a group inside a group is not applied. A flip
    // inside a group has made its choice already (ChooseFlips).
    if (target->kind == kMorphGroup || target->kind == kMorphFlip) continue;
    ApplyMorph(*target, weight * entry.weight);
  }
}

void Model::ApplyMorph(const PMXMorph& morph, float weight) {
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
    case kMorphImpulse:
      // Pushes rigid bodies: the physics stage gives them (PushBodies).
      impulseMorphs_.push_back({&morph, weight});
      break;
    case kMorphFlip:  // chosen before (ChooseFlips)
      break;
    default:
      if (morph.kind >= kMorphUv && morph.kind <= kMorphAdditionalUv4) ApplyUvMorph(morph, weight);
      break;
  }
}

const PMXMorph* Model::MorphAt(std::int32_t index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= morphList.size()) return nullptr;
  return morphList[static_cast<std::size_t>(index)];
}

void Model::ChooseFlip(const PMXMorph& flip, float weight) {
  const PMXGroupOffset* choice = FlipChoice(flip, weight);
  if (choice == nullptr) return;
  const PMXMorph* target = MorphAt(choice->morphIndex);
  // Flips do not nest.
  if (target == nullptr || target->kind == kMorphFlip) return;
  for (WeightedMorph& chosen : flipChoices_) {
    if (chosen.morph == target) {
      chosen.weight = choice->weight;  // the later flip's choice counts
      return;
    }
  }
  flipChoices_.push_back({target, choice->weight});
}

void Model::ChooseFlips(const Animation& motion) {
  flipChoices_.clear();
  for (const auto& [name, track] : motion.morphTracks) {
    if (track.morph == nullptr) continue;
    const PMXMorph& morph = *track.morph;
    if (morph.kind == kMorphFlip) {
      ChooseFlip(morph, track.weight);
    } else if (morph.kind == kMorphGroup) {
      for (const PMXGroupOffset& entry : morph.groupOffsets) {
        const PMXMorph* target = MorphAt(entry.morphIndex);
        if (target != nullptr && target->kind == kMorphFlip) ChooseFlip(*target, track.weight * entry.weight);
      }
    }
  }
}

void Model::ApplyMorphTracks() {
  impulseMorphs_.clear();
  flipChoices_.clear();
  if (!animation) return;
  if (Animation* outgoing = FadingMotion()) {
    BlendMorphWeights(*animation, *outgoing);
    return;
  }
  CollectMorphWeights(*animation, incomingMorphs_);
  for (const WeightedMorph& weighted : incomingMorphs_) ApplyMorph(*weighted.morph, weighted.weight);
}

void Model::CollectMorphWeights(Animation& motion, std::vector<WeightedMorph>& weighted) {
  weighted.clear();
  for (auto& [name, track] : motion.morphTracks) track.weight = TrackWeight(track, motion.currentFrame);
  // A morph that a flip switches on takes the flip's entry weight in place
  // of the one its own track gives it.
  ChooseFlips(motion);
  for (const auto& [name, track] : motion.morphTracks) {
    if (track.morph == nullptr) continue;
    // A named copy: clang before 16 cannot capture a structured binding.
    const PMXMorph* morph = track.morph;
    const bool chosen = std::any_of(flipChoices_.begin(), flipChoices_.end(),
                                    [morph](const WeightedMorph& c) { return c.morph == morph; });
    if (!chosen) weighted.push_back({track.morph, track.weight});
  }
  weighted.insert(weighted.end(), flipChoices_.begin(), flipChoices_.end());
}

void Model::BlendMorphWeights(Animation& incoming, Animation& outgoing) {
  CollectMorphWeights(outgoing, outgoingMorphs_);
  const float share = blend_.weight;
  if (!(share > 0.0f)) {
    for (const WeightedMorph& weighted : outgoingMorphs_) ApplyMorph(*weighted.morph, weighted.weight);
    return;
  }
  CollectMorphWeights(incoming, incomingMorphs_);
  // Each morph once, at the mix of its weights (0 in the motion that does
  // not key it): a face fades from one motion's expression to the other's.
  morphMatched_.assign(incomingMorphs_.size(), 0);
  for (const WeightedMorph& out : outgoingMorphs_) {
    float in = 0.0f;
    for (std::size_t i = 0; i < incomingMorphs_.size(); ++i) {
      if (morphMatched_[i] != 0 || incomingMorphs_[i].morph != out.morph) continue;
      morphMatched_[i] = 1;
      in = incomingMorphs_[i].weight;
      break;
    }
    ApplyMorph(*out.morph, out.weight + (in - out.weight) * share);
  }
  for (std::size_t i = 0; i < incomingMorphs_.size(); ++i)
    if (morphMatched_[i] == 0) ApplyMorph(*incomingMorphs_[i].morph, incomingMorphs_[i].weight * share);
}

}  // namespace brivonel
