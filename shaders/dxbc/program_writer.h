#pragma once
// Writes a shader model 4.0 program in the tokenized form Direct3D reads (the
// SHDR chunk of a container). Helpers are named after the assembly
// mnemonics, so a program reads like its disassembly:
//
//   ProgramWriter p(Stage::Vertex);
//   p.dcl_constantbuffer(3, 768, CbAccess::DynamicIndexed);
//   p.imul(null(), r(1), v(2), lu(3, 3, 3, 3));
//   p.dp4(r(6, "x"), r(4), cb(3, r(1, "x"), 0));   // dp4 r6.x, r4, cb3[r1.x + 0]
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "shaders/dxbc/container.h"

namespace brivonel::dxbc {

enum class OperandType : std::uint32_t {
  Temp = 0,
  Input = 1,
  Output = 2,
  Immediate32 = 4,
  Sampler = 6,
  Resource = 7,
  ConstantBuffer = 8,
  Null = 13,
};

// How an operand picks its components: a destination's write mask, a
// source's swizzle, or the single component of a relative index.
enum class Selection { Mask, Swizzle, Select1 };

// One register reference such as r2.xyz, v0, cb3[r1.x + 2], l(0.5) or -r5.
// `components` ("xyz", "w", ...) is a write mask for a destination and a
// swizzle for a source, where a short swizzle repeats its last letter
// ("xyz" reads .xyzz).
struct Operand {
  struct Index {
    std::uint32_t offset = 0;
    std::shared_ptr<const Operand> relative;  // register added to offset, or none
  };

  OperandType type = OperandType::Temp;
  unsigned componentCount = 4;  // 0, 1 or 4
  std::string components = "xyzw";
  std::vector<Index> indices;
  std::vector<std::uint32_t> immediates;
  bool negate = false;

  void Encode(std::vector<std::uint32_t>& out, Selection selection) const;
};

// Registers, named as in the assembly.
Operand r(unsigned index, std::string_view components = "xyzw");  // temporary
Operand v(unsigned index, std::string_view components = "xyzw");  // input
Operand o(unsigned index, std::string_view components = "xyzw");  // output
Operand cb(unsigned slot, unsigned row, std::string_view components = "xyzw");
// cb<slot>[<rowBase> + rowOffset]: rowBase is one temporary component.
Operand cb(unsigned slot, const Operand& rowBase, unsigned rowOffset,
           std::string_view components = "xyzw");
Operand t(unsigned slot);  // shader resource
Operand s(unsigned slot);  // sampler
Operand null();            // discarded result
// Immediates: one or four floats, one or four unsigned integers.
Operand l(float x);
Operand l(float x, float y, float z, float w);
Operand lu(std::uint32_t x);
Operand lu(std::uint32_t x, std::uint32_t y, std::uint32_t z, std::uint32_t w);
Operand operator-(Operand source);

// The name of component 0 to 3: "x", "y", "z" or "w".
constexpr std::string_view Component(unsigned index) {
  return std::string_view("xyzw").substr(index, 1);
}

enum class Stage : std::uint32_t { Pixel = 0, Vertex = 1 };
enum class CbAccess : std::uint32_t { ImmediateIndexed = 0, DynamicIndexed = 1 };
enum class Interpolation : std::uint32_t { Constant = 1, Linear = 2 };

class ProgramWriter {
 public:
  explicit ProgramWriter(Stage stage) : stage_(stage) {}

  // Declarations.
  void dcl_constantbuffer(unsigned slot, unsigned rows,
                          CbAccess access = CbAccess::ImmediateIndexed);
  void dcl_sampler(unsigned slot);
  void dcl_resource_texture2d(unsigned slot);  // returns four floats
  void dcl_input(const Operand& input);
  void dcl_input_ps(Interpolation mode, const Operand& input);
  void dcl_output(const Operand& output);
  void dcl_output_siv(const Operand& output, SystemValue name);
  void dcl_temps(unsigned count);

  // Instructions: destination first, as in the assembly.
  void add(const Operand& d, const Operand& a, const Operand& b);
  void mul(const Operand& d, const Operand& a, const Operand& b);
  void mad(const Operand& d, const Operand& a, const Operand& b, const Operand& c);
  void div(const Operand& d, const Operand& a, const Operand& b);
  void dp2(const Operand& d, const Operand& a, const Operand& b);
  void dp3(const Operand& d, const Operand& a, const Operand& b);
  void dp4(const Operand& d, const Operand& a, const Operand& b);
  void max(const Operand& d, const Operand& a, const Operand& b);
  void lt(const Operand& d, const Operand& a, const Operand& b);  // all ones where a < b
  void eq(const Operand& d, const Operand& a, const Operand& b);  // all ones where a == b
  void movc(const Operand& d, const Operand& condition, const Operand& ifTrue,
            const Operand& ifFalse);
  void mov(const Operand& d, const Operand& a);
  void mov_sat(const Operand& d, const Operand& a);  // clamped to [0, 1]
  void rsq(const Operand& d, const Operand& a);
  void log(const Operand& d, const Operand& a);  // base 2
  void exp(const Operand& d, const Operand& a);  // base 2
  void utof(const Operand& d, const Operand& a);
  // Signed multiply; `high` takes the upper 32 bits (usually null()).
  void imul(const Operand& high, const Operand& low, const Operand& a, const Operand& b);
  void sample(const Operand& d, const Operand& coordinates, const Operand& texture,
              const Operand& sampler);
  void if_nz(const Operand& condition);
  void else_();  // "else"
  void endif();
  void ret();

  // The SHDR chunk's contents: version, length, then every token.
  std::vector<std::uint32_t> Finish() const;

 private:
  using Sources = std::initializer_list<std::reference_wrapper<const Operand>>;
  // One destination, then sources.
  void Op(std::uint32_t opcode, const Operand& d, Sources sources, std::uint32_t controls = 0);
  // Opcode token (with its length) followed by `body`.
  void Append(std::uint32_t opcode, std::uint32_t controls, const std::vector<std::uint32_t>& body);

  Stage stage_;
  std::vector<std::uint32_t> tokens_;
};

}  // namespace brivonel::dxbc
