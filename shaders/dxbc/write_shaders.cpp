// brivonel-dxbc FOLDER: writes the Direct3D 11 shader programs the model is
// drawn with ("vs_pos4norm3uv2.cso", "ps_pos4color4uv2.cso",
// "ps_pos4color4.cso") into FOLDER. The build runs it on the build machine
// to put them beside the executables that load them.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "shaders/dxbc/programs/programs.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: brivonel-dxbc FOLDER\n");
    return 2;
  }
  try {
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    for (const brivonel::dxbc::ShaderProgram& program : brivonel::dxbc::kShaderPrograms) {
      const std::vector<std::uint8_t> bytes = program.build();
      const std::filesystem::path path = folder / (std::string(program.name) + ".cso");
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
      out.close();
      if (!out) {
        std::fprintf(stderr, "brivonel-dxbc: %s: write failed\n", path.string().c_str());
        return 1;
      }
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "brivonel-dxbc: %s\n", error.what());
    return 1;
  }
  return 0;
}
