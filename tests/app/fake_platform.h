#pragma once
// Fakes of everything a platform front supplies to the application object,
// recording what the application asks of them. Events that tests put in
// order (dialogs, boxes, settings writes, decoding) go to one shared log.
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/desktop_mascot_app.h"
#include "app/shell.h"
#include "app/platform/platform.h"
#include "app/resources.h"
#include "base/app_exception.h"
#include "base/error_codes.h"
#include "base/unicode.h"
#include "render/gpu_device.h"
#include "render/shader_pool.h"
#include "tests/support/recording_gpu.h"
#include "tests/support/temp_dir.h"

namespace brivonel::test {

// Window commands for tests that run menu commands but not the About box or
// the window's end.
struct NoShellCommands : IShellCommands {
  void ShowAbout() override {}
  void CloseWindow() override {}
};

using EventLog = std::vector<std::string>;

// Where the settings file lies in an application-data folder, with the
// system's own separator.
inline std::u16string SettingsFileIn(const std::u16string& appData) {
  const auto separator = static_cast<char16_t>(std::filesystem::path::preferred_separator);
  return appData + separator + u"Quenvalis" + separator + u"figure.ini";
}

class FakeClock : public IClock {
 public:
  std::uint32_t NowMilliseconds() override { return now; }
  std::uint32_t now = 5000;
};

struct ShownMessage {
  MessageOwner owner;
  std::u16string text;
  std::u16string caption;
  MessageStyle style;
};

class FakeMessageBoxes : public IMessageBoxes {
 public:
  explicit FakeMessageBoxes(EventLog& log) : log_(log) {}
  void Show(MessageOwner owner, std::u16string_view text, std::u16string_view caption,
            MessageStyle style) override {
    shown.push_back({owner, std::u16string(text), std::u16string(caption), style});
    log_.push_back("box " + Utf16ToUtf8(text));
  }
  std::vector<ShownMessage> shown;

 private:
  EventLog& log_;
};

// Answers each dialog with the next scripted choice; cancels when the script
// is used up, so a dialog repeated without end stops the test.
class FakeFileDialog : public IFileDialog {
 public:
  explicit FakeFileDialog(EventLog& log) : log_(log) {}
  bool ShowOpen(const OpenFileDialogSetup& setup, OpenFileDialogBuffers& buffers) override {
    setups.push_back(setup);
    initialFiles.push_back(buffers.file);
    log_.push_back("dialog " + Utf16ToUtf8(setup.title));
    if (choices.empty()) return false;
    const std::optional<std::vector<std::u16string>> choice = choices.front();
    choices.pop_front();
    if (!choice || choice->empty()) return false;
    buffers.file = choice->front();
    const std::size_t slash = buffers.file.find_last_of(u"/\\");
    buffers.fileTitle = slash == std::u16string::npos ? buffers.file : buffers.file.substr(slash + 1);
    buffers.files.clear();
    if (setup.multipleFiles) buffers.files = *choice;
    return true;
  }
  // Full paths to choose, in order; nothing means cancel.
  void Choose(std::u16string path) { choices.push_back(std::vector<std::u16string>{std::move(path)}); }
  // Several files at once, in the order the dialog gives them.
  void ChooseMany(std::vector<std::u16string> paths) { choices.push_back(std::move(paths)); }
  void Cancel() { choices.push_back(std::nullopt); }

  std::deque<std::optional<std::vector<std::u16string>>> choices;
  std::vector<OpenFileDialogSetup> setups;
  std::vector<std::u16string> initialFiles;

 private:
  EventLog& log_;
};

class FakeMenuChecks : public IMenuChecks {
 public:
  void SetChecked(int commandId, bool checked) override { checks[commandId] = checked; }
  std::map<int, bool> checks;
};

class FakeWindow : public IWindowGeometry {
 public:
  Point ClientToScreen(Point client) override {
    return {client.x + clientOrigin.x, client.y + clientOrigin.y};
  }
  Rect WindowRect() override { return rect; }
  void CaptureMouse() override { captured = true; }
  void ReleaseMouse() override { captured = false; }
  void ShowWindow() override { ++showCount; }

  Rect rect{961, 0, 1921, 1040};
  Point clientOrigin{961, 0};
  bool captured = false;
  int showCount = 0;
};

// Monitors as a test lays them out; PlaceWindow moves the fake window.
class FakeMonitorLayout : public IMonitorLayout {
 public:
  explicit FakeMonitorLayout(FakeWindow& window) : window_(window) {}
  std::vector<MonitorArea> Monitors() override { return monitors; }
  void PlaceWindow(const Rect& rect) override {
    placed.push_back(rect);
    window_.rect = rect;
    window_.clientOrigin = {rect.left, rect.top};
  }
  std::vector<MonitorArea> monitors;
  std::vector<Rect> placed;

 private:
  FakeWindow& window_;
};

class FakePointer : public IPointer {
 public:
  bool ScreenPosition(Point& screen) override {
    if (known) screen = position;
    return known;
  }
  Point position{100, 100};
  bool known = true;
};

class FakePresenter : public IPresenter {
 public:
  GpuDeviceObjects CreateDeviceObjects(std::int32_t width, std::int32_t height) override {
    if (deviceFailure) throw AppException(deviceFailure, error::kDevice);
    surfaceSamples = wantedSamples;
    surfaceWidth = width;
    surfaceHeight = height;
    GpuDeviceObjects objects;
    objects.device = gpu;
    objects.context = gpu;
    objects.shaderFileExtension = kDefaultShaderExtension;
    return objects;
  }
  void SetSampleCount(std::uint32_t samples) override { wantedSamples = samples; }
  void CreateTextObjects() override {
    if (textObjectsThrowStd) throw std::runtime_error("no text objects");
    ++textObjectsCreated;
  }
  void PresentFrame(Point destination) override {
    if (presentFailure) throw AppException(presentFailure, error::kPresent);
    if (presentThrowsStd) throw std::runtime_error("presenting went wrong");
    presented.push_back(destination);
  }
  HResult TestPresent() override {
    ++testPresents;
    return testPresentResult;
  }
  void ResizeBuffers(std::int32_t width, std::int32_t height) override {
    ++resizes;
    surfaceWidth = width;
    surfaceHeight = height;
  }

  std::shared_ptr<RecordingGpu> gpu = std::make_shared<RecordingGpu>();
  HResult deviceFailure = kSOk;
  HResult presentFailure = kSOk;
  bool presentThrowsStd = false;
  bool textObjectsThrowStd = false;
  HResult testPresentResult = kSOk;
  std::int32_t surfaceWidth = 0;
  std::int32_t surfaceHeight = 0;
  std::uint32_t wantedSamples = 99;   // until SetSampleCount
  std::uint32_t surfaceSamples = 99;  // what CreateDeviceObjects was asked for
  int textObjectsCreated = 0;
  int testPresents = 0;
  int resizes = 0;
  std::vector<Point> presented;
};

// INI files kept in memory: path -> section -> key -> value.
class MemoryProfileStore : public IProfileStore {
 public:
  explicit MemoryProfileStore(EventLog& log) : log_(log) {}
  std::u16string Read(std::u16string_view section, std::u16string_view key,
                      std::u16string_view defaultValue, std::u16string_view path) override {
    ++reads;
    const auto file = files.find(std::u16string(path));
    if (file == files.end()) return std::u16string(defaultValue);
    const auto found = file->second.find({std::u16string(section), std::u16string(key)});
    return found == file->second.end() ? std::u16string(defaultValue) : found->second;
  }
  bool Write(std::u16string_view section, std::u16string_view key, std::u16string_view value,
             std::u16string_view path) override {
    log_.push_back("write " + Utf16ToUtf8(key) + "=" + Utf16ToUtf8(value));
    if (failWrites) return false;
    files[std::u16string(path)][{std::u16string(section), std::u16string(key)}] = value;
    return true;
  }
  std::optional<std::u16string> Stored(const std::u16string& path, std::u16string_view key) {
    const auto found = files[path].find({u"CharaModel", std::u16string(key)});
    if (found == files[path].end()) return std::nullopt;
    return found->second;
  }

  std::map<std::u16string, std::map<std::pair<std::u16string, std::u16string>, std::u16string>>
      files;
  int reads = 0;
  bool failWrites = false;

 private:
  EventLog& log_;
};

class FakeFolders : public IFolders {
 public:
  std::optional<std::u16string> RoamingAppDataFolder() override { return appData; }
  std::u16string ExecutableFolder() override { return executable; }
  std::optional<std::u16string> appData;
  std::u16string executable;
};

}  // namespace brivonel::test
