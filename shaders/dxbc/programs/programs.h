#pragma once
// The three shader programs the model is drawn with, as complete DXBC
// containers, and the link between the vertex and pixel stages.
//
// What the device must bind:
//   vertex: cb0 camera (view matrix transposed, light direction, light
//           colour; 6 rows), cb1 projection transposed (4 rows), cb2 world
//           transposed (4 rows), cb3 bones (3 rows each, 256 bones), cb4
//           material (ambient, diffuse, specular with its power in w,
//           effects, edge colour, edge width; 6 rows); input: the
//           nine-element vertex layout (v0 to v8).
//   pixel:  cb4 (its effects row), the sphere map or sub-texture t1 through
//           s1 and the toon ramp t2 through s2; the textured program also
//           reads t0 through s0.
#include <cstdint>
#include <string_view>
#include <vector>

#include "shaders/dxbc/container.h"

namespace brivonel::dxbc {

std::vector<std::uint8_t> BuildSkinnedVertexShader();  // "vs_pos4norm3uv2"
std::vector<std::uint8_t> BuildTexturedPixelShader();  // "ps_pos4color4uv2"
std::vector<std::uint8_t> BuildColourPixelShader();    // "ps_pos4color4"

struct ShaderProgram {
  std::string_view name;  // the file name without ".cso"
  std::vector<std::uint8_t> (*build)();
};
inline constexpr ShaderProgram kShaderPrograms[] = {
    {"vs_pos4norm3uv2", &BuildSkinnedVertexShader},
    {"ps_pos4color4uv2", &BuildTexturedPixelShader},
    {"ps_pos4color4", &BuildColourPixelShader},
};

// Registers of the vertex outputs, which are the pixel inputs.
inline constexpr unsigned kClipPositionRegister = 0;
inline constexpr unsigned kColourRegister = 1;
inline constexpr unsigned kUvRegister = 2;        // texture u, v; sub-texture u, v
inline constexpr unsigned kLookupRegister = 3;    // sphere map u, v; toon ramp v
inline constexpr unsigned kSpecularRegister = 4;  // added after the textures

// Rows of the material buffer (cb4).
enum MaterialRow : unsigned {
  kAmbientRow,
  kDiffuseRow,
  kSpecularRow,    // w: power
  kEffectsRow,     // x sphere mode (1 multiply, 2 add, 3 sub-texture), y toon,
                   // z specular apart, w edge pass
  kEdgeColourRow,
  kEdgeWidthRow,   // xy: a pixel in clip units times the edge size; zw: half the target
  kMaterialRows,
};
inline constexpr unsigned kMaterialBuffer = 4;

// SV_Position, COLOR (four floats), TEXCOORD (four floats: the texture's
// coordinates in xy, the sub-texture's in zw), then TEXCOORD1 (the sphere
// map and toon ramp coordinates) and TEXCOORD2 (the specular highlight),
// three floats each, in that order.
Signature VertexOutputSignature();
// The same elements as the pixel shader sees them; a `textured` one reads
// the texture's coordinates as well as the sub-texture's.
Signature PixelInputSignature(bool textured);
// One colour for render target 0.
Signature PixelOutputSignature();

}  // namespace brivonel::dxbc
