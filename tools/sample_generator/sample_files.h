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
constexpr std::string_view kSphereMap = "shine.sph";     // the hair's multiplying sphere map
constexpr std::string_view kRibbonSphere = "ribbon.spa";  // the ribbon's adding sphere map

// The shared toon files beside the models, "toon01.bmp" for toon 0 and so
// on, as models ship them. The shoes ask for toon 6, which has no file:
// they are drawn with the program's built-in ramp.
constexpr std::array<int, 4> kToonIndices = {0, 1, 2, 9};
constexpr int kToonWithoutFile = 6;

}  // namespace brivonel::samples
