// Untextured materials: the vertex colour, written with premultiplied alpha.
#include "shaders/dxbc/program_writer.h"
#include "shaders/dxbc/programs/programs.h"

namespace brivonel::dxbc {

std::vector<std::uint8_t> BuildColourPixelShader() {
  ProgramWriter p(Stage::Pixel);
  p.dcl_input_ps(Interpolation::Linear, v(kColourRegister));
  p.dcl_output(o(0));
  p.mul(o(0, "xyz"), v(kColourRegister, "xyz"), v(kColourRegister, "w"));
  p.mov(o(0, "w"), v(kColourRegister, "w"));
  p.ret();
  return BuildContainer(PixelInputSignature(false), PixelOutputSignature(), p.Finish());
}

}  // namespace brivonel::dxbc
