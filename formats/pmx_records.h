#pragma once
// A PMX file as read: header, texts, vertices, indices, textures, materials,
// bones, morphs, display frames, rigid bodies and joints, field by field
// (PMX 2.1 soft bodies, last in the file, are not read). Fields the model
// builder does not use are kept all the same (a writer produces files from
// these records).
#include <cstdint>
#include <string>
#include <vector>

#include "base/math.h"
#include "formats/physics_records.h"
#include "model/morph_record.h"

namespace brivonel {

// Deform kinds of a vertex.
enum PmxDeform : std::uint8_t {
  kDeformBdef1 = 0,  // one bone
  kDeformBdef2 = 1,  // two bones, one weight
  kDeformBdef4 = 2,  // four bones, four weights
  kDeformSdef = 3,   // two bones, one weight, C, R0, R1
  kDeformQdef = 4,   // read and used as kind 2
};

struct PMXVertex {
  Float3 position;
  Float3 normal;
  Float2 uv;
  Float4 additionalUv[4];  // the header's count of them is read
  std::uint8_t deformKind = 0;
  // Bone references after reading: above 255 they become 255 (-1 = none).
  std::int32_t bones[4] = {};
  // Kind 0: unused; kinds 1 and 3: weights[0]; kinds 2 and 4: all four.
  // Kinds 1, 2, 4 clamp each weight to at most 1; kind 3 keeps it.
  float weights[4] = {};
  Float3 sdefC, sdefR0, sdefR1;
  float edgeScale = 0.0f;
};

// Drawing flags of a material.
enum PmxMaterialFlag : std::uint8_t {
  kMaterialDoubleSided = 0x01,
  kMaterialGroundShadow = 0x02,
  kMaterialCastsSelfShadow = 0x04,
  kMaterialReceivesSelfShadow = 0x08,
  kMaterialDrawsEdge = 0x10,
};

struct PMXMaterial {
  std::u16string name;
  std::u16string englishName;
  Float4 diffuse;
  Float3 specular;
  float specularPower = 0.0f;
  Float3 ambient;
  std::uint8_t drawFlags = 0;
  Float4 edgeColor;
  float edgeSize = 0.0f;
  // Indices into the texture list, -1 for none; not read (and left at -1)
  // when the header's texture index size is not 1, 2 or 4.
  std::int32_t textureIndex = -1;
  std::int32_t sphereTextureIndex = -1;
  std::uint8_t sphereMode = 0;
  std::uint8_t sharedToon = 0;
  // The shared toon number (0-9) when sharedToon is not 0, else a texture index.
  std::int32_t toon = -1;
  std::u16string memo;
  std::int32_t indexCount = 0;
};

// Bone flags.
enum PmxBoneFlag : std::uint16_t {
  kBoneTailIsBone = 0x0001,
  kBoneRotatable = 0x0002,
  kBoneMovable = 0x0004,
  kBoneVisible = 0x0008,
  kBoneOperable = 0x0010,
  kBoneIk = 0x0020,
  kBoneLocalGrant = 0x0080,
  kBoneRotationGrant = 0x0100,
  kBoneTranslationGrant = 0x0200,
  kBoneFixedAxis = 0x0400,
  kBoneLocalAxes = 0x0800,
  kBoneDeformAfterPhysics = 0x1000,
  kBoneExternalParent = 0x2000,
};

struct PMXIKLink {
  std::int32_t bone = -1;
  bool hasLimits = false;
  Float3 lowerLimit;  // radians
  Float3 upperLimit;
};

struct PMXBone {
  std::u16string name;
  std::u16string englishName;
  Float3 position;  // model space
  std::int32_t parent = -1;
  std::int32_t deformLayer = 0;
  std::uint16_t flags = 0;  // as stored; the booleans below mirror its bits
  bool tailIsBone = false;
  bool rotatable = false;
  bool movable = false;
  bool visible = false;
  bool operable = false;
  bool ik = false;
  bool localGrant = false;
  bool rotationGrant = false;
  bool translationGrant = false;
  bool fixedAxis = false;
  bool localAxes = false;
  bool deformAfterPhysics = false;
  bool externalParent = false;
  std::int32_t tailBone = -1;  // tailIsBone
  Float3 tailOffset;           // !tailIsBone
  std::int32_t grantParent = -1;
  float grantRate = 0.0f;
  Float3 fixedAxisVector;
  Float3 localXAxis;
  Float3 localZAxis;
  std::int32_t externalParentKey = 0;
  std::int32_t ikTarget = -1;
  std::int32_t ikLoopCount = 0;
  float ikLimitAngle = 0.0f;  // radians
  std::int32_t ikLinkCount = 0;
  std::vector<PMXIKLink> ikLinks;
};

// An entry of a display frame (the editor's lists of bones and morphs).
struct PMXDisplayFrameElement {
  std::uint8_t kind = 0;  // 0 bone, 1 morph
  std::int32_t index = -1;

  friend bool operator==(const PMXDisplayFrameElement&, const PMXDisplayFrameElement&) = default;
};

struct PMXDisplayFrame {
  std::u16string name;
  std::u16string englishName;
  std::uint8_t special = 0;  // 1 for the two every model has: root and morphs
  std::vector<PMXDisplayFrameElement> elements;

  friend bool operator==(const PMXDisplayFrame&, const PMXDisplayFrame&) = default;
};

struct PMXRigidBody : RigidBodyFields {
  std::u16string name;
  std::u16string englishName;
  std::int32_t bone = -1;  // -1 for none

  friend bool operator==(const PMXRigidBody&, const PMXRigidBody&) = default;
};

// Joint kinds: PMX 2.0 has only the spring joint; 2.1 adds 1 (6-DOF),
// 2 (point), 3 (cone twist), 4 (slider) and 5 (hinge), laid out alike.
enum PmxJointKind : std::uint8_t {
  kJointSpring6Dof = 0,
  kJointHinge = 5,
};

struct PMXJoint : JointFields {
  std::u16string name;
  std::u16string englishName;
  std::uint8_t kind = kJointSpring6Dof;
  std::int32_t bodyA = -1;
  std::int32_t bodyB = -1;

  friend bool operator==(const PMXJoint&, const PMXJoint&) = default;
};

struct PMXModel {
  char magic[4] = {};
  float version = 0.0f;
  std::uint8_t headerSize = 0;
  std::uint8_t header[8] = {};
  // Copies of header bytes 0 to 7 (encoding 2 marks a refused encoding byte).
  std::uint8_t encoding = 0;
  std::uint8_t additionalUvCount = 0;
  std::uint8_t vertexIndexSize = 0;
  std::uint8_t textureIndexSize = 0;
  std::uint8_t materialIndexSize = 0;
  std::uint8_t boneIndexSize = 0;
  std::uint8_t morphIndexSize = 0;
  std::uint8_t rigidBodyIndexSize = 0;
  // Width of the vertices' bone references: the bone index size, except in
  // files whose writer put wider ones there (the reader then finds the width
  // with which the vertex list and the face indices after it make sense).
  std::uint8_t vertexBoneIndexSize = 0;
  std::u16string name;
  std::u16string englishName;
  std::u16string comment;
  std::u16string englishComment;
  std::vector<PMXVertex> vertices;
  std::vector<std::int32_t> indices;  // three per triangle
  std::vector<std::u16string> textures;
  std::vector<PMXMaterial> materials;
  std::vector<PMXBone> bones;
  // offsetCount holds the file's count; only the list of the morph's kind is
  // filled (kinds 9 and 10 of later revisions are skipped and keep none).
  std::vector<PMXMorph> morphs;
  std::vector<PMXDisplayFrame> displayFrames;
  std::vector<PMXRigidBody> rigidBodies;
  std::vector<PMXJoint> joints;  // of every kind

  // Why the decoder refused the file (empty unless it returned FormatError).
  std::string formatError;
  // Why the model loads without physics although the file has a physics
  // block, in one line; empty otherwise. The reader notes a damaged block
  // (and keeps none of its bodies and joints), the builder bodies and joints
  // that cannot be simulated.
  std::string physicsNote;
};

}  // namespace brivonel
