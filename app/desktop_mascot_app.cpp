#include "app/desktop_mascot_app.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "app/error_text.h"
#include "app/figure_scale.h"
#include "app/model_files.h"
#include "app/resources.h"
#include "app/window_place.h"
#include "base/app_exception.h"
#include "base/error_codes.h"
#include "base/trace.h"

namespace brivonel {
namespace {

// A stall longer than this restarts the motion from its first frame.
constexpr std::uint64_t kMaxClockStep = 1000;

// The key-state flag of Ctrl in a mouse message, and one notch of a wheel.
constexpr std::uintptr_t kControlKey = 0x0008;
constexpr std::int32_t kWheelNotch = 120;

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
  return ShowingFailure([&] {
    CreateDeviceObjects();
    platform_.presenter.CreateTextObjects();
    PrepareLayeredInfo(windowRect.left, windowRect.top);
    const std::int32_t code = LoadStartupModel();
    return code != error::kOk ? code : PrepareModelAndMotion();
  });
}

void DesktopMascotApp::CreateDeviceObjects() {
  platform_.presenter.SetSampleCount(scene_.look().samples);
  GpuDeviceObjects gpu = platform_.presenter.CreateDeviceObjects(width_, height_);
  if (!gpu.device || !gpu.context) throw AppException(kEPointer, error::kDevice);
  scene_.Create(std::move(gpu), platform_.folders.ExecutableFolder(), width_, height_);
  ApplyModelSize();
  ApplyPhysics();
  ApplyLookAt();
  ApplyShuffle();
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
    FeedPointer(*model);
    AdvancePlaylist(*model);
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
  dragMoved_ = true;
  // The place the dance's sideways travel is measured from moves with the
  // window, so the figure stays where it is dropped.
  baseX_ = destination_.x - modelShift_;
  return error::kOk;
}

std::int32_t DesktopMascotApp::OnLButtonUp(std::uintptr_t, std::int32_t, std::int32_t) {
  platform_.window.ReleaseMouse();
  const bool dropped = dragging_ && dragMoved_;
  dragging_ = false;
  dragMoved_ = false;
  if (dropped) {
    FitToMonitor();
    // Where the figure stands without its dance's travel: a restart begins
    // the dance there.
    settings_.SetWindowPlace({baseX_, destination_.y});
  }
  return error::kOk;
}

void DesktopMascotApp::FitToMonitor() {
  // Not before the window has its size, nor under the user's hand.
  if (platform_.monitors == nullptr || width_ <= 0 || height_ <= 0 || dragging_) return;
  const std::vector<MonitorArea> monitors = platform_.monitors->Monitors();
  const Rect window{destination_.x, destination_.y, destination_.x + width_,
                    destination_.y + height_};
  const Rect fitted = FittedWindowRect(window, monitors);
  if (fitted == window) return;
  destination_ = {fitted.left, fitted.top};
  baseX_ = destination_.x - modelShift_;
  const std::int32_t width = fitted.right - fitted.left;
  const std::int32_t height = fitted.bottom - fitted.top;
  if (width != width_ || height != height_) {
    platform_.monitors->PlaceWindow(fitted);
    OnSize(width, height);
  }
}

std::int32_t DesktopMascotApp::OnMouseWheel(std::uintptr_t keys, std::int32_t delta) {
  if ((keys & kControlKey) == 0) {
    wheel_ = 0;
    return error::kNoValue;
  }
  wheel_ += std::clamp(delta, -kWheelNotch * kLargestScale, kWheelNotch * kLargestScale);
  const std::int32_t notches = wheel_ / kWheelNotch;
  wheel_ %= kWheelNotch;
  const std::int32_t scale = SteppedScale(scalePercent_, notches);
  if (notches != 0 && scale != scalePercent_) ChangeScale(scale);
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
  // The scale goes with the size, so that a scale left from the wheel does
  // not outlive the choice.
  if (settings_.SetModelSize(size)) settings_.SetScale(PercentOfSize(size));
  scalePercent_ = PercentOfSize(size);
  ApplyScale();
}

void DesktopMascotApp::ChangeScale(std::int32_t percent) {
  scalePercent_ = std::clamp(percent, kSmallestScale, kLargestScale);
  std::int32_t size = 0;
  const bool sizeValid = settings_.GetModelSize(size);
  const std::int32_t nearest = SizeNearestTo(scalePercent_);
  if (settings_.SetScale(scalePercent_) && (!sizeValid || size != nearest))
    settings_.SetModelSize(nearest);
  ApplyScale();
}

void DesktopMascotApp::ApplyModelSize() {
  std::int32_t size = 0;
  const bool sizeValid = settings_.GetModelSize(size);
  scalePercent_ = ResolvedScale(sizeValid ? std::optional(size) : std::nullopt, settings_.Scale());
  ApplyScale();
}

void DesktopMascotApp::ApplyScale() {
  // A scale between the menu's sizes checks none of them.
  const std::int32_t size = SizeOfPercent(scalePercent_);
  for (int item = command::kSizeLarge; item <= command::kSizeSmall; ++item) {
    platform_.menuChecks.SetChecked(item, size != 0 && item == command::SizeItemOfDisplaySize(size));
  }
  scene_.SetDisplayScale(static_cast<float>(scalePercent_) / 100.0f);
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

void DesktopMascotApp::ToggleLookAt() {
  settings_.SetLookAtOn(!settings_.LookAtOn());
  ApplyLookAt();
}

void DesktopMascotApp::ApplyLookAt() {
  lookAtOn_ = settings_.LookAtOn();
  platform_.menuChecks.SetChecked(command::kLookAt, lookAtOn_);
}

void DesktopMascotApp::ShowError(HResult hr, std::int32_t code) {
  const std::optional<std::u16string> text = platform_.strings.Load(code);
  platform_.messageBoxes.Show(MessageOwner::kWindow, FormatErrorMessage(text, hr, code),
                              MessageText(Message::kErrorCaption), MessageStyle::kError);
}

void DesktopMascotApp::ShowStdError(std::string_view text) {
  platform_.messageBoxes.Show(MessageOwner::kWindow, StdErrorText(text),
                              MessageText(Message::kErrorCaption), MessageStyle::kError);
}

std::int32_t DesktopMascotApp::ShowingFailure(const std::function<std::int32_t()>& steps) {
  try {
    const std::int32_t code = steps();
    if (code != error::kOk) ShowError(kSOk, code);
    return code;
  } catch (const FileLoadException& e) {
    ShowLoadFailure(e.code(), e.file(), e.reason(), e.hr());
    return e.code();
  } catch (const AppException& e) {
    ShowError(e.hr(), e.code());
    return e.code();
  } catch (const std::exception& e) {
    // A fault no code names, such as preparing a decoded model failing
    // where the device did not report it (a bone number out of range, a
    // shader file that could not be read).
    ShowStdError(e.what());
    return error::kLoadFailed;
  }
}

void DesktopMascotApp::Shutdown() {}

}  // namespace brivonel
