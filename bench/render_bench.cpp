// Drawing cost of a generated 100k-vertex model and of the bundled sample
// character: frames per second through the OpenGL backend offscreen at the
// window's 960 x 1040, with one sample per pixel or four, in the plain look
// or with sphere maps, toon ramps and outlines; and the program's own CPU
// time per frame with a device that does nothing (so the GL driver's time
// is left out).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <epoxy/gl.h>

#include "base/unicode.h"
#include "formats/pmx_decoder.h"
#include "model/scene.h"
#include "render/gl/gl_gpu.h"
#include "render/gl/offscreen_context.h"
#include "render/linux/image_codecs_linux.h"
#include "render/null_gpu.h"
#include "tests/support/test_models.h"

namespace brivonel {
namespace {

constexpr int kWidth = 960;
constexpr int kHeight = 1040;
constexpr int kBands = 20;       // materials
constexpr int kBones = 200;
constexpr std::uint32_t kCells = 70;  // per band: 71 x 71 vertices, 100 820 in all

// A character-sized sheet of 20 bands, one material each, every vertex
// weighted over four of 200 bones.
void BuildLargeModel(Model& model) {
  test::TestModelBuilder builder;
  for (int i = 0; i < kBones; ++i) builder.AddBone({0, static_cast<float>(i) * 0.1f, 0, 0});
  for (int band = 0; band < kBands; ++band) {
    const float shade = 0.3f + 0.035f * static_cast<float>(band);
    const int material = builder.AddMaterial({shade, 0.6f, 1.0f - shade, 1.0f},
                                             {0.2f, 0.2f, 0.2f, 0}, {0.3f, 0.3f, 0.3f, 12});
    test::BoneBinding binding;
    for (int k = 0; k < 4; ++k)
      binding.bones[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(band * 10 + k);
    binding.weights = {128, 64, 32, 31};
    builder.AddGrid(material, {0, 23.0f - static_cast<float>(band) * 1.1f, 0, 1}, 7, 0.55f,
                    kCells, kCells, binding);
  }
  builder.Build(model);
}

std::u16string ShaderFolder() { return Utf8ToUtf16(BRIVONEL_GL_SHADER_DIR); }

// --- frames through OpenGL ---

struct GlFixture {
  std::unique_ptr<gl::OffscreenContext> context;
  std::unique_ptr<Scene> scene;
  std::shared_ptr<Model> model;
  std::vector<std::uint8_t> pixels;

  // The generated model, or the sample character when sample is set.
  bool Start(benchmark::State& state, std::uint32_t samples, bool sample = false,
             const Look& look = Look{}) {
    std::string error;
    context = gl::OffscreenContext::Create(kWidth, kHeight, &error, samples);
    if (!context) {
      state.SkipWithError(error.c_str());
      return false;
    }
    auto gpu = std::make_shared<gl::GlGpu>();
    gpu->SetRenderTargetSize(kWidth, kHeight);
    scene = std::make_unique<Scene>();
    scene->Create({gpu, gpu, gl::kGlShaderExtension}, ShaderFolder(), kWidth, kHeight);
    scene->SetLook(look);
    model = scene->NewModel();
    if (!sample) {
      BuildLargeModel(*model);
    } else {
      RegisterLinuxImageCodecs();
      const std::u16string path = Utf8ToUtf16(BRIVONEL_SAMPLES_DIR) + u"/nel.pmx";
      if (PMXDecoder().Decode(path, model) != ModelBuilt) {
        state.SkipWithError("the sample character cannot be decoded");
        return false;
      }
    }
    scene->Install(model);
    if (!scene->Prepare(*model)) {
      state.SkipWithError("shader files missing");
      return false;
    }
    return true;
  }

  // The GL objects go before the context that owns them.
  ~GlFixture() {
    model.reset();
    scene.reset();
  }
};

enum class FrameKind { Draw, DrawAndReadBack, MorphUploadAndReadBack };

// state.range(0): samples per pixel. The generated model, or the sample
// character in the given look.
void RunGlFrames(benchmark::State& state, FrameKind kind, bool sample = false,
                 const Look& look = Look{}) {
  GlFixture fixture;
  if (!fixture.Start(state, static_cast<std::uint32_t>(state.range(0)), sample, look)) return;
  Model& model = *fixture.model;
  for (auto _ : state) {
    if (kind == FrameKind::MorphUploadAndReadBack) {
      // A face morph touching 1% of the vertices makes the whole buffer go up.
      for (std::uint32_t v = 0; v < model.vertexCount; v += 100) {
        model.posedVertices[v].position.z -= 0.01f;
        model.touchedVertices.push_back(v);
      }
    }
    fixture.scene->Draw();
    if (kind == FrameKind::Draw)
      glFinish();
    else
      fixture.context->ReadPixels(fixture.pixels);
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                             benchmark::Counter::kIsRate);
  state.counters["vertices"] = model.vertexCount;
  state.counters["samples"] = fixture.context->samples();
}

void BM_GlFrame100k(benchmark::State& state) { RunGlFrames(state, FrameKind::Draw); }
void BM_GlFrameReadBack100k(benchmark::State& state) {
  RunGlFrames(state, FrameKind::DrawAndReadBack);
}
void BM_GlFrameMorphReadBack100k(benchmark::State& state) {
  RunGlFrames(state, FrameKind::MorphUploadAndReadBack);
}
// The sample character at rest, read back as the snapshot tool and the
// desktop window do; range(1): 1 for the full look (sphere maps, toon
// ramps, outlines), 0 for the plain one.
void BM_GlSampleFrameReadBack(benchmark::State& state) {
  RunGlFrames(state, FrameKind::DrawAndReadBack, true,
              state.range(1) != 0 ? Look{} : Look::Plain());
}

void Timed(benchmark::internal::Benchmark* benchmark) {
  benchmark->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
}
// One sample per pixel, and four.
void SampleCounts(benchmark::internal::Benchmark* benchmark) {
  benchmark->ArgName("samples")->Arg(1)->Arg(4)->Apply(Timed);
}
BENCHMARK(BM_GlFrame100k)->Apply(SampleCounts);
BENCHMARK(BM_GlFrameReadBack100k)->Apply(SampleCounts);
BENCHMARK(BM_GlFrameMorphReadBack100k)->Apply(SampleCounts);
BENCHMARK(BM_GlSampleFrameReadBack)
    ->ArgNames({"samples", "effects"})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({4, 1})
    ->Apply(Timed);

// --- the program's own CPU time ---

void BM_ProgramCpuPerFrame100k(benchmark::State& state) {
  // The device draws nothing: what remains of a frame's time is the
  // program's own work.
  auto gpu = std::make_shared<gpu::NullGpu>();
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / "brivonel-bench-shaders";
  std::filesystem::create_directories(folder);
  test::WritePlaceholderShaders(folder, kDefaultShaderExtension);
  Scene scene;
  scene.Create({gpu, gpu, kDefaultShaderExtension}, FromFsPath(folder) + u"/", kWidth, kHeight);
  std::shared_ptr<Model> shared = scene.NewModel();
  Model& model = *shared;
  BuildLargeModel(model);
  scene.Install(shared);
  scene.Prepare(model);
  const bool morphs = state.range(0) != 0;
  std::uint64_t elapsed = 0;
  for (auto _ : state) {
    elapsed += 33;
    benchmark::DoNotOptimize(model.Update(elapsed));
    if (morphs) {
      for (std::uint32_t v = 0; v < model.vertexCount; v += 100) {
        model.posedVertices[v].position.z -= 0.01f;
        model.touchedVertices.push_back(v);
      }
    }
    scene.Draw();
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ProgramCpuPerFrame100k)
    ->ArgName("morphs")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace brivonel

BENCHMARK_MAIN();
