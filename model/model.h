#pragma once
// The one in-memory character: materials, one skinned mesh, bones, IK chains
// and morphs, the GPU objects that draw it and the pools it takes textures
// and shaders from. The PMX and PMD builders fill the records; pose
// evaluation, IK, morphs and drawing work on them.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/math.h"
#include "model/animation.h"
#include "model/look.h"
#include "model/look_at.h"
#include "model/morph_record.h"
#include "model/motion_blend.h"
#include "model/pose_cache.h"
#include "physics/body_description.h"
#include "physics/physics_world.h"
#include "render/gpu_device.h"
#include "render/shader_pool.h"
#include "render/texture_pool.h"

namespace brivonel {

class PhysicsRig;

// The GPU vertex record: 108 bytes, laid out as the input layout describes.
// The shader takes the position as x, y, z with w = 1; the fourth float is
// the only room the record leaves, and carries the vertex's edge scale (the
// outline's width there: PMX's per-vertex scale, PMD 0 where a vertex asks
// for no edge, else 1).
struct Vertex {
  Float4 position;  // w: edge scale
  Float3 normal;
  std::uint8_t boneIndices[4] = {};
  std::uint8_t boneWeights[4] = {};  // 1/255 units
  Float2 uv;
  Float4 additionalUv[4];
};
static_assert(sizeof(Vertex) == 108, "the vertex record must match the input layout");

// Colour factors of material morphs, in this order.
struct MaterialFactors {
  Float4 ambient;
  Float4 diffuse;
  Float4 specular;  // w: specular power
  Float4 edgeColor;
};

// How a material's sphere map joins its colour.
enum SphereMode : std::int32_t {
  kSphereNone = 0,
  kSphereMultiply = 1,    // ".sph", PMX mode 1
  kSphereAdd = 2,         // ".spa", PMX mode 2
  // PMX mode 3: not a sphere map but a second texture, laid on with the
  // first additional UV set and multiplied in as the main texture is.
  kSphereSubTexture = 3,
};

struct Material {
  std::int32_t number = 0;  // 1-based position in the file
  std::u16string name;
  Float4 ambient;   // w stays 0
  Float4 diffuse;   // r, g, b, alpha
  Float4 specular;  // w: specular power
  std::uint8_t edgeFlag = 0;  // the edge pass outlines the material
  Float4 edgeColor;
  float edgeSize = 0.0f;       // the outline's width in pixels (times each vertex's edge scale)
  std::u16string textureName;
  std::int32_t textureId = -1;
  std::int32_t sphereTextureId = -1;
  std::int32_t sphereFlag = 0;
  std::int32_t sphereMode = kSphereNone;
  std::int32_t toonTextureId = -1;
  // The shared toon number (0 to 9 for "toon01.bmp" to "toon10.bmp") the
  // material asks for, or -1; drawn with a built-in ramp when the file is
  // not beside the model.
  std::int32_t toonIndex = -1;
  std::int32_t vertexShaderId = -1;
  std::int32_t pixelShaderId = -1;
  bool multiplyPending = false;
  MaterialFactors multiplyFactors;
  bool addPending = false;
  MaterialFactors addTerms;
};

struct FaceRange {
  std::uint32_t firstFace = 0;  // in triangles from the start of the index data
  std::uint32_t faceCount = 0;
};

struct Piece {
  Material* material = nullptr;
  std::uint32_t faceCount = 0;
  std::vector<FaceRange> ranges;
};

struct Mesh {
  std::u16string name;
  std::uint32_t vertexBase = 0;
  std::uint32_t indexBase = 0;
  std::int32_t faceCount = 0;
  std::vector<Vertex> vertices;
  std::vector<std::uint32_t> indices;  // three per triangle, within the mesh
  std::vector<Piece> pieces;           // one per material
};

struct Bone {
  std::u16string name;
  Float4 position;  // offset from the parent; the motion overwrites it
  Float4 restPosition;  // the offset from the parent at rest (w = 0)
  Float4 scale{1.0f, 1.0f, 1.0f, 1.0f};
  Quaternion rotation{0.0f, 0.0f, 0.0f, 1.0f};
  Float4 ikMinAngles;
  Float4 ikMaxAngles;
  Matrix4 worldMatrix;
  Matrix4 bindMatrix;  // the world matrix at rest
  Matrix4 localAxes;
  std::int32_t parentIndex = -1;
  std::int32_t index = 0;
  bool isCenter = false;
  // PMX deform layer: bones of a lower layer take their grants and run
  // their IK chains first (bone order within a layer).
  std::int32_t deformLayer = 0;
  // Evaluated again after physics has moved the bodies' bones (PMX flag).
  bool deformAfterPhysics = false;
};

struct IkChain {
  std::uint16_t ikBone = 0;      // the goal
  std::uint16_t targetBone = 0;  // the end effector
  std::uint8_t linkCount = 0;
  std::uint16_t iterations = 0;
  // A quarter of the largest angle (radians) one link may turn in one step:
  // a PMD file's control weight as stored, a PMX file's limit angle / 4.
  float angleFactor = 0.0f;
  std::vector<std::uint16_t> links;
};

// A bone that takes a share of another bone's rotation and/or translation on
// top of its own pose (PMX grant bones, PMD bones that follow another's
// rotation): twist bones, eyes that follow both eyes, shoulder cancels.
struct BoneGrant {
  std::int32_t bone = 0;
  std::int32_t parent = 0;  // the bone it takes from
  float weight = 0.0f;      // the share; negative turns the other way
  bool rotation = false;
  bool translation = false;
  // Takes the source's own pose (its motion, morphs and IK) without the
  // share the source takes from a grant of its own (PMX "local" grant);
  // otherwise the source's whole pose, grant included.
  bool local = false;
};

// How a frame takes grants and IK chains in turn.
enum class DeformOrder : std::uint8_t {
  // Every grant, then the IK chains as listed, then again each grant whose
  // source IK moved (both by deform layer first): PMD files, whose bones
  // that follow another's rotation follow the legs after IK.
  kGrantsAroundIk,
  // Bone by bone, by deform layer and then bone number: each bone's grant,
  // then its IK chain. A chain sees the grants of the bones before it, and a
  // grant what the chains before it turned (not those after): PMX files.
  kBoneByBone,
};

// Link steps that inverse kinematics may take in one frame, each counted
// with the bones it brings up to date: far above what a real character
// needs (a few hundred to a few thousand), so that a file cannot make one
// frame take seconds.
inline constexpr std::uint32_t kIkStepBudget = 1u << 18;

// Three rows of the transposed skinning transform (inverse bind x world).
struct SkinningMatrix {
  Float4 rows[3];
};

// Vertex- and pixel-shader constant buffer 4, one draw's worth.
struct MaterialConstants {
  Float4 ambient;   // w = 0
  Float4 diffuse;
  Float4 specular;  // w: specular power
  // x: the SphereMode of shader resource 1 (0 when none is bound); y: 1
  // when the toon ramp of shader resource 2 lights the material; z: 1 when
  // the specular highlight goes on after the textures; w: 1 in the edge
  // pass.
  Float4 effects;
  Float4 edgeColor;
  // The edge pass: xy one pixel of the target in clip-space units (2 / width,
  // 2 / height) times the material's edge size; zw half the target's size
  // in pixels.
  Float4 edgeWidth;
};
static_assert(sizeof(MaterialConstants) == 96, "six rows of four floats");

class Model {
 public:
  Model();
  virtual ~Model();
  Model(const Model&) = delete;
  Model& operator=(const Model&) = delete;

  // Empties the materials, meshes and bones; returns 0.
  virtual int Release();
  virtual int Reserved();
  // Poses the model for the elapsed motion time; returns the centre bone's
  // horizontal screen shift in pixels. The pose depends on the rest state,
  // the motion and the time alone (and, with physics, on the frames before):
  // calling it again for the same time gives the same pose, drawn or not.
  virtual int Update(std::uint64_t elapsedMilliseconds);
  // Draws the posed model; returns 0. Changes nothing that posing reads.
  virtual int Render();
  virtual void SetDevice(std::shared_ptr<gpu::IGpuContext> context,
                         std::shared_ptr<gpu::IGpuDevice> device);

  // Joins the meshes and creates every GPU object; throws AppException 1102.
  void CreateGpuResources();
  // The built-in ramps of the shared toons whose files are missing.
  void CreateBuiltInToonRamps();
  void ComputeWorldMatrices();
  void ComputeSkinningMatrices();
  void SolveIk();
  // Link steps inverse kinematics took in the last frame (or SolveIk call),
  // counted as kIkStepBudget counts them.
  std::uint32_t IkLinkSteps() const { return ikLinkSteps_; }
  // Screen pixel position of a model-space point through world, view,
  // projection and the viewport.
  Float2 ProjectToScreen(const Float4& point) const;
  static float BezierValue(float x1, float x2, float y1, float y2, float x);
  // The rotation `weight` times as far as `source` about the same axis (on
  // the shorter arc): what a grant of that weight takes from its source.
  static Quaternion GrantedRotation(const Quaternion& source, float weight);

  // The motion the next Updates play beside `animation`, and when each
  // began on the clock that Update is given (model/motion_blend.h). The
  // default plays `animation` alone from clock time 0. Physics goes on
  // through a hand-over to the motion that was playing: the world starts
  // again only for a motion that takes over from none.
  void SetMotionBlend(MotionBlend blend) { blend_ = std::move(blend); }
  const MotionBlend& motionBlend() const { return blend_; }

  // The centre bone's sideways travel (model units) that the last Update
  // took out of the pose and returned as a screen shift.
  float CentreTravel() const { return centreTravel_; }
  // Whether the motion shows the model at the last Update's frame (its
  // property keys can hide it); a hidden model is posed but not drawn.
  bool Shown() const { return shown_; }

  // Physics: builds the model's world with `engine` from physicsDescription
  // (a model without bodies gets none); null turns physics off and leaves
  // the bones as the motion poses them. The world starts at the bones'
  // pose at the next Update.
  void SetPhysicsEngine(physics::IPhysicsEngine* engine,
                        const physics::WorldSettings& settings = {});
  bool PhysicsActive() const;
  // Where the window has put the figure, apart from the centre bone's
  // travel: screen pixels of its top-left corner. The world sees the figure
  // move by as much (in model units at the figure's depth), so dragging
  // the window swings what hangs from it.
  void SetScreenPlacement(Float2 pixels) { screenPlacement_ = pixels; }

  // A morph of any kind at `weight`, as a track of this frame applies it
  // (a flip morph does nothing here: its choice is made before).
  void ApplyMorph(const PMXMorph& morph, float weight);
  // The pointer for the next Updates: the head, neck and eyes turn toward
  // it (model/look_at.h says how far and how fast). Off by default.
  void SetLookAt(const LookAtInput& input) { lookAtInput_ = input; }
  const LookAtInput& lookAtInput() const { return lookAtInput_; }
  const GazeFollower& gaze() const { return gaze_; }

  void ApplyGroupMorph(const PMXMorph& morph, float weight);
  void ApplyVertexMorph(const PMXMorph& morph, float weight);
  void ApplyBoneMorph(const PMXMorph& morph);
  void ApplyUvMorph(const PMXMorph& morph, float weight);
  void ApplyMaterialMorph(const PMXMorph& morph, float weight);

  std::u16string path;
  std::int32_t faceTotal = 0;
  std::vector<Material> materials;
  std::vector<std::shared_ptr<Mesh>> meshes;
  std::vector<Bone> bones;
  std::vector<IkChain> ikChains;
  std::vector<BoneGrant> grants;  // in bone order
  DeformOrder deformOrder = DeformOrder::kGrantsAroundIk;
  // Rigid bodies and joints in model space; empty for a model without them.
  physics::PhysicsDescription physicsDescription;
  std::map<std::u16string, PMXMorph> morphs;
  std::vector<PMXMorph*> morphList;
  std::shared_ptr<Animation> animation;
  TexturePool texturePool;
  VertexShaderPool vertexShaderPool;
  PixelShaderPool pixelShaderPool;
  const Matrix4* projection = nullptr;
  const Matrix4* view = nullptr;
  std::int32_t viewportWidth = 0;
  std::int32_t viewportHeight = 0;
  bool loading = false;
  // The scene's look: which material effects Render draws.
  Look look;

  std::shared_ptr<gpu::IGpuContext> context;
  std::shared_ptr<gpu::IGpuDevice> device;
  std::shared_ptr<gpu::SamplerState> samplerState;
  std::shared_ptr<gpu::RasterizerState> rasterizerState;
  // Sphere maps and toon ramps are read with clamped coordinates.
  std::shared_ptr<gpu::SamplerState> rampSamplerState;
  // The edge pass draws back faces only.
  std::shared_ptr<gpu::RasterizerState> edgeRasterizerState;
  // Built-in toon ramps by shared toon number, for materials whose toon file
  // is missing (empty where no material needs one).
  std::vector<std::shared_ptr<gpu::ShaderResourceView>> builtInToonRamps;
  std::shared_ptr<gpu::Buffer> vertexBuffer;
  std::shared_ptr<gpu::Buffer> indexBuffer;
  std::shared_ptr<gpu::Buffer> transformBuffer;
  std::shared_ptr<gpu::Buffer> boneBuffer;
  std::shared_ptr<gpu::Buffer> materialBuffer;
  std::uint32_t vertexStride = 0;
  std::uint32_t vertexOffset = 0;
  std::uint32_t vertexCount = 0;
  std::vector<Vertex> baseVertices;
  std::vector<Vertex> posedVertices;
  // Vertices the morphs of the last Update moved away from rest; the next
  // Update puts them back first.
  std::vector<std::uint32_t> touchedVertices;
  std::vector<SkinningMatrix> skinningMatrices;
  Matrix4 world;
  Matrix4 worldConstants;
  MaterialConstants materialConstants;

  // One material's outline, remembered from Render's main pass (with its
  // morph factors folded in) for the edge pass; the list is kept from frame
  // to frame so that drawing allocates nothing.
  struct EdgeDraw {
    const Piece* piece = nullptr;
    Float4 color;
  };
  std::vector<EdgeDraw> edgeDraws;

 private:
  // A morph and the weight it acts with this frame.
  struct WeightedMorph {
    const PMXMorph* morph = nullptr;
    float weight = 0.0f;
  };

  // The stages of Update, in order (model/model_update.cpp lists them).
  void StartFromRest();
  int PoseFromMotion(std::uint64_t elapsedMilliseconds);
  void ApplyMotionProperties();
  void ApplyMorphTracks();
  void ApplyGrants();
  // ComputeWorldMatrices
  // The IK chains, and with grants the grants that wait for a chain (bone by
  // bone order), in their order.
  void SolveIkChains(bool worldsSettled, bool withGrants = true);
  void ApplyGrantsAfterIk();
  void TurnTowardPointer();
  void MoveKinematicBodies();
  void StepPhysics();
  void PoseBonesFromBodies();
  void PoseBonesAfterPhysics();
  // ComputeSkinningMatrices

  // Pose evaluation internals (model/pose_evaluation.cpp,
  // model/inverse_kinematics.cpp, model/bone_grants.cpp).
  void RefreshHierarchy();
  // The order grants and IK chains are evaluated in (model/deform_order.cpp).
  void RefreshLayerOrder();
  // Poses the bones the motion keys at its current frame; `shiftPixels`
  // gets the centre bone's screen travel before truncation.
  int PoseBoneTracks(Animation& motion, TrackHints& hints, float& shiftPixels);
  // The outgoing motion while its share is above 0; null otherwise.
  Animation* FadingMotion() const;
  // The motion whose property keys count this frame.
  const Animation* PropertiesMotion() const;
  // Poses both motions of a cross-fade and mixes them; the window shift.
  int PoseBlendedMotions(Animation& incoming, Animation& outgoing);
  // The morphs a motion's tracks apply at its current frame, in the order
  // they are applied, with their weights (flip choices last).
  void CollectMorphWeights(Animation& motion, std::vector<WeightedMorph>& weighted);
  // Both motions' morphs mixed by the blend's weight.
  void BlendMorphWeights(Animation& incoming, Animation& outgoing);
  // Whether grant i names two different bones of the model.
  bool GrantApplies(std::size_t i) const;
  // Grant i from its bone's own pose and its source's pose now.
  void ApplyGrantNow(std::size_t i);
  // Around IK: applies again the grants whose source bone IK moved; true
  // if any. Bone by bone the chains took the grants in their turns.
  bool ReapplyGrantsAfterIk();
  // Applies again, in order, every grant whose source moved since it was
  // applied this frame; true if any.
  bool ReapplyGrantsWhoseSourceMoved();
  // The grants of bones that deform after physics, from their own poses
  // and their sources' poses now.
  void ReapplyGrantsAfterPhysics();
  // The IK chains of bones that deform after physics; true if any turned.
  bool SolveIkChainsAfterPhysics();
  // Morphs (model/morphs.cpp): the morph of a number in the file, or null;
  // the morphs the frame's flip morphs switch on.
  const PMXMorph* MorphAt(std::int32_t index) const;
  void ChooseFlips(const Animation& motion);
  void ChooseFlip(const PMXMorph& flip, float weight);
  // The pushes of the impulse morphs whose weight changed since the last
  // frame (model/impulse_morphs.cpp).
  void PushBodies();
  // False when the motion has switched off the IK of the chain's bone.
  bool IkChainOn(std::size_t chain) const {
    return chain >= ikChainOff_.size() || ikChainOff_[chain] == 0;
  }
  // Runs one chain; false when the frame's step budget ran out in it.
  bool RunIkChain(const IkChain& chain, bool& changed);
  // Brings the world matrices in step after poses changed (the touched
  // bones' subtrees when parents come first, else one pass over all bones);
  // `settled` says whether they were in step before and becomes whether
  // they are now.
  void BringWorldsInStep(bool& settled);
  void RecomputeTouchedSubtrees();
  bool RecomputeAllWorlds();
  // The figure's place in the physics world: the window's placement and the
  // centre bone's travel, in model units.
  Matrix4 FigurePlacement() const;

  // The bones the look-at stage turns, found by name for one bone list.
  struct LookAtBones {
    const Bone* list = nullptr;
    std::size_t count = 0;
    std::int32_t neck = -1;
    std::int32_t head = -1;
    std::int32_t bothEyes = -1;
    std::int32_t leftEye = -1;
    std::int32_t rightEye = -1;
  };
  const LookAtBones& FindLookAtBones();
  // The pointer's direction from the head, in the frame of the body that
  // `turned` (the neck, or the head) hangs from; false when the camera
  // gives no measure.
  bool PointerDirection(std::int32_t turned, GazeAngles& direction) const;

  PoseCache poseCache_;
  MotionBlend blend_;
  // The outgoing motion's bone poses while the incoming one is posed.
  struct BonePose {
    Float4 position;
    Quaternion rotation;
  };
  std::vector<BonePose> outgoingPose_;
  std::vector<WeightedMorph> incomingMorphs_;
  std::vector<WeightedMorph> outgoingMorphs_;
  std::vector<std::uint8_t> morphMatched_;
  std::vector<WeightedMorph> flipChoices_;
  std::vector<WeightedMorph> impulseMorphs_;
  // The impulse morphs of the last frame that stepped physics: a push is
  // given when its morph's weight changes.
  std::vector<WeightedMorph> impulsesBefore_;
  // The motion's properties at this frame: the model shown, and per IK
  // chain 1 where the motion has switched its IK off.
  bool shown_ = true;
  std::vector<std::uint8_t> ikChainOff_;

  LookAtInput lookAtInput_;
  LookAtBones lookAtBones_;
  GazeFollower gaze_;
  std::uint64_t lookAtElapsed_ = 0;  // the motion time the gaze last advanced to
  std::uint32_t ikLinkSteps_ = 0;
  float centreTravel_ = 0.0f;
  std::uint64_t motionElapsed_ = 0;  // the time of the last Update
  // Set when vertices went back to rest without being uploaded since.
  bool restoredVerticesPending_ = false;
  Float2 screenPlacement_;
  std::unique_ptr<PhysicsRig> physicsRig_;
  // This frame's physics: whether the world starts again from the bones,
  // and the figure's place in it.
  bool restartPhysics_ = false;
  Matrix4 figure_;
};

}  // namespace brivonel
