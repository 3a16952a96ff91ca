// Writes the program's icons: brivonel.ico (the window class's large icon,
// 16, 32 and 48 pixels) and brivonel_small.ico (16 pixels) into the folder
// given, normally resources/.
//
//   brivonel-icon-generator FOLDER
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "formats/writer/byte_writer.h"
#include "tools/icon_generator/emblem.h"
#include "tools/icon_generator/ico_file.h"

namespace {

bool WriteIcon(const std::string& path, const std::vector<int>& sizes) {
  std::vector<brivonel::icons::IconImage> images;
  for (int size : sizes) images.push_back({size, brivonel::icons::DrawEmblem(size)});
  try {
    brivonel::writer::WriteFile(path, brivonel::icons::EncodeIco(images));
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: brivonel-icon-generator FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  for (const auto& [name, sizes] :
       {std::pair<const char*, std::vector<int>>{"brivonel.ico", {16, 32, 48}},
        std::pair<const char*, std::vector<int>>{"brivonel_small.ico", {16}}}) {
    if (!WriteIcon(folder + "/" + name, sizes)) {
      std::fprintf(stderr, "brivonel-icon-generator: %s/%s: cannot write\n", folder.c_str(), name);
      return 1;
    }
  }
  return 0;
}
