// brivonel-sample-generator <folder>: writes the bundled sample character,
// its textures and its dances into folder.
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "tools/sample_generator/sample_set.h"

int main(int argc, char** argv) {
  using namespace brivonel::samples;
  if (argc != 2) {
    std::fprintf(stderr, "usage: brivonel-sample-generator <output folder>\n");
    return 2;
  }
  try {
    const auto start = std::chrono::steady_clock::now();
    const SampleSet samples = BuildSampleSet();
    const auto files = WriteSampleFiles(samples, argv[1]);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("sample: %zu vertices, %zu triangles, %zu bones, %zu morphs, %zu rigid bodies, %zu joints, "
                "%zu + %zu bone and %zu + %zu morph keys; %zu files in %.0f ms\n",
                samples.figure.vertices.size(), samples.figure.indices.size() / 3,
                samples.figure.bones.size(), samples.figure.morphs.size(), samples.figure.bodies.size(),
                samples.figure.joints.size(), samples.dance.boneKeys.size(),
                samples.stepDance.boneKeys.size(), samples.dance.morphKeys.size(),
                samples.stepDance.morphKeys.size(), files.size(), ms);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "brivonel-sample-generator: %s\n", e.what());
    return 1;
  }
}
