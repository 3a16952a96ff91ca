#pragma once
// Fakes of everything a platform front supplies to the application object,
// recording what the application asks of them. Events that tests put in
// order (dialogs, boxes, settings writes, decoding) go to one shared log.
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/app_exception.h"
#include "app/desktop_mascot_app.h"
#include "app/error_codes.h"
#include "app/platform/platform.h"
#include "app/resources.h"
#include "base/unicode.h"
#include "render/gpu_device.h"
#include "tests/support/temp_dir.h"

namespace brivonel::test {

using EventLog = std::vector<std::string>;

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
    const std::optional<std::u16string> choice = choices.front();
    choices.pop_front();
    if (!choice) return false;
    buffers.file = *choice;
    const std::size_t slash = choice->find_last_of(u"/\\");
    buffers.fileTitle = slash == std::u16string::npos ? *choice : choice->substr(slash + 1);
    return true;
  }
  // Full paths to choose, in order; nothing means cancel.
  void Choose(std::u16string path) { choices.push_back(std::move(path)); }
  void Cancel() { choices.push_back(std::nullopt); }

  std::deque<std::optional<std::u16string>> choices;
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

// A device that creates every object, and a context that remembers the
// calls these tests look at.
class FakeGpu : public gpu::IGpuDevice, public gpu::IGpuContext {
 public:
  template <typename T>
  static HResult Make(std::shared_ptr<T>* out) {
    *out = std::make_shared<T>();
    return kSOk;
  }
  HResult CreateBuffer(const gpu::BufferDesc& desc, const gpu::SubresourceData*,
                       std::shared_ptr<gpu::Buffer>* buffer) override {
    if (failBuffers) return kEOutOfMemory;
    bufferSizes.push_back(desc.byteWidth);
    return Make(buffer);
  }
  HResult CreateTexture1D(const gpu::Texture1DDesc&, const gpu::SubresourceData*,
                          std::shared_ptr<gpu::Resource>* texture) override {
    return Make(texture);
  }
  HResult CreateTexture2D(const gpu::Texture2DDesc&, const gpu::SubresourceData*,
                          std::shared_ptr<gpu::Resource>* texture) override {
    return Make(texture);
  }
  HResult CreateTexture3D(const gpu::Texture3DDesc&, const gpu::SubresourceData*,
                          std::shared_ptr<gpu::Resource>* texture) override {
    return Make(texture);
  }
  HResult CreateShaderResourceView(const std::shared_ptr<gpu::Resource>&,
                                   const gpu::ShaderResourceViewDesc*,
                                   std::shared_ptr<gpu::ShaderResourceView>* view) override {
    return Make(view);
  }
  HResult CreateInputLayout(const gpu::InputElementDesc*, std::uint32_t, const void*, std::size_t,
                            std::shared_ptr<gpu::InputLayout>* layout) override {
    return Make(layout);
  }
  HResult CreateVertexShader(const void*, std::size_t,
                             std::shared_ptr<gpu::VertexShader>* shader) override {
    ++vertexShadersCreated;
    return Make(shader);
  }
  HResult CreatePixelShader(const void*, std::size_t,
                            std::shared_ptr<gpu::PixelShader>* shader) override {
    ++pixelShadersCreated;
    return Make(shader);
  }
  HResult CreateSamplerState(const gpu::SamplerDesc&,
                             std::shared_ptr<gpu::SamplerState>* state) override {
    return Make(state);
  }
  HResult CreateRasterizerState(const gpu::RasterizerDesc&,
                                std::shared_ptr<gpu::RasterizerState>* state) override {
    return Make(state);
  }

  HResult Map(gpu::Buffer*, gpu::MapType, gpu::MappedSubresource*) override { return kEFail; }
  void Unmap(gpu::Buffer*) override {}
  void UpdateSubresource(gpu::Buffer*, const void*) override { ++uploads; }
  void VSSetConstantBuffers(std::uint32_t slot, gpu::Buffer* buffer) override {
    constantSlots[slot] = buffer;
  }
  void IASetVertexBuffers(std::uint32_t, gpu::Buffer*, std::uint32_t, std::uint32_t) override {}
  void IASetIndexBuffer(gpu::Buffer*, DxgiFormat, std::uint32_t) override {}
  void IASetPrimitiveTopology(gpu::PrimitiveTopology) override {}
  void IASetInputLayout(gpu::InputLayout*) override {}
  void VSSetShader(gpu::VertexShader*) override {}
  void PSSetShader(gpu::PixelShader*) override {}
  void RSSetState(gpu::RasterizerState*) override {}
  void PSSetShaderResources(std::uint32_t, gpu::ShaderResourceView*) override {}
  void PSSetSamplers(std::uint32_t, gpu::SamplerState*) override {}
  void DrawIndexed(std::uint32_t, std::uint32_t, std::int32_t) override {}
  void ClearRenderTargetView(const float rgba[4]) override {
    lastClear = {rgba[0], rgba[1], rgba[2], rgba[3]};
    ++clears;
  }
  void ClearDepthStencilView(float depth, std::uint8_t) override { lastDepthClear = depth; }
  void RSSetViewports(const gpu::Viewport& viewport) override { viewports.push_back(viewport); }

  bool failBuffers = false;
  std::vector<std::uint32_t> bufferSizes;
  int vertexShadersCreated = 0;
  int pixelShadersCreated = 0;
  int uploads = 0;
  int clears = 0;
  Float4 lastClear{-1.0f, -1.0f, -1.0f, -1.0f};
  float lastDepthClear = -1.0f;
  std::map<std::uint32_t, gpu::Buffer*> constantSlots;
  std::vector<gpu::Viewport> viewports;
};

class FakePresenter : public IPresenter {
 public:
  GpuDeviceObjects CreateDeviceObjects(std::int32_t width, std::int32_t height) override {
    if (deviceFailure) throw AppException(deviceFailure, error::kDevice);
    surfaceWidth = width;
    surfaceHeight = height;
    GpuDeviceObjects objects;
    objects.device = gpu;
    objects.context = gpu;
    return objects;
  }
  void CreateTextObjects() override { ++textObjectsCreated; }
  void PresentFrame(Point destination) override {
    if (presentFailure) throw AppException(presentFailure, error::kPresent);
    if (presentThrowsStd) throw std::runtime_error("presenting went wrong");
    presented.push_back(destination);
  }
  HResult TestPresent() override {
    ++testPresents;
    return testPresentResult;
  }
  void ResizeBuffers() override { ++resizes; }

  std::shared_ptr<FakeGpu> gpu = std::make_shared<FakeGpu>();
  HResult deviceFailure = kSOk;
  HResult presentFailure = kSOk;
  bool presentThrowsStd = false;
  HResult testPresentResult = kSOk;
  std::int32_t surfaceWidth = 0;
  std::int32_t surfaceHeight = 0;
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
