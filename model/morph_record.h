#pragma once
// A morph as the PMX file stores it: a named list of offsets of one kind.
// The model keeps copies of these records.
#include <cstdint>
#include <string>
#include <vector>

#include "base/math.h"

namespace brivonel {

enum MorphKind : std::int32_t {
  kMorphGroup = 0,
  kMorphVertex = 1,
  kMorphBone = 2,
  kMorphUv = 3,  // 4 to 7: additional UV 1 to 4
  kMorphAdditionalUv1 = 4,
  kMorphAdditionalUv4 = 7,
  kMorphMaterial = 8,
  kMorphFlip = 9,      // PMX 2.1: switches on one of its morphs, chosen by its weight
  kMorphImpulse = 10,  // PMX 2.1: pushes rigid bodies
};

// An entry of a group morph, or a choice of a flip morph.
struct PMXGroupOffset {
  std::int32_t morphIndex = 0;
  float weight = 0.0f;
};

struct PMXVertexOffset {
  std::uint32_t vertexIndex = 0;
  Float3 translation;
};

struct PMXBoneOffset {
  std::uint32_t boneIndex = 0;
  Float4 translation;  // w = 0
  Quaternion rotation;
};

struct PMXUvOffset {
  std::uint32_t vertexIndex = 0;
  Float4 offset;
};

struct PMXMaterialOffset {
  std::uint32_t materialIndex = 0;  // 0xFFFFFFFF (as -1) means all materials
  std::int32_t operation = 0;       // 0 multiply, 1 add
  Float4 diffuse;
  Float3 specular;
  float specularPower = 0.0f;
  Float3 ambient;
  Float4 edgeColor;
  float edgeSize = 0.0f;
  Float4 textureTint;
  Float4 sphereTextureTint;
  Float4 toonTextureTint;
};

// A push of a rigid body: a velocity and an angular impulse (the file's
// "torque"), in the world's axes or the body's own.
struct PMXImpulseOffset {
  std::int32_t bodyIndex = 0;
  bool local = false;
  Float3 velocity;
  Float3 torque;
};

struct PMXMorph {
  std::u16string name;
  std::u16string englishName;
  std::int32_t panel = 0;
  std::int32_t kind = 0;
  std::int32_t offsetCount = 0;
  std::vector<PMXGroupOffset> groupOffsets;  // of a group or a flip morph
  std::vector<PMXVertexOffset> vertexOffsets;
  std::vector<PMXBoneOffset> boneOffsets;
  std::vector<PMXUvOffset> uvOffsets;
  std::vector<PMXMaterialOffset> materialOffsets;
  std::vector<PMXImpulseOffset> impulseOffsets;
};

}  // namespace brivonel
