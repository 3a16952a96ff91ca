#pragma once
// The one application object: it owns the settings, the graphics device, the
// current model with its motion, the animation clock, the drag state and
// the power state. The platform front creates it, calls Initialise, then
// Update and Render on every idle turn of its loop, and forwards mouse,
// power and menu events to it. Everything runs on one thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/messages.h"
#include "app/model_files.h"
#include "app/platform/platform.h"
#include "app/playlist.h"
#include "app/settings.h"
#include "base/math.h"
#include "model/model.h"
#include "model/scene.h"

namespace brivonel {

// powerState values.
enum PowerState : std::uint32_t { kPowerRunning = 0, kPowerAsleep = 1, kPowerWaking = 2 };

class DesktopMascotApp {
 public:
  // Constructs the settings (which find and create their folder, showing a
  // box without owner on failure) and reads the clock.
  DesktopMascotApp(const Platform& platform, IFileDecoders& decoders);
  virtual ~DesktopMascotApp();
  DesktopMascotApp(const DesktopMascotApp&) = delete;
  DesktopMascotApp& operator=(const DesktopMascotApp&) = delete;

  // Creates the device objects, the presentation objects and the layered
  // window record for the window at windowRect (screen pixels), then loads
  // the start-up model, its shaders and the start-up motion. 0 on success;
  // otherwise the failure's code, after its error box has been shown.
  virtual std::int32_t Initialise(const Rect& windowRect);
  // 0 when this turn is to be rendered; 1202 while asleep or waking.
  virtual std::int32_t Update();
  // Draws and presents one frame; always 0. Throws AppException (1200).
  virtual std::int32_t Render();
  virtual std::int32_t OnLButtonDown(std::uintptr_t keys, std::int32_t x, std::int32_t y);
  virtual std::int32_t OnLButtonUp(std::uintptr_t keys, std::int32_t x, std::int32_t y);
  // 1201 when no drag is in progress.
  virtual std::int32_t OnMouseMove(std::uintptr_t keys, std::int32_t x, std::int32_t y);
  // The window's client area is now width x height pixels: the surface,
  // the projection, the viewport and the model follow.
  virtual std::int32_t OnSize(std::int32_t width, std::int32_t height);
  // The mouse wheel over the figure, delta in 120ths of a notch (positive
  // away from the user): with Ctrl held it scales the figure a step a notch
  // (kNoValue without Ctrl).
  std::int32_t OnMouseWheel(std::uintptr_t keys, std::int32_t delta);
  // The monitors changed (added, removed, another scale): the window takes
  // the size of the one it is on and comes back inside when lost.
  void FitToMonitor();

  void OnSleep();
  void OnWakeUp();
  // Menu commands; they show their own errors.
  void ChangeModel();
  void ChangeMotion();
  void ChangeModelSize(std::int32_t size);
  void ApplyModelSize();
  // The figure's scale in percent of the large size, as Ctrl + the wheel
  // sets it; written to the settings with the nearest menu size.
  void ChangeScale(std::int32_t percent);
  // The menu's physics item: turns the simulation of hair and skirts off or
  // on, and remembers the choice.
  void TogglePhysics();
  void ApplyPhysics();
  // The menu's look-at item: the head follows the pointer, or just dances;
  // the choice is remembered.
  void ToggleLookAt();
  void ApplyLookAt();
  // The menu's shuffle item: the playlist's next motions come in random
  // order, or in the chosen order; the choice is remembered.
  void ToggleShuffle();
  void ApplyShuffle();
  void ShowError(HResult hr, std::int32_t code);
  void ShowStdError(std::string_view text);
  void Shutdown();
  void AdvanceClock();

  // Loading steps (model_loading.cpp); each returns 0 or an application code.
  std::int32_t LoadStartupModel();
  std::int32_t ChooseModelFile(std::shared_ptr<Model>& model);
  std::int32_t DecodeModelFile(const std::u16string& path, std::shared_ptr<Model>& model,
                               ModelFileKind kind);
  std::int32_t PrepareShaders();
  std::int32_t LoadStartupMotion();
  std::int32_t ChooseMotionFile(std::shared_ptr<Animation>& animation);
  std::int32_t DecodeMotionFile(const std::u16string& path,
                                std::shared_ptr<Animation>& animation);
  void BindMorphTracks();

  Settings& settings() { return settings_; }
  const std::shared_ptr<Model>& model() const { return scene_.model(); }
  std::uint32_t powerState() const { return powerState_; }
  std::uint64_t elapsed() const { return elapsed_; }
  std::uint64_t delta() const { return delta_; }
  bool dragging() const { return dragging_; }
  // Where the window's top-left corner goes at the next frame.
  Point destination() const { return destination_; }
  std::int32_t baseX() const { return baseX_; }
  std::int32_t modelShift() const { return modelShift_; }
  std::int32_t scalePercent() const { return scalePercent_; }
  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  const gpu::Viewport& viewport() const { return scene_.viewport(); }
  const Matrix4& projection() const { return scene_.frame().projection; }
  const Matrix4& view() const { return scene_.frame().view; }
  const Scene& scene() const { return scene_; }
  // The motions playing one after another (one or none: a single motion).
  const Playlist& playlist() const { return playlist_; }
  // How the character is drawn; before Initialise for the sample count to
  // reach the surface.
  void SetLook(const Look& look) { scene_.SetLook(look); }

 private:
  void CreateDeviceObjects();
  Float2 FigurePlacement() const;
  void PrepareLayeredInfo(std::int32_t x, std::int32_t y);
  // The viewport and the size items' check marks for scalePercent_.
  void ApplyScale();
  // The playlist (app/playlist_playing.cpp). Plays the list's motions in
  // turn from its next item on until one loads into animation (and
  // becomes the playlist); items that do not load are skipped with a trace
  // line. 0, or the last item's failure; `tried` names that item.
  std::int32_t StartPlaylist(Playlist list, std::shared_ptr<Animation>& animation,
                             std::u16string& tried);
  // Writes the chosen motions: several as the playlist (its first as the
  // motion), one as the motion alone (a remembered list is removed).
  void RememberMotions(const std::vector<std::u16string>& files);
  // The remembered list when it goes with the remembered motion, else that
  // motion alone.
  Playlist RememberedPlaylist(const std::u16string& motion);
  // The model's motion starts now, alone.
  void StartMotion(Model& model, std::shared_ptr<Animation> animation);
  // Hands over to the next motion once the current one has played through,
  // and gives the model this frame's cross-fade.
  void AdvancePlaylist(Model& model);
  void PlayNextItem(Model& model);
  // Tells the model where the pointer is, in its screen pixels
  // (app/look_at_input.cpp).
  void FeedPointer(Model& model);
  // Runs steps that return 0 or an application code, and shows in one error
  // box what ended them: the code they returned, an AppException's code and
  // hr, or a standard exception's text (then 1203). The code; 0 when the
  // steps ran to their end.
  std::int32_t ShowingFailure(const std::function<std::int32_t()>& steps);
  // Prepares the current model's shaders, then gives it the remembered motion.
  std::int32_t PrepareModelAndMotion();
  // The box before the dialog when no remembered file loads: which file the
  // program needs, and which file it tried and why that failed.
  void ShowFileNeeded(Message needed, std::u16string_view triedFile);
  // The box after a chosen file failed: the code's text, the file, the reason.
  void ShowLoadFailure(std::int32_t code, std::u16string_view file, std::string_view reason,
                       HResult hr = kSOk);
  // Keeps why path could not be used (code) for the boxes.
  void NoteRefusal(std::int32_t code, const std::u16string& path);
  // The dialogs, opening in the current file's folder or the samples'.
  OpenFileDialogSetup ModelDialogSetup();
  OpenFileDialogSetup MotionDialogSetup();
  std::u16string DialogFolder(std::u16string_view currentFile);
  // The bundled sample's file `name` when there is one beside the program.
  std::optional<std::u16string> FirstStartSample(std::u16string_view name);
  // Decodes path with the model decoder that name's extension asks for;
  // 1203 when it asks for none.
  std::int32_t DecodeModelFileNamed(const std::u16string& path, std::u16string_view name,
                                    std::shared_ptr<Model>& model);
  // Shows the dialog until load accepts the choice, which remember then
  // writes to the settings (0), or until the user cancels (cancelled). The
  // buffers keep the last choice, so a repeated dialog opens on it; load
  // puts the file it could not use in buffers.file.
  std::int32_t ChooseUntilLoaded(
      const OpenFileDialogSetup& setup, std::int32_t cancelled,
      const std::function<void(const OpenFileDialogBuffers&)>& remember,
      const std::function<std::int32_t(OpenFileDialogBuffers&)>& load);

  Platform platform_;
  IFileDecoders& decoders_;
  std::string refusal_;  // why the last file tried could not be used
  Settings settings_;
  bool dragging_ = false;
  bool dragMoved_ = false;  // the window moved since the button went down
  std::int32_t wheel_ = 0;  // a high-resolution wheel's turn short of a notch
  std::int32_t scalePercent_ = 100;
  std::int32_t grabX_ = 0;
  std::int32_t grabY_ = 0;

  Point destination_;
  std::int32_t baseX_ = 0;
  // The device, camera, viewport and current model; the model points at
  // the scene's matrices, so this object never moves.
  Scene scene_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::uint32_t powerState_ = kPowerRunning;
  std::uint64_t lastTick_ = 0;
  std::uint64_t elapsed_ = 0;
  std::uint64_t delta_ = 0;
  std::int32_t modelShift_ = 0;
  bool lookAtOn_ = false;
  Playlist playlist_;
  std::vector<std::uint8_t> unplayable_;  // per item of the playlist: would not load
  std::uint64_t motionStart_ = 0;         // the clock time the current motion began
  std::uint64_t motionTurn_ = 0;          // how long it plays before the next takes over
  std::shared_ptr<Animation> outgoing_;   // the motion before it, fading out
  std::uint64_t outgoingStart_ = 0;
  // The pointer's screen position at the last frame, to tell a move.
  bool pointerSeen_ = false;
  Point lastPointer_;
};

}  // namespace brivonel
