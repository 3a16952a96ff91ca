// Skinned, lit vertex of every material, and of the edge pass.
//
// Constant buffers (each matrix stored transposed, so that row k of the
// buffer is column k of the row-vector matrix and p * M is four dp4s):
//   cb0  camera: view matrix, light direction (towards the light), light colour
//   cb1  projection matrix
//   cb2  world matrix
//   cb3  skinning: per bone three rows, the columns of inverse-bind x world;
//        bone numbers are 8 bits, so 256 bones are all a vertex can address
//   cb4  material: ambient, diffuse (alpha in w), specular (power in w),
//        effects, edge colour, edge width (programs.h)
// Lighting is done in view space: half-Lambert diffuse at 60% light
// strength over the ambient colour (a toon material takes its shading from
// its ramp instead), and Blinn-Phong highlights when the material has a
// specular power. The edge pass pushes the back faces outward across the
// screen by the edge width in pixels, times the vertex's edge scale
// (POSITION.w), whatever the distance, at the depth of the point moved along
// its normal by that much.
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
enum Buffer : unsigned { kCamera, kProjection, kWorld, kBones };
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
  kClip,
  kViewNormal,  // normalised
  kToLight,     // normalised
  kColour,
  kHalfway,
  kHighlight,   // the specular highlight
  kFlags,       // x edge pass, y toon, z specular apart, w facing (n.l)
  kAcross,      // edge pass: the normal's direction on screen
  kNormalClip,  // edge pass: the normal in clip space, then the moved point
  kScratch,
  kTempCount,
};

// The input layout's nine elements: v0 to v8. Of the additional UV sets only
// the first one's xy is read: a sub-texture's coordinates.
Signature VertexInputSignature() {
  using enum ComponentType;
  return {
      {"POSITION", 0, SystemValue::None, Float, kPosition, 0xF, 0xF},
      {"NORMAL", 0, SystemValue::None, Float, kNormal, 0x7, 0x7},
      {"BONEINDEXES", 0, SystemValue::None, Uint, kBoneIndexes, 0xF, 0xF},
      {"BONEWEIGHTS", 0, SystemValue::None, Uint, kBoneWeights, 0xF, 0xF},
      {"TEXCOORD", 0, SystemValue::None, Float, kUv, 0x3, 0x3},
      {"TEXCOORD", 1, SystemValue::None, Float, kExtraUv1, 0xF, 0x3},
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

// The edge pass: the clip position moved outward across the screen, where
// moving the point along its normal moves it, by the edge width in pixels
// times the vertex's edge scale; the edge colour, no effects. The depth is
// that of the point moved along its normal by as much as crosses that width
// sideways, so that a back face seen from inside sinks behind its own
// surface instead of covering it.
void EdgePass(ProgramWriter& p) {
  // The normal in clip space (a direction).
  for (unsigned row = 0; row < kMatrixRows; ++row) {
    p.dp3(r(kNormalClip, Component(row)), r(kViewNormal, "xyz"), cb(kProjection, row, "xyz"));
  }
  // across = (normal.xy * clip.w - clip.xy * normal.w) in pixels.
  p.mul(r(kAcross, "xy"), r(kNormalClip, "xy"), r(kClip, "w"));
  p.mad(r(kAcross, "xy"), -r(kClip, "xy"), r(kNormalClip, "w"), r(kAcross, "xy"));
  p.mul(r(kAcross, "xy"), r(kAcross, "xy"), cb(kMaterialBuffer, kEdgeWidthRow, "zw"));
  p.dp2(r(kScratch, "x"), r(kAcross, "xy"), r(kAcross, "xy"));
  p.lt(r(kScratch, "y"), l(0.0f), r(kScratch, "x"));
  p.rsq(r(kScratch, "x"), r(kScratch, "x"));
  p.mul(r(kAcross, "xy"), r(kAcross, "xy"), r(kScratch, "x"));
  p.movc(r(kAcross, "xy"), r(kScratch, "y"), r(kAcross, "xy"), l(0.0f, 0.0f, 0.0f, 0.0f));
  p.mul(r(kAcross, "xy"), r(kAcross, "xy"), cb(kMaterialBuffer, kEdgeWidthRow, "xy"));
  p.mul(r(kAcross, "xy"), r(kAcross, "xy"), v(kPosition, "w"));
  // The view-space distance a sideways move of that width takes at this
  // depth: the width in clip units * w / the projection's x scale.
  p.mul(r(kScratch, "x"), cb(kMaterialBuffer, kEdgeWidthRow, "x"), v(kPosition, "w"));
  p.mul(r(kScratch, "x"), r(kScratch, "x"), r(kClip, "w"));
  p.div(r(kScratch, "x"), r(kScratch, "x"), cb(kProjection, 0, "x"));
  // The point moved that far along its normal gives depth and w; the
  // screen position is the one pushed across, at that w.
  p.mad(r(kNormalClip), r(kNormalClip), r(kScratch, "x"), r(kClip));
  p.div(r(kClip, "xy"), r(kClip, "xy"), r(kClip, "w"));
  p.add(r(kClip, "xy"), r(kClip, "xy"), r(kAcross, "xy"));
  p.mul(r(kClip, "xy"), r(kClip, "xy"), r(kNormalClip, "w"));
  p.mov(r(kClip, "zw"), r(kNormalClip));
  p.mov_sat(o(kColourRegister), cb(kMaterialBuffer, kEdgeColourRow));
  p.mov(o(kLookupRegister, "xyz"), l(0.0f, 0.0f, 0.0f, 0.0f));
  p.mov(o(kSpecularRegister, "xyz"), l(0.0f, 0.0f, 0.0f, 0.0f));
}

// The lit colour, the highlight (apart when the effects row asks) and the
// coordinates of the sphere map and the toon ramp.
void Lighting(ProgramWriter& p) {
  // ambient + diffuse * light * (0.6 * lambert), lambert = 0.5 + 0.5 * n.l,
  // or 1 for a toon material (its ramp shades it).
  p.dp3(r(kFlags, "w"), r(kViewNormal, "xyz"), r(kToLight, "xyz"));
  p.mad(r(kScratch, "x"), r(kFlags, "w"), l(0.5f), l(0.5f));
  p.movc(r(kScratch, "x"), r(kFlags, "y"), l(1.0f), r(kScratch, "x"));
  p.mul(r(kScratch, "x"), r(kScratch, "x"), l(kDiffuseLight));
  p.mul(r(kColour, "xyz"), cb(kMaterialBuffer, kDiffuseRow, "xyz"),
        cb(kCamera, kLightColour, "xyz"));
  p.mad(r(kColour, "xyz"), r(kColour, "xyz"), r(kScratch, "x"),
        cb(kMaterialBuffer, kAmbientRow, "xyz"));

  // specular * light * max(n.h, 0) ^ power, h halfway between the light
  // and the eye (at the view-space origin).
  p.mov(r(kHighlight, "xyz"), l(0.0f, 0.0f, 0.0f, 0.0f));
  p.lt(r(kScratch, "w"), l(0.0f), cb(kMaterialBuffer, kSpecularRow, "w"));
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
  p.mul(r(kScratch, "x"), r(kScratch, "x"), cb(kMaterialBuffer, kSpecularRow, "w"));
  p.exp(r(kScratch, "x"), r(kScratch, "x"));  // 0 ^ power is 0: log gives -inf
  p.mul(r(kHalfway, "xyz"), cb(kMaterialBuffer, kSpecularRow, "xyz"),
        cb(kCamera, kLightColour, "xyz"));
  p.mul(r(kHighlight, "xyz"), r(kHalfway, "xyz"), r(kScratch, "x"));
  p.endif();
  // With sphere maps or toon ramps the highlight goes on after the textures
  // (the pixel shader adds it); otherwise it is part of the colour.
  p.add(r(kScratch, "xyz"), r(kColour, "xyz"), r(kHighlight, "xyz"));
  p.movc(r(kColour, "xyz"), r(kFlags, "z"), r(kColour, "xyz"), r(kScratch, "xyz"));
  p.movc(o(kSpecularRegister, "xyz"), r(kFlags, "z"), r(kHighlight, "xyz"),
         l(0.0f, 0.0f, 0.0f, 0.0f));

  p.mov_sat(o(kColourRegister, "xyz"), r(kColour, "xyz"));
  p.mov_sat(o(kColourRegister, "w"), cb(kMaterialBuffer, kDiffuseRow, "w"));
  // The sphere map at the view-space normal (up at its top), the toon ramp
  // at how much the surface faces the light (lit at its top).
  p.mad(o(kLookupRegister, "xy"), r(kViewNormal, "xy"), l(0.5f, -0.5f, 0.0f, 0.0f),
        l(0.5f, 0.5f, 0.5f, 0.5f));
  p.mad(o(kLookupRegister, "z"), r(kFlags, "w"), l(-0.5f), l(0.5f));
}

}  // namespace

std::vector<std::uint8_t> BuildSkinnedVertexShader() {
  ProgramWriter p(Stage::Vertex);
  p.dcl_constantbuffer(kCamera, kCameraRows);
  p.dcl_constantbuffer(kProjection, kMatrixRows);
  p.dcl_constantbuffer(kWorld, kMatrixRows);
  p.dcl_constantbuffer(kBones, kMaxBones * kRowsPerBone, CbAccess::DynamicIndexed);
  p.dcl_constantbuffer(kMaterialBuffer, kMaterialRows);
  p.dcl_input(v(kPosition));
  p.dcl_input(v(kNormal, "xyz"));
  p.dcl_input(v(kBoneIndexes));
  p.dcl_input(v(kBoneWeights));
  p.dcl_input(v(kUv, "xy"));
  p.dcl_input(v(kExtraUv1, "xy"));
  p.dcl_output_siv(o(kClipPositionRegister), SystemValue::Position);
  p.dcl_output(o(kColourRegister));
  p.dcl_output(o(kUvRegister));
  p.dcl_output(o(kLookupRegister, "xyz"));
  p.dcl_output(o(kSpecularRegister, "xyz"));
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
  Transform(p, r, kClip, r(kViewPosition), kProjection);

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
  p.mov(o(kUvRegister, "xy"), v(kUv, "xy"));
  p.mov(o(kUvRegister, "zw"), v(kExtraUv1, "xxxy"));  // into z and w

  // x: the edge pass, y: a toon ramp, z: the highlight goes on after the textures.
  p.lt(r(kFlags, "xyz"), l(0.0f, 0.0f, 0.0f, 0.0f), cb(kMaterialBuffer, kEffectsRow, "wyz"));
  p.if_nz(r(kFlags, "x"));
  EdgePass(p);
  p.else_();
  Lighting(p);
  p.endif();
  p.mov(o(kClipPositionRegister), r(kClip));
  p.ret();
  return BuildContainer(VertexInputSignature(), VertexOutputSignature(), p.Finish());
}

}  // namespace brivonel::dxbc
