#include "tools/sample_generator/sample_set.h"

#include "formats/material_effects.h"
#include "formats/writer/byte_writer.h"
#include "formats/writer/pmd_writer.h"
#include "formats/writer/pmx_writer.h"
#include "formats/writer/vmd_writer.h"
#include "tools/sample_generator/assembly.h"
#include "tools/sample_generator/body.h"
#include "tools/sample_generator/chain_bones.h"
#include "tools/sample_generator/image_files.h"
#include "tools/sample_generator/morphs.h"
#include "tools/sample_generator/rigid_bodies.h"
#include "tools/sample_generator/sample_files.h"
#include "tools/sample_generator/skeleton.h"
#include "tools/sample_generator/textures.h"

namespace brivonel::samples {

SampleSet BuildSampleSet() {
  SampleSet samples;
  Figure& figure = samples.figure;
  figure.name = u"ネル";
  figure.englishName = u"Nel";
  figure.comment = u"Brivonel の見本キャラクター。頂点、テクスチャ、モーションはすべて生成されたものです。";
  figure.englishComment = u"Brivonel's sample character. Every vertex, texture and key is generated.";
  BuildSkeleton(figure);
  AddChainBones(figure);
  BuildMaterials(figure);
  const BodyParts parts = BuildBody(figure);
  BuildRigidBodies(figure);
  BuildMorphs(figure, parts);
  samples.dance = BuildDance(figure);
  samples.stepDance = BuildStepDance(figure);
  return samples;
}

std::vector<std::string> WriteSampleFiles(const SampleSet& samples, const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  std::vector<std::string> written;
  const auto write = [&](std::string_view name, const Bytes& bytes) {
    writer::WriteFile(folder / name, bytes);
    written.emplace_back(name);
  };
  write(kFaceTexture, EncodeDdsBc3(MipChain(FaceTexture(512))));
  write(kClothTexture, EncodeTgaRle(ClothTexture(256)));
  write(kHairTexture, EncodePngSrgb(HairTexture(256)));
  write(kShoesTexture, EncodeBmp(ShoesTexture(128)));
  write(kSphereMap, EncodeBmp(SphereMap(64)));
  write(kRibbonSphere, EncodeBmp(RibbonSphereMap(64)));
  for (int toon : kToonIndices) {
    write(SharedToonFileName(toon), EncodeBmp(ToonTexture(toon)));
  }
  write(kPmxFile, writer::WritePmx(ToPmxRecord(samples.figure)));
  write(kPmdFile, writer::WritePmd(ToPmdRecord(samples.figure)));
  write(kDanceFile, writer::WriteVmd(ToVmdRecord(samples.dance, samples.figure.name)));
  write(kStepDanceFile, writer::WriteVmd(ToVmdRecord(samples.stepDance, samples.figure.name)));
  return written;
}

}  // namespace brivonel::samples
