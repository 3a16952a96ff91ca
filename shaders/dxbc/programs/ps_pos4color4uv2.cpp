// Textured materials: the vertex colour times the texture (shader resource 0
// through sampler 0), written with premultiplied alpha.
#include "shaders/dxbc/program_writer.h"
#include "shaders/dxbc/programs/programs.h"

namespace brivonel::dxbc {

std::vector<std::uint8_t> BuildTexturedPixelShader() {
  constexpr unsigned kColour = 0;
  ProgramWriter p(Stage::Pixel);
  p.dcl_sampler(0);
  p.dcl_resource_texture2d(0);
  p.dcl_input_ps(Interpolation::Linear, v(kColourRegister));
  p.dcl_input_ps(Interpolation::Linear, v(kUvRegister, "xy"));
  p.dcl_output(o(0));
  p.dcl_temps(1);
  p.sample(r(kColour), v(kUvRegister, "xy"), t(0), s(0));
  p.mul(r(kColour), r(kColour), v(kColourRegister));
  p.mul(o(0, "xyz"), r(kColour, "xyz"), r(kColour, "w"));
  p.mov(o(0, "w"), r(kColour, "w"));
  p.ret();
  return BuildContainer(PixelInputSignature(true), PixelOutputSignature(), p.Finish());
}

}  // namespace brivonel::dxbc
