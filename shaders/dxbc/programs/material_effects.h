#pragma once
// What both pixel shaders share: their declarations, and the material
// effects that follow the base colour (the sphere map or the sub-texture,
// the toon ramp and the specular highlight, as the material buffer's
// effects row asks),
// ending in the premultiplied write of the target.
#include "shaders/dxbc/program_writer.h"

namespace brivonel::dxbc {

// Temporaries the pixel shaders use: the colour and two scratch registers.
enum PixelTemp : unsigned { kPixelColour, kPixelCondition, kPixelSample, kPixelTemps };

// cb4, the samplers and resources (t0 and s0 only when textured), the
// inputs (the texture's coordinates only when textured, the sub-texture's
// always), the target and the temps.
void DeclarePixelShader(ProgramWriter& p, bool textured);

// r(kPixelColour) holds the base colour: applies the effects, clamps, and
// writes it premultiplied to o0, then returns.
void FinishWithMaterialEffects(ProgramWriter& p);

}  // namespace brivonel::dxbc
