#include "tests/support/written_quad.h"

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

}  // namespace brivonel::test
