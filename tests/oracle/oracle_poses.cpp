#include "tests/oracle/oracle_poses.h"

#include <cstdio>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "base/unicode.h"
#include "formats/mapped_file.h"
#include "formats/pmd_decoder.h"
#include "formats/pmx_decoder.h"

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

// The oracles' output, line by line.
class OracleOutput {
 public:
  explicit OracleOutput(const std::string& text) : in_(text) { Next(); }
  bool done() const { return done_; }
  void Next() { done_ = !std::getline(in_, line_); }
  // The rest of the line after its first word, which must be `word`.
  std::string Expect(const std::string& word) const {
    std::istringstream head(line_);
    std::string first;
    head >> first;
    if (done_ || first != word)
      throw std::runtime_error("oracle output: expected \"" + word + "\", got \"" + line_ + "\"");
    return line_.substr(first.size());
  }
  // "`word` N" and the N names, one a line.
  std::vector<std::string> Names(const std::string& word = "bones") {
    const std::size_t count = std::stoul(Expect(word));
    std::vector<std::string> names;
    for (Next(); names.size() < count && !done_; Next()) names.push_back(line_);
    return names;
  }
  // Blocks of "frame F" and `count` poses (and, when `weights` is given, a
  // line "weights" and a weight per morph), up to a line that starts none.
  std::map<std::uint32_t, std::vector<OracleBonePose>> Frames(
      std::size_t count, std::map<std::uint32_t, std::vector<float>>* weights = nullptr) {
    std::map<std::uint32_t, std::vector<OracleBonePose>> frames;
    while (!done_ && line_.rfind("frame ", 0) == 0) {
      const std::uint32_t frame = static_cast<std::uint32_t>(std::stoul(Expect("frame")));
      std::vector<OracleBonePose>& bones = frames[frame];
      for (Next(); bones.size() < count && !done_; Next()) {
        std::istringstream numbers(line_);
        double v[7] = {};
        for (double& value : v)
          if (!(numbers >> value)) throw std::runtime_error("oracle output: no pose in \"" + line_ + "\"");
        auto f = [&v](int k) { return static_cast<float>(v[k]); };
        bones.push_back({{f(0), f(1), f(2), 1.0f}, {f(3), f(4), f(5), f(6)}});
      }
      if (bones.size() != count)
        throw std::runtime_error("oracle output: frame " + std::to_string(frame) + " cut short");
      if (weights == nullptr) continue;
      std::istringstream numbers(Expect("weights"));
      for (double w; numbers >> w;) (*weights)[frame].push_back(static_cast<float>(w));
      (*weights)[frame];  // a model without morphs has an empty list
      Next();
    }
    return frames;
  }

 private:
  std::istringstream in_;
  std::string line_;
  bool done_ = false;
};

std::string FrameArguments(const std::vector<std::uint32_t>& frames) {
  std::string text;
  for (std::uint32_t frame : frames) text += " " + std::to_string(frame);
  return text;
}

}  // namespace

std::optional<OracleSetup> FindOracle() {
  const std::string node = BRIVONEL_NODE_PROGRAM;
  if (node.empty()) return std::nullopt;
  return OracleSetup{node, BRIVONEL_ORACLE_DIR};
}

std::shared_ptr<Model> LoadModelFile(const std::filesystem::path& path) {
  auto model = std::make_shared<Model>();
  const MappedFile file = MappedFile::Open(FromFsPath(path), kMaxModelFileBytes);
  if (!file.mapped()) return nullptr;
  if (path.extension() == ".pmd") {
    PMDModel record;
    if (PMDDecoder::Read(file.bytes(), record) != FileRead ||
        PMDDecoder::Build(record, *model, TextureLoading::kSkip) != ModelBuilt)
      return nullptr;
  } else {
    PMXModel record;
    if (PMXDecoder::Read(file.bytes(), record) != FileRead ||
        PMXDecoder::Build(record, *model, TextureLoading::kSkip) != ModelBuilt)
      return nullptr;
  }
  return model;
}

OraclePoses RunOracle(const OracleSetup& oracle, const std::filesystem::path& model,
                      const std::filesystem::path& motion, const std::vector<std::uint32_t>& frames) {
  OracleOutput out(RunCapturingOutput(Quoted(oracle.node) + " " +
                                      Quoted((oracle.folder / "pose_oracle.mjs").string()) + " " +
                                      Quoted(model.string()) + " " + Quoted(motion.string()) +
                                      FrameArguments(frames)));
  OraclePoses poses;
  poses.boneNames = out.Names();
  std::istringstream unapplied(out.Expect("unapplied"));
  for (std::size_t bone; unapplied >> bone;) poses.unappliedGrants.push_back(bone);
  out.Next();
  poses.morphNames = out.Names("morphs");
  poses.frames = out.Frames(poses.boneNames.size(), &poses.morphWeights);
  if (poses.frames.size() != frames.size() || !out.done()) throw std::runtime_error("oracle output: frames missing");
  for (const auto& [frame, weights] : poses.morphWeights)
    if (weights.size() != poses.morphNames.size())
      throw std::runtime_error("oracle output: weights missing at frame " + std::to_string(frame));
  return poses;
}

OraclePhysicsPoses RunPhysicsOracle(const OracleSetup& oracle, const std::filesystem::path& model,
                                    const std::filesystem::path& motion, const std::vector<std::size_t>& bones,
                                    const std::vector<std::uint32_t>& frames) {
  std::string list;
  for (std::size_t bone : bones) list += (list.empty() ? "" : ",") + std::to_string(bone);
  OracleOutput out(RunCapturingOutput(Quoted(oracle.node) + " " +
                                      Quoted((oracle.folder / "physics_oracle.mjs").string()) + " " +
                                      Quoted(model.string()) + " " + Quoted(motion.string()) + " " + list +
                                      FrameArguments(frames)));
  OraclePhysicsPoses poses;
  poses.boneNames = out.Names();
  if (poses.boneNames.size() != bones.size()) throw std::runtime_error("oracle output: bones missing");
  if (out.Expect("physics") != " on") throw std::runtime_error("oracle output: expected \"physics on\"");
  out.Next();
  poses.simulated = out.Frames(bones.size());
  if (out.Expect("physics") != " off") throw std::runtime_error("oracle output: expected \"physics off\"");
  out.Next();
  poses.still = out.Frames(bones.size());
  if (poses.simulated.size() != frames.size() || poses.still.size() != frames.size() || !out.done())
    throw std::runtime_error("oracle output: frames missing");
  return poses;
}

}  // namespace brivonel::test
