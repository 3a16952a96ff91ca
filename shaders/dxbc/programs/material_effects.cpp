#include "shaders/dxbc/programs/material_effects.h"

#include "shaders/dxbc/programs/programs.h"

namespace brivonel::dxbc {
namespace {

constexpr unsigned kTexture = 0;
constexpr unsigned kSphere = 1;  // or the sub-texture
constexpr unsigned kToon = 2;
constexpr float kMultiplySphere = 1.0f;
constexpr float kAddSphere = 2.0f;
constexpr float kSubTexture = 3.0f;
// Toon ramps are the same across: read down their middle.
constexpr float kRampColumn = 0.5f;

}  // namespace

void DeclarePixelShader(ProgramWriter& p, bool textured) {
  p.dcl_constantbuffer(kMaterialBuffer, kMaterialRows);
  for (const unsigned slot : {kTexture, kSphere, kToon}) {
    if (slot != kTexture || textured) p.dcl_sampler(slot);
  }
  for (const unsigned slot : {kTexture, kSphere, kToon}) {
    if (slot != kTexture || textured) p.dcl_resource_texture2d(slot);
  }
  p.dcl_input_ps(Interpolation::Linear, v(kColourRegister));
  p.dcl_input_ps(Interpolation::Linear, v(kUvRegister, textured ? "xyzw" : "zw"));
  p.dcl_input_ps(Interpolation::Linear, v(kLookupRegister, "xyz"));
  p.dcl_input_ps(Interpolation::Linear, v(kSpecularRegister, "xyz"));
  p.dcl_output(o(0));
  p.dcl_temps(kPixelTemps);
}

void FinishWithMaterialEffects(ProgramWriter& p) {
  const Operand colour = r(kPixelColour, "xyz");
  const Operand sampled = r(kPixelSample, "xyz");
  // Sphere map at the view-space normal: multiplied or added (colour only).
  p.eq(r(kPixelCondition, "x"), cb(kMaterialBuffer, kEffectsRow, "x"), l(kMultiplySphere));
  p.eq(r(kPixelCondition, "y"), cb(kMaterialBuffer, kEffectsRow, "x"), l(kAddSphere));
  p.if_nz(r(kPixelCondition, "x"));
  p.sample(r(kPixelSample), v(kLookupRegister, "xy"), t(kSphere), s(kSphere));
  p.mul(colour, colour, sampled);
  p.endif();
  p.if_nz(r(kPixelCondition, "y"));
  p.sample(r(kPixelSample), v(kLookupRegister, "xy"), t(kSphere), s(kSphere));
  p.add(colour, colour, sampled);
  p.endif();
  // A sub-texture at the first additional UV set: multiplied in, alpha too,
  // as the texture is.
  p.eq(r(kPixelCondition, "w"), cb(kMaterialBuffer, kEffectsRow, "x"), l(kSubTexture));
  p.if_nz(r(kPixelCondition, "w"));
  p.sample(r(kPixelSample), v(kUvRegister, "zw"), t(kSphere), s(kSphere));
  p.mul(r(kPixelColour), r(kPixelColour), r(kPixelSample));
  p.endif();
  // Toon ramp at how much the surface faces the light.
  p.lt(r(kPixelCondition, "z"), l(0.0f), cb(kMaterialBuffer, kEffectsRow, "y"));
  p.if_nz(r(kPixelCondition, "z"));
  p.mov(r(kPixelSample, "x"), l(kRampColumn));
  p.mov(r(kPixelSample, "y"), v(kLookupRegister, "z"));
  p.sample(r(kPixelSample), r(kPixelSample, "xy"), t(kToon), s(kToon));
  p.mul(colour, colour, sampled);
  p.endif();
  // The highlight on top, then premultiplied alpha.
  p.add(colour, colour, v(kSpecularRegister, "xyz"));
  p.mov_sat(r(kPixelColour), r(kPixelColour));
  p.mul(o(0, "xyz"), colour, r(kPixelColour, "w"));
  p.mov(o(0, "w"), r(kPixelColour, "w"));
  p.ret();
}

}  // namespace brivonel::dxbc
