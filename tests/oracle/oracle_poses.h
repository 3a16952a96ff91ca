#pragma once
// Poses computed by an independent implementation of the model and motion
// formats (three.js's MMD animation runtime, run by node through
// pose_oracle.mjs), read back for comparison with the model's own.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/math.h"

namespace brivonel::test {

struct OracleBonePose {
  Float4 position;  // world position
  Quaternion rotation;  // world rotation
};

struct OraclePoses {
  std::vector<std::string> boneNames;         // file order, UTF-8
  std::vector<std::size_t> unappliedGrants;   // bones whose grant the oracle does not apply
  std::map<std::uint32_t, std::vector<OracleBonePose>> frames;  // frame -> pose per bone
};

// Where node and the oracle's folder (pose_oracle.mjs and its node_modules)
// are, as the build found them; nullopt when node is not installed.
struct OracleSetup {
  std::string node;
  std::filesystem::path folder;
};
std::optional<OracleSetup> FindOracle();

// Runs the oracle on model and motion at the given ascending frames. Throws
// std::runtime_error when it fails or prints what it should not.
OraclePoses RunOracle(const OracleSetup& oracle, const std::filesystem::path& model,
                      const std::filesystem::path& motion, const std::vector<std::uint32_t>& frames);

}  // namespace brivonel::test
