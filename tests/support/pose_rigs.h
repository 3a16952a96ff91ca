#pragma once
// Models and motions built in memory the way the decoders build them, for
// the pose tests and benchmarks: bones from model-space positions, IK chains,
// morphs, a vertex array, and motions whose tracks are grouped, sorted and
// bound as a decoded motion's are.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/model.h"

namespace brivonel::test {

struct BoneRecipe {
  std::u16string name;
  std::int32_t parent = -1;  // may name a later bone
  Float4 position;           // model space
};

// Fills model.bones as the PMX builder does: offsets from earlier parents,
// rest world and bind matrices, the centre flag on "センター".
void BuildBones(Model& model, const std::vector<BoneRecipe>& recipes);

struct IkLinkRecipe {
  IkLinkRecipe(std::uint16_t linkBone) : bone(linkBone) {}  // NOLINT: links read as bone lists
  IkLinkRecipe(std::uint16_t linkBone, Float4 min, Float4 max)
      : bone(linkBone), limited(true), minAngles(min), maxAngles(max) {}
  std::uint16_t bone = 0;
  bool limited = false;
  Float4 minAngles;
  Float4 maxAngles;
};

// Appends a chain; its links get their limits (±pi when not limited).
void AddIkChain(Model& model, std::uint16_t ikBone, std::uint16_t targetBone,
                const std::vector<IkLinkRecipe>& links, std::uint16_t iterations, float angleFactor);

// Gives every bone a chain of its own with no links, as a PMX model has, so
// that chain i belongs to bone i; returns the chain of `bone`.
IkChain& PmxChainOf(Model& model, std::size_t bone);

// Appends a morph (kept in the name map and in morphList) and returns it.
PMXMorph& AddMorph(Model& model, const std::u16string& name, std::int32_t kind);

// Rest vertices as the GPU set-up leaves them: baseVertices, posedVertices,
// vertexCount and the reserved touched list.
void SetVertices(Model& model, std::vector<Vertex> vertices);

// What the skinning matrices need from the GPU set-up: a bone buffer.
void EnableSkinning(Model& model);

// Interpolation curve bytes (0..127): first point (x1, y1), second (x2, y2).
struct Curve {
  std::uint8_t x1 = 20, y1 = 20, x2 = 107, y2 = 107;
};

class MotionBuilder {
 public:
  explicit MotionBuilder(const Model& model) : model_(model) {}

  // curves: translation x, y, z, rotation.
  void AddBoneKey(const std::u16string& bone, std::uint32_t frame, Float4 translation,
               Quaternion rotation, const Curve (&curves)[4]);
  void AddBoneKey(const std::u16string& bone, std::uint32_t frame, Float4 translation,
               Quaternion rotation);
  void AddMorphKey(const std::u16string& morph, std::uint32_t frame, float weight);
  // Property keys: the model shown or hidden, an IK bone's IK on or off.
  void AddShownKey(std::uint32_t frame, bool shown);
  void AddIkSwitch(const std::u16string& ikBone, std::uint32_t frame, bool on);

  // Groups keys into tracks, sorts them by frame, adds rest offsets, drops
  // keys of unknown bones and binds morph tracks to the model's morphs.
  std::shared_ptr<Animation> Build() const;

 private:
  struct BoneFrame {
    std::u16string name;
    brivonel::BoneKey key;
  };
  struct MorphFrame {
    std::u16string name;
    brivonel::MorphKey key;
  };
  const Model& model_;
  std::vector<BoneFrame> boneFrames_;
  std::vector<MorphFrame> morphFrames_;
  std::vector<ShownKey> shownKeys_;
  std::vector<std::pair<std::u16string, IkSwitchKey>> ikSwitches_;
};

// Camera and projection of the running program, for the centre bone shift.
struct Camera {
  Matrix4 view;
  Matrix4 projection;
};
Camera StandardCamera(int viewportWidth, int viewportHeight);
void AttachCamera(Model& model, const Camera& camera, int viewportWidth, int viewportHeight);

// (a) A 140-bone PMD-style humanoid with 7 IK chains (legs, toes, hair,
// necktie), 30 vertex morphs, and a 700-frame dance for it. A dance keys the
// standard bones (centre, body, arms, fingers, leg and toe IK); keyModelIk
// also keys the model's own hair and necktie IK bones, so that all seven
// chains work in every frame.
void BuildPmdStyleRig(Model& model);
std::shared_ptr<Animation> BuildDance(const Model& model, std::uint32_t frames = 700,
                                      bool keyModelIk = false);

// (b) A 500-bone PMX-style rig with one IK record per bone (20 with links),
// 200 morphs of every kind, 100k vertices, and a dense motion for it.
void BuildPmxRig(Model& model, std::size_t vertexCount = 100000);
std::shared_ptr<Animation> BuildDenseMotion(const Model& model, std::uint32_t frames = 300);

// Random rigs that stress the rules: parents after children (except for
// seeds divisible by 3, whose parents all come first), IK chains that
// share links, morphs and tracks of every kind including invalid entries,
// unsorted and duplicate keys, single-key morph tracks, a self-listing
// group morph, and IK switched off and on again (twice on one frame too).
void BuildRandomRig(Model& model, std::uint32_t seed);
std::shared_ptr<Animation> BuildRandomMotion(const Model& model, std::uint32_t seed);

}  // namespace brivonel::test
