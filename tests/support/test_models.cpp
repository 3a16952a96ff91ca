#include "tests/support/test_models.h"

#include <cmath>
#include <fstream>

#include "base/unicode.h"
#include "model/model_setup.h"

namespace brivonel::test {

int TestModelBuilder::AddBone(Float4 restPosition, int parent) {
  Bone bone;
  bone.index = static_cast<std::int32_t>(bones_.size());
  bone.name = u"bone" + Utf8ToUtf16(std::to_string(bone.index));
  bone.parentIndex = parent;
  const Float4 parentPosition =
      parent >= 0 ? Float4{bones_[static_cast<std::size_t>(parent)].worldMatrix.m[3][0],
                           bones_[static_cast<std::size_t>(parent)].worldMatrix.m[3][1],
                           bones_[static_cast<std::size_t>(parent)].worldMatrix.m[3][2], 0.0f}
                  : Float4{};
  bone.position = Subtract(restPosition, parentPosition);
  bone.position.w = 0.0f;
  bone.restPosition = bone.position;
  bone.worldMatrix = MatrixTranslation(restPosition);
  bone.bindMatrix = bone.worldMatrix;
  bones_.push_back(bone);
  return bone.index;
}

int TestModelBuilder::AddMaterial(Float4 diffuse, Float4 ambient, Float4 specular) {
  Material material;
  material.number = static_cast<std::int32_t>(materials_.size()) + 1;
  material.name = u"material" + Utf8ToUtf16(std::to_string(material.number));
  material.diffuse = diffuse;
  material.ambient = {ambient.x, ambient.y, ambient.z, 0.0f};
  material.specular = specular;
  materials_.push_back(material);
  return static_cast<int>(materials_.size()) - 1;
}

void TestModelBuilder::AddQuad(int material, Float4 centre, float halfWidth, float halfHeight,
                               BoneBinding binding) {
  AddGrid(material, centre, halfWidth, halfHeight, 1, 1, binding);
}

void TestModelBuilder::AddGrid(int material, Float4 centre, float halfWidth, float halfHeight,
                               std::uint32_t columns, std::uint32_t rows, BoneBinding binding) {
  const auto first = static_cast<std::uint32_t>(vertices_.size());
  for (std::uint32_t row = 0; row <= rows; ++row) {
    for (std::uint32_t column = 0; column <= columns; ++column) {
      const float u = static_cast<float>(column) / static_cast<float>(columns);
      const float v = static_cast<float>(row) / static_cast<float>(rows);
      Vertex vertex;
      vertex.position = {centre.x - halfWidth + 2.0f * halfWidth * u,
                         centre.y + halfHeight - 2.0f * halfHeight * v, centre.z, 1.0f};
      vertex.normal = {0.0f, 0.0f, -1.0f};
      vertex.uv = {u, v};
      vertices_.push_back(Bound(vertex, binding));
    }
  }
  AddCells(material, first, columns, rows);
}

void TestModelBuilder::AddSphere(int material, Float4 centre, float radius, std::uint32_t rings,
                                 std::uint32_t segments, BoneBinding binding) {
  const auto first = static_cast<std::uint32_t>(vertices_.size());
  for (std::uint32_t ring = 0; ring <= rings; ++ring) {
    const float polar = kPi * static_cast<float>(ring) / static_cast<float>(rings);
    for (std::uint32_t segment = 0; segment <= segments; ++segment) {
      // Around from the side facing the camera (-z) towards +x, like a grid
      // read left to right, top to bottom.
      const float around = 2.0f * kPi * static_cast<float>(segment) / static_cast<float>(segments);
      const Float3 normal{std::sin(polar) * std::sin(around), std::cos(polar),
                          -std::sin(polar) * std::cos(around)};
      Vertex vertex;
      vertex.position = {centre.x + radius * normal.x, centre.y + radius * normal.y,
                         centre.z + radius * normal.z, 1.0f};
      vertex.normal = normal;
      vertex.uv = {static_cast<float>(segment) / static_cast<float>(segments),
                   static_cast<float>(ring) / static_cast<float>(rings)};
      vertices_.push_back(Bound(vertex, binding));
    }
  }
  AddCells(material, first, segments, rings);
}

Vertex TestModelBuilder::Bound(Vertex vertex, const BoneBinding& binding) {
  for (int i = 0; i < 4; ++i) {
    vertex.boneIndices[i] = binding.bones[static_cast<std::size_t>(i)];
    vertex.boneWeights[i] = binding.weights[static_cast<std::size_t>(i)];
  }
  return vertex;
}

void TestModelBuilder::AddCells(int material, std::uint32_t first, std::uint32_t columns,
                                std::uint32_t rows) {
  for (std::uint32_t row = 0; row < rows; ++row) {
    for (std::uint32_t column = 0; column < columns; ++column) {
      const std::uint32_t topLeft = first + row * (columns + 1) + column;
      const std::uint32_t topRight = topLeft + 1;
      const std::uint32_t bottomLeft = topLeft + columns + 1;
      const std::uint32_t bottomRight = bottomLeft + 1;
      // Clockwise as the camera sees them.
      faces_.push_back({material, {topLeft, topRight, bottomRight}});
      faces_.push_back({material, {topLeft, bottomRight, bottomLeft}});
    }
  }
}

void TestModelBuilder::Build(Model& model) const {
  model.bones = bones_;
  model.materials = materials_;
  auto mesh = std::make_shared<Mesh>();
  mesh->name = u"mesh01";
  mesh->vertices = vertices_;
  for (std::size_t m = 0; m < model.materials.size(); ++m) {
    Piece piece;
    piece.material = &model.materials[m];
    FaceRange range;
    range.firstFace = static_cast<std::uint32_t>(mesh->indices.size() / 3);
    for (const Face& face : faces_) {
      if (face.material != static_cast<int>(m)) continue;
      mesh->indices.insert(mesh->indices.end(), face.vertices.begin(), face.vertices.end());
      ++range.faceCount;
    }
    piece.faceCount = range.faceCount;
    piece.ranges.push_back(range);
    mesh->faceCount += static_cast<std::int32_t>(range.faceCount);
    mesh->pieces.push_back(piece);
  }
  model.meshes.push_back(mesh);
}

void WritePlaceholderShaders(const std::filesystem::path& directory,
                             const std::u16string& extension) {
  for (const char16_t* name : {kVertexShaderName, kTexturedPixelShaderName, kPlainPixelShaderName}) {
    std::ofstream file(directory / ToFsPath(std::u16string(name) + extension), std::ios::binary);
    file << "placeholder shader " << Utf16ToUtf8(name);
  }
}

void WriteTga(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
              const std::vector<std::uint8_t>& rgba) {
  std::uint8_t header[18] = {};
  header[2] = 2;  // uncompressed true colour
  header[12] = static_cast<std::uint8_t>(width & 0xFF);
  header[13] = static_cast<std::uint8_t>(width >> 8);
  header[14] = static_cast<std::uint8_t>(height & 0xFF);
  header[15] = static_cast<std::uint8_t>(height >> 8);
  header[16] = 32;
  header[17] = 0x28;  // top-down rows, 8 alpha bits
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(header), sizeof header);
  for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
    const char bgra[4] = {static_cast<char>(rgba[i + 2]), static_cast<char>(rgba[i + 1]),
                          static_cast<char>(rgba[i]), static_cast<char>(rgba[i + 3])};
    file.write(bgra, 4);
  }
}

}  // namespace brivonel::test
