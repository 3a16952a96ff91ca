#pragma once
// Names of the files that make up the bundled sample: the character in both
// model formats, its dance and the textures they name.
#include <array>
#include <string_view>

namespace brivonel::samples {

constexpr std::string_view kPmxFile = "nel.pmx";
constexpr std::string_view kPmdFile = "nel.pmd";
constexpr std::string_view kDanceFile = "nel_dance.vmd";
constexpr std::string_view kStepDanceFile = "nel_steps.vmd";  // legs keyed by IK bones only

constexpr std::string_view kFaceTexture = "face.dds";    // BC3 with a full mip chain
constexpr std::string_view kClothTexture = "cloth.tga";  // run-length encoded
constexpr std::string_view kHairTexture = "hair.png";    // with an sRGB chunk
constexpr std::string_view kShoesTexture = "shoes.bmp";
constexpr std::string_view kSphereMap = "shine.sph";     // the PMD hair's sphere map (a bitmap)

// The toon files the PMD materials name, "toon%2d.bmp" of the toon index plus one.
constexpr std::array<int, 4> kToonIndices = {0, 1, 2, 9};

}  // namespace brivonel::samples
