#pragma once
// Smooth parametric surfaces turned into indexed triangle grids, and the
// mesh builder that collects them per material.
#include <cstdint>
#include <functional>
#include <vector>

#include "tools/sample_generator/figure.h"

namespace brivonel::samples {

using SurfaceFunction = std::function<Vec3(float u, float v)>;
using UvFunction = std::function<Vec2(float u, float v)>;
using Skinner = std::function<SkinWeights(Vec3 position)>;
// Weights by where a vertex lies on its surface's grid, for parts skinned
// along and around their own shape (a tail, a skirt).
using GridSkinner = std::function<SkinWeights(float u, float v)>;

// A surface over u (around, columns) and v (along, rows), both in [0, 1].
// Normals are taken from the function's derivatives, so grids that meet at a
// seam or a pole stay smooth.
struct SurfaceRecipe {
  SurfaceFunction position;
  UvFunction uv;
  int columns = 16;
  int rows = 16;
  bool wrapsU = true;  // u = 0 and u = 1 are the same points
  // Normals point away from the surface's centroid unless a direction is given
  // (for open patches such as a face feature).
  Vec3 outward;
  // Where the vertices sit, when that differs from `position` (a part folded
  // away until a morph unfolds it); normals still follow `position`.
  SurfaceFunction restPosition;
};

// The grid vertices of one added surface: vertex (i, j) is
// firstVertex + j * (columns + 1) + i.
struct SurfaceRange {
  std::uint32_t firstVertex = 0;
  int columns = 0;
  int rows = 0;
  std::uint32_t VertexCount() const {
    return static_cast<std::uint32_t>((columns + 1) * (rows + 1));
  }
};

class MeshBuilder {
 public:
  explicit MeshBuilder(std::size_t materialCount) : indicesByMaterial_(materialCount) {}

  SurfaceRange AddSurface(int material, const SurfaceRecipe& recipe, const Skinner& skinner);
  SurfaceRange AddSurface(int material, const SurfaceRecipe& recipe, const GridSkinner& skinner);

  // Moves the collected mesh into the figure: vertices, indices grouped by
  // material, and each material's index range.
  void Finish(Figure& figure);

  const std::vector<FigureVertex>& vertices() const { return vertices_; }

 private:
  std::vector<FigureVertex> vertices_;
  std::vector<std::vector<std::uint32_t>> indicesByMaterial_;
};

// Calls fn(u, v, vertexIndex) for every grid vertex of a range.
void ForEachGridVertex(const SurfaceRange& range,
                       const std::function<void(float u, float v, std::uint32_t vertex)>& fn);

// A tube around a smooth axis through `spine` (at least two points). Its
// cross-sections are ellipses with half-axes radii(v).x across the tube and
// radii(v).y along the depth axis, which stays as close as it can to `depth`.
struct Tube {
  std::vector<Vec3> spine;
  std::function<Vec2(float v)> radii;
  Vec3 depth{0.0f, 0.0f, -1.0f};

  Vec3 Axis(float v) const;
  Vec3 Position(float u, float v) const { return Ring(u, v, radii(v)); }
  // The point at u on the cross-section at v, with the given half-axes.
  Vec3 Ring(float u, float v, Vec2 halfAxes) const;
};

// An ellipsoid with half-axes a, b and c: v runs from the +a pole to the -a
// pole, u around a.
SurfaceFunction Ellipsoid(Vec3 centre, Vec3 a, Vec3 b, Vec3 c);

// 0 at the tip of a rounded end and 1 once `length` (in v) away from it; use
// it to scale the radii so a tube closes smoothly.
float RoundEnd(float distanceFromEnd, float length);

// A Catmull-Rom curve through the values at evenly spaced parameters in [0, 1].
float SmoothProfile(const std::vector<float>& values, float t);

}  // namespace brivonel::samples
