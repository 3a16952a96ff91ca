// brivonel-inspect motion FILE [--model MODEL] [--bench N]
//
// lastKeyFrame is the latest key of any track, loopFrame the frame the
// program's pose evaluation loops at (null when the motion does not loop);
// the file's header and how much of it is really there are reported too,
// and its property keys as the file has them (the model shown or hidden,
// IK switched on or off by bone), with the IK bones they name that the
// model lacks.
#include <optional>
#include <unordered_set>

#include "base/unicode.h"
#include "formats/name_hash.h"
#include "formats/vmd_decoder.h"
#include "tools/inspect/inspect_support.h"
#include "tools/inspect/json_writer.h"
#include "tools/inspect/vmd_layout.h"

namespace brivonel::tools {
namespace {

// Without a model every bone of the motion counts as present: one bone per
// name, at the origin, so that no key is dropped.
std::vector<Bone> BonesOfEveryName(const VMDMotion& motion) {
  std::unordered_set<std::u16string, NameHash> names;
  std::vector<Bone> bones;
  const auto add = [&](const std::u16string& name) {
    if (!names.insert(name).second) return;
    Bone bone;
    bone.name = name;
    bone.index = static_cast<std::int32_t>(bones.size());
    bones.push_back(bone);
  };
  const std::u16string* last = nullptr;
  for (const VMDBoneFrame& f : motion.boneFrames) {
    if (last != nullptr && f.name == *last) continue;  // a bone's keys mostly follow each other
    last = &f.name;
    add(f.name);
  }
  for (const VMDIkSwitch& s : motion.ikSwitches) add(s.name);
  return bones;
}

struct Motion {
  VMDMotion record;
  std::shared_ptr<Animation> animation;
  VmdLayout layout;
  std::uint64_t fileSize = 0;
};

// Decodes the file for the bones given, or (when there are none yet) for a
// bone of every name the motion has, which are kept for the next decodes.
Motion DecodeMotion(const std::string& file, std::optional<std::vector<Bone>>& bones) {
  const std::u16string path = Utf8ToUtf16(file);
  const MappedFile bytes = MapInspectedFile(path, kMaxMotionFileBytes, "motion");
  Motion decoded{{}, std::make_shared<Animation>(), MeasureVmdLayout(bytes.bytes()),
                 bytes.fileSize()};
  VMDDecoder::Read(bytes.bytes(), decoded.record);
  if (!bones) bones = BonesOfEveryName(decoded.record);
  VMDDecoder::Build(decoded.record, *decoded.animation, *bones);
  return decoded;
}

void FieldOrNull(JsonWriter& json, std::string_view key, bool present, std::uint64_t value) {
  json.Key(key);
  if (present) {
    json.UInt(value);
  } else {
    json.Null();
  }
}

// The reader takes any bytes for a motion; these say when they were not one.
void WarnAboutLayout(const std::string& file, const VmdLayout& layout) {
  if (!layout.vmdHeader) {
    ReportWarning(file, "warning: the header \"" + layout.header +
                            "\" is not a VMD header; read as a motion anyway");
  }
  if (layout.endsInside == "property keys") {
    ReportWarning(file, "warning: the file ends inside its property keys (" +
                            std::to_string(layout.propertyKeysCut) + " keys cut); those are left out");
  } else if (layout.endsInside == "camera records" || layout.endsInside == "light records" ||
             layout.endsInside == "self-shadow records") {
    // Nothing the program plays is cut, but the property keys after them
    // cannot be found.
    ReportWarning(file, "warning: the file ends inside the " + layout.endsInside +
                            "; no property keys are read");
  } else if (!layout.endsInside.empty()) {
    ReportWarning(file, "warning: the file ends inside the " + layout.endsInside + " (" +
                            std::to_string(layout.boneRecordsCut) + " bone and " +
                            std::to_string(layout.morphRecordsCut) +
                            " morph records cut); what is missing reads as zeros");
  }
}

// The property keys in file order: frame, shown, and each switch by bone.
void PrintPropertyKeys(JsonWriter& json, const VMDMotion& record) {
  json.Key("propertyKeys").BeginArray();
  for (const VMDPropertyFrame& f : record.propertyFrames) {
    json.BeginObject().Field("frame", f.frame).Field("shown", f.shown != 0);
    json.Key("ik").BeginObject();
    for (std::size_t i = f.firstSwitch; i < std::size_t{f.firstSwitch} + f.switchCount; ++i)
      json.Field(Utf16ToUtf8(record.ikSwitches[i].name), record.ikSwitches[i].enabled != 0);
    json.EndObject().EndObject();
  }
  json.EndArray();
}

void PrintMotion(const Motion& motion) {
  const Animation& animation = *motion.animation;
  std::size_t boneKeys = 0;
  for (const BoneTrack& track : animation.boneTracks) boneKeys += track.keys.size();
  std::size_t morphKeys = 0;
  for (const auto& [name, track] : animation.morphTracks) morphKeys += track.keys.size();
  // The latest key of any track (none: no keys, or only keys of bones the
  // model lacks), which is also where the pose evaluation loops.
  std::uint64_t latest = 0;
  const bool keyed = LatestKeyFrame(animation, latest);
  JsonWriter json;
  json.BeginObject();
  json.Field("boneKeys", boneKeys);
  json.Field("morphKeys", morphKeys);
  json.Field("boneTracks", animation.boneTracks.size());
  json.Field("morphTracks", animation.morphTracks.size());
  FieldOrNull(json, "lastKeyFrame", keyed, latest);
  FieldOrNull(json, "loopFrame", keyed, latest);
  json.Field("vmdHeader", motion.layout.vmdHeader);
  json.Key("endsInside");
  if (motion.layout.endsInside.empty()) {
    json.Null();
  } else {
    json.String(motion.layout.endsInside);
  }
  json.Field("boneRecordsCut", motion.layout.boneRecordsCut);
  json.Field("morphRecordsCut", motion.layout.morphRecordsCut);
  json.Field("propertySection", motion.layout.propertySection);
  json.Field("propertyKeysCut", motion.layout.propertyKeysCut);
  PrintPropertyKeys(json, motion.record);
  json.Key("ikBonesNotInModel").BeginArray();
  for (const IkSwitchTrack& track : animation.ikSwitchTracks)
    if (track.boneIndex < 0) json.String(track.boneName);
  json.EndArray();
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
      WarnAboutLayout(options->file, motion.layout);
      PrintMotion(motion);
      return kExitOk;
    }
    const double start = CpuSeconds();
    for (int i = 0; i < options->bench; ++i) motion = DecodeMotion(options->file, bones);
    PrintBench(options->bench, CpuSeconds() - start, motion.fileSize);
    return kExitOk;
  });
}

}  // namespace brivonel::tools
