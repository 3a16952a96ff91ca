// Textured materials: the vertex colour times the texture (shader resource 0
// through sampler 0), then the material's effects, written with
// premultiplied alpha.
#include "shaders/dxbc/program_writer.h"
#include "shaders/dxbc/programs/material_effects.h"
#include "shaders/dxbc/programs/programs.h"

namespace brivonel::dxbc {

std::vector<std::uint8_t> BuildTexturedPixelShader() {
  ProgramWriter p(Stage::Pixel);
  DeclarePixelShader(p, true);
  p.sample(r(kPixelColour), v(kUvRegister, "xy"), t(0), s(0));
  p.mul(r(kPixelColour), r(kPixelColour), v(kColourRegister));
  FinishWithMaterialEffects(p);
  return BuildContainer(PixelInputSignature(true), PixelOutputSignature(), p.Finish());
}

}  // namespace brivonel::dxbc
