#pragma once
// Files written for tests: a flat PMX model that names a texture, and the
// files an attacker would hand the program, texture headers that claim a
// picture far larger than their few bytes (written the way the formats
// allow, so that only a size check made before decoding stops them).
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/math.h"

namespace brivonel::test {

// A corner of a flat model: its position in the plane z = 0 and its texture
// coordinates.
struct FlatCorner {
  float x, y, u, v;
};

// Writes a PMX model of faces in the plane z = 0 facing the camera, skinned
// to one bone "センター", all of one white material lit by `ambient` that
// names textureName (a file beside the model, or not there at all; none
// when empty).
void WriteFlatPmx(const std::filesystem::path& path, const std::vector<FlatCorner>& corners,
                  const std::vector<std::int32_t>& indices, const std::u16string& textureName,
                  const Float3& ambient = {});

// A run-length true-colour TGA (24-bit, top-down) claiming width x height
// whose body is `packets` run packets of 128 pixels, 4 bytes each. One
// packet per 128 pixels of every row is the whole picture: 5 bytes per 128
// pixels decode to 512.
std::vector<std::uint8_t> HostileRleTga(std::uint16_t width, std::uint16_t height,
                                        std::uint64_t packets);
std::uint64_t WholePictureTgaPackets(std::uint16_t width, std::uint16_t height);

// An RLE8 BMP (two-colour palette) claiming width x height whose body is
// about bodyBytes of 255-pixel runs (2 bytes each) ending in the
// end-of-bitmap mark.
std::vector<std::uint8_t> HostileRle8Bmp(std::int32_t width, std::int32_t height,
                                         std::size_t bodyBytes);

// "triangle.pmx" in folder: one triangle whose material names textureName.
// Returns the model's path.
std::filesystem::path WriteOneTriangleModel(const std::filesystem::path& folder,
                                            const std::u16string& textureName);

}  // namespace brivonel::test
