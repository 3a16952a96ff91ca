#pragma once
// Poses computed by an independent implementation of the model and motion
// formats (three.js's MMD animation runtime, run by node through
// pose_oracle.mjs, and with physics through physics_oracle.mjs), read back
// for comparison with the model's own.
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/math.h"
#include "model/model.h"

namespace brivonel::test {

struct OracleBonePose {
  Float4 position;  // world position
  Quaternion rotation;  // world rotation
};

struct OraclePoses {
  std::vector<std::string> boneNames;         // file order, UTF-8
  std::vector<std::size_t> unappliedGrants;   // bones whose grant the oracle does not apply
  std::map<std::uint32_t, std::vector<OracleBonePose>> frames;  // frame -> pose per bone
  // The morphs the oracle animates (its morph targets, one per morph of the
  // file) and their weights: frame -> weight per morph.
  std::vector<std::string> morphNames;
  std::map<std::uint32_t, std::vector<float>> morphWeights;
};

// Where node and the oracle's folder (pose_oracle.mjs and its node_modules)
// are, as the build found them; nullopt when node is not installed.
struct OracleSetup {
  std::string node;
  std::filesystem::path folder;
};
std::optional<OracleSetup> FindOracle();

// A PMX or PMD file decoded and built as the program does (textures not
// loaded), or null when it cannot be.
std::shared_ptr<Model> LoadModelFile(const std::filesystem::path& path);

// Runs the oracle on model and motion at the given ascending frames. Throws
// std::runtime_error when it fails or prints what it should not.
OraclePoses RunOracle(const OracleSetup& oracle, const std::filesystem::path& model,
                      const std::filesystem::path& motion, const std::vector<std::uint32_t>& frames);

// Poses of chosen bones played from frame 0 with the rigid bodies simulated
// (three's MMD physics on ammo.js, one 1/30 s update per frame), and
// without physics.
struct OraclePhysicsPoses {
  std::vector<std::string> boneNames;  // the chosen bones, in the order asked
  std::map<std::uint32_t, std::vector<OracleBonePose>> simulated;  // frame -> pose per chosen bone
  std::map<std::uint32_t, std::vector<OracleBonePose>> still;
};
OraclePhysicsPoses RunPhysicsOracle(const OracleSetup& oracle, const std::filesystem::path& model,
                                    const std::filesystem::path& motion, const std::vector<std::size_t>& bones,
                                    const std::vector<std::uint32_t>& frames);

}  // namespace brivonel::test
