#pragma once
// A PMX file of one quad facing the camera around (0, 12, 0), as users'
// files are written, for runs of the whole program.
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

}  // namespace brivonel::test
