#include "app/desktop_mascot_app.h"

#include <exception>

#include "app/error_text.h"
#include "app/resources.h"
#include "base/app_exception.h"
#include "base/error_codes.h"
#include "base/trace.h"

namespace brivonel {
namespace {

constexpr std::u16string_view kModelRequired = u"モデルデータ(PMD/PMX)が必要です";
constexpr std::u16string_view kMotionRequired = u"モーションデータ(VMD)が必要です";

const OpenFileDialogSetup& ModelDialogSetup() {
  static const OpenFileDialogSetup setup{u"MMD(*.pmx|*.pmd)", u"*.pmd;*.pmx",
                                         u"モデルデータを選んでください", true};
  return setup;
}

const OpenFileDialogSetup& MotionDialogSetup() {
  static const OpenFileDialogSetup setup{u"TovarleまたはVMD(*jpg|*.vmd)", u"*.jpeg;*.jpg;*.vmd",
                                         u"モーションデータを選んでください", true};
  return setup;
}

// A stall longer than this restarts the motion from its first frame.
constexpr std::uint64_t kMaxClockStep = 1000;

}  // namespace

DesktopMascotApp::DesktopMascotApp(const Platform& platform, IFileDecoders& decoders)
    : platform_(platform),
      decoders_(decoders),
      settings_(platform.profileStore, platform.folders, platform.messageBoxes) {
  lastTick_ = platform_.clock.NowMilliseconds();
}

DesktopMascotApp::~DesktopMascotApp() = default;

std::int32_t DesktopMascotApp::Initialise(const Rect& windowRect) {
  width_ = windowRect.right - windowRect.left;
  height_ = windowRect.bottom - windowRect.top;
  try {
    CreateDeviceObjects();
    platform_.presenter.CreateTextObjects();
    PrepareLayeredInfo(windowRect.left, windowRect.top);
    std::int32_t code = LoadStartupModel();
    if (code != error::kOk) throw AppException(code);
    code = PrepareShaders();
    if (code != error::kOk) throw AppException(code);
    code = LoadStartupMotion();
    if (code != error::kOk) throw AppException(code);
  } catch (const AppException& e) {
    ShowError(e.hr(), e.code());
    return e.code();
  } catch (const std::exception& e) {
    // Preparing a decoded model failed in a way the device did not report
    // (a bone number out of range, a shader file that could not be read).
    ShowStdError(e.what());
    return error::kLoadFailed;
  }
  return error::kOk;
}

void DesktopMascotApp::CreateDeviceObjects() {
  platform_.presenter.SetSampleCount(scene_.look().samples);
  GpuDeviceObjects gpu = platform_.presenter.CreateDeviceObjects(width_, height_);
  if (!gpu.device || !gpu.context) throw AppException(kEPointer, error::kDevice);
  scene_.Create(std::move(gpu), platform_.folders.ExecutableFolder(), width_, height_);
  ApplyModelSize();
  ApplyPhysics();
}

void DesktopMascotApp::PrepareLayeredInfo(std::int32_t x, std::int32_t y) {
  destination_ = {x, y};
  baseX_ = x;
}

std::int32_t DesktopMascotApp::Update() {
  if (powerState_ == kPowerAsleep) return error::kSkipFrame;
  if (powerState_ == kPowerWaking) {
    if (platform_.presenter.TestPresent() != kSOk) return error::kSkipFrame;
    powerState_ = kPowerRunning;
    platform_.window.ShowWindow();
  }
  AdvanceClock();
  if (Model* model = scene_.model().get()) {
    model->SetScreenPlacement(FigurePlacement());
    modelShift_ = model->Update(elapsed_);
  }
  return error::kOk;
}

Float2 DesktopMascotApp::FigurePlacement() const {
  // Where the window is put, less the shift that follows the dance's
  // sideways travel (the model adds that travel itself), in pixels of the
  // full-size figure that the model measures in: at a smaller display size
  // the same move on the screen is a longer one for the figure.
  const gpu::Viewport& viewport = scene_.viewport();
  const float scale = viewport.width > 0.0f ? static_cast<float>(width_) / viewport.width : 1.0f;
  return {static_cast<float>(baseX_) * scale, static_cast<float>(destination_.y) * scale};
}

void DesktopMascotApp::AdvanceClock() {
  const std::uint32_t now = platform_.clock.NowMilliseconds();
  // Unsigned 32-bit subtraction absorbs the counter's wrap-around.
  delta_ = static_cast<std::uint32_t>(now - static_cast<std::uint32_t>(lastTick_));
  elapsed_ += delta_;
  if (delta_ > kMaxClockStep) {
    delta_ = 0;
    elapsed_ = 0;
  }
  lastTick_ = now;
}

std::int32_t DesktopMascotApp::Render() {
  if (!scene_.gpu().context) return error::kOk;
  scene_.Draw();
  // The model keeps its centre in place by reporting its horizontal travel;
  // the window moves instead, from the place the last drag left it (a model
  // that does not travel leaves the window there).
  destination_.x = baseX_ + modelShift_;
  platform_.presenter.PresentFrame(destination_);
  return error::kOk;
}

std::int32_t DesktopMascotApp::OnLButtonDown(std::uintptr_t, std::int32_t x, std::int32_t y) {
  platform_.window.CaptureMouse();
  dragging_ = true;
  const Rect rect = platform_.window.WindowRect();
  const Point screen = platform_.window.ClientToScreen({x, y});
  grabX_ = screen.x - rect.left;
  grabY_ = screen.y - rect.top;
  return error::kOk;
}

std::int32_t DesktopMascotApp::OnMouseMove(std::uintptr_t, std::int32_t x, std::int32_t y) {
  if (!dragging_) return error::kNoValue;
  const Point screen = platform_.window.ClientToScreen({x, y});
  destination_ = {screen.x - grabX_, screen.y - grabY_};
  // The place the dance's sideways travel is measured from moves with the
  // window, so the figure stays where it is dropped.
  baseX_ = destination_.x - modelShift_;
  return error::kOk;
}

std::int32_t DesktopMascotApp::OnLButtonUp(std::uintptr_t, std::int32_t, std::int32_t) {
  platform_.window.ReleaseMouse();
  dragging_ = false;
  return error::kOk;
}

std::int32_t DesktopMascotApp::OnSize(std::int32_t width, std::int32_t height) {
  // A minimised window reports no area: keep drawing at the last size.
  if (width < 1 || height < 1 || (width == width_ && height == height_)) return error::kOk;
  width_ = width;
  height_ = height;
  platform_.presenter.ResizeBuffers(width, height);
  scene_.Resize(width, height);
  return error::kOk;
}

void DesktopMascotApp::OnSleep() {
  powerState_ = kPowerAsleep;
  Trace(">> OnSleep!\n");
}

void DesktopMascotApp::OnWakeUp() {
  powerState_ = kPowerWaking;
  Trace(">> OnWakeUp!\n");
}

void DesktopMascotApp::ChangeModelSize(std::int32_t size) {
  settings_.SetModelSize(size);
  ApplyModelSize();
}

void DesktopMascotApp::ApplyModelSize() {
  std::int32_t size = 0;
  if (!settings_.GetModelSize(size)) size = 1;
  for (int item = command::kSizeLarge; item <= command::kSizeSmall; ++item) {
    platform_.menuChecks.SetChecked(item, item == command::SizeItemOfDisplaySize(size));
  }
  scene_.SetDisplaySize(size);
}

void DesktopMascotApp::TogglePhysics() {
  settings_.SetPhysicsOn(!settings_.PhysicsOn());
  ApplyPhysics();
}

void DesktopMascotApp::ApplyPhysics() {
  const bool on = settings_.PhysicsOn();
  platform_.menuChecks.SetChecked(command::kPhysics, on);
  scene_.SetPhysics(on ? platform_.physics : nullptr);
}

void DesktopMascotApp::ShowError(HResult hr, std::int32_t code) {
  const std::optional<std::u16string> text = platform_.strings.Load(code);
  platform_.messageBoxes.Show(MessageOwner::kWindow, FormatErrorMessage(text, hr, code),
                              kErrorCaption, MessageStyle::kError);
}

void DesktopMascotApp::ShowStdError(std::string_view text) {
  platform_.messageBoxes.Show(MessageOwner::kWindow, StdErrorText(text), kErrorCaption,
                              MessageStyle::kError);
}

void DesktopMascotApp::Shutdown() {}

std::int32_t DesktopMascotApp::DecodeModelFile(const std::u16string& path,
                                               std::shared_ptr<Model>& model,
                                               ModelFileKind kind) {
  try {
    return CodeOfDecodeResult(decoders_.DecodeModel(path, model, kind));
  } catch (const AppException&) {
    throw;  // fatal graphics errors (textures) end the load
  } catch (const std::exception& e) {
    // A file that ends early, or any other fault in the file: a failed attempt.
    TraceFormat("model file not loaded: %s\n", e.what());
    return error::kLoadFailed;
  }
}

std::int32_t DesktopMascotApp::LoadStartupModel() {
  std::int32_t result = error::kLoadFailed;
  std::shared_ptr<Model> model = scene_.NewModel();
  std::u16string path;
  if (settings_.GetModelPath(path)) {
    const std::u16string extension = FileExtension(path);
    if (extension == u".pmd") {
      result = DecodeModelFile(path, model, ModelFileKind::kPmd);
    } else if (extension == u".pmx") {
      result = DecodeModelFile(path, model, ModelFileKind::kPmx);
    }
  }
  if (result != error::kOk) {
    platform_.messageBoxes.Show(MessageOwner::kWindow, kModelRequired, u"",
                                MessageStyle::kPlain);
    result = ChooseModelFile(model);
  }
  if (result == error::kOk) scene_.Install(model);
  return result;
}

std::int32_t DesktopMascotApp::ChooseModelFile(std::shared_ptr<Model>& model) {
  OpenFileDialogBuffers buffers;
  std::int32_t result = error::kLoadFailed;
  do {
    if (!platform_.fileDialog.ShowOpen(ModelDialogSetup(), buffers)) {
      return error::kModelDialogCancelled;
    }
    const std::u16string extension = FileExtension(buffers.fileTitle);
    if (extension == u".pmd") {
      result = DecodeModelFile(buffers.file, model, ModelFileKind::kPmd);
    } else if (extension == u".pmx") {
      result = DecodeModelFile(buffers.file, model, ModelFileKind::kPmx);
    }
  } while (result != error::kOk);
  settings_.SetModelPath(buffers.file);
  return error::kOk;
}

std::int32_t DesktopMascotApp::PrepareShaders() {
  if (!scene_.Prepare(*scene_.model())) return error::kShaders;
  return error::kOk;
}

std::int32_t DesktopMascotApp::DecodeMotionFile(const std::u16string& path,
                                                std::shared_ptr<Animation>& animation) {
  try {
    return CodeOfDecodeResult(decoders_.DecodeMotion(path, animation, scene_.model()->bones));
  } catch (const AppException&) {
    throw;
  } catch (const std::exception& e) {
    TraceFormat("motion file not loaded: %s\n", e.what());
    return error::kLoadFailed;
  }
}

std::int32_t DesktopMascotApp::LoadStartupMotion() {
  std::int32_t result = error::kLoadFailed;
  auto animation = std::make_shared<Animation>();
  std::u16string path;
  // The remembered path goes to the decoder whatever its extension.
  if (settings_.GetMotionPath(path)) result = DecodeMotionFile(path, animation);
  if (result != error::kOk) {
    platform_.messageBoxes.Show(MessageOwner::kWindow, kMotionRequired, u"",
                                MessageStyle::kPlain);
    result = ChooseMotionFile(animation);
  }
  if (result == error::kOk) scene_.model()->animation = animation;
  BindMorphTracks();
  return result;
}

std::int32_t DesktopMascotApp::ChooseMotionFile(std::shared_ptr<Animation>& animation) {
  OpenFileDialogBuffers buffers;
  std::int32_t result = error::kLoadFailed;
  do {
    if (!platform_.fileDialog.ShowOpen(MotionDialogSetup(), buffers)) {
      return error::kMotionDialogCancelled;
    }
    // The filter also offers pictures; only ".vmd" files are motions.
    if (FileExtension(buffers.fileTitle) == u".vmd") {
      result = DecodeMotionFile(buffers.file, animation);
    }
  } while (result != error::kOk);
  settings_.SetMotionPath(buffers.file);
  return error::kOk;
}

void DesktopMascotApp::BindMorphTracks() {
  if (scene_.model()) Scene::SetMotion(*scene_.model(), scene_.model()->animation);
}

void DesktopMascotApp::ChangeModel() {
  std::shared_ptr<Model> model = scene_.NewModel();
  try {
    std::int32_t code = ChooseModelFile(model);
    if (code != error::kOk) throw AppException(code);
    // From here on the new model is the current one; until it is complete
    // its loading flag keeps it from being updated and drawn.
    scene_.Install(model);
    model->loading = true;
    code = PrepareShaders();
    if (code != error::kOk) throw AppException(code);
    code = LoadStartupMotion();
    if (code != error::kOk) throw AppException(code);
    model->loading = false;
  } catch (const AppException& e) {
    ShowError(e.hr(), e.code());
  } catch (const std::exception& e) {
    ShowStdError(e.what());
  }
}

void DesktopMascotApp::ChangeMotion() {
  if (!scene_.model()) return;
  auto animation = std::make_shared<Animation>();
  try {
    const std::int32_t code = ChooseMotionFile(animation);
    if (code != error::kOk) throw AppException(code);
  } catch (const AppException& e) {
    ShowError(e.hr(), e.code());
    return;  // the current motion goes on
  }
  Scene::SetMotion(*scene_.model(), animation);
  elapsed_ = 0;
}

}  // namespace brivonel
