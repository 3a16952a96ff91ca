// brivonel-inspect pose MODEL MOTION [--physics] --ms T [--ms T2 ...] [--bones NAME,NAME]
// brivonel-inspect pose MODEL MOTION [--physics] --bench N
//
// Poses the model with the motion as the running program does (fixed camera
// and projection, a 960 x 1040 viewport) at each given elapsed time in
// order, and prints one JSON object per time with the frame, the window
// shift, the bones' model-space positions and the weights of the morphs the
// motion moves. --bench N plays N frames 33 ms apart and prints the cost of
// Update per frame. With --physics the rigid bodies are simulated from 0 ms,
// one frame every 33 ms of the motion, up to each time in turn (the times
// must then increase).
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>

#include "base/unicode.h"
#include "formats/vmd_decoder.h"
#include "model/scene.h"
#include "physics/bullet/bullet_engine.h"
#include "render/null_gpu.h"
#include "tools/inspect/inspect_support.h"
#include "tools/inspect/json_writer.h"

namespace brivonel::tools {
namespace {

constexpr std::int32_t kViewportWidth = 960;
constexpr std::int32_t kViewportHeight = 1040;
constexpr std::uint64_t kMillisecondsPerFrame = 33;

struct PoseOptions {
  std::string model;
  std::string motion;
  std::vector<std::uint64_t> times;
  std::vector<std::string> bones;  // empty: every bone
  int bench = 0;
  bool physics = false;
};

std::optional<std::uint64_t> ParseMilliseconds(const std::string& text) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::vector<std::string> SplitNames(const std::string& list) {
  std::vector<std::string> names;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = list.find(',', start);
    names.push_back(list.substr(start, comma - start));
    if (comma == std::string::npos) return names;
    start = comma + 1;
  }
}

std::optional<PoseOptions> ParsePoseOptions(const std::vector<std::string>& args) {
  auto usage = [](const std::string& problem) -> std::optional<PoseOptions> {
    ReportUsage(problem);
    return std::nullopt;
  };
  PoseOptions options;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--ms") {
      const std::optional<std::uint64_t> ms = hasValue ? ParseMilliseconds(args[++i]) : std::nullopt;
      if (!ms) return usage("--ms needs a whole number of milliseconds");
      options.times.push_back(*ms);
    } else if (arg == "--bones") {
      if (!hasValue) return usage("--bones needs NAME,NAME");
      for (const std::string& name : SplitNames(args[++i])) {
        if (name.empty()) return usage("--bones needs NAME,NAME without empty names");
        options.bones.push_back(name);
      }
    } else if (arg == "--physics") {
      options.physics = true;
    } else if (arg == "--bench") {
      const std::optional<int> count = hasValue ? ParseCount(args[++i]) : std::nullopt;
      if (!count) return usage("--bench needs a count from 1 to 1000000");
      options.bench = *count;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usage("unknown option " + arg);
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 2) return usage("pose needs MODEL and MOTION");
  if (options.times.empty() && options.bench == 0)
    return usage("pose needs --ms T (once or more) or --bench N");
  if (!options.times.empty() && options.bench != 0)
    return usage("pose takes --ms T or --bench N, not both");
  if (options.bench != 0 && !options.bones.empty())
    return usage("--bones goes with --ms, not with --bench");
  if (options.physics && !std::is_sorted(options.times.begin(), options.times.end()))
    return usage("--physics needs the --ms times in increasing order");
  options.model = files[0];
  options.motion = files[1];
  return options;
}

// Bones to report: every bone, or the named ones in the order named. A name
// that repeats in the model is reported once per bone, the later ones as
// "NAME#NUMBER".
std::vector<std::pair<std::string, std::size_t>> ChooseBones(const Model& model,
                                                             const std::vector<std::string>& names) {
  std::vector<std::pair<std::string, std::size_t>> chosen;
  if (names.empty()) {
    std::map<std::u16string, int> seen;
    for (std::size_t i = 0; i < model.bones.size(); ++i) {
      std::string label = Utf16ToUtf8(model.bones[i].name);
      if (seen[model.bones[i].name]++ > 0) label.append("#").append(std::to_string(i));
      chosen.emplace_back(label, i);
    }
    return chosen;
  }
  for (const std::string& name : names) {
    const std::u16string wide = Utf8ToUtf16(name);
    std::size_t i = 0;
    while (i < model.bones.size() && model.bones[i].name != wide) ++i;
    if (i == model.bones.size()) throw InspectError("no bone named " + name);
    chosen.emplace_back(name, i);
  }
  return chosen;
}

void PrintPose(const Model& model, std::uint64_t ms, int shift,
               const std::vector<std::pair<std::string, std::size_t>>& bones) {
  JsonWriter json;
  json.BeginObject();
  json.Field("ms", ms);
  json.Field("frame", model.animation->currentFrame);
  json.Field("shift", shift);
  json.Key("bones").BeginObject();
  for (const auto& [label, index] : bones) {
    const Matrix4& world = model.bones[index].worldMatrix;
    json.Key(label).BeginArray();
    for (int c = 0; c < 3; ++c) json.Number(world.m[3][c]);
    json.EndArray();
  }
  json.EndObject();
  // The model's morphs that the motion gives a weight other than 0.
  json.Key("morphs").BeginObject();
  for (const auto& [name, track] : model.animation->morphTracks)
    if (track.morph != nullptr && track.weight != 0.0f) json.Key(Utf16ToUtf8(name)).Number(track.weight);
  json.EndObject();
  json.EndObject();
  std::printf("%s\n", json.text().c_str());
}

}  // namespace

int RunPoseCommand(const std::vector<std::string>& args) {
  const std::optional<PoseOptions> options = ParsePoseOptions(args);
  if (!options) return kExitUsage;

  std::shared_ptr<Model> model;
  int result = RunGuarded(options->model, [&] {
    model = DecodeModelFile(options->model, TextureLoading::kSkip).model;
    return kExitOk;
  });
  if (result != kExitOk) return result;
  result = RunGuarded(options->motion, [&] {
    auto animation = std::make_shared<Animation>();
    const MappedFile bytes =
        MapInspectedFile(Utf8ToUtf16(options->motion), kMaxMotionFileBytes, "motion");
    VMDMotion motion;
    VMDDecoder::Read(bytes.bytes(), motion);
    VMDDecoder::Build(motion, *animation, model->bones);
    model->animation = animation;
    return kExitOk;
  });
  if (result != kExitOk) return result;

  return RunGuarded(options->model, [&] {
    // The program's scene on a device that draws nothing.
    auto gpu = std::make_shared<gpu::NullGpu>();
    physics::BulletEngine engine;
    Scene scene;
    scene.Create({gpu, gpu, u""}, u"", kViewportWidth, kViewportHeight);
    if (options->physics) scene.SetPhysics(&engine);
    scene.UseDevice(*model);
    scene.Install(model);
    scene.Prepare(*model);
    Scene::SetMotion(*model, model->animation);

    if (options->bench == 0) {
      const auto bones = ChooseBones(*model, options->bones);
      std::uint64_t simulated = 0;
      for (std::uint64_t ms : options->times) {
        // The frames before the moment, as the program would have run them.
        for (; options->physics && simulated < ms; simulated += kMillisecondsPerFrame)
          model->Update(simulated);
        const int shift = model->Update(ms);
        PrintPose(*model, ms, shift, bones);
      }
      return kExitOk;
    }
    double seconds = 0.0;
    for (int frame = 0; frame < options->bench; ++frame) {
      const double start = CpuSeconds();
      model->Update(static_cast<std::uint64_t>(frame) * kMillisecondsPerFrame);
      seconds += CpuSeconds() - start;
    }
    JsonWriter json;
    json.BeginObject();
    json.Field("frames", options->bench);
    json.Field("usPerFrame", seconds * 1e6 / options->bench);
    json.EndObject();
    std::printf("%s\n", json.text().c_str());
    return kExitOk;
  });
}

}  // namespace brivonel::tools
