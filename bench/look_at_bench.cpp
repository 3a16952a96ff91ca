// Cost of the head that follows the pointer, per frame: pose evaluation of
// a dancing PMD-style figure (140 bones, neck, head and both eyes) with the
// look-at stage off, and on with the pointer circling the figure's head (the
// neck, head and eyes turned and their subtrees recomputed every frame), in
// microseconds per frame. The difference is the stage's cost.
//
//   look_at_bench
#include <benchmark/benchmark.h>

#include <cmath>

#include "bench/thread_clock.h"
#include "tests/support/pose_rigs.h"

namespace brivonel {
namespace {

void RunFrames(benchmark::State& state, bool following) {
  Model model;
  test::BuildPmdStyleRig(model);
  model.animation = test::BuildDance(model, 700);
  test::EnableSkinning(model);
  const test::Camera camera = test::StandardCamera(960, 1040);
  test::AttachCamera(model, camera, 960, 1040);
  std::uint64_t elapsed = 0;
  float angle = 0.0f;
  for (auto _ : state) {
    // A pointer 300 pixels from the head's place, going round once in two
    // seconds: every frame a move.
    angle += 0.1f;
    const Float2 pointer{480.0f + 300.0f * std::cos(angle), 330.0f + 300.0f * std::sin(angle)};
    model.SetLookAt({following, true, following, pointer});
    const double start = bench::ThreadSeconds();
    const int shift = model.Update(elapsed);
    state.SetIterationTime(bench::ThreadSeconds() - start);
    benchmark::DoNotOptimize(shift);
    elapsed += 33;
  }
  state.counters["weight"] = model.gaze().weight();
}

void BM_DanceLookAtOff(benchmark::State& state) { RunFrames(state, false); }
void BM_DanceFollowingThePointer(benchmark::State& state) { RunFrames(state, true); }

BENCHMARK(BM_DanceLookAtOff)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(5000);
BENCHMARK(BM_DanceFollowingThePointer)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(5000);

}  // namespace
}  // namespace brivonel

BENCHMARK_MAIN();
