#include "shaders/dxbc/programs/programs.h"

namespace brivonel::dxbc {
namespace {

constexpr std::uint8_t kXyzw = 0xF;
constexpr std::uint8_t kXy = 0x3;

// The vertex writes every component of each element; the pixel shaders
// never read the position.
Signature LinkSignature(std::uint8_t colourRead, std::uint8_t uvRead) {
  return {
      {"SV_Position", 0, SystemValue::Position, ComponentType::Float, kClipPositionRegister, kXyzw,
       0},
      {"COLOR", 0, SystemValue::None, ComponentType::Float, kColourRegister, kXyzw, colourRead},
      {"TEXCOORD", 0, SystemValue::None, ComponentType::Float, kUvRegister, kXy, uvRead},
  };
}

}  // namespace

Signature VertexOutputSignature() { return LinkSignature(0, 0); }

Signature PixelInputSignature(bool readsUv) { return LinkSignature(kXyzw, readsUv ? kXy : 0); }

Signature PixelOutputSignature() {
  return {{"SV_Target", 0, SystemValue::None, ComponentType::Float, 0, kXyzw, 0}};
}

}  // namespace brivonel::dxbc
