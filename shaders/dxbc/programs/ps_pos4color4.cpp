// Untextured materials and the edge pass: the vertex colour, then the
// material's effects, written with premultiplied alpha.
#include "shaders/dxbc/program_writer.h"
#include "shaders/dxbc/programs/material_effects.h"
#include "shaders/dxbc/programs/programs.h"

namespace brivonel::dxbc {

std::vector<std::uint8_t> BuildColourPixelShader() {
  ProgramWriter p(Stage::Pixel);
  DeclarePixelShader(p, false);
  p.mov(r(kPixelColour), v(kColourRegister));
  FinishWithMaterialEffects(p);
  return BuildContainer(PixelInputSignature(false), PixelOutputSignature(), p.Finish());
}

}  // namespace brivonel::dxbc
