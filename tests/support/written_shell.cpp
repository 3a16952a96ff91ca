#include "tests/support/written_shell.h"

#include "formats/pmx_records.h"
#include "formats/writer/byte_writer.h"
#include "formats/writer/pmx_writer.h"

namespace brivonel::test {
namespace {

Float4 Difference(const Float3& a, const Float3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z, 0}; }

}  // namespace

void WriteOutlinedShell(const std::filesystem::path& path, std::uint32_t columns,
                        std::uint32_t rows, const std::function<Float3(float u, float v)>& point) {
  PMXModel record;
  record.encoding = 0;
  record.name = u"shell";
  constexpr float kStep = 1e-3f;
  for (std::uint32_t row = 0; row <= rows; ++row) {
    for (std::uint32_t column = 0; column <= columns; ++column) {
      const float u = static_cast<float>(column) / static_cast<float>(columns);
      const float v = static_cast<float>(row) / static_cast<float>(rows);
      const Float4 normal =
          Normalize3(Cross3(Difference(point(u + kStep, v), point(u - kStep, v)),
                            Difference(point(u, v + kStep), point(u, v - kStep))));
      PMXVertex vertex;
      vertex.position = point(u, v);
      vertex.normal = {normal.x, normal.y, normal.z};
      vertex.uv = {u, v};
      vertex.deformKind = kDeformBdef1;
      vertex.bones[0] = 0;
      vertex.edgeScale = 1.0f;
      record.vertices.push_back(vertex);
    }
  }
  // Two triangles a cell, clockwise seen from where the normals point.
  for (std::uint32_t row = 0; row < rows; ++row) {
    for (std::uint32_t column = 0; column < columns; ++column) {
      const auto at = [&](std::uint32_t c, std::uint32_t r) {
        return static_cast<std::int32_t>(r * (columns + 1) + c);
      };
      const std::int32_t a = at(column, row), b = at(column + 1, row),
                         c = at(column + 1, row + 1), d = at(column, row + 1);
      record.indices.insert(record.indices.end(), {a, b, c, a, c, d});
    }
  }
  PMXMaterial material;
  material.name = u"lining";
  material.diffuse = {0.8f, 0.8f, 0.8f, 1};
  material.ambient = {0.2f, 0.2f, 0.2f};
  material.drawFlags = kMaterialDoubleSided | kMaterialDrawsEdge;
  material.edgeColor = {0, 0, 1, 1};
  material.edgeSize = 1.0f;
  material.indexCount = static_cast<std::int32_t>(record.indices.size());
  record.materials.push_back(material);
  PMXBone bone;
  bone.name = u"センター";
  bone.flags = kBoneRotatable | kBoneMovable | kBoneVisible | kBoneOperable;
  record.bones.push_back(bone);
  writer::WriteFile(path, writer::WritePmx(record));
}

}  // namespace brivonel::test
