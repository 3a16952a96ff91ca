#pragma once
// The steps between decoding a model and drawing it that every program
// shares: giving the materials their shaders and tying a motion's morph
// tracks to the model's morphs.
#include <string_view>

#include "model/model.h"

namespace brivonel {

// The shader programs the model is drawn with.
inline constexpr char16_t kVertexShaderName[] = u"vs_pos4norm3uv2";
inline constexpr char16_t kTexturedPixelShaderName[] = u"ps_pos4color4uv2";
inline constexpr char16_t kPlainPixelShaderName[] = u"ps_pos4color4";

// Gives every material, in order, the vertex shader and the pixel shader it
// is drawn with ("ps_pos4color4uv2" when it has a texture, "ps_pos4color4"
// otherwise), taken from the model's pools or loaded into them from folder
// (which ends in a separator). The edge pass draws with "ps_pos4color4": it
// is loaded too when a material asks for an edge. Returns false at the
// first shader file that is missing; that material's id is then -1. A
// device refusal raises the pools' AppException.
bool AssignMaterialShaders(Model& model, std::u16string_view folder);

// Points each morph track of the model's animation at the model's morph of
// the same name, or at none.
void LinkMorphTracks(Model& model);

}  // namespace brivonel
