#pragma once
// Small models built in memory for drawing tests and benchmarks: bones at
// chosen rest positions and flat quads (or grids of them) facing the camera,
// one piece per material.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "model/model.h"

namespace brivonel::test {

// The bones a vertex follows and their weights in 1/255 units.
struct BoneBinding {
  std::array<std::uint8_t, 4> bones{0, 0, 0, 0};
  std::array<std::uint8_t, 4> weights{255, 0, 0, 0};
};

class TestModelBuilder {
 public:
  // A bone whose rest position is restPosition in model space; returns its number.
  int AddBone(Float4 restPosition, int parent = -1);
  // A material with these colours (specular.w is the power); returns its index.
  int AddMaterial(Float4 diffuse, Float4 ambient = {}, Float4 specular = {});
  // A quad in the plane z = centre.z facing the camera (normal (0, 0, -1)),
  // its texture coordinates running from (0, 0) at the top left to (1, 1).
  void AddQuad(int material, Float4 centre, float halfWidth, float halfHeight,
               BoneBinding binding = {});
  // A quad split into columns x rows cells: (columns + 1) x (rows + 1) vertices.
  void AddGrid(int material, Float4 centre, float halfWidth, float halfHeight,
               std::uint32_t columns, std::uint32_t rows, BoneBinding binding = {});
  // A ball of `rings` bands from top to bottom and `segments` around, its
  // normals outward, its triangles clockwise as seen from outside.
  void AddSphere(int material, Float4 centre, float radius, std::uint32_t rings = 32,
                 std::uint32_t segments = 48, BoneBinding binding = {});

  // Fills an empty model: bones with their rest matrices, the materials, and
  // one mesh "mesh01" whose pieces follow material order, one range each.
  void Build(Model& model) const;

 private:
  struct Face {
    int material = 0;
    std::array<std::uint32_t, 3> vertices{};
  };
  // Two clockwise triangles per cell of a grid of (columns + 1) vertices a row.
  void AddCells(int material, std::uint32_t first, std::uint32_t columns, std::uint32_t rows);
  static Vertex Bound(Vertex vertex, const BoneBinding& binding);

  std::vector<Bone> bones_;
  std::vector<Material> materials_;
  std::vector<Vertex> vertices_;
  std::vector<Face> faces_;
};

// Writes "<name><extension>" files with placeholder content for the three
// shaders (enough for a device that does not compile them).
void WritePlaceholderShaders(const std::filesystem::path& directory,
                             const std::u16string& extension);

// Writes an uncompressed 32-bit top-down TGA file of width x height pixels
// given as RGBA bytes, row by row from the top.
void WriteTga(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
              const std::vector<std::uint8_t>& rgba);

}  // namespace brivonel::test
