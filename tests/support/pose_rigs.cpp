#include "tests/support/pose_rigs.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "render/frame_setup.h"

namespace brivonel::test {
namespace {

Quaternion Euler(float x, float y, float z) {
  const Quaternion qx = QuaternionRotationAxis({1, 0, 0, 0}, x);
  const Quaternion qy = QuaternionRotationAxis({0, 1, 0, 0}, y);
  const Quaternion qz = QuaternionRotationAxis({0, 0, 1, 0}, z);
  return QuaternionMultiply(QuaternionMultiply(qz, qx), qy);
}

const Float4 kFullTurnMin{-kPi, -kPi, -kPi, 0.0f};
const Float4 kFullTurnMax{kPi, kPi, kPi, 0.0f};
const Float4 kKneeMin{-kPi, 0.0f, 0.0f, 0.0f};
const Float4 kKneeMax{0.0f, 0.0f, 0.0f, 0.0f};

IkChain MakeChain(Model& model, std::uint16_t ikBone, std::uint16_t targetBone,
                  const std::vector<IkLinkRecipe>& links, std::uint16_t iterations,
                  float angleFactor, bool pmxLimits) {
  IkChain chain;
  chain.ikBone = ikBone;
  chain.targetBone = targetBone;
  chain.linkCount = static_cast<std::uint8_t>(links.size());
  chain.iterations = iterations;
  chain.angleFactor = angleFactor;
  for (const IkLinkRecipe& link : links) {
    chain.links.push_back(link.bone);
    if (!pmxLimits) continue;
    Bone& bone = model.bones.at(link.bone);
    bone.ikMinAngles = link.limited ? link.minAngles : kFullTurnMin;
    bone.ikMaxAngles = link.limited ? link.maxAngles : kFullTurnMax;
  }
  return chain;
}

// PMD bones get their limits by name: knees only.
void ApplyPmdLimits(Model& model) {
  for (Bone& bone : model.bones) {
    if (bone.name.find(u"ひざ") != std::u16string::npos) {
      bone.ikMinAngles = kKneeMin;
      bone.ikMaxAngles = kKneeMax;
    } else {
      bone.ikMinAngles = kFullTurnMin;
      bone.ikMaxAngles = kFullTurnMax;
    }
  }
}

int FindBone(const Model& model, const std::u16string& name) {
  for (const Bone& bone : model.bones)
    if (bone.name == name) return bone.index;
  return -1;
}

std::u16string Numbered(const std::u16string& stem, int number) {
  std::u16string name = stem;
  for (char c : std::to_string(number)) name.push_back(static_cast<char16_t>(c));
  return name;
}

// Builds bone recipes by name, parents first.
class SkeletonSketch {
 public:
  int Add(const std::u16string& name, int parent, Float4 position) {
    specs_.push_back({name, parent, position});
    return static_cast<int>(specs_.size()) - 1;
  }
  // A hanging strand of `count` bones from `top` downwards; returns the bones.
  std::vector<int> Strand(const std::u16string& stem, int parent, Float4 top, Float4 step,
                          int count) {
    std::vector<int> bones;
    for (int i = 0; i < count; ++i) {
      bones.push_back(Add(Numbered(stem, i), i == 0 ? parent : bones.back(),
                          {top.x + step.x * static_cast<float>(i), top.y + step.y * static_cast<float>(i),
                           top.z + step.z * static_cast<float>(i), 0.0f}));
    }
    return bones;
  }
  const Float4& PositionOf(int bone) const { return specs_[static_cast<std::size_t>(bone)].position; }
  std::size_t size() const { return specs_.size(); }
  const std::vector<BoneRecipe>& recipes() const { return specs_; }

 private:
  std::vector<BoneRecipe> specs_;
};

struct Humanoid {
  int center = -1, upper = -1, neck = -1, head = -1, lower = -1;
  int thigh[2] = {}, knee[2] = {}, ankle[2] = {}, toe[2] = {}, legIk[2] = {}, toeIk[2] = {};
};

const std::u16string kSides[2] = {u"左", u"右"};
const float kSideSign[2] = {1.0f, -1.0f};

// The bones every humanoid has: body, arms with fingers, legs with IK bones.
Humanoid SketchHumanoid(SkeletonSketch& s, int root) {
  Humanoid h;
  h.center = s.Add(u"センター", root, {0, 8, 0, 0});
  h.upper = s.Add(u"上半身", h.center, {0, 9.5f, 0, 0});
  h.neck = s.Add(u"首", h.upper, {0, 14.5f, 0, 0});
  h.head = s.Add(u"頭", h.neck, {0, 15.5f, 0, 0});
  s.Add(u"左目", h.head, {0.4f, 16.5f, -0.6f, 0});
  s.Add(u"右目", h.head, {-0.4f, 16.5f, -0.6f, 0});
  h.lower = s.Add(u"下半身", h.center, {0, 9.5f, 0, 0});
  const std::u16string fingers[5] = {u"親指", u"人指", u"中指", u"薬指", u"小指"};
  for (int side = 0; side < 2; ++side) {
    const float x = kSideSign[side];
    const std::u16string& n = kSides[side];
    const int shoulder = s.Add(n + u"肩", h.upper, {x * 0.5f, 13.8f, 0, 0});
    const int arm = s.Add(n + u"腕", shoulder, {x * 1.5f, 13.5f, 0, 0});
    s.Add(n + u"腕捩", arm, {x * 2.8f, 12.5f, 0, 0});
    const int elbow = s.Add(n + u"ひじ", arm, {x * 4.0f, 11.5f, 0, 0});
    s.Add(n + u"手捩", elbow, {x * 5.0f, 10.5f, 0, 0});
    const int wrist = s.Add(n + u"手首", elbow, {x * 6.0f, 9.8f, 0, 0});
    for (int f = 0; f < 5; ++f) {
      int parent = wrist;
      for (int joint = 0; joint < 3; ++joint) {
        parent = s.Add(Numbered(n + fingers[f], joint + 1), parent,
                       {x * (6.4f + 0.3f * static_cast<float>(joint)), 9.6f - 0.2f * static_cast<float>(joint),
                        -0.4f + 0.2f * static_cast<float>(f), 0});
      }
    }
  }
  for (int side = 0; side < 2; ++side) {
    const float x = kSideSign[side];
    const std::u16string& n = kSides[side];
    h.thigh[side] = s.Add(n + u"足", h.lower, {x * 1.0f, 9.0f, 0.2f, 0});
    h.knee[side] = s.Add(n + u"ひざ", h.thigh[side], {x * 1.0f, 5.0f, 0.0f, 0});
    h.ankle[side] = s.Add(n + u"足首", h.knee[side], {x * 1.0f, 1.0f, 0.3f, 0});
    h.toe[side] = s.Add(n + u"つま先", h.ankle[side], {x * 1.0f, 0.0f, -1.2f, 0});
    h.legIk[side] = s.Add(n + u"足ＩＫ", root, s.PositionOf(h.ankle[side]));
    h.toeIk[side] = s.Add(n + u"つま先ＩＫ", h.legIk[side], s.PositionOf(h.toe[side]));
  }
  return h;
}

std::vector<Vertex> MakeVertices(std::size_t count, std::size_t boneCount, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> coordinate(-8.0f, 8.0f);
  std::uniform_int_distribution<int> bone(0, static_cast<int>(std::min<std::size_t>(boneCount, 256)) - 1);
  std::vector<Vertex> vertices(count);
  for (Vertex& v : vertices) {
    v.position = {coordinate(random), coordinate(random) + 8.0f, coordinate(random), 1.0f};
    v.normal = {0.0f, 1.0f, 0.0f};
    v.boneIndices[0] = static_cast<std::uint8_t>(bone(random));
    v.boneIndices[1] = static_cast<std::uint8_t>(bone(random));
    v.boneWeights[0] = 200;
    v.boneWeights[1] = 55;
    v.uv = {coordinate(random) / 16.0f + 0.5f, coordinate(random) / 16.0f + 0.5f};
    for (Float4& uv : v.additionalUv) uv = {coordinate(random), coordinate(random), 0.0f, 1.0f};
  }
  return vertices;
}

Curve RandomCurve(std::mt19937& random) {
  std::uniform_int_distribution<int> byte(0, 127);
  Curve c;
  c.x1 = static_cast<std::uint8_t>(byte(random));
  c.y1 = static_cast<std::uint8_t>(byte(random));
  c.x2 = static_cast<std::uint8_t>(byte(random));
  c.y2 = static_cast<std::uint8_t>(byte(random));
  return c;
}

// Keys for one bone every `spacing` frames; about a third of them linear.
void KeyBone(MotionBuilder& motion, std::mt19937& random, const std::u16string& bone,
             std::uint32_t frames, std::uint32_t spacing, float amplitude, float travel) {
  std::uniform_real_distribution<float> phase(0.0f, 6.28f);
  std::uniform_int_distribution<int> linear(0, 2);
  const float px = phase(random), py = phase(random), pz = phase(random);
  for (std::uint32_t f = 0; f <= frames; f += spacing) {
    const float time = static_cast<float>(f) / 30.0f;
    const Quaternion rotation = Euler(amplitude * std::sin(time * 2.1f + px),
                                      amplitude * std::sin(time * 1.3f + py),
                                      amplitude * std::sin(time * 1.7f + pz));
    const Float4 translation{travel * std::sin(time * 1.1f + py), travel * std::sin(time * 2.3f + pz),
                             travel * std::sin(time * 0.7f + px), 0.0f};
    if (linear(random) == 0) {
      motion.AddBoneKey(bone, f, translation, rotation);
    } else {
      const Curve curves[4] = {RandomCurve(random), RandomCurve(random), RandomCurve(random),
                               RandomCurve(random)};
      motion.AddBoneKey(bone, f, translation, rotation, curves);
    }
  }
}

void KeyMorph(MotionBuilder& motion, std::mt19937& random, const std::u16string& morph,
              std::uint32_t frames, std::uint32_t spacing) {
  std::uniform_real_distribution<float> weight(0.0f, 1.0f);
  for (std::uint32_t f = 0; f <= frames; f += spacing) motion.AddMorphKey(morph, f, weight(random));
}

PMXMorph& AddVertexMorph(Model& model, const std::u16string& name, std::mt19937& random,
                         std::size_t first, std::size_t span, std::size_t offsets) {
  // Editors store a morph's vertices in ascending order, usually from one
  // region of the mesh (the face).
  PMXMorph& morph = AddMorph(model, name, kMorphVertex);
  std::uniform_int_distribution<std::size_t> start(first, first + span - offsets);
  std::uniform_int_distribution<std::size_t> gap(1, 3);
  std::uniform_real_distribution<float> offset(-0.2f, 0.2f);
  std::size_t vertex = start(random);
  for (std::size_t i = 0; i < offsets && vertex < first + span; ++i, vertex += gap(random))
    morph.vertexOffsets.push_back(
        {static_cast<std::uint32_t>(vertex), {offset(random), offset(random), offset(random)}});
  morph.offsetCount = static_cast<std::int32_t>(morph.vertexOffsets.size());
  return morph;
}

// A material morph entry with small random colour offsets.
PMXMaterialOffset RandomMaterialEntry(std::mt19937& random, std::uint32_t material, std::int32_t operation) {
  std::uniform_real_distribution<float> offset(-0.5f, 0.5f);
  PMXMaterialOffset entry;
  entry.materialIndex = material;
  entry.operation = operation;
  entry.diffuse = {offset(random), offset(random), offset(random), offset(random)};
  entry.specular = {offset(random), offset(random), offset(random)};
  entry.specularPower = offset(random);
  entry.ambient = {offset(random), offset(random), offset(random)};
  entry.edgeColor = {offset(random), offset(random), offset(random), offset(random)};
  return entry;
}

}  // namespace

void BuildBones(Model& model, const std::vector<BoneRecipe>& recipes) {
  const std::size_t count = recipes.size();
  model.bones.clear();
  model.bones.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const BoneRecipe& recipe = recipes[i];
    Bone& bone = model.bones[i];
    bone.name = recipe.name;
    bone.parentIndex = recipe.parent;
    bone.index = static_cast<std::int32_t>(i);
    bone.isCenter = recipe.name == u"センター";
    const bool earlierParent = recipe.parent >= 0 && static_cast<std::size_t>(recipe.parent) < i;
    bone.position = earlierParent ? Subtract(recipe.position, recipes[static_cast<std::size_t>(recipe.parent)].position)
                                  : recipe.position;
    bone.position.w = 0.0f;
    bone.restPosition = bone.position;
    bone.worldMatrix = MatrixAffine(bone.scale, bone.rotation, bone.position);
    if (recipe.parent >= 0 && static_cast<std::size_t>(recipe.parent) <= i && static_cast<std::size_t>(recipe.parent) < count)
      bone.worldMatrix = Multiply(bone.worldMatrix, model.bones[static_cast<std::size_t>(recipe.parent)].worldMatrix);
    bone.bindMatrix = bone.worldMatrix;
    bone.localAxes = MatrixIdentity();
    bone.localAxes.m[3][3] = 0.0f;
  }
}

void AddIkChain(Model& model, std::uint16_t ikBone, std::uint16_t targetBone,
                const std::vector<IkLinkRecipe>& links, std::uint16_t iterations, float angleFactor) {
  model.ikChains.push_back(MakeChain(model, ikBone, targetBone, links, iterations, angleFactor, true));
}

IkChain& PmxChainOf(Model& model, std::size_t bone) {
  while (model.ikChains.size() < model.bones.size()) {
    IkChain chain;
    chain.ikBone = static_cast<std::uint16_t>(model.ikChains.size());
    model.ikChains.push_back(chain);
  }
  return model.ikChains.at(bone);
}

PMXMorph& AddMorph(Model& model, const std::u16string& name, std::int32_t kind) {
  PMXMorph& morph = model.morphs[name];
  morph = PMXMorph{};
  morph.name = name;
  morph.kind = kind;
  model.morphList.push_back(&morph);
  return morph;
}

void SetVertices(Model& model, std::vector<Vertex> vertices) {
  model.vertexCount = static_cast<std::uint32_t>(vertices.size());
  model.baseVertices = std::move(vertices);
  model.posedVertices = model.baseVertices;
  model.touchedVertices.clear();
  model.touchedVertices.reserve(model.baseVertices.size() / 5);
}

void EnableSkinning(Model& model) { model.boneBuffer = std::make_shared<gpu::Buffer>(); }

void MotionBuilder::AddBoneKey(const std::u16string& bone, std::uint32_t frame, Float4 translation,
                            Quaternion rotation, const Curve (&curves)[4]) {
  BoneFrame entry;
  entry.name = bone;
  entry.key.position = {translation.x, translation.y, translation.z, 0.0f};
  entry.key.rotation = rotation;
  entry.key.frame = frame;
  for (int c = 0; c < 4; ++c) {
    entry.key.interpolation[c] = curves[c].x1;
    entry.key.interpolation[4 + c] = curves[c].y1;
    entry.key.interpolation[8 + c] = curves[c].x2;
    entry.key.interpolation[12 + c] = curves[c].y2;
  }
  boneFrames_.push_back(std::move(entry));
}

void MotionBuilder::AddBoneKey(const std::u16string& bone, std::uint32_t frame, Float4 translation,
                            Quaternion rotation) {
  const Curve linear[4];
  AddBoneKey(bone, frame, translation, rotation, linear);
}

void MotionBuilder::AddMorphKey(const std::u16string& morph, std::uint32_t frame, float weight) {
  MorphFrame entry;
  entry.name = morph;
  entry.key.weight = weight;
  entry.key.frame = frame;
  morphFrames_.push_back(std::move(entry));
}

void MotionBuilder::AddShownKey(std::uint32_t frame, bool shown) { shownKeys_.push_back({frame, shown}); }

void MotionBuilder::AddIkSwitch(const std::u16string& ikBone, std::uint32_t frame, bool on) {
  ikSwitches_.push_back({ikBone, IkSwitchKey{frame, on}});
}

std::shared_ptr<Animation> MotionBuilder::Build() const {
  auto motion = std::make_shared<Animation>();
  for (const BoneFrame& entry : boneFrames_) {
    auto track = std::find_if(motion->boneTracks.begin(), motion->boneTracks.end(),
                              [&](const BoneTrack& t) { return t.name == entry.name; });
    if (track == motion->boneTracks.end()) {
      motion->boneTracks.push_back(BoneTrack{});
      track = motion->boneTracks.end() - 1;
      track->name = entry.name;
    }
    const int bone = FindBone(model_, entry.name);
    if (bone < 0) continue;
    brivonel::BoneKey key = entry.key;
    key.position = Add(key.position, model_.bones[static_cast<std::size_t>(bone)].restPosition);
    track->boneIndex = bone;
    track->keys.push_back(key);
  }
  for (BoneTrack& track : motion->boneTracks)
    std::stable_sort(track.keys.begin(), track.keys.end(),
                     [](const brivonel::BoneKey& a, const brivonel::BoneKey& b) { return a.frame < b.frame; });
  for (const MorphFrame& entry : morphFrames_) {
    MorphTrack& track = motion->morphTracks[entry.name];
    track.name = entry.name;
    track.keys.push_back(entry.key);
  }
  for (auto& [name, track] : motion->morphTracks) {
    std::stable_sort(track.keys.begin(), track.keys.end(),
                     [](const brivonel::MorphKey& a, const brivonel::MorphKey& b) { return a.frame < b.frame; });
    const auto morph = model_.morphs.find(name);
    track.morph = morph != model_.morphs.end() ? &morph->second : nullptr;
  }
  const auto earlier = [](const auto& a, const auto& b) { return a.frame < b.frame; };
  motion->shownKeys = shownKeys_;
  std::stable_sort(motion->shownKeys.begin(), motion->shownKeys.end(), earlier);
  for (const auto& [bone, key] : ikSwitches_) {
    auto track = std::find_if(motion->ikSwitchTracks.begin(), motion->ikSwitchTracks.end(),
                              [&](const IkSwitchTrack& t) { return t.boneName == bone; });
    if (track == motion->ikSwitchTracks.end()) {
      motion->ikSwitchTracks.push_back(IkSwitchTrack{bone, FindBone(model_, bone), {}});
      track = motion->ikSwitchTracks.end() - 1;
    }
    track->keys.push_back(key);
  }
  for (IkSwitchTrack& track : motion->ikSwitchTracks)
    std::stable_sort(track.keys.begin(), track.keys.end(), earlier);
  return motion;
}

Camera StandardCamera(int viewportWidth, int viewportHeight) {
  Camera camera;
  camera.view = CameraViewMatrix();
  camera.projection = CameraProjectionMatrix(viewportWidth, viewportHeight);
  return camera;
}

void AttachCamera(Model& model, const Camera& camera, int viewportWidth, int viewportHeight) {
  model.view = &camera.view;
  model.projection = &camera.projection;
  model.viewportWidth = viewportWidth;
  model.viewportHeight = viewportHeight;
}

void BuildPmdStyleRig(Model& model) {
  SkeletonSketch s;
  const Humanoid h = SketchHumanoid(s, -1);
  // Hair and necktie, each ending in an IK bone.
  std::vector<int> hair[2];
  int hairIk[2] = {};
  for (int side = 0; side < 2; ++side) {
    const float x = kSideSign[side];
    hair[side] = s.Strand(kSides[side] + u"髪", h.head, {x * 1.5f, 16.0f, 1.0f, 0}, {x * 0.2f, -1.4f, 0.3f, 0}, 6);
    hairIk[side] = s.Add(kSides[side] + u"髪ＩＫ", h.head, s.PositionOf(hair[side].back()));
  }
  const std::vector<int> tie = s.Strand(u"ネクタイ", h.upper, {0, 13.0f, -1.0f, 0}, {0, -0.9f, -0.1f, 0}, 4);
  const int tieIk = s.Add(u"ネクタイＩＫ", h.upper, s.PositionOf(tie.back()));
  // Skirt, sleeves, ribbons and coat tails: bones without tracks.
  for (int i = 0; i < 6; ++i) {
    const float a = static_cast<float>(i) * 1.047f;
    s.Strand(Numbered(u"スカート", i) + u"_", h.lower, {1.5f * std::cos(a), 9.0f, 1.5f * std::sin(a), 0},
             {0.3f * std::cos(a), -0.8f, 0.3f * std::sin(a), 0}, 4);
  }
  for (int side = 0; side < 2; ++side) {
    s.Strand(kSides[side] + u"袖", h.upper, {kSideSign[side] * 4.0f, 11.0f, 0.5f, 0}, {0, -0.4f, 0, 0}, 4);
    s.Strand(kSides[side] + u"リボン", h.head, {kSideSign[side] * 1.0f, 17.0f, 0.5f, 0}, {0.2f, -0.3f, 0, 0}, 4);
  }
  for (int i = 0; i < 4; ++i)
    s.Strand(Numbered(u"裾", i) + u"_", h.lower, {-1.5f + static_cast<float>(i), 8.5f, 1.2f, 0}, {0, -0.9f, 0.1f, 0}, 5);
  BuildBones(model, s.recipes());
  ApplyPmdLimits(model);

  auto u16 = [](int bone) { return static_cast<std::uint16_t>(bone); };
  for (int side = 0; side < 2; ++side) {
    model.ikChains.push_back(MakeChain(model, u16(h.legIk[side]), u16(h.ankle[side]),
                                       {{u16(h.knee[side])}, {u16(h.thigh[side])}}, 40, 0.5f, false));
    model.ikChains.push_back(MakeChain(model, u16(h.toeIk[side]), u16(h.toe[side]),
                                       {{u16(h.ankle[side])}}, 3, 1.0f, false));
  }
  for (int side = 0; side < 2; ++side) {
    std::vector<IkLinkRecipe> links;
    for (int i = 4; i >= 0; --i) links.push_back({u16(hair[side][static_cast<std::size_t>(i)])});
    model.ikChains.push_back(MakeChain(model, u16(hairIk[side]), u16(hair[side].back()), links, 15, 0.3f, false));
  }
  model.ikChains.push_back(MakeChain(model, u16(tieIk), u16(tie.back()),
                                     {{u16(tie[2])}, {u16(tie[1])}, {u16(tie[0])}}, 10, 0.5f, false));

  std::mt19937 random(140);
  SetVertices(model, MakeVertices(12000, model.bones.size(), 140));
  for (int m = 0; m < 30; ++m) {
    std::uniform_int_distribution<std::size_t> size(40, 400);
    AddVertexMorph(model, Numbered(u"表情", m), random, 0, 2500, size(random));
  }
  EnableSkinning(model);
}

std::shared_ptr<Animation> BuildDance(const Model& model, std::uint32_t frames, bool keyModelIk) {
  std::mt19937 random(700);
  MotionBuilder motion(model);
  // The centre first, as motion files usually list it, so the roots after it
  // (the leg IK bones) follow its horizontal travel.
  KeyBone(motion, random, u"センター", frames, 5, 0.15f, 1.5f);
  for (const char16_t* bone : {u"上半身", u"首", u"頭", u"下半身"}) KeyBone(motion, random, bone, frames, 5, 0.3f, 0.0f);
  const std::u16string armBones[6] = {u"肩", u"腕", u"腕捩", u"ひじ", u"手捩", u"手首"};
  const std::u16string fingers[5] = {u"親指", u"人指", u"中指", u"薬指", u"小指"};
  for (const std::u16string& side : kSides) {
    for (const std::u16string& bone : armBones) KeyBone(motion, random, side + bone, frames, 5, 0.8f, 0.0f);
    for (const std::u16string& finger : fingers)
      for (int joint = 1; joint <= 3; ++joint)
        KeyBone(motion, random, Numbered(side + finger, joint), frames, 15, 0.4f, 0.0f);
    // Feet step and sometimes stretch out of reach.
    KeyBone(motion, random, side + u"足ＩＫ", frames, 5, 0.3f, 2.5f);
    KeyBone(motion, random, side + u"つま先ＩＫ", frames, 10, 0.2f, 0.5f);
    if (keyModelIk) KeyBone(motion, random, side + u"髪ＩＫ", frames, 10, 0.2f, 1.5f);
  }
  if (keyModelIk) KeyBone(motion, random, u"ネクタイＩＫ", frames, 10, 0.2f, 1.0f);
  for (int m = 0; m < 30; ++m) KeyMorph(motion, random, Numbered(u"表情", m), frames, 8 + static_cast<std::uint32_t>(m % 12));
  return motion.Build();
}

void BuildPmxRig(Model& model, std::size_t vertexCount) {
  SkeletonSketch s;
  const int root = s.Add(u"全ての親", -1, {0, 0, 0, 0});
  const Humanoid h = SketchHumanoid(s, root);
  // Hair, skirt and accessory strands up to 500 bones; the first 16 end in
  // IK bones.
  std::vector<std::vector<int>> strands;
  std::vector<int> strandIk;
  for (int i = 0; s.size() < 500; ++i) {
    const float a = static_cast<float>(i) * 0.37f;
    const int parent = i % 3 == 0 ? h.lower : (i % 3 == 1 ? h.head : h.upper);
    const Float4 top{1.6f * std::cos(a), s.PositionOf(parent).y + 0.5f, 1.6f * std::sin(a), 0};
    const int length = static_cast<int>(std::min<std::size_t>(9, 500 - s.size() - (i < 16 ? 1 : 0)));
    if (length <= 0) break;
    strands.push_back(s.Strand(Numbered(u"房", i) + u"_", parent, top,
                               {0.15f * std::cos(a), -0.7f, 0.15f * std::sin(a), 0}, length));
    if (i < 16 && length >= 6) strandIk.push_back(s.Add(Numbered(u"房ＩＫ", i), parent, s.PositionOf(strands.back().back())));
  }
  BuildBones(model, s.recipes());

  auto u16 = [](int bone) { return static_cast<std::uint16_t>(bone); };
  auto set = [&](int ikBone, int target, const std::vector<IkLinkRecipe>& links, std::uint16_t iterations, float limitAngle) {
    PmxChainOf(model, static_cast<std::size_t>(ikBone)) =
        MakeChain(model, u16(ikBone), u16(target), links, iterations, limitAngle * 0.25f, true);
  };
  for (int side = 0; side < 2; ++side) {
    set(h.legIk[side], h.ankle[side],
        {{u16(h.knee[side]), {-kPi, 0, 0, 0}, {-0.0087266f, 0, 0, 0}}, {u16(h.thigh[side])}}, 40, 2.0f);
    set(h.toeIk[side], h.toe[side], {{u16(h.ankle[side])}}, 3, 4.0f);
  }
  for (std::size_t i = 0; i < strandIk.size(); ++i) {
    const std::vector<int>& strand = strands[i];
    std::vector<IkLinkRecipe> links;
    for (std::size_t j = strand.size() - 1; j-- > strand.size() - 5;)
      links.push_back(j % 2 == 0 ? IkLinkRecipe(u16(strand[j]), {-0.5f, -0.5f, -0.5f, 0}, {0.5f, 0.5f, 0.5f, 0})
                                 : IkLinkRecipe(u16(strand[j])));
    set(strandIk[i], strand.back(), links, 10, 1.0f);
  }
  PmxChainOf(model, model.bones.size() - 1);
  model.deformOrder = DeformOrder::kBoneByBone;

  std::mt19937 random(500);
  SetVertices(model, MakeVertices(vertexCount, model.bones.size(), 500));
  model.materials.resize(12);
  const std::size_t face = std::min<std::size_t>(vertexCount, 20000);
  std::uniform_int_distribution<std::size_t> vertexMorphSize(50, 600);
  for (int m = 0; m < 120; ++m) AddVertexMorph(model, Numbered(u"頂点", m), random, 0, face, vertexMorphSize(random));
  std::uniform_real_distribution<float> offset(-0.1f, 0.1f);
  for (int m = 0; m < 30; ++m) {
    PMXMorph& morph = AddMorph(model, Numbered(u"UV", m), kMorphUv + m % 5);
    std::uniform_int_distribution<std::uint32_t> vertex(0, static_cast<std::uint32_t>(face - 1));
    for (int i = 0; i < 100; ++i)
      morph.uvOffsets.push_back({vertex(random), {offset(random), offset(random), offset(random), offset(random)}});
    std::sort(morph.uvOffsets.begin(), morph.uvOffsets.end(),
              [](const PMXUvOffset& a, const PMXUvOffset& b) { return a.vertexIndex < b.vertexIndex; });
  }
  for (int m = 0; m < 20; ++m) {
    PMXMorph& morph = AddMorph(model, Numbered(u"骨", m), kMorphBone);
    std::uniform_int_distribution<std::uint32_t> bone(0, static_cast<std::uint32_t>(model.bones.size() - 1));
    for (int i = 0; i < 4; ++i)
      morph.boneOffsets.push_back({bone(random), {offset(random), offset(random), offset(random), 0}, Euler(offset(random), offset(random), offset(random))});
  }
  for (int m = 0; m < 20; ++m) {
    PMXMorph& morph = AddMorph(model, Numbered(u"材質", m), kMorphMaterial);
    for (int i = 0; i < 2; ++i) {
      morph.materialOffsets.push_back(
          RandomMaterialEntry(random, i == 0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(m % 12), m % 2));
    }
  }
  for (int m = 0; m < 10; ++m) {
    PMXMorph& morph = AddMorph(model, Numbered(u"グループ", m), kMorphGroup);
    for (int i = 0; i < 6; ++i)
      morph.groupOffsets.push_back({static_cast<std::int32_t>((m * 17 + i * 29) % 190), 0.5f});
  }
  EnableSkinning(model);
}

std::shared_ptr<Animation> BuildDenseMotion(const Model& model, std::uint32_t frames) {
  std::mt19937 random(501);
  MotionBuilder motion(model);
  KeyBone(motion, random, u"センター", frames, 1, 0.15f, 1.5f);
  // Every bone that a dancer keys, on every second frame; the IK links and
  // the strands under IK are left to IK.
  std::vector<bool> underIk(model.bones.size(), false);
  for (const IkChain& chain : model.ikChains) {
    if (chain.linkCount == 0) continue;
    underIk[chain.targetBone] = true;
    for (std::uint16_t link : chain.links) underIk[link] = true;
  }
  for (const Bone& bone : model.bones) {
    if (underIk[static_cast<std::size_t>(bone.index)]) continue;
    if (bone.isCenter || bone.name == u"全ての親") continue;
    if (bone.name.find(u"ひざ") != std::u16string::npos) continue;
    if (bone.name.find(u"足") != std::u16string::npos && bone.name.find(u"ＩＫ") == std::u16string::npos) continue;
    const bool ik = bone.name.find(u"ＩＫ") != std::u16string::npos;
    KeyBone(motion, random, bone.name, frames, 2, ik ? 0.2f : 0.3f, ik ? 2.0f : 0.0f);
  }
  for (const PMXMorph* morph : model.morphList) KeyMorph(motion, random, morph->name, frames, 3);
  return motion.Build();
}

namespace {

// Grants of every kind over a random rig's bones, from a stream of their
// own: shares of IK links and of granted bones, local ones, translations,
// negative and large shares, a bone granted twice, grants that name no
// bone; deform layers on some bones; and, for half the seeds, bone by bone
// order.
void AddRandomGrants(Model& model, std::uint32_t seed) {
  std::mt19937 random(seed * 7919u + 13u);
  std::uniform_int_distribution<int> percent(0, 99);
  const int count = static_cast<int>(model.bones.size());
  auto anyBone = [&] { return std::uniform_int_distribution<int>(0, count - 1)(random); };
  std::vector<std::int32_t> links;
  for (const IkChain& chain : model.ikChains)
    for (std::size_t i = 0; i < chain.linkCount && i < chain.links.size(); ++i)
      if (chain.links[i] < count) links.push_back(chain.links[i]);
  const int grants = std::uniform_int_distribution<int>(3, 10)(random);
  for (int g = 0; g < grants; ++g) {
    BoneGrant grant;
    grant.bone = g > 0 && percent(random) < 25 ? model.grants.back().bone : anyBone();
    if (!links.empty() && percent(random) < 35)
      grant.parent = links[std::uniform_int_distribution<std::size_t>(0, links.size() - 1)(random)];
    else if (g > 0 && percent(random) < 30)
      grant.parent = model.grants[std::uniform_int_distribution<std::size_t>(0, model.grants.size() - 1)(random)].bone;
    else
      grant.parent = anyBone();
    grant.weight = std::uniform_real_distribution<float>(-1.5f, 2.0f)(random);
    const int kind = percent(random);
    grant.rotation = kind < 80;
    grant.translation = kind >= 50;
    grant.local = percent(random) < 40;
    model.grants.push_back(grant);
  }
  model.grants.push_back(BoneGrant{count + 2, 0, 1.0f, true, false, false});  // no such bone
  model.grants.push_back(BoneGrant{0, 0, 1.0f, true, true, true});          // from itself
  for (Bone& bone : model.bones)
    if (percent(random) < 20) bone.deformLayer = std::uniform_int_distribution<int>(-1, 3)(random);
  if (seed % 4 < 2) model.deformOrder = DeformOrder::kBoneByBone;
}

}  // namespace

void BuildRandomRig(Model& model, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  std::uniform_int_distribution<int> percent(0, 99);
  const int count = std::uniform_int_distribution<int>(12, 40)(random);
  std::vector<BoneRecipe> recipes;
  for (int i = 0; i < count; ++i) {
    BoneRecipe recipe;
    recipe.name = i == 1 ? u"センター" : Numbered(u"bone", i);
    const int roll = percent(random);
    if (i == 0 || i == 1 || roll < 8) {
      recipe.parent = -1;
    } else if (roll < 20 && i + 1 < count && seed % 3 != 0) {
      recipe.parent = std::uniform_int_distribution<int>(i + 1, count - 1)(random);  // a later parent
    } else if (roll < 23) {
      recipe.parent = count + 3;  // no such bone: a root
    } else {
      recipe.parent = std::uniform_int_distribution<int>(0, i - 1)(random);
    }
    recipe.position = {unit(random) * 3.0f, 10.0f + unit(random) * 8.0f, unit(random) * 3.0f, 0.0f};
    recipes.push_back(recipe);
  }
  BuildBones(model, recipes);
  for (Bone& bone : model.bones) {
    bone.ikMinAngles = kFullTurnMin;
    bone.ikMaxAngles = kFullTurnMax;
  }

  // IK chains over shared links, with knee-like, narrow and full limits, and
  // a few broken records.
  auto randomBone = [&] { return static_cast<std::uint16_t>(std::uniform_int_distribution<int>(0, count - 1)(random)); };
  const int chains = std::uniform_int_distribution<int>(4, 9)(random);
  std::vector<std::uint16_t> shared = {randomBone(), randomBone(), randomBone()};
  for (int c = 0; c < chains; ++c) {
    std::vector<IkLinkRecipe> links;
    const int linkCount = std::uniform_int_distribution<int>(0, 4)(random);
    for (int i = 0; i < linkCount; ++i) {
      const std::uint16_t bone =
          percent(random) < 40 ? shared[static_cast<std::size_t>(i) % shared.size()] : randomBone();
      const int kind = percent(random);
      if (kind < 30)
        links.push_back(IkLinkRecipe(bone, kKneeMin, kKneeMax));
      else if (kind < 70)
        links.push_back(IkLinkRecipe(bone, {-0.5f, -0.2f, -1.0f, 0}, {0.6f, 0.3f, 0.1f, 0}));
      else
        links.push_back(IkLinkRecipe(bone));
    }
    const std::uint16_t iterations = static_cast<std::uint16_t>(std::uniform_int_distribution<int>(0, 25)(random));
    const float factor = std::uniform_real_distribution<float>(0.05f, 2.5f)(random);
    AddIkChain(model, randomBone(), randomBone(), links, iterations, factor);
    if (c % 3 == 0) model.ikChains.push_back(IkChain{});  // an empty PMX-style record
  }
  IkChain broken;
  broken.ikBone = randomBone();
  broken.targetBone = randomBone();
  broken.linkCount = 2;
  broken.iterations = 5;
  broken.links = {randomBone(), static_cast<std::uint16_t>(count + 7)};  // no such bone
  model.ikChains.insert(model.ikChains.begin() + 1, broken);
  IkChain shortList = broken;
  shortList.links = {randomBone()};  // fewer links than it counts
  model.ikChains.push_back(shortList);
  AddRandomGrants(model, seed);

  // Morphs of every kind, with entries that name nothing.
  const std::size_t vertexCount = 60;
  SetVertices(model, MakeVertices(vertexCount, static_cast<std::size_t>(count), seed));
  model.materials.resize(4);
  std::uniform_real_distribution<float> offset(-0.5f, 0.5f);
  std::uniform_int_distribution<std::uint32_t> vertex(0, vertexCount + 4);  // some past the end
  for (int m = 0; m < 3; ++m) {
    PMXMorph& morph = AddMorph(model, Numbered(u"v", m), kMorphVertex);
    for (int i = 0; i < 12; ++i) morph.vertexOffsets.push_back({vertex(random), {offset(random), offset(random), offset(random)}});
  }
  for (int kind = kMorphUv; kind <= kMorphAdditionalUv4; ++kind) {
    PMXMorph& morph = AddMorph(model, Numbered(u"uv", kind), kind);
    for (int i = 0; i < 8; ++i)
      morph.uvOffsets.push_back({vertex(random), {offset(random), offset(random), offset(random), offset(random)}});
  }
  for (int m = 0; m < 2; ++m) {
    PMXMorph& morph = AddMorph(model, Numbered(u"b", m), kMorphBone);
    for (int i = 0; i < 4; ++i)
      morph.boneOffsets.push_back({static_cast<std::uint32_t>(std::uniform_int_distribution<int>(0, count + 2)(random)),
                                   {offset(random), offset(random), offset(random), 0},
                                   Euler(offset(random), offset(random), offset(random))});
  }
  for (int m = 0; m < 2; ++m) {
    PMXMorph& morph = AddMorph(model, Numbered(u"m", m), kMorphMaterial);
    for (std::uint32_t index : {0xFFFFFFFFu, 1u, 9u, 2u}) {
      morph.materialOffsets.push_back(RandomMaterialEntry(random, index, static_cast<std::int32_t>(index % 2)));
    }
  }
  PMXMorph& group = AddMorph(model, u"g0", kMorphGroup);
  const std::int32_t groupIndex = static_cast<std::int32_t>(model.morphList.size()) - 1;
  for (std::int32_t target = 0; target < groupIndex; ++target) group.groupOffsets.push_back({target, offset(random) + 0.5f});
  group.groupOffsets.push_back({groupIndex, 1.0f});  // itself
  group.groupOffsets.push_back({groupIndex + 5, 1.0f});  // no such morph
  group.groupOffsets.push_back({-3, 1.0f});
  PMXMorph& outer = AddMorph(model, u"g1", kMorphGroup);
  outer.groupOffsets.push_back({groupIndex, 1.0f});  // a group inside a group
  outer.groupOffsets.push_back({0, 0.25f});
  AddMorph(model, u"future", 9);
  EnableSkinning(model);
}

std::shared_ptr<Animation> BuildRandomMotion(const Model& model, std::uint32_t seed) {
  std::mt19937 random(seed * 31u + 7u);
  std::uniform_int_distribution<int> percent(0, 99);
  std::uniform_int_distribution<std::uint32_t> gap(1, 12);
  MotionBuilder motion(model);
  for (const Bone& bone : model.bones) {
    if (percent(random) < 15) continue;  // some bones have no track
    const float amplitude = std::uniform_real_distribution<float>(0.2f, 1.5f)(random);
    const float travel = std::uniform_real_distribution<float>(0.0f, 2.0f)(random);
    std::uint32_t frame = percent(random) < 30 ? gap(random) : 0;  // some tracks start late
    const int keys = std::uniform_int_distribution<int>(1, 25)(random);
    for (int k = 0; k < keys; ++k) {
      const float time = static_cast<float>(frame) / 30.0f;
      const Curve curves[4] = {RandomCurve(random), RandomCurve(random), RandomCurve(random), RandomCurve(random)};
      motion.AddBoneKey(bone.name, frame,
                     {travel * std::sin(time * 3.0f), travel * std::cos(time * 2.0f), travel * std::sin(time), 0},
                     Euler(amplitude * std::sin(time * 2.0f), amplitude * std::cos(time * 1.5f), amplitude * std::sin(time * 0.5f)),
                     curves);
      if (percent(random) < 8) motion.AddBoneKey(bone.name, frame, {}, {0, 0, 0, 1}, curves);  // same frame twice
      frame += gap(random);
    }
  }
  motion.AddBoneKey(u"no such bone", 4, {}, {0, 0, 0, 1});
  for (const auto& [name, morph] : model.morphs) {
    const int keys = std::uniform_int_distribution<int>(0, 12)(random);
    std::uint32_t frame = percent(random) < 30 ? gap(random) : 0;
    for (int k = 0; k < keys; ++k) {
      motion.AddMorphKey(name, frame, std::uniform_real_distribution<float>(-0.5f, 1.5f)(random));
      frame += percent(random) < 10 ? 0 : gap(random);
    }
  }
  motion.AddMorphKey(u"no such morph", 3, 1.0f);
  motion.AddMorphKey(u"no such morph", 9, 0.0f);
  // IK switched as dances switch it: off for a stretch and on again, some
  // chains from their first key, some twice on one frame.
  for (const IkChain& chain : model.ikChains) {
    if (percent(random) < 50) continue;
    const std::u16string& bone = model.bones[chain.ikBone].name;
    std::uint32_t frame = percent(random) < 30 ? 0 : gap(random) * 3;
    for (int k = 0, keys = std::uniform_int_distribution<int>(1, 4)(random); k < keys; ++k) {
      motion.AddIkSwitch(bone, frame, k % 2 == 1);
      if (percent(random) < 15) motion.AddIkSwitch(bone, frame, k % 2 == 0);
      motion.AddShownKey(frame, percent(random) < 80);
      frame += gap(random) * 4;
    }
  }
  motion.AddIkSwitch(u"no such bone", 2, false);
  std::shared_ptr<Animation> animation = motion.Build();
  // A track whose bone number points past the bones, and one whose keys are
  // out of order.
  BoneTrack stray;
  stray.name = u"stray";
  stray.boneIndex = static_cast<std::int32_t>(model.bones.size()) + 2;
  stray.keys.resize(2);
  stray.keys[1].frame = 10;
  animation->boneTracks.push_back(stray);
  for (BoneTrack& track : animation->boneTracks) {
    if (track.keys.size() >= 4 && percent(random) < 30) {
      std::swap(track.keys[1], track.keys[3]);
      break;
    }
  }
  return animation;
}

}  // namespace brivonel::test
