#pragma once
// Everything the application object asks of a desktop, answered without
// one: a clock the caller moves, settings held in memory, dialogs that are
// cancelled, message boxes that are remembered. The presenter is the
// caller's (a device drawing into memory). Used to run the whole program
// for one frame.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/platform/platform.h"
#include "app/resources.h"
#include "physics/bullet/bullet_engine.h"

namespace brivonel::snapshot {

class ManualClock final : public IClock {
 public:
  std::uint32_t NowMilliseconds() override { return now; }
  std::uint32_t now = 0;
};

// The settings file's keys, in memory; the path is ignored.
class MemoryProfileStore final : public IProfileStore {
 public:
  std::u16string Read(std::u16string_view section, std::u16string_view key,
                      std::u16string_view defaultValue, std::u16string_view path) override;
  bool Write(std::u16string_view section, std::u16string_view key, std::u16string_view value,
             std::u16string_view path) override;
  std::map<std::u16string, std::u16string> values;
};

// Every box's text, in order.
class RememberedMessageBoxes final : public IMessageBoxes {
 public:
  void Show(MessageOwner owner, std::u16string_view text, std::u16string_view caption,
            MessageStyle style) override;
  std::vector<std::u16string> texts;
};

class CancelledFileDialog final : public IFileDialog {
 public:
  bool ShowOpen(const OpenFileDialogSetup&, OpenFileDialogBuffers&) override { return false; }
};

class NoMenuChecks final : public IMenuChecks {
 public:
  void SetChecked(int, bool) override {}
};

// A window that stays where it was put.
class FixedWindow final : public IWindowGeometry {
 public:
  Point ClientToScreen(Point client) override {
    return {client.x + rect.left, client.y + rect.top};
  }
  Rect WindowRect() override { return rect; }
  void CaptureMouse() override {}
  void ReleaseMouse() override {}
  void ShowWindow() override {}
  Rect rect;
};

// The settings folder is a fresh temporary folder (removed again with this
// object), so running the program headless never touches the user's
// settings; the executable's folder is where the shader files are.
class ScratchFolders final : public IFolders {
 public:
  explicit ScratchFolders(std::u16string executableFolder);
  ~ScratchFolders() override;
  ScratchFolders(const ScratchFolders&) = delete;
  ScratchFolders& operator=(const ScratchFolders&) = delete;
  std::optional<std::u16string> RoamingAppDataFolder() override;
  std::u16string ExecutableFolder() override { return executable_; }

 private:
  std::filesystem::path scratch_;
  std::u16string executable_;
};

struct HeadlessPlatform {
  // shaderFolder ends in a separator.
  explicit HeadlessPlatform(std::u16string shaderFolder) : folders(std::move(shaderFolder)) {}
  Platform With(IPresenter& presenter) {
    return Platform{clock, boxes, dialog, checks, window, presenter, strings, store, folders,
                    &physics};
  }

  ManualClock clock;
  RememberedMessageBoxes boxes;
  CancelledFileDialog dialog;
  NoMenuChecks checks;
  FixedWindow window;
  BuiltInStringTable strings;
  MemoryProfileStore store;
  ScratchFolders folders;
  physics::BulletEngine physics;
};

}  // namespace brivonel::snapshot
