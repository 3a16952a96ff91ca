#pragma once
// A GPU device and context for tests: every call is recorded in order with
// its arguments, objects keep what was written into them (buffer bytes,
// texture descriptions and initial data, shader byte code, state
// descriptions), and any creation call (or Map) can be made to fail with a
// chosen result.
//
// One object implements both interfaces so that device and context calls
// land in one ordered log:
//   auto gpu = std::make_shared<test::RecordingGpu>();
//   model.SetDevice(gpu, gpu);
//
// Objects are labelled by kind and creation number ("buffer#1", "texture#2",
// "view#3", "layout#4", "vs#5", "ps#6", "sampler#7", "rasterizer#8"); each
// recorded call also has a text form such as "VSSetConstantBuffers(2, buffer#3)"
// for readable sequence assertions.
//
// Misuse that Direct3D's debug layer would report (mapping a buffer that is
// not dynamic, UpdateSubresource on a dynamic buffer, drawing while a buffer
// is mapped, binding a buffer without the matching bind flag, ...) does not
// stop the call; it is collected in misuses() for tests to check.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "render/gpu_device.h"

namespace brivonel::test {

// One recorded call. numbers holds the integer arguments and objects the
// object arguments (null for an unbound slot), each in argument order.
struct RecordedCall {
  std::string name;
  std::string text;
  std::vector<std::int64_t> numbers;
  std::vector<const void*> objects;
  // UpdateSubresource: the bytes written; Unmap: the buffer's bytes at unmap.
  std::vector<std::uint8_t> bytes;
  HResult result = kSOk;  // creation calls and Map
};

class FakeBuffer : public gpu::Buffer {
 public:
  std::string label;
  gpu::BufferDesc desc;
  std::vector<std::uint8_t> data;
  bool mapped = false;
  int writes = 0;  // initial data, UpdateSubresource and Unmap count as writes
};

struct FakeSubresource {
  std::vector<std::uint8_t> bytes;  // rows (and depth slices) as given
  std::uint32_t rowPitch = 0;
  std::uint32_t slicePitch = 0;
};

class FakeTexture : public gpu::Resource {
 public:
  std::string label;
  int dimensions = 2;  // 1, 2 or 3
  gpu::Texture1DDesc desc1d;
  gpu::Texture2DDesc desc2d;
  gpu::Texture3DDesc desc3d;
  // One per subresource in Direct3D order when initial data was given.
  std::vector<FakeSubresource> subresources;

  std::uint32_t Width() const;
  std::uint32_t Height() const;
  std::uint32_t Depth() const;
  std::uint32_t MipLevels() const;  // the resolved count (0 in a description means all)
  std::uint32_t ArraySize() const;
  DxgiFormat Format() const;
  std::uint32_t MiscFlags() const;
};

class FakeView : public gpu::ShaderResourceView {
 public:
  std::string label;
  std::shared_ptr<FakeTexture> texture;  // the view keeps its texture alive
  gpu::ShaderResourceViewDesc desc;      // the default view when none was given
  bool defaultDesc = false;
};

class FakeInputLayout : public gpu::InputLayout {
 public:
  struct Element {
    std::string semanticName;
    gpu::InputElementDesc desc;  // desc.semanticName points at semanticName
  };
  std::string label;
  std::vector<Element> elements;
  std::vector<std::uint8_t> bytecode;
};

class FakeVertexShader : public gpu::VertexShader {
 public:
  std::string label;
  std::vector<std::uint8_t> bytecode;
};

class FakePixelShader : public gpu::PixelShader {
 public:
  std::string label;
  std::vector<std::uint8_t> bytecode;
};

class FakeSampler : public gpu::SamplerState {
 public:
  std::string label;
  gpu::SamplerDesc desc;
};

class FakeRasterizer : public gpu::RasterizerState {
 public:
  std::string label;
  gpu::RasterizerDesc desc;
};

class RecordingGpu : public gpu::IGpuDevice, public gpu::IGpuContext {
 public:
  RecordingGpu() = default;
  RecordingGpu(const RecordingGpu&) = delete;
  RecordingGpu& operator=(const RecordingGpu&) = delete;

  // --- test controls ---
  // The occurrence-th call named `call` from now on (1 = the next one) fails
  // with hr and creates nothing. Names are the interface's ("CreateBuffer",
  // "CreateTexture2D", "CreateShaderResourceView", "Map", ...).
  void FailCall(std::string_view call, HResult hr, int occurrence = 1);
  // Every call named `call` fails with hr until the failure is cleared.
  void FailAlways(std::string_view call, HResult hr);
  void ClearFailures();

  const std::vector<RecordedCall>& calls() const { return calls_; }
  std::vector<std::string> CallNames() const;
  std::vector<std::string> CallTexts() const;
  std::vector<const RecordedCall*> CallsNamed(std::string_view name) const;
  std::size_t CountCalls(std::string_view name) const;
  void ClearCalls() {
    calls_.clear();
    draws_.clear();
  }
  const std::vector<std::string>& misuses() const { return misuses_; }

  // Labels ("buffer#3") of objects this fake created; "null" for null and
  // "foreign" for objects it did not create.
  std::string Label(const void* object) const;

  // Typed access to objects created by this fake (null for anything else).
  static FakeBuffer* AsBuffer(gpu::Buffer* buffer);
  static FakeTexture* AsTexture(gpu::Resource* texture);
  static FakeView* AsView(gpu::ShaderResourceView* view);
  static FakeInputLayout* AsLayout(gpu::InputLayout* layout);
  static FakeVertexShader* AsVertexShader(gpu::VertexShader* shader);
  static FakePixelShader* AsPixelShader(gpu::PixelShader* shader);
  static FakeSampler* AsSampler(gpu::SamplerState* sampler);
  static FakeRasterizer* AsRasterizer(gpu::RasterizerState* rasterizer);

  // Objects created so far that are still alive, in creation order. The fake
  // holds no reference of its own, so tests can watch objects being released.
  std::vector<std::shared_ptr<FakeBuffer>> LiveBuffers() const;
  std::vector<std::shared_ptr<FakeTexture>> LiveTextures() const;
  std::vector<std::shared_ptr<FakeView>> LiveViews() const;

  // The current bindings, as the calls so far left them.
  struct Bindings {
    std::map<std::uint32_t, gpu::Buffer*> vsConstantBuffers;
    std::map<std::uint32_t, gpu::Buffer*> psConstantBuffers;
    std::map<std::uint32_t, gpu::Buffer*> vertexBuffers;
    std::uint32_t vertexStride = 0;
    std::uint32_t vertexOffset = 0;
    gpu::Buffer* indexBuffer = nullptr;
    DxgiFormat indexFormat = DxgiFormat::Unknown;
    gpu::PrimitiveTopology topology{};
    gpu::InputLayout* inputLayout = nullptr;
    gpu::VertexShader* vertexShader = nullptr;
    gpu::PixelShader* pixelShader = nullptr;
    gpu::RasterizerState* rasterizer = nullptr;
    std::map<std::uint32_t, gpu::ShaderResourceView*> psResources;
    std::map<std::uint32_t, gpu::SamplerState*> psSamplers;
    std::optional<gpu::Viewport> viewport;
  };
  const Bindings& bindings() const { return bindings_; }

  // What each draw drew with: the bindings at that moment, the contents of
  // the vertex-shader constant buffers and of vertex buffer 0, and the
  // index range. Tests of drawing check these rather than the order of the
  // calls that set them up.
  struct DrawRecord {
    Bindings bindings;
    std::map<std::uint32_t, std::vector<std::uint8_t>> vsConstants;
    std::vector<std::uint8_t> vertices;
    std::uint32_t indexCount = 0;
    std::uint32_t startIndex = 0;
  };
  const std::vector<DrawRecord>& draws() const { return draws_; }

  // --- IGpuDevice ---
  HResult CreateBuffer(const gpu::BufferDesc& desc, const gpu::SubresourceData* initialData,
                       std::shared_ptr<gpu::Buffer>* buffer) override;
  HResult CreateTexture1D(const gpu::Texture1DDesc& desc, const gpu::SubresourceData* initialData,
                          std::shared_ptr<gpu::Resource>* texture) override;
  HResult CreateTexture2D(const gpu::Texture2DDesc& desc, const gpu::SubresourceData* initialData,
                          std::shared_ptr<gpu::Resource>* texture) override;
  HResult CreateTexture3D(const gpu::Texture3DDesc& desc, const gpu::SubresourceData* initialData,
                          std::shared_ptr<gpu::Resource>* texture) override;
  HResult CreateShaderResourceView(const std::shared_ptr<gpu::Resource>& texture,
                                   const gpu::ShaderResourceViewDesc* desc,
                                   std::shared_ptr<gpu::ShaderResourceView>* view) override;
  HResult CreateInputLayout(const gpu::InputElementDesc* elements, std::uint32_t count,
                            const void* shaderBytecode, std::size_t bytecodeLength,
                            std::shared_ptr<gpu::InputLayout>* layout) override;
  HResult CreateVertexShader(const void* bytecode, std::size_t length,
                             std::shared_ptr<gpu::VertexShader>* shader) override;
  HResult CreatePixelShader(const void* bytecode, std::size_t length,
                            std::shared_ptr<gpu::PixelShader>* shader) override;
  HResult CreateSamplerState(const gpu::SamplerDesc& desc,
                             std::shared_ptr<gpu::SamplerState>* state) override;
  HResult CreateRasterizerState(const gpu::RasterizerDesc& desc,
                                std::shared_ptr<gpu::RasterizerState>* state) override;

  // --- IGpuContext ---
  HResult Map(gpu::Buffer* buffer, gpu::MapType type, gpu::MappedSubresource* mapped) override;
  void Unmap(gpu::Buffer* buffer) override;
  void UpdateSubresource(gpu::Buffer* buffer, const void* data) override;
  void VSSetConstantBuffers(std::uint32_t slot, gpu::Buffer* buffer) override;
  void PSSetConstantBuffers(std::uint32_t slot, gpu::Buffer* buffer) override;
  void IASetVertexBuffers(std::uint32_t slot, gpu::Buffer* buffer, std::uint32_t stride,
                          std::uint32_t offset) override;
  void IASetIndexBuffer(gpu::Buffer* buffer, DxgiFormat format, std::uint32_t offset) override;
  void IASetPrimitiveTopology(gpu::PrimitiveTopology topology) override;
  void IASetInputLayout(gpu::InputLayout* layout) override;
  void VSSetShader(gpu::VertexShader* shader) override;
  void PSSetShader(gpu::PixelShader* shader) override;
  void RSSetState(gpu::RasterizerState* state) override;
  void PSSetShaderResources(std::uint32_t slot, gpu::ShaderResourceView* view) override;
  void PSSetSamplers(std::uint32_t slot, gpu::SamplerState* sampler) override;
  void DrawIndexed(std::uint32_t indexCount, std::uint32_t startIndexLocation,
                   std::int32_t baseVertexLocation) override;
  void ClearRenderTargetView(const float rgba[4]) override;
  void ClearDepthStencilView(float depth, std::uint8_t stencil) override;
  void RSSetViewports(const gpu::Viewport& viewport) override;

 private:
  struct Failure {
    HResult hr = kEFail;
    int remaining = 1;  // calls still to pass before the failing one; -1 always
  };

  RecordedCall& Record(std::string name, std::vector<std::int64_t> numbers,
                       std::vector<const void*> objects);
  // Consumes a scheduled failure of this call, if one is due.
  std::optional<HResult> TakeFailure(const std::string& name);
  std::string NextLabel(const char* kind, const void* object);
  void Misuse(std::string text) { misuses_.push_back(std::move(text)); }
  void CheckBindFlag(gpu::Buffer* buffer, std::uint32_t flag, const char* call);
  // VSSetConstantBuffers and PSSetConstantBuffers: records and binds.
  void SetConstantBuffer(const std::string& name, std::uint32_t slot, gpu::Buffer* buffer,
                         std::map<std::uint32_t, gpu::Buffer*>& slots);
  HResult CopyInitialData(FakeTexture& texture, const gpu::SubresourceData* initialData,
                          std::uint32_t arraySize, std::uint32_t mipLevels);
  HResult FinishTexture(std::shared_ptr<FakeTexture> texture, const char* call,
                        const gpu::SubresourceData* initialData,
                        std::shared_ptr<gpu::Resource>* out);

  std::vector<RecordedCall> calls_;
  std::vector<std::string> misuses_;
  std::map<std::string, Failure, std::less<>> failures_;
  std::map<const void*, std::string> labels_;
  int nextNumber_ = 1;
  Bindings bindings_;
  std::vector<DrawRecord> draws_;

  std::vector<std::weak_ptr<FakeBuffer>> buffers_;
  std::vector<std::weak_ptr<FakeTexture>> textures_;
  std::vector<std::weak_ptr<FakeView>> views_;
};

}  // namespace brivonel::test
