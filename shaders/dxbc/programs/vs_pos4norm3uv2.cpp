// Skinned, lit vertex of every material.
//
// Constant buffers (each matrix stored transposed, so that row k of the
// buffer is column k of the row-vector matrix and p * M is four dp4s):
//   cb0  camera: view matrix, light direction (towards the light), light colour
//   cb1  projection matrix
//   cb2  world matrix
//   cb3  skinning: per bone three rows, the columns of inverse-bind x world;
//        bone numbers are 8 bits, so 256 bones are all a vertex can address
//   cb4  material: ambient, diffuse (alpha in w), specular (power in w)
// Lighting is done in view space: half-Lambert diffuse at 60% light
// strength over the ambient colour, and Blinn-Phong highlights when the
// material has a specular power.
#include "shaders/dxbc/program_writer.h"
#include "shaders/dxbc/programs/programs.h"

namespace brivonel::dxbc {
namespace {

constexpr unsigned kBonesPerVertex = 4;
constexpr unsigned kRowsPerBone = 3;
constexpr unsigned kMaxBones = 256;
constexpr unsigned kMatrixRows = 4;
constexpr float kDiffuseLight = 0.6f;

enum Input : unsigned { kPosition, kNormal, kBoneIndexes, kBoneWeights, kUv, kExtraUv1 };
enum Camera : unsigned { kViewRow0, kLightDirection = 4, kLightColour = 5, kCameraRows = 6 };
enum Material : unsigned { kAmbient, kDiffuse, kSpecular, kMaterialRows };
enum Buffer : unsigned { kCamera, kProjection, kWorld, kBones, kMaterial };
// Temporaries, one job each.
enum Temp : unsigned {
  kWeights,                            // bone weights as floats
  kBoneRow,                            // first cb3 row of each of the four bones
  kBlendRow0,                          // kBlendRow0..2: the weighted sum of the bones' rows
  kTotal = kBlendRow0 + kRowsPerBone,  // x: sum of weights, y: all ones if it is above 0
  kModel,                              // skinned position (w = 1)
  kModelNormal,
  kWorldPosition,
  kViewPosition,
  kViewNormal,  // normalised
  kToLight,     // normalised
  kColour,
  kHalfway,
  kScratch,
  kTempCount,
};

// The input layout's nine elements: v0 to v8.
Signature VertexInputSignature() {
  using enum ComponentType;
  return {
      {"POSITION", 0, SystemValue::None, Float, kPosition, 0xF, 0x7},
      {"NORMAL", 0, SystemValue::None, Float, kNormal, 0x7, 0x7},
      {"BONEINDEXES", 0, SystemValue::None, Uint, kBoneIndexes, 0xF, 0xF},
      {"BONEWEIGHTS", 0, SystemValue::None, Uint, kBoneWeights, 0xF, 0xF},
      {"TEXCOORD", 0, SystemValue::None, Float, kUv, 0x3, 0x3},
      {"TEXCOORD", 1, SystemValue::None, Float, kExtraUv1, 0xF, 0},
      {"TEXCOORD", 2, SystemValue::None, Float, kExtraUv1 + 1, 0xF, 0},
      {"TEXCOORD", 3, SystemValue::None, Float, kExtraUv1 + 2, 0xF, 0},
      {"TEXCOORD", 4, SystemValue::None, Float, kExtraUv1 + 3, 0xF, 0},
  };
}

// reg(index) = point * M, for a matrix stored transposed in `buffer`; the
// first `rows` components only.
using RegisterFile = Operand (*)(unsigned, std::string_view);
void Transform(ProgramWriter& p, RegisterFile reg, unsigned index, const Operand& point,
               unsigned buffer, unsigned rows = kMatrixRows) {
  for (unsigned row = 0; row < rows; ++row) {
    p.dp4(reg(index, Component(row)), point, cb(buffer, row));
  }
}

// reg.xyz /= its length, or becomes `fallback` when it has none.
void NormaliseOr(ProgramWriter& p, unsigned reg, const Operand& fallback) {
  p.dp3(r(kScratch, "x"), r(reg, "xyz"), r(reg, "xyz"));
  p.lt(r(kScratch, "y"), l(0.0f), r(kScratch, "x"));
  p.rsq(r(kScratch, "x"), r(kScratch, "x"));
  p.mul(r(reg, "xyz"), r(reg, "xyz"), r(kScratch, "x"));
  p.movc(r(reg, "xyz"), r(kScratch, "y"), r(reg, "xyz"), fallback);
}

}  // namespace

std::vector<std::uint8_t> BuildSkinnedVertexShader() {
  ProgramWriter p(Stage::Vertex);
  p.dcl_constantbuffer(kCamera, kCameraRows);
  p.dcl_constantbuffer(kProjection, kMatrixRows);
  p.dcl_constantbuffer(kWorld, kMatrixRows);
  p.dcl_constantbuffer(kBones, kMaxBones * kRowsPerBone, CbAccess::DynamicIndexed);
  p.dcl_constantbuffer(kMaterial, kMaterialRows);
  p.dcl_input(v(kPosition, "xyz"));
  p.dcl_input(v(kNormal, "xyz"));
  p.dcl_input(v(kBoneIndexes));
  p.dcl_input(v(kBoneWeights));
  p.dcl_input(v(kUv, "xy"));
  p.dcl_output_siv(o(kClipPositionRegister), SystemValue::Position);
  p.dcl_output(o(kColourRegister));
  p.dcl_output(o(kUvRegister, "xy"));
  p.dcl_temps(kTempCount);

  // Blend the bones' rows by weight (weights are in 1/255 units; a weight of
  // 0 adds nothing), then divide by what the weights add up to. A vertex
  // without weights stays put.
  p.utof(r(kWeights), v(kBoneWeights));
  p.imul(null(), r(kBoneRow), v(kBoneIndexes),
         lu(kRowsPerBone, kRowsPerBone, kRowsPerBone, kRowsPerBone));
  for (unsigned bone = 0; bone < kBonesPerVertex; ++bone) {
    const Operand weight = r(kWeights, Component(bone));
    for (unsigned row = 0; row < kRowsPerBone; ++row) {
      const Operand boneRow = cb(kBones, r(kBoneRow, Component(bone)), row);
      if (bone == 0) {
        p.mul(r(kBlendRow0 + row), weight, boneRow);
      } else {
        p.mad(r(kBlendRow0 + row), weight, boneRow, r(kBlendRow0 + row));
      }
    }
  }
  p.dp4(r(kTotal, "x"), r(kWeights), l(1.0f, 1.0f, 1.0f, 1.0f));
  p.lt(r(kTotal, "y"), l(0.0f), r(kTotal, "x"));
  p.mov(r(kModel, "xyz"), v(kPosition, "xyz"));
  p.mov(r(kModel, "w"), l(1.0f));
  for (unsigned row = 0; row < kRowsPerBone; ++row) {
    p.dp4(r(kScratch, Component(row)), r(kModel), r(kBlendRow0 + row));
    p.dp3(r(kModelNormal, Component(row)), v(kNormal, "xyz"), r(kBlendRow0 + row, "xyz"));
  }
  p.div(r(kScratch, "xyz"), r(kScratch, "xyz"), r(kTotal, "x"));
  p.movc(r(kModel, "xyz"), r(kTotal, "y"), r(kScratch, "xyz"), v(kPosition, "xyz"));
  p.movc(r(kModelNormal, "xyz"), r(kTotal, "y"), r(kModelNormal, "xyz"), v(kNormal, "xyz"));

  // World, view, clip (Direct3D clip space: depth 0 to w).
  Transform(p, r, kWorldPosition, r(kModel), kWorld);
  Transform(p, r, kViewPosition, r(kWorldPosition), kCamera);
  Transform(p, o, kClipPositionRegister, r(kViewPosition), kProjection);

  // Normal and light direction into view space (directions: w = 0).
  for (unsigned row = 0; row < kMatrixRows; ++row) {
    p.dp3(r(kScratch, Component(row)), r(kModelNormal, "xyz"), cb(kWorld, row, "xyz"));
  }
  Transform(p, r, kViewNormal, r(kScratch), kCamera, 3);
  for (unsigned row = 0; row < 3; ++row) {
    p.dp3(r(kToLight, Component(row)), cb(kCamera, kLightDirection, "xyz"),
          cb(kCamera, kViewRow0 + row, "xyz"));
  }
  NormaliseOr(p, kViewNormal, l(0.0f, 0.0f, -1.0f, 0.0f));
  NormaliseOr(p, kToLight, l(0.0f, 0.0f, -1.0f, 0.0f));

  // ambient + diffuse * light * (0.6 * (0.5 + 0.5 * n.l))
  p.dp3(r(kScratch, "x"), r(kViewNormal, "xyz"), r(kToLight, "xyz"));
  p.mad(r(kScratch, "x"), r(kScratch, "x"), l(0.5f), l(0.5f));
  p.mul(r(kScratch, "x"), r(kScratch, "x"), l(kDiffuseLight));
  p.mul(r(kColour, "xyz"), cb(kMaterial, kDiffuse, "xyz"), cb(kCamera, kLightColour, "xyz"));
  p.mad(r(kColour, "xyz"), r(kColour, "xyz"), r(kScratch, "x"), cb(kMaterial, kAmbient, "xyz"));

  // + specular * light * max(n.h, 0) ^ power, h halfway between the light
  // and the eye (at the view-space origin).
  p.lt(r(kScratch, "w"), l(0.0f), cb(kMaterial, kSpecular, "w"));
  p.if_nz(r(kScratch, "w"));
  p.mov(r(kHalfway, "xyz"), -r(kViewPosition, "xyz"));
  NormaliseOr(p, kHalfway, l(0.0f, 0.0f, -1.0f, 0.0f));
  p.add(r(kHalfway, "xyz"), r(kHalfway, "xyz"), r(kToLight, "xyz"));
  p.dp3(r(kScratch, "x"), r(kHalfway, "xyz"), r(kHalfway, "xyz"));
  p.rsq(r(kScratch, "x"), r(kScratch, "x"));
  p.mul(r(kHalfway, "xyz"), r(kHalfway, "xyz"), r(kScratch, "x"));
  p.dp3(r(kScratch, "x"), r(kViewNormal, "xyz"), r(kHalfway, "xyz"));
  p.max(r(kScratch, "x"), r(kScratch, "x"), l(0.0f));
  p.log(r(kScratch, "x"), r(kScratch, "x"));
  p.mul(r(kScratch, "x"), r(kScratch, "x"), cb(kMaterial, kSpecular, "w"));
  p.exp(r(kScratch, "x"), r(kScratch, "x"));  // 0 ^ power is 0: log gives -inf
  p.mul(r(kHalfway, "xyz"), cb(kMaterial, kSpecular, "xyz"), cb(kCamera, kLightColour, "xyz"));
  p.mad(r(kColour, "xyz"), r(kHalfway, "xyz"), r(kScratch, "x"), r(kColour, "xyz"));
  p.endif();

  p.mov_sat(o(kColourRegister, "xyz"), r(kColour, "xyz"));
  p.mov_sat(o(kColourRegister, "w"), cb(kMaterial, kDiffuse, "w"));
  p.mov(o(kUvRegister, "xy"), v(kUv, "xy"));
  p.ret();
  return BuildContainer(VertexInputSignature(), VertexOutputSignature(), p.Finish());
}

}  // namespace brivonel::dxbc
