#pragma once
// The parts of the figure that swing, the twin tails and the skirt, as the
// tubes their meshes are made of, and where their bones sit along them. The
// meshes, the chain bones, the skin weights and the rigid bodies all read
// these, so that each bone runs down the middle of what it moves and each
// body covers what its bone carries.
#include <array>
#include <string>

#include "tools/sample_generator/surface.h"

namespace brivonel::samples::swaying {

// side: +1 for the figure's left tail (+x), -1 for the right.
Tube TwinTail(float side);

// Where the tail's bones sit along it (tube v, by length): the first at the
// ribbon's knot, where the tail turns down from the head, then three more
// down its length and an end bone at its tip.
inline constexpr int kTailBones = 4;
inline constexpr std::array<float, kTailBones + 1> kTailBoneAt{0.08f, 0.33f, 0.57f, 0.8f, 1.0f};

Tube Skirt();
// A point of the skirt's surface with its pleats.
Vec3 PleatedSkirt(const Tube& skirt, float u, float v);

// Chains of two bones around the hips, at even steps of the skirt's u
// half a step away from u = 0 (the figure's right; u = 0.25 is the front):
// so one chain hangs in front of each thigh and one behind it, where a
// stepping leg pushes the cloth, and two down each side.
inline constexpr int kSkirtChains = 8;
inline constexpr int kSkirtBones = 2;
inline constexpr std::array<float, kSkirtBones> kSkirtBoneAt{0.12f, 0.52f};
inline float SkirtChainU(int chain) { return (static_cast<float>(chain) + 0.5f) / kSkirtChains; }

// Bone names as rigs name them: "左髪1", "スカート左前2", and the English
// names beside them ("hair1_L", "skirt front2_L"); "横" marks the chains down the sides.
std::u16string TailBoneName(float side, int bone);  // bone kTailBones is the tip, "左髪先"
std::u16string TailBoneEnglishName(float side, int bone);
std::u16string SkirtBoneName(int chain, int bone);
std::u16string SkirtBoneEnglishName(int chain, int bone);

}  // namespace brivonel::samples::swaying
