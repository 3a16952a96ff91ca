// One frame of the whole program, run headless: the application object
// starts with the model and motion as its remembered files, its clock is
// moved to the requested time, and the frame it presents is written out.
#include <algorithm>
#include <exception>
#include <filesystem>
#include <ostream>

#include "app/desktop_mascot_app.h"
#include "app/model_files.h"
#include "base/app_exception.h"
#include "base/unicode.h"
#include "model/model_setup.h"
#include "tools/common/tool_messages.h"
#include "tools/snapshot/headless_platform.h"
#include "tools/snapshot/recording_decoders.h"
#include "tools/snapshot/snapshot.h"

namespace brivonel::snapshot {
namespace {

// The clock moves to the requested time frame by frame, as the program's
// does, so that the rigid bodies swing as they would have by then; the pose
// does not depend on drawing, so only the last frame is drawn.
constexpr std::uint32_t kFrameStep = 33;

// Whether the folder holds the three shader files (existing is enough:
// whether the device accepts them is another question).
bool HasShaderFiles(const std::u16string& folder, const std::u16string& extension) {
  std::error_code ignored;
  for (const char16_t* name : {kVertexShaderName, kTexturedPixelShaderName, kPlainPixelShaderName}) {
    if (!std::filesystem::exists(ToFsPath(folder + name + extension), ignored)) return false;
  }
  return true;
}

// The text of the last error box, on one line.
std::string LastBoxText(const RememberedMessageBoxes& boxes, std::int32_t code) {
  if (boxes.texts.empty()) return "error " + std::to_string(code);
  std::string text = Utf16ToUtf8(boxes.texts.back());
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

// Why the program stopped, for a start-up that returned code.
FileFailure DescribeStartFailure(std::int32_t code, const Options& options,
                                 const std::u16string& shaderFolder, const DesktopMascotApp& app,
                                 const RecordingDecoders& decoders, ISnapshotBackend& backend,
                                 const RememberedMessageBoxes& boxes) {
  if (decoders.failure()) return *decoders.failure();
  const std::string model = Utf16ToUtf8(options.model);
  const std::u16string& extension = app.scene().gpu().shaderFileExtension;
  const FileFailure shaderRefused = {
      Utf16ToUtf8(shaderFolder),
      "a shader file is refused by " + backend.DeviceName() + ": " + LastBoxText(boxes, code)};
  switch (code) {
    case error::kDevice:
      // The device itself, or (the pixel shader pool's code) a refused shader.
      if (!backend.DeviceFailure().empty()) return {backend.DeviceName(), backend.DeviceFailure()};
      return shaderRefused;
    case error::kShaders:
      if (HasShaderFiles(shaderFolder, extension)) return shaderRefused;
      return {Utf16ToUtf8(shaderFolder), "holds no shader files (" +
                                             Utf16ToUtf8(kVertexShaderName) +
                                             Utf16ToUtf8(extension) + " and the pixel shaders)"};
    case error::kBuffers:
      return {model, "its GPU buffers cannot be created"};
    case error::kModelDialogCancelled:
      return {model, "cannot be loaded"};
    case error::kMotionDialogCancelled:
      return {Utf16ToUtf8(options.motion), "cannot be loaded"};
    default:
      return {model, LastBoxText(boxes, code)};
  }
}

// A snapshot is one frame: it is antialiased whatever the device, since
// the cost that makes software rendering draw with one sample does not
// matter here.
Look LookOf(const Options& options) {
  if (options.flat) return Look::Plain();
  Look look;
  look.samples = kAntialiasingSamples;
  return look;
}

}  // namespace

int Run(const Options& options, const std::u16string& shaderFolder, ISnapshotBackend& backend,
        std::ostream& out, std::ostream& err) {
  const auto fail = [&err](const FileFailure& failure) {
    err << "brivonel-snapshot: " << failure.file << ": " << failure.what << "\n";
    return 1;
  };
  // The program asks for another file when a name has the wrong extension;
  // a tool can only say so.
  if (!ModelFileKindOf(options.model))
    return fail({Utf16ToUtf8(options.model),
                 "is not a model file (the name must end in .pmx or .pmd)"});
  if (!options.motion.empty() && FileExtension(options.motion) != u".vmd")
    return fail({Utf16ToUtf8(options.motion),
                 "is not a motion file (the name must end in .vmd)"});

  backend.InstallImageLoaders();
  HeadlessPlatform headless(shaderFolder);
  headless.store.values[u"Model"] = options.model;
  headless.store.values[u"Motion"] = options.motion.empty() ? kRestPose : options.motion;
  headless.store.values[u"ModelSize"] = std::u16string(1, static_cast<char16_t>(u'0' + options.displaySize));
  headless.store.values[u"Physics"] = options.physics ? u"1" : u"0";
  headless.window.rect = {0, 0, options.width, options.height};
  RecordingDecoders decoders;

  std::uint32_t frameNumber = 0;
  int shift = 0;
  {
    DesktopMascotApp app(headless.With(backend.presenter()), decoders);
    app.SetLook(LookOf(options));
    const std::int32_t code = app.Initialise(headless.window.rect);
    if (code != error::kOk)
      return fail(DescribeStartFailure(code, options, shaderFolder, app, decoders, backend,
                                       headless.boxes));
    // The program draws a material whose texture is missing without it, in
    // silence; the tool names each missing file.
    for (const TextureLookup& missing : app.model()->texturePool.NotFound()) {
      err << "brivonel-snapshot: " << Utf16ToUtf8(options.model) << ": "
          << tools::MissingTextureWarning(missing) << "\n";
    }
    try {
      std::uint64_t remaining = options.milliseconds;
      bool updated = false;
      do {
        const auto step = static_cast<std::uint32_t>(std::min<std::uint64_t>(remaining, kFrameStep));
        headless.clock.now += step;
        remaining -= step;
        updated = app.Update() == error::kOk;
      } while (remaining > 0);
      if (updated) app.Render();
    } catch (const AppException& e) {
      return fail({Utf16ToUtf8(options.model), "cannot be drawn: error " + std::to_string(e.code()) +
                                                    " (" + tools::HexResult(e.hr()) + ")"});
    } catch (const std::exception& e) {
      return fail({Utf16ToUtf8(options.model), std::string("cannot be drawn: ") + e.what()});
    }
    if (app.model()->animation) frameNumber = app.model()->animation->currentFrame;
    shift = app.modelShift();
  }

  const std::vector<std::uint8_t>& pixels = backend.frame();
  std::vector<std::uint8_t> rgba;
  ToStraightRgba(pixels, rgba);
  std::string error;
  if (!backend.WritePng(options.out, options.width, options.height, rgba, &error))
    return fail({Utf16ToUtf8(FromFsPath(options.out)), error});  // any name, on every system
  out << ResultLine(frameNumber, shift, MeasureCoverage(pixels, options.width, options.height))
      << "\n";
  return 0;
}

}  // namespace brivonel::snapshot
