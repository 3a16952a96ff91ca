#include "tests/support/written_quad.h"

#include "formats/writer/byte_writer.h"
#include "formats/writer/pmx_writer.h"
#include "tests/support/test_models.h"

namespace brivonel::test {

std::filesystem::path WriteTexturedQuad(const std::filesystem::path& folder,
                                        const std::u16string& textureName, bool writeTexture) {
  if (writeTexture && !textureName.empty()) {
    WriteTga(folder / textureName, 2, 2,
             {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 128, 255, 255, 255, 255});
  }
  PMXModel record;
  record.encoding = 0;
  record.name = u"quad";
  const float corners[4][4] = {{-6, 18, 0, 0}, {6, 18, 1, 0}, {-6, 6, 0, 1}, {6, 6, 1, 1}};
  for (const auto& corner : corners) {
    PMXVertex vertex;
    vertex.position = {corner[0], corner[1], 0};
    vertex.normal = {0, 0, -1};
    vertex.uv = {corner[2], corner[3]};
    vertex.deformKind = kDeformBdef1;
    vertex.bones[0] = 0;
    record.vertices.push_back(vertex);
  }
  record.indices = {0, 1, 3, 0, 3, 2};
  if (!textureName.empty()) record.textures = {textureName};
  PMXMaterial material;
  material.name = u"face";
  material.diffuse = {1, 1, 1, 1};
  material.ambient = {1, 1, 1};  // full light: the texture as it is
  material.textureIndex = textureName.empty() ? -1 : 0;
  material.indexCount = 6;
  record.materials.push_back(material);
  PMXBone bone;
  bone.name = u"センター";
  bone.position = {0, 0, 0};
  bone.flags = kBoneRotatable | kBoneMovable | kBoneVisible | kBoneOperable;
  record.bones.push_back(bone);
  const std::filesystem::path path = folder / "quad.pmx";
  writer::WriteFile(path, writer::WritePmx(record));
  return path;
}

}  // namespace brivonel::test
