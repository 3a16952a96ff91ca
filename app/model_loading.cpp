// The application object's loading steps: the remembered model and motion
// at start-up (or the bundled sample on a first start), the open-file
// dialogs, the shaders, and the two menu commands that change the model or
// the motion.
#include <algorithm>
#include <filesystem>

#include "app/desktop_mascot_app.h"
#include "app/error_text.h"
#include "base/error_codes.h"
#include "base/unicode.h"

namespace brivonel {
namespace {

// The sample the build and the installation put beside the program.
constexpr std::u16string_view kSampleModel = u"nel.pmx";
constexpr std::u16string_view kSampleMotion = u"nel_dance.vmd";

// The files of a dialog's choice, by path: a file chooser gives several in
// an order of its own, which differs between the systems.
std::vector<std::u16string> ChosenFiles(const OpenFileDialogBuffers& chosen) {
  std::vector<std::u16string> files = chosen.files;
  if (files.empty()) files.push_back(chosen.file);
  std::sort(files.begin(), files.end());
  files.erase(std::unique(files.begin(), files.end()), files.end());
  return files;
}

// The folder of a file, without its separator; empty for a bare name.
std::u16string FolderOf(std::u16string_view path) {
  const std::size_t separator = path.find_last_of(u"/\\");
  return separator == std::u16string_view::npos ? std::u16string()
                                                 : std::u16string(path.substr(0, separator));
}

}  // namespace

OpenFileDialogSetup DesktopMascotApp::ModelDialogSetup() {
  std::u16string current;
  settings_.GetModelPath(current);
  return {std::u16string(MessageText(Message::kModelDialogFilter)), u"*.pmd;*.pmx",
          std::u16string(MessageText(Message::kModelDialogTitle)), true, false,
          DialogFolder(current)};
}

OpenFileDialogSetup DesktopMascotApp::MotionDialogSetup() {
  std::u16string current;
  settings_.GetMotionPath(current);
  // Several motions chosen together play one after another.
  return {std::u16string(MessageText(Message::kMotionDialogFilter)), u"*.vmd",
          std::u16string(MessageText(Message::kMotionDialogTitle)), true, true,
          DialogFolder(current), true};
}

std::u16string DesktopMascotApp::DialogFolder(std::u16string_view currentFile) {
  std::u16string folder = FolderOf(currentFile);
  std::error_code error;
  if (!folder.empty() && std::filesystem::is_directory(ToFsPath(folder), error)) return folder;
  return platform_.folders.SamplesFolder().value_or(u"");
}

std::int32_t DesktopMascotApp::DecodeModelFile(const std::u16string& path,
                                               std::shared_ptr<Model>& model,
                                               ModelFileKind kind) {
  refusal_.clear();
  std::int32_t code = error::kOk;
  try {
    code = AttemptDecode(
        "model", [&] { return decoders_.DecodeModel(path, model, kind); }, &refusal_);
  } catch (const AppException& e) {
    throw FileLoadException(e, path, decoders_.LastRefusal());
  }
  NoteRefusal(code, path);
  return code;
}

std::int32_t DesktopMascotApp::DecodeModelFileNamed(const std::u16string& path,
                                                    std::u16string_view name,
                                                    std::shared_ptr<Model>& model) {
  const std::optional<ModelFileKind> kind = ModelFileKindOf(name);
  if (kind) return DecodeModelFile(path, model, *kind);
  refusal_ = "not a .pmx or .pmd file";
  return error::kLoadFailed;
}

std::int32_t DesktopMascotApp::DecodeMotionFile(const std::u16string& path,
                                                std::shared_ptr<Animation>& animation) {
  refusal_.clear();
  std::int32_t code = AttemptDecode(
      "motion",
      [&] { return decoders_.DecodeMotion(path, animation, scene_.model()->bones); },
      &refusal_);
  NoteRefusal(code, path);
  // Content that is no motion leaves the figure without one: the missing
  // motion's code, not the model's (1003).
  if (code == error::kModelDataInvalid) code = error::kMotionDialogCancelled;
  return code;
}

void DesktopMascotApp::NoteRefusal(std::int32_t code, const std::u16string& path) {
  if (code == error::kOk) return;
  if (refusal_.empty()) refusal_ = decoders_.LastRefusal();
  if (refusal_.empty() && code == error::kFileNotFound) refusal_ = OpenFailureReason(path);
}

void DesktopMascotApp::ShowFileNeeded(Message needed, std::u16string_view triedFile) {
  std::u16string text(MessageText(needed));
  if (!triedFile.empty()) {
    text += u"\n\n" + std::u16string(triedFile);
    if (!refusal_.empty()) text += u": " + Utf8ToUtf16(refusal_);
    platform_.messageBoxes.Report(Utf16ToUtf8(triedFile) + ": " + refusal_);
  }
  platform_.messageBoxes.Show(MessageOwner::kWindow, text, u"", MessageStyle::kPlain);
}

void DesktopMascotApp::ShowLoadFailure(std::int32_t code, std::u16string_view file,
                                       std::string_view reason, HResult hr) {
  const std::optional<std::u16string> text = platform_.strings.Load(code);
  platform_.messageBoxes.Report(Utf16ToUtf8(file) + ": " + std::string(reason) + " (" +
                                std::to_string(code) + ")");
  platform_.messageBoxes.Show(MessageOwner::kWindow,
                              FormatFileErrorMessage(text.value_or(u""), file, reason, code, hr),
                              MessageText(Message::kErrorCaption), MessageStyle::kError);
}

std::int32_t DesktopMascotApp::ChooseUntilLoaded(
    const OpenFileDialogSetup& setup, std::int32_t cancelled,
    const std::function<void(const OpenFileDialogBuffers&)>& remember,
    const std::function<std::int32_t(OpenFileDialogBuffers&)>& load) {
  OpenFileDialogBuffers buffers;
  for (;;) {
    if (!platform_.fileDialog.ShowOpen(setup, buffers)) return cancelled;
    const std::int32_t code = load(buffers);
    if (code == error::kOk) break;
    // Why this file cannot be used, then the dialog again on it.
    ShowLoadFailure(code, buffers.file, refusal_);
  }
  remember(buffers);
  return error::kOk;
}

std::optional<std::u16string> DesktopMascotApp::FirstStartSample(std::u16string_view name) {
  const std::optional<std::u16string> folder = platform_.folders.SamplesFolder();
  if (!folder) return std::nullopt;
  const std::u16string path = *folder + u"/" + std::u16string(name);
  std::error_code error;
  if (!std::filesystem::is_regular_file(ToFsPath(path), error)) return std::nullopt;
  return path;
}

std::int32_t DesktopMascotApp::LoadStartupModel() {
  std::int32_t result = error::kLoadFailed;
  std::shared_ptr<Model> model = scene_.NewModel();
  std::u16string path;
  if (settings_.GetModelPath(path) && !path.empty()) {
    result = DecodeModelFileNamed(path, path, model);
  } else if (const std::optional<std::u16string> sample = FirstStartSample(kSampleModel)) {
    // Nothing chosen yet: the sample shows what the program does, and
    // nothing is written until the user chooses.
    result = DecodeModelFileNamed(*sample, *sample, model);
    path.clear();
  }
  if (result != error::kOk) {
    ShowFileNeeded(Message::kModelFileNeeded, path);
    result = ChooseModelFile(model);
  }
  if (result == error::kOk) scene_.Install(model);
  return result;
}

std::int32_t DesktopMascotApp::ChooseModelFile(std::shared_ptr<Model>& model) {
  return ChooseUntilLoaded(
      ModelDialogSetup(), error::kModelDialogCancelled,
      [&](const OpenFileDialogBuffers& chosen) { settings_.SetModelPath(chosen.file); },
      [&](OpenFileDialogBuffers& chosen) {
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
  if (settings_.GetMotionPath(path) && !path.empty()) {
    // The box names the item that failed last when none of a list loads.
    result = StartPlaylist(RememberedPlaylist(path), animation, path);
  } else if (const std::optional<std::u16string> sample = FirstStartSample(kSampleMotion)) {
    result = StartPlaylist(Playlist({*sample}, false, 0), animation, path);
    path.clear();
  }
  if (result != error::kOk) {
    ShowFileNeeded(Message::kMotionFileNeeded, path);
    result = ChooseMotionFile(animation);
  }
  if (result == error::kOk)
    StartMotion(*scene_.model(), animation);
  else
    BindMorphTracks();
  return result;
}

std::int32_t DesktopMascotApp::ChooseMotionFile(std::shared_ptr<Animation>& animation) {
  // Any file may be chosen ("All files"): the decoder refuses what has no
  // VMD header.
  std::vector<std::u16string> files;
  return ChooseUntilLoaded(
      MotionDialogSetup(), error::kMotionDialogCancelled,
      [&](const OpenFileDialogBuffers&) { RememberMotions(files); },
      [&](OpenFileDialogBuffers& chosen) {
        files = ChosenFiles(chosen);
        const Playlist list(files, settings_.PlaylistShuffled(), platform_.clock.NowMilliseconds());
        std::u16string tried;
        const std::int32_t code = StartPlaylist(list, animation, tried);
        if (code != error::kOk) chosen.file = tried;
        return code;
      });
}

void DesktopMascotApp::RememberMotions(const std::vector<std::u16string>& files) {
  if (files.size() > 1) {
    settings_.SetPlaylist(files, settings_.PlaylistShuffled());
    return;
  }
  // One motion is written as it always was; a list remembered before goes.
  settings_.SetMotionPath(files.front());
  if (!settings_.GetPlaylist().empty()) settings_.SetPlaylist({}, settings_.PlaylistShuffled());
}

void DesktopMascotApp::BindMorphTracks() {
  if (scene_.model()) Scene::SetMotion(*scene_.model(), scene_.model()->animation);
}

void DesktopMascotApp::ChangeModel() {
  std::shared_ptr<Model> model = scene_.NewModel();
  ShowingFailure([&] {
    const std::int32_t chosen = ChooseModelFile(model);
    // Cancelled from the menu: the current model stays, without a box.
    if (chosen == error::kModelDialogCancelled) return error::kOk;
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
  // Cancelled, the current motion goes on without a box.
  bool cancelled = false;
  const std::int32_t chosen = ShowingFailure([&] {
    const std::int32_t code = ChooseMotionFile(animation);
    cancelled = code == error::kMotionDialogCancelled;
    return cancelled ? error::kOk : code;
  });
  if (cancelled || chosen != error::kOk) return;
  elapsed_ = 0;
  StartMotion(*scene_.model(), animation);
}

}  // namespace brivonel
