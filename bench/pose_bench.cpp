// Cost of one frame of pose evaluation (Update: bone tracks, morphs, world
// matrices, IK, skinning matrices) on generated rigs, in microseconds per
// frame. Each iteration is one frame 33 ms after the last, looping through
// the motion.
//
//   pose_bench --benchmark_filter=Model   the model's own evaluation
//   pose_bench --benchmark_filter=Reference   the literal rules, for scale
//
// Targets on one core: (a) PMD-style dance <= 25 us/frame, (b) PMX rig
// <= 150 us/frame.
#include <benchmark/benchmark.h>


#include "bench/thread_clock.h"
#include "tests/model/pose_reference.h"
#include "tests/support/pose_rigs.h"

namespace brivonel {
namespace {

enum class Rig { kPmdDance, kPmdDanceAllIk, kPmxDense };

void Build(Model& model, Rig rig) {
  if (rig == Rig::kPmdDance || rig == Rig::kPmdDanceAllIk) {
    test::BuildPmdStyleRig(model);
    model.animation = test::BuildDance(model, 700, rig == Rig::kPmdDanceAllIk);
  } else {
    test::BuildPmxRig(model, 100000);
    model.animation = test::BuildDenseMotion(model, 300);
  }
}

template <bool kReference>
void RunFrames(benchmark::State& state, Rig rig) {
  Model model;
  Build(model, rig);
  const test::Camera camera = test::StandardCamera(960, 1040);
  test::AttachCamera(model, camera, 960, 1040);
  std::uint64_t elapsed = 0;
  std::size_t touched = 0;
  for (auto _ : state) {
    const double start = bench::ThreadSeconds();
    const int shift = kReference ? test::ReferenceUpdate(model, elapsed) : model.Update(elapsed);
    state.SetIterationTime(bench::ThreadSeconds() - start);
    benchmark::DoNotOptimize(shift);
    touched += model.touchedVertices.size();
    elapsed += 33;
  }
  state.counters["bones"] = static_cast<double>(model.bones.size());
  state.counters["touched/frame"] =
      static_cast<double>(touched) / static_cast<double>(state.iterations());
}

void BM_ModelPmdStyleDance(benchmark::State& state) { RunFrames<false>(state, Rig::kPmdDance); }
void BM_ModelPmdStyleDanceAllIk(benchmark::State& state) { RunFrames<false>(state, Rig::kPmdDanceAllIk); }
void BM_ModelPmxDenseMotion(benchmark::State& state) { RunFrames<false>(state, Rig::kPmxDense); }
void BM_ReferencePmdStyleDance(benchmark::State& state) { RunFrames<true>(state, Rig::kPmdDance); }
void BM_ReferencePmxDenseMotion(benchmark::State& state) { RunFrames<true>(state, Rig::kPmxDense); }

// (a) 140 bones, 7 IK chains, 30 vertex morphs, 700-frame dance.
BENCHMARK(BM_ModelPmdStyleDance)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(2800);
// (a) again with the model's hair and necktie IK bones keyed as well.
BENCHMARK(BM_ModelPmdStyleDanceAllIk)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(2800);
// (b) 500 bones, 20 IK chains, 200 morphs, 100k vertices, dense motion.
BENCHMARK(BM_ModelPmxDenseMotion)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(1200);
BENCHMARK(BM_ReferencePmdStyleDance)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(700);
BENCHMARK(BM_ReferencePmxDenseMotion)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(60);

}  // namespace
}  // namespace brivonel

BENCHMARK_MAIN();
