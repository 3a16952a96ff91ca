// The application object's loading steps: the remembered model and motion
// at start-up, the open-file dialogs, the shaders, and the two menu commands
// that change the model or the motion.
#include "app/desktop_mascot_app.h"

#include "base/error_codes.h"

namespace brivonel {
namespace {

OpenFileDialogSetup ModelDialogSetup() {
  return {std::u16string(MessageText(Message::kModelDialogFilter)), u"*.pmd;*.pmx",
          std::u16string(MessageText(Message::kModelDialogTitle)), true};
}

// The filter also offers pictures; only ".vmd" files are read as motions.
OpenFileDialogSetup MotionDialogSetup() {
  return {std::u16string(MessageText(Message::kMotionDialogFilter)), u"*.jpeg;*.jpg;*.vmd",
          std::u16string(MessageText(Message::kMotionDialogTitle)), true};
}

}  // namespace

std::int32_t DesktopMascotApp::DecodeModelFile(const std::u16string& path,
                                               std::shared_ptr<Model>& model,
                                               ModelFileKind kind) {
  return AttemptDecode("model", [&] { return decoders_.DecodeModel(path, model, kind); });
}

std::int32_t DesktopMascotApp::DecodeModelFileNamed(const std::u16string& path,
                                                    std::u16string_view name,
                                                    std::shared_ptr<Model>& model) {
  const std::optional<ModelFileKind> kind = ModelFileKindOf(name);
  return kind ? DecodeModelFile(path, model, *kind) : error::kLoadFailed;
}

std::int32_t DesktopMascotApp::DecodeMotionFile(const std::u16string& path,
                                                std::shared_ptr<Animation>& animation) {
  return AttemptDecode("motion", [&] {
    return decoders_.DecodeMotion(path, animation, scene_.model()->bones);
  });
}

void DesktopMascotApp::ShowFileNeeded(Message needed) {
  platform_.messageBoxes.Show(MessageOwner::kWindow, MessageText(needed), u"",
                              MessageStyle::kPlain);
}

std::int32_t DesktopMascotApp::ChooseUntilLoaded(
    const OpenFileDialogSetup& setup, std::int32_t cancelled,
    bool (Settings::*remember)(std::u16string_view),
    const std::function<std::int32_t(const OpenFileDialogBuffers&)>& load) {
  OpenFileDialogBuffers buffers;
  do {
    if (!platform_.fileDialog.ShowOpen(setup, buffers)) return cancelled;
  } while (load(buffers) != error::kOk);
  (settings_.*remember)(buffers.file);
  return error::kOk;
}

std::int32_t DesktopMascotApp::LoadStartupModel() {
  std::int32_t result = error::kLoadFailed;
  std::shared_ptr<Model> model = scene_.NewModel();
  std::u16string path;
  if (settings_.GetModelPath(path)) result = DecodeModelFileNamed(path, path, model);
  if (result != error::kOk) {
    ShowFileNeeded(Message::kModelFileNeeded);
    result = ChooseModelFile(model);
  }
  if (result == error::kOk) scene_.Install(model);
  return result;
}

std::int32_t DesktopMascotApp::ChooseModelFile(std::shared_ptr<Model>& model) {
  return ChooseUntilLoaded(ModelDialogSetup(), error::kModelDialogCancelled,
                           &Settings::SetModelPath, [&](const OpenFileDialogBuffers& chosen) {
                             return DecodeModelFileNamed(chosen.file, chosen.fileTitle, model);
                           });
}

std::int32_t DesktopMascotApp::PrepareShaders() {
  if (!scene_.Prepare(*scene_.model())) return error::kShaders;
  return error::kOk;
}

std::int32_t DesktopMascotApp::PrepareModelAndMotion() {
  const std::int32_t result = PrepareShaders();
  return result != error::kOk ? result : LoadStartupMotion();
}

std::int32_t DesktopMascotApp::LoadStartupMotion() {
  std::int32_t result = error::kLoadFailed;
  auto animation = std::make_shared<Animation>();
  std::u16string path;
  // The remembered path goes to the decoder whatever its extension.
  if (settings_.GetMotionPath(path)) result = DecodeMotionFile(path, animation);
  if (result != error::kOk) {
    ShowFileNeeded(Message::kMotionFileNeeded);
    result = ChooseMotionFile(animation);
  }
  if (result == error::kOk) scene_.model()->animation = animation;
  BindMorphTracks();
  return result;
}

std::int32_t DesktopMascotApp::ChooseMotionFile(std::shared_ptr<Animation>& animation) {
  return ChooseUntilLoaded(MotionDialogSetup(), error::kMotionDialogCancelled,
                           &Settings::SetMotionPath, [&](const OpenFileDialogBuffers& chosen) {
                             if (FileExtension(chosen.fileTitle) != u".vmd") {
                               return error::kLoadFailed;
                             }
                             return DecodeMotionFile(chosen.file, animation);
                           });
}

void DesktopMascotApp::BindMorphTracks() {
  if (scene_.model()) Scene::SetMotion(*scene_.model(), scene_.model()->animation);
}

void DesktopMascotApp::ChangeModel() {
  std::shared_ptr<Model> model = scene_.NewModel();
  ShowingFailure([&] {
    const std::int32_t chosen = ChooseModelFile(model);
    if (chosen != error::kOk) return chosen;
    // From here on the new model is the current one; until it is complete
    // its loading flag keeps it from being updated and drawn.
    scene_.Install(model);
    model->loading = true;
    const std::int32_t result = PrepareModelAndMotion();
    if (result == error::kOk) model->loading = false;
    return result;
  });
}

void DesktopMascotApp::ChangeMotion() {
  if (!scene_.model()) return;
  auto animation = std::make_shared<Animation>();
  // When none loads, the current motion goes on.
  if (ShowingFailure([&] { return ChooseMotionFile(animation); }) != error::kOk) return;
  Scene::SetMotion(*scene_.model(), animation);
  elapsed_ = 0;
}

}  // namespace brivonel
