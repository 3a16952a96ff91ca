#include "tools/sample_generator/swaying_parts.h"

#include <cmath>

namespace brivonel::samples::swaying {

Tube TwinTail(float side) {
  Tube tail;
  tail.spine = {{side * 2.05f, 18.3f, 1.05f}, {side * 2.75f, 17.6f, 1.25f},
                {side * 2.95f, 15.6f, 1.35f}, {side * 2.7f, 13.4f, 1.3f},
                {side * 2.95f, 11.6f, 1.25f}, {side * 3.15f, 10.4f, 1.15f}};
  tail.depth = {0.0f, 0.0f, 1.0f};
  tail.radii = [](float v) {
    const float r = SmoothProfile({0.42f, 0.62f, 0.66f, 0.55f, 0.38f, 0.15f}, v);
    return Vec2{r, r * 0.8f} * (RoundEnd(v, 0.06f) * RoundEnd(1.0f - v, 0.12f));
  };
  return tail;
}

Tube Skirt() {
  Tube skirt;
  skirt.spine = {{0.0f, 10.9f, 0.08f}, {0.0f, 9.0f, 0.12f}, {0.0f, 7.3f, 0.18f}};
  skirt.radii = [](float v) {
    const float flare = std::pow(v, 0.8f);
    return Vec2{1.36f + 1.7f * flare, 0.98f + 1.35f * flare};
  };
  return skirt;
}

Vec3 PleatedSkirt(const Tube& skirt, float u, float v) {
  constexpr int kPleats = 18;
  const Vec3 axis = skirt.Axis(v);
  const float pleat = 1.0f + 0.045f * v * std::sin(kTau * static_cast<float>(kPleats) * u);
  return axis + (skirt.Position(u, v) - axis) * pleat;
}

namespace {

std::u16string Number(int bone) { return std::u16string(1, static_cast<char16_t>(u'1' + bone)); }

// Around the skirt from u = 0: right side towards the front, right front
// (over the right thigh), left front, left side towards the front, left side
// towards the back, left back, right back, right side towards the back.
struct ChainName {
  const char16_t* name;
  const char16_t* englishPart;
  const char16_t* englishSide;
};
constexpr std::array<ChainName, kSkirtChains> kChainNames{{
    {u"右横前", u"side front", u"_R"},
    {u"右前", u"front", u"_R"},
    {u"左前", u"front", u"_L"},
    {u"左横前", u"side front", u"_L"},
    {u"左横後", u"side back", u"_L"},
    {u"左後", u"back", u"_L"},
    {u"右後", u"back", u"_R"},
    {u"右横後", u"side back", u"_R"},
}};

}  // namespace

std::u16string TailBoneName(float side, int bone) {
  return std::u16string(side > 0.0f ? u"左髪" : u"右髪") + (bone == kTailBones ? u"先" : Number(bone));
}

std::u16string TailBoneEnglishName(float side, int bone) {
  return (bone == kTailBones ? std::u16string(u"hair tip") : u"hair" + Number(bone)) +
         (side > 0.0f ? u"_L" : u"_R");
}

std::u16string SkirtBoneName(int chain, int bone) {
  return u"スカート" + std::u16string(kChainNames[static_cast<std::size_t>(chain)].name) + Number(bone);
}

std::u16string SkirtBoneEnglishName(int chain, int bone) {
  const ChainName& c = kChainNames[static_cast<std::size_t>(chain)];
  return u"skirt " + std::u16string(c.englishPart) + Number(bone) + c.englishSide;
}

}  // namespace brivonel::samples::swaying
