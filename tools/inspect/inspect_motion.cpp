// brivonel-inspect motion FILE [--model MODEL] [--bench N]
#include <optional>
#include <unordered_set>

#include "base/unicode.h"
#include "formats/name_hash.h"
#include "formats/vmd_decoder.h"
#include "tools/inspect/inspect_support.h"
#include "tools/inspect/json_writer.h"

namespace brivonel::tools {
namespace {

// Without a model every bone of the motion counts as present: one bone per
// name, at the origin, so that no key is dropped.
std::vector<Bone> BonesOfEveryName(const VMDMotion& motion) {
  std::unordered_set<std::u16string, NameHash> names;
  std::vector<Bone> bones;
  const std::u16string* last = nullptr;
  for (const VMDBoneFrame& f : motion.boneFrames) {
    if (last != nullptr && f.name == *last) continue;  // a bone's keys mostly follow each other
    last = &f.name;
    if (!names.insert(f.name).second) continue;
    Bone bone;
    bone.name = f.name;
    bone.index = static_cast<std::int32_t>(bones.size());
    bones.push_back(bone);
  }
  return bones;
}

struct Motion {
  std::shared_ptr<Animation> animation;
  std::uint64_t fileSize = 0;
};

// Decodes the file for the bones given, or (when there are none yet) for a
// bone of every name the motion has, which are kept for the next decodes.
Motion DecodeMotion(const std::string& file, std::optional<std::vector<Bone>>& bones) {
  std::optional<FileBytes> bytes = ReadWholeFile(Utf8ToUtf16(file));
  if (!bytes) throw InspectError("open failed");
  VMDMotion motion;
  VMDDecoder::Read(bytes->bytes(), motion);
  if (!bones) bones = BonesOfEveryName(motion);
  Motion decoded{std::make_shared<Animation>(), bytes->size};
  VMDDecoder::Build(motion, *decoded.animation, *bones);
  return decoded;
}

void PrintMotion(const Animation& animation) {
  std::size_t boneKeys = 0;
  for (const BoneTrack& track : animation.boneTracks) boneKeys += track.keys.size();
  std::size_t morphKeys = 0;
  for (const auto& [name, track] : animation.morphTracks) morphKeys += track.keys.size();
  JsonWriter json;
  json.BeginObject();
  json.Field("boneKeys", boneKeys);
  json.Field("morphKeys", morphKeys);
  json.Field("boneTracks", animation.boneTracks.size());
  json.Field("morphTracks", animation.morphTracks.size());
  // The frame the motion loops at: its latest key of any track.
  json.Key("lastFrame");
  std::uint64_t lastFrame = 0;
  if (LatestKeyFrame(animation, lastFrame)) {
    json.UInt(lastFrame);
  } else {
    json.Null();  // no keys, or only keys of bones the model lacks
  }
  json.EndObject();
  std::printf("%s\n", json.text().c_str());
}

}  // namespace

int RunMotionCommand(const std::vector<std::string>& args) {
  const std::optional<FileOptions> options = ParseFileOptions(args, true);
  if (!options) return kExitUsage;
  // The model's bones; without a model, every bone of the motion counts as
  // present (found by the first decode, so that --bench times the decoder).
  std::optional<std::vector<Bone>> bones;
  if (!options->model.empty()) {
    const int result = RunGuarded(options->model, [&] {
      bones = DecodeModelFile(options->model, TextureLoading::kSkip).model->bones;
      return kExitOk;
    });
    if (result != kExitOk) return result;
  }
  return RunGuarded(options->file, [&] {
    Motion motion = DecodeMotion(options->file, bones);
    if (options->bench == 0) {
      PrintMotion(*motion.animation);
      return kExitOk;
    }
    const double start = CpuSeconds();
    for (int i = 0; i < options->bench; ++i) motion = DecodeMotion(options->file, bones);
    PrintBench(options->bench, CpuSeconds() - start, motion.fileSize);
    return kExitOk;
  });
}

}  // namespace brivonel::tools
