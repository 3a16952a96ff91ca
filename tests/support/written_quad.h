#pragma once
// PMX files of one quad facing the camera around (0, 12, 0), from x -6 to 6
// and y 6 to 18, as users' files are written, for runs of the whole program.
#include <filesystem>
#include <string>

namespace brivonel::test {

// Writes "quad.pmx" into folder: one material with full ambient light (the
// texture shows as it is) naming textureName. Unless textureName is empty
// or writeTexture is false, also writes it as a 2x2 TGA picture: red and
// green on top, blue (half transparent) and white below.
std::filesystem::path WriteTexturedQuad(const std::filesystem::path& folder,
                                        const std::u16string& textureName = u"four.tga",
                                        bool writeTexture = true);

// Writes "subtextured.pmx" into folder: the same quad with one additional UV
// set, mirrored left to right against the first, and a material whose sphere
// slot holds a sub-texture (mode 3) "sub.tga" over the texture "base.tga";
// writes both pictures. base.tga is all (128, 255, 255); sub.tga is 2x2: red
// and blue on top, green (half transparent) and white below.
std::filesystem::path WriteSubTexturedQuad(const std::filesystem::path& folder);

}  // namespace brivonel::test
