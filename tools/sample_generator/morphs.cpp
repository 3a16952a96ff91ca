#include "tools/sample_generator/morphs.h"

#include <cmath>

#include "tools/sample_generator/proportions.h"

namespace brivonel::samples {
namespace {

enum Panel : int { kEyebrowPanel = 1, kEyePanel = 2, kMouthPanel = 3, kOtherPanel = 4 };

FigureMorph NewMorph(std::u16string name, std::u16string englishName, int panel, MorphKind kind) {
  FigureMorph morph;
  morph.name = std::move(name);
  morph.englishName = std::move(englishName);
  morph.panel = panel;
  morph.kind = kind;
  return morph;
}

// Offsets that carry a surface's rest vertices to `target`; vertices that do
// not move are left out.
void AddOffsets(FigureMorph& morph, const Figure& figure, const SurfaceRange& range,
                const std::vector<Vec3>& target) {
  for (std::uint32_t k = 0; k < range.VertexCount(); ++k) {
    const std::uint32_t vertex = range.firstVertex + k;
    const Vec3 offset = target[k] - figure.vertices[vertex].position;
    if (Length(offset) > 1e-5f) morph.vertexOffsets.push_back({vertex, offset});
  }
}

MaterialMorphOffset NeutralMultiply(int material) {
  MaterialMorphOffset m;
  m.material = material;
  m.operation = 0;
  m.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
  m.specular = {1.0f, 1.0f, 1.0f};
  m.specularPower = 1.0f;
  m.ambient = {1.0f, 1.0f, 1.0f};
  m.edgeColor = {1.0f, 1.0f, 1.0f, 1.0f};
  m.edgeSize = 1.0f;
  m.textureTint = m.sphereTint = m.toonTint = {1.0f, 1.0f, 1.0f, 1.0f};
  return m;
}

MaterialMorphOffset NeutralAdd(int material) {
  MaterialMorphOffset m;
  m.material = material;
  m.operation = 1;
  m.diffuse = {0.0f, 0.0f, 0.0f, 0.0f};
  m.edgeColor = m.textureTint = m.sphereTint = m.toonTint = {0.0f, 0.0f, 0.0f, 0.0f};
  return m;
}

}  // namespace

void BuildMorphs(Figure& figure, const BodyParts& parts) {
  const FaceParts& face = parts.face;
  figure.morphs.clear();

  FigureMorph blink = NewMorph(u"まばたき", u"blink", kEyePanel, MorphKind::Vertex);
  for (int side = 0; side < 2; ++side) AddOffsets(blink, figure, face.lids[side], face.lidsClosed[side]);
  figure.morphs.push_back(blink);

  FigureMorph a = NewMorph(u"あ", u"a", kMouthPanel, MorphKind::Vertex);
  AddOffsets(a, figure, face.mouth, face.mouthOpen);
  figure.morphs.push_back(a);

  FigureMorph i = NewMorph(u"い", u"i", kMouthPanel, MorphKind::Vertex);
  AddOffsets(i, figure, face.mouth, face.mouthWide);
  figure.morphs.push_back(i);

  // Both pupils slide towards the figure's left (+x); the right eye's texture
  // is mirrored, so its offset has the other sign.
  FigureMorph look = NewMorph(u"よそ見", u"look aside", kEyePanel, MorphKind::Uv);
  const float shift = 0.16f * proportions::kAtlasEye.HalfU();
  for (int side = 0; side < 2; ++side) {
    const float du = side == 0 ? -shift : shift;
    for (std::uint32_t k = 0; k < face.eyes[side].VertexCount(); ++k)
      look.uvOffsets.push_back({face.eyes[side].firstVertex + k, {du, 0.0f, 0.0f, 0.0f}});
  }
  figure.morphs.push_back(look);

  // Tilt the head towards the figure's right shoulder.
  FigureMorph tilt = NewMorph(u"首かしげ", u"head tilt", kOtherPanel, MorphKind::Bone);
  constexpr float kTilt = 0.2f;
  tilt.boneOffsets.push_back({figure.FindBone(u"頭"), {}, {0.0f, 0.0f, std::sin(kTilt / 2), std::cos(kTilt / 2)}});
  figure.morphs.push_back(tilt);

  FigureMorph dim = NewMorph(u"暗く", u"dim", kOtherPanel, MorphKind::Material);
  MaterialMorphOffset shade = NeutralMultiply(-1);
  shade.diffuse = {0.55f, 0.55f, 0.68f, 1.0f};
  shade.ambient = {0.55f, 0.55f, 0.68f};
  dim.materialOffsets.push_back(shade);
  figure.morphs.push_back(dim);

  FigureMorph blush = NewMorph(u"照れ", u"blush", kOtherPanel, MorphKind::Material);
  MaterialMorphOffset warm = NeutralAdd(kFace);
  warm.diffuse = {0.1f, -0.04f, -0.04f, 0.0f};
  warm.ambient = {0.06f, -0.02f, -0.02f};
  blush.materialOffsets.push_back(warm);
  figure.morphs.push_back(blush);

  // A happy face: eyes shut in a smile, mouth wide, cheeks warm.
  FigureMorph smile = NewMorph(u"笑顔", u"smile", kOtherPanel, MorphKind::Group);
  smile.groupOffsets = {{figure.FindMorph(u"まばたき"), 1.0f},
                        {figure.FindMorph(u"い"), 0.6f},
                        {figure.FindMorph(u"照れ"), 1.0f}};
  figure.morphs.push_back(smile);
}

}  // namespace brivonel::samples
