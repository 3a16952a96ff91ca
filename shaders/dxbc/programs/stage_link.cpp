#include "shaders/dxbc/programs/programs.h"

namespace brivonel::dxbc {
namespace {

constexpr std::uint8_t kXyzw = 0xF;
constexpr std::uint8_t kXyz = 0x7;
constexpr std::uint8_t kZw = 0xC;

// The vertex writes every component of each element; the pixel shaders
// never read the position.
Signature LinkSignature(std::uint8_t colourRead, std::uint8_t uvRead, std::uint8_t effectsRead) {
  return {
      {"SV_Position", 0, SystemValue::Position, ComponentType::Float, kClipPositionRegister, kXyzw,
       0},
      {"COLOR", 0, SystemValue::None, ComponentType::Float, kColourRegister, kXyzw, colourRead},
      {"TEXCOORD", 0, SystemValue::None, ComponentType::Float, kUvRegister, kXyzw, uvRead},
      {"TEXCOORD", 1, SystemValue::None, ComponentType::Float, kLookupRegister, kXyz, effectsRead},
      {"TEXCOORD", 2, SystemValue::None, ComponentType::Float, kSpecularRegister, kXyz,
       effectsRead},
  };
}

}  // namespace

Signature VertexOutputSignature() { return LinkSignature(0, 0, 0); }

Signature PixelInputSignature(bool textured) {
  // Both read the sub-texture's coordinates; only the textured one its own.
  return LinkSignature(kXyzw, textured ? kXyzw : kZw, kXyz);
}

Signature PixelOutputSignature() {
  return {{"SV_Target", 0, SystemValue::None, ComponentType::Float, 0, kXyzw, 0}};
}

}  // namespace brivonel::dxbc
