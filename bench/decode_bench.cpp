// Decoding speed: a generated PMX of about 100k vertices, 500 bones and 200
// morphs, a VMD of 20k keyframes and a dance-sized VMD, written once into the
// build folder and decoded again and again. Figures in bytes of file per
// second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "base/unicode.h"
#include "formats/pmx_decoder.h"
#include "formats/vmd_decoder.h"
#include "formats/writer/byte_writer.h"
#include "formats/writer/pmx_writer.h"
#include "formats/writer/vmd_writer.h"

namespace brivonel {
namespace {

constexpr int kVertices = 100000;
constexpr int kBones = 500;
constexpr int kMorphs = 200;
constexpr int kMaterials = 20;

std::u16string Numbered(const char16_t* prefix, int n) {
  std::u16string name = prefix;
  for (char c : std::to_string(n)) name.push_back(static_cast<char16_t>(c));
  return name;
}

PMXModel BenchModel() {
  PMXModel r;
  r.encoding = 0;
  r.additionalUvCount = 1;
  r.name = u"ベンチマーク";
  r.vertices.resize(kVertices);
  for (int i = 0; i < kVertices; ++i) {
    PMXVertex& v = r.vertices[static_cast<std::size_t>(i)];
    const float a = static_cast<float>(i) * 0.001f;
    v.position = {std::sin(a), static_cast<float>(i % 1000) * 0.01f, std::cos(a)};
    v.normal = {std::sin(a), 0.0f, std::cos(a)};
    v.uv = {static_cast<float>(i % 317) / 317.0f, static_cast<float>(i % 211) / 211.0f};
    v.deformKind = static_cast<std::uint8_t>(i % 4 == 0 ? kDeformBdef4 : kDeformBdef2);
    for (int j = 0; j < 4; ++j) v.bones[j] = (i / 7 + j * 13) % kBones;
    v.weights[0] = 0.4f;
    v.weights[1] = 0.3f;
    v.weights[2] = 0.2f;
    v.weights[3] = 0.1f;
    v.edgeScale = 1.0f;
  }
  // A strip of triangles over the vertices: about two faces per vertex.
  for (int i = 0; i + 2 < kVertices; ++i) {
    r.indices.insert(r.indices.end(), {i, i + 1, i + 2});
    r.indices.insert(r.indices.end(), {i + 2, i + 1, i});
  }
  for (int t = 0; t < kMaterials; ++t) r.textures.push_back(Numbered(u"tex/texture", t) + u".png");
  const int perMaterial = static_cast<int>(r.indices.size()) / 3 / kMaterials * 3;
  for (int m = 0; m < kMaterials; ++m) {
    PMXMaterial material;
    material.name = Numbered(u"材質", m);
    material.diffuse = {1, 1, 1, 1};
    material.textureIndex = m;
    material.indexCount = m + 1 < kMaterials
                              ? perMaterial
                              : static_cast<int>(r.indices.size()) - perMaterial * (kMaterials - 1);
    r.materials.push_back(material);
  }
  for (int b = 0; b < kBones; ++b) {
    PMXBone bone;
    bone.name = Numbered(u"ボーン", b);
    bone.englishName = Numbered(u"bone", b);
    bone.position = {0.0f, static_cast<float>(b) * 0.05f, 0.0f};
    bone.parent = b - 1;
    bone.flags = kBoneRotatable | kBoneMovable | kBoneVisible | kBoneOperable;
    if (b % 50 == 49) {
      bone.flags |= kBoneIk;
      bone.ikTarget = b - 1;
      bone.ikLoopCount = 40;
      bone.ikLimitAngle = 2.0f;
      bone.ikLinks = {PMXIKLink{b - 2, true, {-3, 0, 0}, {0, 0, 0}}, PMXIKLink{b - 3, false, {}, {}}};
    }
    r.bones.push_back(bone);
  }
  for (int m = 0; m < kMorphs; ++m) {
    PMXMorph morph;
    morph.name = Numbered(u"モーフ", m);
    morph.kind = kMorphVertex;
    for (int o = 0; o < 100; ++o) {
      morph.vertexOffsets.push_back(
          {static_cast<std::uint32_t>((m * 397 + o * 13) % kVertices), {0.0f, 0.01f, 0.0f}});
    }
    r.morphs.push_back(morph);
  }
  return r;
}

VMDMotion BenchMotion() {
  VMDMotion motion;
  for (int k = 0; k < 20000; ++k) {
    motion.boneFrames.push_back(writer::MakeBoneFrame(Numbered(u"ボーン", k % 100),
                                                      static_cast<std::uint32_t>(20000 - k)));
  }
  for (int k = 0; k < 5000; ++k) {
    motion.morphFrames.push_back(
        writer::MakeMorphFrame(Numbered(u"モーフ", k % 50), static_cast<std::uint32_t>(k), 0.5f));
  }
  return motion;
}

// A dance as editors write one: 3,600 bone keys over 120 bones (about 400 KB),
// each bone's keys together in frame order, and its face's morph keys.
VMDMotion DanceMotion() {
  VMDMotion motion;
  for (int bone = 0; bone < 120; ++bone)
    for (int k = 0; k < 30; ++k)
      motion.boneFrames.push_back(writer::MakeBoneFrame(Numbered(u"ボーン", bone), static_cast<std::uint32_t>(k * 30)));
  for (int morph = 0; morph < 20; ++morph)
    for (int k = 0; k < 20; ++k)
      motion.morphFrames.push_back(
          writer::MakeMorphFrame(Numbered(u"モーフ", morph), static_cast<std::uint32_t>(k * 45), 0.5f));
  return motion;
}

// The generated file, written on first use into the build folder.
template <typename Make>
std::filesystem::path CachedFile(const char* name, Make make) {
  const std::filesystem::path path = std::filesystem::path(BRIVONEL_BENCH_DATA_DIR) / name;
  if (!std::filesystem::exists(path)) writer::WriteFile(path, make());
  return path;
}

void DecodePmxFile(benchmark::State& state) {
  const auto path = CachedFile("decode_bench_v1.pmx", [] { return writer::WritePmx(BenchModel()); });
  const std::u16string widePath = FromFsPath(path);
  for (auto _ : state) {
    auto model = std::make_shared<Model>();
    if (PMXDecoder().Decode(widePath, model) != ModelBuilt) state.SkipWithError("not built");
    benchmark::DoNotOptimize(model->meshes[0]->vertices.data());
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(DecodePmxFile)->Unit(benchmark::kMillisecond);

void ReadPmxFromMemory(benchmark::State& state) {
  const auto path = CachedFile("decode_bench_v1.pmx", [] { return writer::WritePmx(BenchModel()); });
  const MappedFile file = MappedFile::Open(FromFsPath(path), kMaxModelFileBytes);
  for (auto _ : state) {
    PMXModel record;
    if (PMXDecoder::Read(file.bytes(), record) != FileRead) state.SkipWithError("not read");
    benchmark::DoNotOptimize(record.vertices.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.fileSize()));
}
BENCHMARK(ReadPmxFromMemory)->Unit(benchmark::kMillisecond);

// Decodes the VMD file at `path` against `boneCount` numbered bones.
void DecodeVmd(benchmark::State& state, const std::filesystem::path& path, int boneCount) {
  std::vector<Bone> bones(static_cast<std::size_t>(boneCount));
  for (int b = 0; b < boneCount; ++b) {
    bones[static_cast<std::size_t>(b)].name = Numbered(u"ボーン", b);
    bones[static_cast<std::size_t>(b)].index = b;
  }
  const std::u16string widePath = FromFsPath(path);
  for (auto _ : state) {
    auto animation = std::make_shared<Animation>();
    if (VMDDecoder().Decode(widePath, animation, bones) != ModelBuilt) state.SkipWithError("failed");
    benchmark::DoNotOptimize(animation->boneTracks.data());
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
}

void DecodeVmdFile(benchmark::State& state) {
  DecodeVmd(state, CachedFile("decode_bench_v1.vmd", [] { return writer::WriteVmd(BenchMotion()); }), 100);
}
BENCHMARK(DecodeVmdFile)->Unit(benchmark::kMillisecond);

// Target: <= 0.25 ms per decode.
void DecodeDanceVmdFile(benchmark::State& state) {
  DecodeVmd(state, CachedFile("decode_bench_dance_v1.vmd", [] { return writer::WriteVmd(DanceMotion()); }),
            120);
}
BENCHMARK(DecodeDanceVmdFile)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brivonel

BENCHMARK_MAIN();
