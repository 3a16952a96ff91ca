#include "shaders/dxbc/program_writer.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

namespace brivonel::dxbc {
namespace {

// Opcode numbers of the tokenized program format.
enum Opcode : std::uint32_t {
  kAdd = 0,
  kDiv = 14,
  kDp2 = 15,
  kDp3 = 16,
  kDp4 = 17,
  kElse = 18,
  kEndIf = 21,
  kEq = 24,
  kExp = 25,
  kIf = 31,
  kImul = 38,
  kLog = 47,
  kLt = 49,
  kMad = 50,
  kMax = 52,
  kMov = 54,
  kMovc = 55,
  kMul = 56,
  kRet = 62,
  kRsq = 68,
  kSample = 69,
  kUtof = 86,
  kDclResource = 88,
  kDclConstantBuffer = 89,
  kDclSampler = 90,
  kDclInput = 95,
  kDclInputPs = 98,
  kDclOutput = 101,
  kDclOutputSiv = 103,
  kDclTemps = 104,
};

// Opcode-specific controls live in bits 11 to 23 of the opcode token.
constexpr std::uint32_t kControlShift = 11;
constexpr std::uint32_t kSaturate = 1u << 13;
constexpr std::uint32_t kTestNonZero = 1u << 18;
constexpr std::uint32_t kTexture2d = 3;
constexpr std::uint32_t kReturnFloat = 5;  // per component, four bits each
constexpr std::uint32_t kLengthShift = 24;
constexpr std::uint32_t kMaxLength = 127;

// Operand token fields.
constexpr std::uint32_t kOneComponent = 1;
constexpr std::uint32_t kFourComponents = 2;
constexpr std::uint32_t kSelectionShift = 2;
constexpr std::uint32_t kComponentsShift = 4;
constexpr std::uint32_t kTypeShift = 12;
constexpr std::uint32_t kIndexCountShift = 20;
constexpr std::uint32_t kIndexImmediate = 0;
constexpr std::uint32_t kIndexImmediatePlusRelative = 3;
constexpr std::uint32_t kExtended = 1u << 31;
constexpr std::uint32_t kNegateModifier = 1 | (1 << 6);

std::uint32_t ComponentNumber(char letter) {
  switch (letter) {
    case 'x': return 0;
    case 'y': return 1;
    case 'z': return 2;
    case 'w': return 3;
    default: throw std::logic_error("shader operand: component letters are x, y, z, w");
  }
}

std::uint32_t SelectionBits(const std::string& components, Selection selection) {
  if (components.empty() || components.size() > 4) {
    throw std::logic_error("shader operand: one to four components");
  }
  std::uint32_t bits = 0;
  switch (selection) {
    case Selection::Mask:
      for (const char letter : components) bits |= 1u << ComponentNumber(letter);
      return bits << kComponentsShift;
    case Selection::Swizzle:
      for (std::size_t i = 0; i < 4; ++i) {
        const char letter = components[std::min(i, components.size() - 1)];
        bits |= ComponentNumber(letter) << (2 * i);
      }
      return (1u << kSelectionShift) | (bits << kComponentsShift);
    case Selection::Select1:
      return (2u << kSelectionShift) | (ComponentNumber(components[0]) << kComponentsShift);
  }
  return 0;
}

Operand Register(OperandType type, std::vector<Operand::Index> indices,
                 std::string_view components) {
  Operand operand;
  operand.type = type;
  operand.components = components;
  operand.indices = std::move(indices);
  return operand;
}

Operand Immediate(std::vector<std::uint32_t> values) {
  Operand operand;
  operand.type = OperandType::Immediate32;
  operand.componentCount = static_cast<unsigned>(values.size());
  operand.immediates = std::move(values);
  return operand;
}

}  // namespace

void Operand::Encode(std::vector<std::uint32_t>& out, Selection selection) const {
  std::uint32_t token = static_cast<std::uint32_t>(type) << kTypeShift;
  if (componentCount == 1) {
    token |= kOneComponent;
  } else if (componentCount == 4) {
    token |= kFourComponents;
    // Four immediate values are taken as they are, with no selection.
    if (type != OperandType::Immediate32) token |= SelectionBits(components, selection);
  }
  token |= static_cast<std::uint32_t>(indices.size()) << kIndexCountShift;
  for (std::size_t i = 0; i < indices.size(); ++i) {
    const std::uint32_t representation =
        indices[i].relative ? kIndexImmediatePlusRelative : kIndexImmediate;
    token |= representation << (22 + 3 * i);
  }
  if (negate) token |= kExtended;
  out.push_back(token);
  if (negate) out.push_back(kNegateModifier);
  for (const Index& index : indices) {
    out.push_back(index.offset);
    if (index.relative) index.relative->Encode(out, Selection::Select1);
  }
  out.insert(out.end(), immediates.begin(), immediates.end());
}

Operand r(unsigned index, std::string_view components) {
  return Register(OperandType::Temp, {{index, nullptr}}, components);
}
Operand v(unsigned index, std::string_view components) {
  return Register(OperandType::Input, {{index, nullptr}}, components);
}
Operand o(unsigned index, std::string_view components) {
  return Register(OperandType::Output, {{index, nullptr}}, components);
}
Operand cb(unsigned slot, unsigned row, std::string_view components) {
  return Register(OperandType::ConstantBuffer, {{slot, nullptr}, {row, nullptr}}, components);
}
Operand cb(unsigned slot, const Operand& rowBase, unsigned rowOffset, std::string_view components) {
  return Register(OperandType::ConstantBuffer,
                  {{slot, nullptr}, {rowOffset, std::make_shared<const Operand>(rowBase)}},
                  components);
}
Operand t(unsigned slot) { return Register(OperandType::Resource, {{slot, nullptr}}, "xyzw"); }
Operand s(unsigned slot) {
  Operand sampler = Register(OperandType::Sampler, {{slot, nullptr}}, "xyzw");
  sampler.componentCount = 0;
  return sampler;
}
Operand null() {
  Operand discarded = Register(OperandType::Null, {}, "xyzw");
  discarded.componentCount = 0;
  return discarded;
}
Operand l(float x) { return Immediate({std::bit_cast<std::uint32_t>(x)}); }
Operand l(float x, float y, float z, float w) {
  return Immediate({std::bit_cast<std::uint32_t>(x), std::bit_cast<std::uint32_t>(y),
                    std::bit_cast<std::uint32_t>(z), std::bit_cast<std::uint32_t>(w)});
}
Operand lu(std::uint32_t x) { return Immediate({x}); }
Operand lu(std::uint32_t x, std::uint32_t y, std::uint32_t z, std::uint32_t w) {
  return Immediate({x, y, z, w});
}
Operand operator-(Operand source) {
  source.negate = !source.negate;
  return source;
}

void ProgramWriter::Append(std::uint32_t opcode, std::uint32_t controls,
                           const std::vector<std::uint32_t>& body) {
  const auto length = static_cast<std::uint32_t>(body.size() + 1);
  if (length > kMaxLength) throw std::logic_error("shader instruction longer than 127 tokens");
  tokens_.push_back(opcode | controls | (length << kLengthShift));
  tokens_.insert(tokens_.end(), body.begin(), body.end());
}

void ProgramWriter::Op(std::uint32_t opcode, const Operand& d, Sources sources,
                       std::uint32_t controls) {
  std::vector<std::uint32_t> body;
  d.Encode(body, Selection::Mask);
  for (const Operand& source : sources) source.Encode(body, Selection::Swizzle);
  Append(opcode, controls, body);
}

void ProgramWriter::dcl_constantbuffer(unsigned slot, unsigned rows, CbAccess access) {
  std::vector<std::uint32_t> body;
  cb(slot, rows).Encode(body, Selection::Swizzle);  // the row index holds the size
  Append(kDclConstantBuffer, static_cast<std::uint32_t>(access) << kControlShift, body);
}

void ProgramWriter::dcl_sampler(unsigned slot) {
  std::vector<std::uint32_t> body;
  s(slot).Encode(body, Selection::Mask);
  Append(kDclSampler, 0, body);  // default (not comparison) mode
}

void ProgramWriter::dcl_resource_texture2d(unsigned slot) {
  Operand texture = t(slot);
  texture.componentCount = 0;
  std::vector<std::uint32_t> body;
  texture.Encode(body, Selection::Mask);
  body.push_back(kReturnFloat * 0x1111);
  Append(kDclResource, kTexture2d << kControlShift, body);
}

void ProgramWriter::dcl_input(const Operand& input) {
  std::vector<std::uint32_t> body;
  input.Encode(body, Selection::Mask);
  Append(kDclInput, 0, body);
}

void ProgramWriter::dcl_input_ps(Interpolation mode, const Operand& input) {
  std::vector<std::uint32_t> body;
  input.Encode(body, Selection::Mask);
  Append(kDclInputPs, static_cast<std::uint32_t>(mode) << kControlShift, body);
}

void ProgramWriter::dcl_output(const Operand& output) {
  std::vector<std::uint32_t> body;
  output.Encode(body, Selection::Mask);
  Append(kDclOutput, 0, body);
}

void ProgramWriter::dcl_output_siv(const Operand& output, SystemValue name) {
  std::vector<std::uint32_t> body;
  output.Encode(body, Selection::Mask);
  body.push_back(static_cast<std::uint32_t>(name));
  Append(kDclOutputSiv, 0, body);
}

void ProgramWriter::dcl_temps(unsigned count) { Append(kDclTemps, 0, {count}); }

void ProgramWriter::add(const Operand& d, const Operand& a, const Operand& b) {
  Op(kAdd, d, {a, b});
}
void ProgramWriter::mul(const Operand& d, const Operand& a, const Operand& b) {
  Op(kMul, d, {a, b});
}
void ProgramWriter::mad(const Operand& d, const Operand& a, const Operand& b, const Operand& c) {
  Op(kMad, d, {a, b, c});
}
void ProgramWriter::div(const Operand& d, const Operand& a, const Operand& b) {
  Op(kDiv, d, {a, b});
}
void ProgramWriter::dp2(const Operand& d, const Operand& a, const Operand& b) {
  Op(kDp2, d, {a, b});
}
void ProgramWriter::dp3(const Operand& d, const Operand& a, const Operand& b) {
  Op(kDp3, d, {a, b});
}
void ProgramWriter::dp4(const Operand& d, const Operand& a, const Operand& b) {
  Op(kDp4, d, {a, b});
}
void ProgramWriter::max(const Operand& d, const Operand& a, const Operand& b) {
  Op(kMax, d, {a, b});
}
void ProgramWriter::lt(const Operand& d, const Operand& a, const Operand& b) { Op(kLt, d, {a, b}); }
void ProgramWriter::eq(const Operand& d, const Operand& a, const Operand& b) { Op(kEq, d, {a, b}); }
void ProgramWriter::movc(const Operand& d, const Operand& condition, const Operand& ifTrue,
                         const Operand& ifFalse) {
  Op(kMovc, d, {condition, ifTrue, ifFalse});
}
void ProgramWriter::mov(const Operand& d, const Operand& a) { Op(kMov, d, {a}); }
void ProgramWriter::mov_sat(const Operand& d, const Operand& a) { Op(kMov, d, {a}, kSaturate); }
void ProgramWriter::rsq(const Operand& d, const Operand& a) { Op(kRsq, d, {a}); }
void ProgramWriter::log(const Operand& d, const Operand& a) { Op(kLog, d, {a}); }
void ProgramWriter::exp(const Operand& d, const Operand& a) { Op(kExp, d, {a}); }
void ProgramWriter::utof(const Operand& d, const Operand& a) { Op(kUtof, d, {a}); }

void ProgramWriter::imul(const Operand& high, const Operand& low, const Operand& a,
                         const Operand& b) {
  std::vector<std::uint32_t> body;
  high.Encode(body, Selection::Mask);
  low.Encode(body, Selection::Mask);
  a.Encode(body, Selection::Swizzle);
  b.Encode(body, Selection::Swizzle);
  Append(kImul, 0, body);
}

void ProgramWriter::sample(const Operand& d, const Operand& coordinates, const Operand& texture,
                           const Operand& sampler) {
  Op(kSample, d, {coordinates, texture, sampler});
}

void ProgramWriter::if_nz(const Operand& condition) {
  std::vector<std::uint32_t> body;
  condition.Encode(body, Selection::Select1);
  Append(kIf, kTestNonZero, body);
}

void ProgramWriter::else_() { Append(kElse, 0, {}); }
void ProgramWriter::endif() { Append(kEndIf, 0, {}); }
void ProgramWriter::ret() { Append(kRet, 0, {}); }

std::vector<std::uint32_t> ProgramWriter::Finish() const {
  constexpr std::uint32_t kShaderModel4 = (4 << 4) | 0;
  std::vector<std::uint32_t> program;
  program.push_back((static_cast<std::uint32_t>(stage_) << 16) | kShaderModel4);
  program.push_back(static_cast<std::uint32_t>(tokens_.size() + 2));
  program.insert(program.end(), tokens_.begin(), tokens_.end());
  return program;
}

}  // namespace brivonel::dxbc
