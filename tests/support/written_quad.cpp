#include "tests/support/written_quad.h"

#include "formats/pmx_records.h"
#include "formats/writer/byte_writer.h"
#include "formats/writer/pmx_writer.h"
#include "tests/support/test_models.h"
#include "tests/support/written_files.h"

namespace brivonel::test {

std::filesystem::path WriteTexturedQuad(const std::filesystem::path& folder,
                                        const std::u16string& textureName, bool writeTexture) {
  if (writeTexture && !textureName.empty()) {
    WriteTga(folder / textureName, 2, 2,
             {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 128, 255, 255, 255, 255});
  }
  const std::filesystem::path path = folder / "quad.pmx";
  // Full ambient light: the texture shows as it is.
  WriteFlatPmx(path, {{-6, 18, 0, 0}, {6, 18, 1, 0}, {-6, 6, 0, 1}, {6, 6, 1, 1}},
               {0, 1, 3, 0, 3, 2}, textureName, {1, 1, 1});
  return path;
}

std::filesystem::path WriteSubTexturedQuad(const std::filesystem::path& folder) {
  std::vector<std::uint8_t> base(16, 255);
  for (std::size_t texel = 0; texel < 4; ++texel) base[texel * 4] = 128;
  WriteTga(folder / "base.tga", 2, 2, base);
  WriteTga(folder / "sub.tga", 2, 2,
           {255, 0, 0, 255, 0, 0, 255, 255, 0, 255, 0, 128, 255, 255, 255, 255});

  PMXModel record;
  record.encoding = 0;
  record.name = u"subtextured";
  record.additionalUvCount = 1;
  const FlatCorner corners[] = {{-6, 18, 0, 0}, {6, 18, 1, 0}, {-6, 6, 0, 1}, {6, 6, 1, 1}};
  for (const FlatCorner& corner : corners) {
    PMXVertex vertex;
    vertex.position = {corner.x, corner.y, 0};
    vertex.normal = {0, 0, -1};
    vertex.uv = {corner.u, corner.v};
    // Mirrored: a shader that took the first set would put red on the left.
    vertex.additionalUv[0] = {1 - corner.u, corner.v, 0, 0};
    vertex.deformKind = kDeformBdef1;
    vertex.bones[0] = 0;
    record.vertices.push_back(vertex);
  }
  record.indices = {0, 1, 3, 0, 3, 2};
  record.textures = {u"base.tga", u"sub.tga"};
  PMXMaterial material;
  material.name = u"face";
  material.diffuse = {1, 1, 1, 1};
  material.ambient = {1, 1, 1};  // full light: the pictures show as they are
  material.textureIndex = 0;
  material.sphereTextureIndex = 1;
  material.sphereMode = 3;
  material.indexCount = static_cast<std::int32_t>(record.indices.size());
  record.materials.push_back(material);
  PMXBone bone;
  bone.name = u"センター";
  bone.flags = kBoneRotatable | kBoneMovable | kBoneVisible | kBoneOperable;
  record.bones.push_back(bone);
  const std::filesystem::path path = folder / "subtextured.pmx";
  writer::WriteFile(path, writer::WritePmx(record));
  return path;
}

}  // namespace brivonel::test
