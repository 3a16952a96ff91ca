#pragma once
// A DXBC container as Direct3D 11 loads it: header, digest, and the three
// chunks a shader model 4.0 program needs (input signature, output
// signature, program).
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brivonel::dxbc {

// Values shared by signatures and the program's system-value declarations.
enum class SystemValue : std::uint32_t { None = 0, Position = 1 };
enum class ComponentType : std::uint32_t { Uint = 1, Sint = 2, Float = 3 };

// One element of an input or output signature.
struct SignatureElement {
  std::string semanticName;
  std::uint32_t semanticIndex = 0;
  SystemValue systemValue = SystemValue::None;
  ComponentType componentType = ComponentType::Float;
  std::uint32_t registerIndex = 0;
  std::uint8_t mask = 0xF;  // components the element has (x = 1, y = 2, ...)
  // Inputs: the components the program reads. Outputs: those it never
  // writes (0 when it writes all of them).
  std::uint8_t readWriteMask = 0;
};

using Signature = std::vector<SignatureElement>;

// Four-character chunk names as their little-endian 32-bit value.
constexpr std::uint32_t FourCc(const char (&name)[5]) {
  return std::uint32_t{static_cast<unsigned char>(name[0])} |
         std::uint32_t{static_cast<unsigned char>(name[1])} << 8 |
         std::uint32_t{static_cast<unsigned char>(name[2])} << 16 |
         std::uint32_t{static_cast<unsigned char>(name[3])} << 24;
}

// The complete container, digest included.
std::vector<std::uint8_t> BuildContainer(const Signature& inputs, const Signature& outputs,
                                         std::span<const std::uint32_t> program);

}  // namespace brivonel::dxbc
