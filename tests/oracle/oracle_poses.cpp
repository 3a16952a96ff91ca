#include "tests/oracle/oracle_poses.h"

#include <cstdio>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace brivonel::test {
namespace {

// A word for the shell, in single quotes.
std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

std::string RunCapturingOutput(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) throw std::runtime_error("cannot run " + command);
  std::string output;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) output.append(buffer, n);
  const int status = pclose(pipe.release());
  if (status != 0) throw std::runtime_error("the oracle failed (status " + std::to_string(status) + "): " + command);
  return output;
}

}  // namespace

std::optional<OracleSetup> FindOracle() {
  const std::string node = BRIVONEL_NODE_PROGRAM;
  if (node.empty()) return std::nullopt;
  return OracleSetup{node, BRIVONEL_ORACLE_DIR};
}

OraclePoses RunOracle(const OracleSetup& oracle, const std::filesystem::path& model,
                      const std::filesystem::path& motion, const std::vector<std::uint32_t>& frames) {
  std::string command = Quoted(oracle.node) + " " + Quoted((oracle.folder / "pose_oracle.mjs").string()) +
                        " " + Quoted(model.string()) + " " + Quoted(motion.string());
  for (std::uint32_t frame : frames) {
    command += ' ';
    command += std::to_string(frame);
  }
  std::istringstream in(RunCapturingOutput(command));

  OraclePoses poses;
  std::string line;
  auto expect = [&](const std::string& word) {
    std::istringstream head(line);
    std::string first;
    head >> first;
    if (first != word) throw std::runtime_error("oracle output: expected \"" + word + "\", got \"" + line + "\"");
    return head.str().substr(first.size());
  };
  std::getline(in, line);
  const std::size_t count = std::stoul(expect("bones"));
  for (std::size_t i = 0; i < count && std::getline(in, line); ++i) poses.boneNames.push_back(line);
  std::getline(in, line);
  std::istringstream unapplied(expect("unapplied"));
  for (std::size_t bone; unapplied >> bone;) poses.unappliedGrants.push_back(bone);
  while (std::getline(in, line)) {
    const std::uint32_t frame = static_cast<std::uint32_t>(std::stoul(expect("frame")));
    std::vector<OracleBonePose>& bones = poses.frames[frame];
    for (std::size_t i = 0; i < count && std::getline(in, line); ++i) {
      std::istringstream numbers(line);
      double v[7] = {};
      for (double& value : v)
        if (!(numbers >> value)) throw std::runtime_error("oracle output: no pose in \"" + line + "\"");
      auto f = [&v](int k) { return static_cast<float>(v[k]); };
      bones.push_back({{f(0), f(1), f(2), 1.0f}, {f(3), f(4), f(5), f(6)}});
    }
    if (bones.size() != count) throw std::runtime_error("oracle output: frame " + std::to_string(frame) + " cut short");
  }
  if (poses.frames.size() != frames.size()) throw std::runtime_error("oracle output: frames missing");
  return poses;
}

}  // namespace brivonel::test
