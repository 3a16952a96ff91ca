#pragma once
// What the sample tests share: the sample as the generator builds it in
// memory (built once per test program), and the files the build wrote.
#include <filesystem>
#include <string>
#include <string_view>

#include "base/unicode.h"
#include "tools/sample_generator/sample_set.h"

namespace brivonel::samples {

inline const SampleSet& IntendedSamples() {
  static const SampleSet samples = BuildSampleSet();
  return samples;
}

// A file of the samples folder the build generated.
inline std::filesystem::path SampleFile(std::string_view name) {
  return std::filesystem::path(BRIVONEL_SAMPLES_DIR) / name;
}
inline std::u16string SamplePath(std::string_view name) { return FromFsPath(SampleFile(name)); }

}  // namespace brivonel::samples
