#pragma once
// The sample figure as plain records, independent of the file formats: the
// skeleton, one skinned mesh split into materials, the morphs, and the rigid
// bodies and joints. The PMX and PMD assemblers turn these into files.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/physics_records.h"
#include "tools/sample_generator/vec3.h"

namespace brivonel::samples {

struct Rgba {
  float r = 0.0f, g = 0.0f, b = 0.0f, a = 1.0f;
};

// Up to four bones per vertex; weights sum to 1 over the first `count`.
struct SkinWeights {
  std::array<int, 4> bones{};
  std::array<float, 4> weights{};
  int count = 0;
};

struct FigureVertex {
  Vec3 position;
  Vec3 normal;
  Vec2 uv;
  SkinWeights skin;
};

struct IkLink {
  int bone = -1;
  bool limited = false;
  Vec3 lower, upper;  // radians
};

struct FigureBone {
  std::u16string name;
  std::u16string englishName;
  Vec3 position;  // model space
  int parent = -1;
  int tailBone = -1;  // the bone the display tail points at, or -1 for tailOffset
  Vec3 tailOffset;
  bool movable = false;
  bool visible = true;
  int grantParent = -1;  // rotation granted from this bone (the eyes follow "両目")
  float grantRate = 0.0f;
  // IK bones only.
  int ikTarget = -1;
  int ikLoops = 0;
  float ikLimit = 0.0f;  // radians per step
  std::vector<IkLink> ikLinks;
};

struct FigureMaterial {
  std::u16string name;
  std::u16string englishName;
  Rgba diffuse;
  Vec3 specular;
  float specularPower = 0.0f;
  Vec3 ambient;
  bool drawEdge = true;
  std::string texture;  // file name beside the model, empty for none
  int toonIndex = 0;    // shared toon number, 0 to 9 for "toon01.bmp" to "toon10.bmp"
  // Sphere map beside the model: ".sph" multiplies, ".spa" adds. PMD names
  // it after the texture with "*"; PMX lists it with its mode.
  std::string sphere;
  std::uint32_t firstIndex = 0;
  std::uint32_t indexCount = 0;
};

enum class MorphKind { Group = 0, Vertex = 1, Bone = 2, Uv = 3, Material = 8 };

struct VertexMorphOffset {
  std::uint32_t vertex = 0;
  Vec3 offset;
};

struct UvMorphOffset {
  std::uint32_t vertex = 0;
  std::array<float, 4> offset{};
};

struct BoneMorphOffset {
  int bone = 0;
  Vec3 translation;
  std::array<float, 4> rotation{0.0f, 0.0f, 0.0f, 1.0f};  // quaternion x, y, z, w
};

struct MaterialMorphOffset {
  int material = -1;  // -1: every material
  int operation = 0;  // 0 multiply, 1 add
  Rgba diffuse;
  Vec3 specular;
  float specularPower = 0.0f;
  Vec3 ambient;
  Rgba edgeColor;
  float edgeSize = 0.0f;
  Rgba textureTint, sphereTint, toonTint;
};

struct GroupMorphOffset {
  int morph = 0;
  float weight = 0.0f;
};

struct FigureMorph {
  std::u16string name;
  std::u16string englishName;
  int panel = 0;  // 1 eyebrow, 2 eye, 3 mouth, 4 other
  MorphKind kind = MorphKind::Vertex;
  std::vector<VertexMorphOffset> vertexOffsets;
  std::vector<UvMorphOffset> uvOffsets;
  std::vector<BoneMorphOffset> boneOffsets;
  std::vector<MaterialMorphOffset> materialOffsets;
  std::vector<GroupMorphOffset> groupOffsets;
};

// A rigid body in the fields both formats store, its position in model
// space (the PMD assembler makes it relative to the bone).
struct FigureBody : RigidBodyFields {
  std::u16string name;
  std::u16string englishName;
  int bone = -1;
};

struct FigureJoint : JointFields {
  std::u16string name;
  std::u16string englishName;
  int bodyA = -1;
  int bodyB = -1;
};

struct Figure {
  std::u16string name;
  std::u16string englishName;
  std::u16string comment;
  std::u16string englishComment;
  std::vector<FigureBone> bones;
  std::vector<FigureVertex> vertices;
  std::vector<std::uint32_t> indices;  // three per triangle, grouped by material
  std::vector<FigureMaterial> materials;
  std::vector<FigureMorph> morphs;
  std::vector<FigureBody> bodies;
  std::vector<FigureJoint> joints;

  // Index of the bone with this name, or -1.
  int FindBone(std::u16string_view boneName) const;
  int FindMorph(std::u16string_view morphName) const;
};

}  // namespace brivonel::samples
