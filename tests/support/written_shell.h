#pragma once
// A PMX file of one curved, double-sided surface with an outline, for tests
// of how the edge pass looks over a surface seen from its inner side.
#include <cstdint>
#include <filesystem>
#include <functional>

#include "base/math.h"

namespace brivonel::test {

// Writes path: the surface point(u, v) for u and v in [0, 1] on a grid of
// columns x rows cells, skinned to one bone "センター", in one grey,
// double-sided material outlined in blue (edge size 1). Its normals point
// where cross(d point / du, d point / dv) does, and its triangles are
// clockwise as seen from that side (its front).
void WriteOutlinedShell(const std::filesystem::path& path, std::uint32_t columns,
                        std::uint32_t rows, const std::function<Float3(float u, float v)>& point);

}  // namespace brivonel::test
