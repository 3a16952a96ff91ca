#pragma once
// A PMD file as read: header, vertices, indices, materials, bones, IK
// records, facial morphs ("skins") and the optional trailer (display lists,
// English names, toon table, rigid bodies, joints), field by field. Text
// fields are the file's Shift-JIS bytes, padded with zeros.
#include <cstdint>
#include <string>
#include <vector>

#include "base/math.h"
#include "formats/physics_records.h"

namespace brivonel {

struct PMDVertex {
  Float3 position;
  Float3 normal;
  Float2 uv;
  std::uint16_t bones[2] = {};
  std::uint8_t weight = 0;  // share of bone 0 in percent, 0 to 100
  std::uint8_t edgeFlag = 0;
};

struct PMDMaterial {
  Float4 diffuse;  // r, g, b, alpha
  float specularPower = 0.0f;
  Float3 specular;
  Float3 ambient;
  std::uint8_t toonIndex = 0;
  std::uint8_t edgeFlag = 0;
  std::uint32_t indexCount = 0;
  // A texture file name, optionally followed by "*" or "/" and a sphere
  // texture file name.
  std::uint8_t textureField[20] = {};
};

struct PMDBone {
  std::uint8_t name[20] = {};
  std::uint16_t parent = 0xFFFF;  // 0xFFFF for none
  // The bone the editor draws this one towards (0 for none); the source of
  // a rotation-linked bone.
  std::uint16_t tail = 0;
  std::uint8_t kind = 0;
  // The IK bone of a bone under IK; the source of a rotation-influenced
  // bone; a rotation-linked bone's share in percent, as a signed number.
  std::uint16_t ikParent = 0;
  Float3 position;  // model space
  std::uint8_t englishName[20] = {};
};

struct PMDIK {
  std::uint16_t ikBone = 0;      // the goal
  std::uint16_t targetBone = 0;  // the end effector
  std::uint8_t chainLength = 0;
  std::uint16_t iterations = 0;
  float controlWeight = 0.0f;
  std::vector<std::uint16_t> chain;
};

// Bone kinds. The model uses two: a rotation-influenced bone takes all of
// the rotation of the bone named in ikParent (eyes following both eyes); a
// rotation-linked bone takes the share ikParent gives in percent of the
// rotation of its tail bone (twist bones sharing out an arm's twist). The
// others (rotating, moving, IK, under IK, IK target, invisible, twist) only
// tell an editor how to show and offer the bone: posed, they are ordinary
// bones, and IK moves the links its records list.
inline constexpr std::uint8_t kPmdRotationInfluenced = 5;
inline constexpr std::uint8_t kPmdRotationLinked = 9;

// One vertex of a facial morph: in the base morph a vertex number of the
// model and its rest position; in the others an entry number of the base
// morph and the offset from that rest position.
struct PMDSkinVertex {
  std::uint32_t index = 0;
  Float3 position;
};

// Facial morph kinds: 0 is the base morph, 1 eyebrow, 2 eye, 3 lip, 4 other.
struct PMDSkin {
  std::uint8_t name[20] = {};
  std::uint8_t kind = 0;
  std::vector<PMDSkinVertex> vertices;
  std::uint8_t englishName[20] = {};  // none for the first (the base)
};

// A group of the editor's bone list, and a bone listed in one (groups are
// numbered from 1).
struct PMDBoneGroup {
  std::uint8_t name[50] = {};
  std::uint8_t englishName[50] = {};
};
struct PMDBoneGroupEntry {
  std::uint16_t bone = 0;
  std::uint8_t group = 0;
};

inline constexpr int kPmdToonFileCount = 10;

struct PMDRigidBody : RigidBodyFields {
  std::uint8_t name[20] = {};
  std::uint16_t bone = 0xFFFF;  // 0xFFFF for none

  friend bool operator==(const PMDRigidBody&, const PMDRigidBody&) = default;
};

struct PMDJoint : JointFields {
  std::uint8_t name[20] = {};
  std::uint32_t bodyA = 0;
  std::uint32_t bodyB = 0;

  friend bool operator==(const PMDJoint&, const PMDJoint&) = default;
};

struct PMDModel {
  char magic[3] = {};
  float version = 0.0f;
  std::uint8_t name[20] = {};
  std::uint8_t comment[256] = {};
  std::vector<PMDVertex> vertices;
  std::vector<std::uint16_t> indices;
  std::vector<PMDMaterial> materials;
  std::vector<PMDBone> bones;
  std::vector<PMDIK> iks;
  std::vector<PMDSkin> skins;
  // The trailer: each part may be missing, old files ending before it.
  std::vector<std::uint16_t> skinDisplayList;  // facial morphs listed in the editor
  std::vector<PMDBoneGroup> boneGroups;
  std::vector<PMDBoneGroupEntry> boneGroupEntries;
  bool hasEnglishNames = false;  // with the names of bones, skins and groups
  std::uint8_t englishName[20] = {};
  std::uint8_t englishComment[256] = {};
  std::uint8_t toonFileNames[kPmdToonFileCount][100] = {};
  std::vector<PMDRigidBody> rigidBodies;
  std::vector<PMDJoint> joints;

  // Why the builder refused the model (empty unless it returned FormatError).
  std::string formatError;
  // Why the model loads without physics although the file has rigid bodies,
  // in one line; empty otherwise. The reader notes a damaged trailer (and
  // keeps none of its bodies and joints), the builder bodies and joints that
  // cannot be simulated.
  std::string physicsNote;
};

}  // namespace brivonel
