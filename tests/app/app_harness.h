#pragma once
// One application object wired to fakes, with a settings folder and an
// executable folder (holding the three shader files) in temporary folders.
#include <memory>
#include <string>

#include "app/desktop_mascot_app.h"
#include "app/resources.h"
#include "base/unicode.h"
#include "tests/app/fake_decoders.h"
#include "tests/app/fake_platform.h"
#include "tests/support/recording_physics.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_models.h"

namespace brivonel::test {

struct AppHarness {
  AppHarness() {
    folders.appData = FromFsPath(appData.path());
    folders.executable = FromFsPath(executable.path()) + u"/";
    WritePlaceholderShaders(executable.path(), u".cso");
  }

  Platform platform() {
    IPresenter& used = realPresenter != nullptr ? *realPresenter : presenter;
    return Platform{clock,   boxes, dialog,  checks,   window,        used,
                    strings, store, folders, &physics, monitorLayout, &pointer};
  }

  DesktopMascotApp& Make() {
    app = std::make_unique<DesktopMascotApp>(
        platform(), realDecoders != nullptr ? *realDecoders : static_cast<IFileDecoders&>(decoders));
    return *app;
  }

  // Constructs the application and runs Initialise on the fake window.
  std::int32_t Start() {
    Make();
    return app->Initialise(window.rect);
  }

  std::u16string IniPath() const { return SettingsFileIn(folders.appData.value()); }
  void Remember(std::u16string_view key, std::u16string_view value) {
    store.files[IniPath()][{u"CharaModel", std::u16string(key)}] = value;
  }
  std::optional<std::u16string> Stored(std::u16string_view key) {
    return store.Stored(IniPath(), key);
  }

  // A model and a motion that load, remembered in the settings.
  void RememberGoodFiles() {
    decoders.models[u"/m/good.pmx"] = {};
    decoders.motions[u"/m/dance.vmd"] = {};
    Remember(u"Model", u"/m/good.pmx");
    Remember(u"Motion", u"/m/dance.vmd");
  }

  ScriptedModel* CurrentModel() const { return dynamic_cast<ScriptedModel*>(app->model().get()); }

  EventLog log;
  FakeClock clock;
  FakeMessageBoxes boxes{log};
  FakeFileDialog dialog{log};
  FakeMenuChecks checks;
  FakeWindow window;
  FakeMonitorLayout monitors{window};
  IMonitorLayout* monitorLayout = nullptr;  // &monitors for tests of many monitors
  FakePointer pointer;
  FakePresenter presenter;
  BuiltInStringTable strings;
  MemoryProfileStore store{log};
  FakeFolders folders;
  FakeDecoders decoders{log};
  PhysicsRecord physicsRecord;
  RecordingPhysicsEngine physics{physicsRecord};
  IFileDecoders* realDecoders = nullptr;  // used instead of the fakes when set
  IPresenter* realPresenter = nullptr;    // likewise
  TempDir appData;
  TempDir executable;
  std::unique_ptr<DesktopMascotApp> app;
};

}  // namespace brivonel::test
