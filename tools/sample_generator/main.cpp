#include <chrono>
#include <cstdio>
#include <filesystem>

#include "tools/sample_generator/body.h"
#include "tools/sample_generator/image_files.h"
#include "tools/sample_generator/sample_files.h"
#include "tools/sample_generator/skeleton.h"
#include "tools/sample_generator/textures.h"

int main(int argc, char** argv) {
  using namespace brivonel::samples;
  const auto start = std::chrono::steady_clock::now();
  std::filesystem::path dir = argc > 1 ? argv[1] : ".";
  std::filesystem::create_directories(dir);
  Figure figure;
  BuildSkeleton(figure);
  BuildMaterials(figure);
  BuildBody(figure);
  const auto face = MipChain(FaceTexture(512));
  WriteFileBytes(dir / kFaceTexture, EncodeDdsBc3(face));
  WriteFileBytes(dir / kClothTexture, EncodeTgaRle(ClothTexture(256)));
  WriteFileBytes(dir / kHairTexture, EncodePngSrgb(HairTexture(256)));
  WriteFileBytes(dir / kShoesTexture, EncodeBmp(ShoesTexture(128)));
  WriteFileBytes(dir / "face.png", EncodePngSrgb(face[0]));
  WriteFileBytes(dir / "cloth.png", EncodePngSrgb(ClothTexture(256)));
  WriteFileBytes(dir / "shoes.png", EncodePngSrgb(ShoesTexture(128)));
  std::printf("bones %zu vertices %zu triangles %zu, %.0f ms\n", figure.bones.size(), figure.vertices.size(),
              figure.indices.size() / 3,
              std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
}
