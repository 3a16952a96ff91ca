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
  m.ambient = {diffuse.r * 0.6f, diffuse.g * 0.6f, diffuse.b * 0.6f};
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
  figure.materials.push_back(Material(u"肌", u"skin", {1.0f, 0.86f, 0.78f, 1.0f}, "", 1));
  figure.materials.push_back(Material(u"服", u"dress", {1.0f, 1.0f, 1.0f, 1.0f}, kClothTexture, 2));
  FigureMaterial hair = Material(u"髪", u"hair", {1.0f, 1.0f, 1.0f, 1.0f}, kHairTexture, 9);
  hair.specular = {0.35f, 0.3f, 0.3f};
  hair.specularPower = 24.0f;
  hair.sphere = std::string(kSphereMap);
  figure.materials.push_back(hair);
  figure.materials.push_back(Material(u"靴", u"shoes", {1.0f, 1.0f, 1.0f, 1.0f}, kShoesTexture, 1));
  FigureMaterial ribbon = Material(u"リボン", u"ribbon", {0.86f, 0.16f, 0.26f, 1.0f}, "", 2);
  ribbon.specular = {0.4f, 0.4f, 0.4f};
  ribbon.specularPower = 30.0f;
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
