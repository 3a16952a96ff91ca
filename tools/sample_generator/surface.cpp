#include "tools/sample_generator/surface.h"

#include <algorithm>
#include <cmath>

namespace brivonel::samples {
namespace {

constexpr float kStep = 1e-3f;

Vec3 Derivative(const SurfaceFunction& f, float u, float v, bool alongU, bool wraps) {
  float lo = (alongU ? u : v) - kStep;
  float hi = (alongU ? u : v) + kStep;
  if (!(alongU && wraps)) {
    lo = std::max(lo, 0.0f);
    hi = std::min(hi, 1.0f);
  }
  return alongU ? f(hi, v) - f(lo, v) : f(u, hi) - f(u, lo);
}

Vec3 SurfaceNormal(const SurfaceRecipe& recipe, float u, float v) {
  // At a pole one of the derivatives vanishes; step a little way inwards.
  for (float nudge : {0.0f, 0.004f, 0.02f}) {
    const float vv = v < 0.5f ? v + nudge : v - nudge;
    const float uu = recipe.wrapsU ? u : (u < 0.5f ? u + nudge : u - nudge);
    const Vec3 n = Cross(Derivative(recipe.position, uu, vv, true, recipe.wrapsU),
                         Derivative(recipe.position, uu, vv, false, recipe.wrapsU));
    if (Length(n) > 1e-9f) return Normalize(n);
  }
  return {};
}

}  // namespace

SurfaceRange MeshBuilder::AddSurface(int material, const SurfaceRecipe& recipe,
                                     const Skinner& skinner) {
  return AddSurface(material, recipe,
                    GridSkinner([&](float u, float v) { return skinner(recipe.position(u, v)); }));
}

SurfaceRange MeshBuilder::AddSurface(int material, const SurfaceRecipe& recipe,
                                     const GridSkinner& skinner) {
  SurfaceRange range;
  range.firstVertex = static_cast<std::uint32_t>(vertices_.size());
  range.columns = recipe.columns;
  range.rows = recipe.rows;

  // Normals follow d/du x d/dv; find out whether that points out of the surface.
  std::vector<FigureVertex> grid;
  grid.reserve(range.VertexCount());
  Vec3 centroid;
  for (int j = 0; j <= recipe.rows; ++j) {
    for (int i = 0; i <= recipe.columns; ++i) {
      const float u = static_cast<float>(i) / static_cast<float>(recipe.columns);
      const float v = static_cast<float>(j) / static_cast<float>(recipe.rows);
      FigureVertex vertex;
      vertex.position = recipe.position(u, v);
      vertex.normal = SurfaceNormal(recipe, u, v);
      vertex.uv = recipe.uv(u, v);
      vertex.skin = skinner(u, v);
      centroid += vertex.position;
      grid.push_back(vertex);
    }
  }
  centroid = centroid * (1.0f / static_cast<float>(grid.size()));
  float agreement = 0.0f;
  for (const FigureVertex& vertex : grid) {
    const Vec3 outward = Length(recipe.outward) > 0.0f ? recipe.outward : vertex.position - centroid;
    agreement += Dot(vertex.normal, outward);
  }
  const bool flip = agreement < 0.0f;
  if (flip)
    for (FigureVertex& vertex : grid) vertex.normal = -vertex.normal;
  if (recipe.restPosition) {
    std::size_t k = 0;
    ForEachGridVertex(range, [&](float u, float v, std::uint32_t) {
      grid[k++].position = recipe.restPosition(u, v);
    });
  }
  vertices_.insert(vertices_.end(), grid.begin(), grid.end());

  // Front faces wind clockwise as seen from outside: with a, b, c in that
  // order, cross(b - a, c - a) points along the outward normal.
  std::vector<std::uint32_t>& indices = indicesByMaterial_.at(static_cast<std::size_t>(material));
  const auto at = [&](int i, int j) {
    return range.firstVertex + static_cast<std::uint32_t>(j * (recipe.columns + 1) + i);
  };
  for (int j = 0; j < recipe.rows; ++j) {
    for (int i = 0; i < recipe.columns; ++i) {
      const std::uint32_t a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
      if (!flip)
        indices.insert(indices.end(), {a, b, c, a, c, d});
      else
        indices.insert(indices.end(), {a, c, b, a, d, c});
    }
  }
  return range;
}

void MeshBuilder::Finish(Figure& figure) {
  figure.vertices = std::move(vertices_);
  figure.indices.clear();
  for (std::size_t m = 0; m < indicesByMaterial_.size(); ++m) {
    FigureMaterial& material = figure.materials.at(m);
    material.firstIndex = static_cast<std::uint32_t>(figure.indices.size());
    material.indexCount = static_cast<std::uint32_t>(indicesByMaterial_[m].size());
    figure.indices.insert(figure.indices.end(), indicesByMaterial_[m].begin(),
                          indicesByMaterial_[m].end());
  }
  indicesByMaterial_.clear();
}

void ForEachGridVertex(const SurfaceRange& range,
                       const std::function<void(float u, float v, std::uint32_t vertex)>& fn) {
  std::uint32_t vertex = range.firstVertex;
  for (int j = 0; j <= range.rows; ++j)
    for (int i = 0; i <= range.columns; ++i)
      fn(static_cast<float>(i) / static_cast<float>(range.columns),
         static_cast<float>(j) / static_cast<float>(range.rows), vertex++);
}

namespace {

// Catmull-Rom through p[0..n-1], parameterised by chord length.
Vec3 SpinePoint(const std::vector<Vec3>& p, float t) {
  const std::size_t n = p.size();
  std::vector<float> lengths(n, 0.0f);
  for (std::size_t i = 1; i < n; ++i) lengths[i] = lengths[i - 1] + Length(p[i] - p[i - 1]);
  const float target = Clamp01(t) * lengths.back();
  std::size_t k = 0;
  while (k + 2 < n && lengths[k + 1] < target) ++k;
  const float span = lengths[k + 1] - lengths[k];
  const float s = span > 0.0f ? (target - lengths[k]) / span : 0.0f;
  const Vec3 p0 = k > 0 ? p[k - 1] : p[k] * 2.0f - p[k + 1];
  const Vec3 p1 = p[k], p2 = p[k + 1];
  const Vec3 p3 = k + 2 < n ? p[k + 2] : p[k + 1] * 2.0f - p[k];
  const float s2 = s * s, s3 = s2 * s;
  return 0.5f * ((2.0f * p1) + (p2 - p0) * s + (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3) * s2 +
                 (3.0f * p1 - p0 - 3.0f * p2 + p3) * s3);
}

}  // namespace

Vec3 Tube::Axis(float v) const { return SpinePoint(spine, v); }

Vec3 Tube::Ring(float u, float v, Vec2 halfAxes) const {
  const Vec3 centre = Axis(v);
  const Vec3 tangent =
      Normalize(Axis(std::min(v + 0.01f, 1.0f)) - Axis(std::max(v - 0.01f, 0.0f)));
  const Vec3 side = Normalize(Cross(depth, tangent));
  const Vec3 depthAxis = Cross(tangent, side);
  const float angle = kTau * u;
  return centre + side * (halfAxes.x * std::cos(angle)) + depthAxis * (halfAxes.y * std::sin(angle));
}

SurfaceFunction Ellipsoid(Vec3 centre, Vec3 a, Vec3 b, Vec3 c) {
  return [=](float u, float v) {
    const float polar = 0.5f * kTau * v, around = kTau * u;
    return centre + a * std::cos(polar) +
           (b * std::cos(around) + c * std::sin(around)) * std::sin(polar);
  };
}

float RoundEnd(float distanceFromEnd, float length) {
  const float t = Clamp01(distanceFromEnd / length);
  return std::sqrt(std::max(0.0f, 1.0f - (1.0f - t) * (1.0f - t)));
}

float SmoothProfile(const std::vector<float>& values, float t) {
  const int n = static_cast<int>(values.size());
  if (n == 1) return values[0];
  const float x = Clamp01(t) * static_cast<float>(n - 1);
  const int k = std::min(static_cast<int>(x), n - 2);
  const float s = x - static_cast<float>(k);
  const auto at = [&](int i) { return values[static_cast<std::size_t>(std::clamp(i, 0, n - 1))]; };
  const float p0 = at(k - 1), p1 = at(k), p2 = at(k + 1), p3 = at(k + 2);
  return 0.5f * (2.0f * p1 + (p2 - p0) * s + (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3) * s * s +
                 (3.0f * p1 - p0 - 3.0f * p2 + p3) * s * s * s);
}

}  // namespace brivonel::samples
