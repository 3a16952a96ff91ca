#pragma once
// The whole bundled sample: the figure and its dance, built in memory, and
// the files they are written to.
#include <filesystem>
#include <string>
#include <vector>

#include "tools/sample_generator/dance.h"
#include "tools/sample_generator/figure.h"

namespace brivonel::samples {

struct SampleSet {
  Figure figure;
  Dance dance;
  Dance stepDance;
};

SampleSet BuildSampleSet();

// Writes every file of the sample into folder (created if missing) and
// returns their names. Throws std::runtime_error when a file can't be written.
std::vector<std::string> WriteSampleFiles(const SampleSet& samples, const std::filesystem::path& folder);

}  // namespace brivonel::samples
