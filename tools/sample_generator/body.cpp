#include "tools/sample_generator/body.h"

#include <string>

#include "tools/sample_generator/sample_files.h"

namespace brivonel::samples {
namespace {

FigureMaterial Material(std::u16string name, std::u16string englishName, Rgba diffuse,
                        std::string_view texture, int toonIndex) {
  FigureMaterial m;
  m.name = std::move(name);
  m.englishName = std::move(englishName);
  m.diffuse = diffuse;
  // With 60% light, a surface facing it shows its diffuse colour.
  m.ambient = {diffuse.r * 0.4f, diffuse.g * 0.4f, diffuse.b * 0.4f};
  m.specular = {0.1f, 0.1f, 0.1f};
  m.specularPower = 8.0f;
  m.texture = std::string(texture);
  m.toonIndex = toonIndex;
  return m;
}

}  // namespace

void BuildMaterials(Figure& figure) {
  figure.materials.clear();
  figure.materials.push_back(Material(u"顔", u"face", {1.0f, 1.0f, 1.0f, 1.0f}, kFaceTexture, 0));
  // Skin is matt: its toon ramp alone shades it.
  FigureMaterial skin = Material(u"肌", u"skin", {1.0f, 0.86f, 0.78f, 1.0f}, "", 1);
  skin.specular = {0.0f, 0.0f, 0.0f};
  skin.specularPower = 0.0f;
  figure.materials.push_back(skin);
  figure.materials.push_back(Material(u"服", u"dress", {1.0f, 1.0f, 1.0f, 1.0f}, kClothTexture, 2));
  FigureMaterial hair = Material(u"髪", u"hair", {1.0f, 1.0f, 1.0f, 1.0f}, kHairTexture, 9);
  hair.specular = {0.35f, 0.3f, 0.3f};
  hair.specularPower = 24.0f;
  hair.sphere = std::string(kSphereMap);
  figure.materials.push_back(hair);
  figure.materials.push_back(
      Material(u"靴", u"shoes", {1.0f, 1.0f, 1.0f, 1.0f}, kShoesTexture, kToonWithoutFile));
  // Lacquered metal: black itself, its colour and shine all from the adding
  // sphere map (drawn without sphere maps, it stays black).
  FigureMaterial ribbon = Material(u"リボン", u"ribbon", {0.0f, 0.0f, 0.0f, 1.0f}, "", 2);
  ribbon.specular = {0.0f, 0.0f, 0.0f};
  ribbon.specularPower = 0.0f;
  ribbon.sphere = std::string(kRibbonSphere);
  figure.materials.push_back(ribbon);
}

BodyParts BuildBody(Figure& figure) {
  BodyParts parts;
  MeshBuilder mesh(figure.materials.size());
  AddFace(figure, mesh, parts.face);
  AddHair(figure, mesh);
  AddTorso(figure, mesh);
  AddLimbs(figure, mesh);
  mesh.Finish(figure);
  return parts;
}

}  // namespace brivonel::samples
