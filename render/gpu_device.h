#pragma once
// The small GPU-device interface the model, the pools and the frame set-up
// draw through. It mirrors the Direct3D 11 calls the program makes, one to
// one, so the Direct3D backend is a thin wrapper and the OpenGL backend and
// the recording test fake implement the same contract:
//  - IGpuDevice creates objects and reports failures as HResult values;
//  - IGpuContext binds them and draws; like the Direct3D context it reports
//    nothing except from Map.
// Objects are shared (the counted references of the original API): whoever
// holds a pointer keeps the object alive; binding does not take ownership.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/hresult.h"
#include "render/dxgi_format.h"

namespace brivonel::gpu {

// Opaque objects. Backends derive their own types from these.
class Buffer {
 public:
  virtual ~Buffer() = default;
};
class Resource {  // a 1-D, 2-D or 3-D texture
 public:
  virtual ~Resource() = default;
};
class ShaderResourceView {
 public:
  virtual ~ShaderResourceView() = default;
};
class InputLayout {
 public:
  virtual ~InputLayout() = default;
};
class VertexShader {
 public:
  virtual ~VertexShader() = default;
};
class PixelShader {
 public:
  virtual ~PixelShader() = default;
};
class SamplerState {
 public:
  virtual ~SamplerState() = default;
};
class RasterizerState {
 public:
  virtual ~RasterizerState() = default;
};

enum class Usage : std::uint32_t { Default = 0, Immutable = 1, Dynamic = 2, Staging = 3 };

// Bind and access flags keep their Direct3D values.
enum BindFlag : std::uint32_t {
  kBindVertexBuffer = 0x1,
  kBindIndexBuffer = 0x2,
  kBindConstantBuffer = 0x4,
  kBindShaderResource = 0x8,
  kBindRenderTarget = 0x20,
  kBindDepthStencil = 0x40,
};
enum CpuAccessFlag : std::uint32_t { kCpuAccessWrite = 0x10000, kCpuAccessRead = 0x20000 };
enum ResourceMiscFlag : std::uint32_t { kResourceMiscTextureCube = 0x4 };

struct BufferDesc {
  std::uint32_t byteWidth = 0;
  Usage usage = Usage::Default;
  std::uint32_t bindFlags = 0;
  std::uint32_t cpuAccessFlags = 0;
  std::uint32_t miscFlags = 0;
  std::uint32_t structureByteStride = 0;
};

struct SubresourceData {
  const void* sysMem = nullptr;
  std::uint32_t sysMemPitch = 0;       // bytes per row
  std::uint32_t sysMemSlicePitch = 0;  // bytes per depth slice (3-D)
};

struct Texture1DDesc {
  std::uint32_t width = 0;
  std::uint32_t mipLevels = 0;
  std::uint32_t arraySize = 0;
  DxgiFormat format = DxgiFormat::Unknown;
  Usage usage = Usage::Default;
  std::uint32_t bindFlags = 0;
  std::uint32_t cpuAccessFlags = 0;
  std::uint32_t miscFlags = 0;
};

struct Texture2DDesc {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t mipLevels = 0;
  std::uint32_t arraySize = 0;
  DxgiFormat format = DxgiFormat::Unknown;
  std::uint32_t sampleCount = 1;
  std::uint32_t sampleQuality = 0;
  Usage usage = Usage::Default;
  std::uint32_t bindFlags = 0;
  std::uint32_t cpuAccessFlags = 0;
  std::uint32_t miscFlags = 0;
};

struct Texture3DDesc {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t depth = 0;
  std::uint32_t mipLevels = 0;
  DxgiFormat format = DxgiFormat::Unknown;
  Usage usage = Usage::Default;
  std::uint32_t bindFlags = 0;
  std::uint32_t cpuAccessFlags = 0;
  std::uint32_t miscFlags = 0;
};

// Values of D3D_SRV_DIMENSION.
enum class SrvDimension : std::uint32_t {
  Texture1D = 2,
  Texture1DArray = 3,
  Texture2D = 4,
  Texture2DArray = 5,
  Texture3D = 8,
  TextureCube = 9,
  TextureCubeArray = 10,
};

struct ShaderResourceViewDesc {
  DxgiFormat format = DxgiFormat::Unknown;
  SrvDimension viewDimension = SrvDimension::Texture2D;
  std::uint32_t mostDetailedMip = 0;
  std::uint32_t mipLevels = 0;
  // Array views: the first slice and the slice count. Cube-map arrays: the
  // first face (firstArraySlice) and the number of cubes (arraySize).
  std::uint32_t firstArraySlice = 0;
  std::uint32_t arraySize = 0;
};

enum class InputClassification : std::uint32_t { PerVertexData = 0, PerInstanceData = 1 };

struct InputElementDesc {
  const char* semanticName = nullptr;
  std::uint32_t semanticIndex = 0;
  DxgiFormat format = DxgiFormat::Unknown;
  std::uint32_t inputSlot = 0;
  std::uint32_t alignedByteOffset = 0;
  InputClassification inputSlotClass = InputClassification::PerVertexData;
  std::uint32_t instanceDataStepRate = 0;
};

enum class Filter : std::uint32_t { MinMagMipPoint = 0, MinMagMipLinear = 0x15 };
enum class TextureAddressMode : std::uint32_t { Wrap = 1, Mirror = 2, Clamp = 3, Border = 4 };
enum class ComparisonFunc : std::uint32_t { Never = 1, Less = 2, Always = 8 };

struct SamplerDesc {
  Filter filter = Filter::MinMagMipLinear;
  TextureAddressMode addressU = TextureAddressMode::Clamp;
  TextureAddressMode addressV = TextureAddressMode::Clamp;
  TextureAddressMode addressW = TextureAddressMode::Clamp;
  float mipLodBias = 0.0f;
  std::uint32_t maxAnisotropy = 0;
  ComparisonFunc comparisonFunc = ComparisonFunc::Never;
  float borderColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  float minLod = 0.0f;
  float maxLod = 0.0f;
};

enum class FillMode : std::uint32_t { Wireframe = 2, Solid = 3 };
enum class CullMode : std::uint32_t { None = 1, Front = 2, Back = 3 };

struct RasterizerDesc {
  FillMode fillMode = FillMode::Solid;
  CullMode cullMode = CullMode::Back;
  bool frontCounterClockwise = false;
  std::int32_t depthBias = 0;
  float depthBiasClamp = 0.0f;
  float slopeScaledDepthBias = 0.0f;
  bool depthClipEnable = true;
  bool scissorEnable = false;
  bool multisampleEnable = false;
  bool antialiasedLineEnable = false;
};

struct Viewport {
  float topLeftX = 0.0f;
  float topLeftY = 0.0f;
  float width = 0.0f;
  float height = 0.0f;
  float minDepth = 0.0f;
  float maxDepth = 1.0f;
  friend bool operator==(const Viewport&, const Viewport&) = default;
};

enum class MapType : std::uint32_t { WriteDiscard = 4 };

struct MappedSubresource {
  void* data = nullptr;
  std::uint32_t rowPitch = 0;
  std::uint32_t depthPitch = 0;
};

enum class PrimitiveTopology : std::uint32_t { TriangleList = 4 };

class IGpuDevice {
 public:
  virtual ~IGpuDevice() = default;

  virtual HResult CreateBuffer(const BufferDesc& desc, const SubresourceData* initialData,
                               std::shared_ptr<Buffer>* buffer) = 0;
  // initialData holds one entry per subresource (mip-major within each array
  // slice, as Direct3D orders them), or is null.
  virtual HResult CreateTexture1D(const Texture1DDesc& desc, const SubresourceData* initialData,
                                  std::shared_ptr<Resource>* texture) = 0;
  virtual HResult CreateTexture2D(const Texture2DDesc& desc, const SubresourceData* initialData,
                                  std::shared_ptr<Resource>* texture) = 0;
  virtual HResult CreateTexture3D(const Texture3DDesc& desc, const SubresourceData* initialData,
                                  std::shared_ptr<Resource>* texture) = 0;
  virtual HResult CreateShaderResourceView(const std::shared_ptr<Resource>& texture,
                                           const ShaderResourceViewDesc* desc,
                                           std::shared_ptr<ShaderResourceView>* view) = 0;
  virtual HResult CreateInputLayout(const InputElementDesc* elements, std::uint32_t count,
                                    const void* shaderBytecode, std::size_t bytecodeLength,
                                    std::shared_ptr<InputLayout>* layout) = 0;
  virtual HResult CreateVertexShader(const void* bytecode, std::size_t length,
                                     std::shared_ptr<VertexShader>* shader) = 0;
  virtual HResult CreatePixelShader(const void* bytecode, std::size_t length,
                                    std::shared_ptr<PixelShader>* shader) = 0;
  virtual HResult CreateSamplerState(const SamplerDesc& desc,
                                     std::shared_ptr<SamplerState>* state) = 0;
  virtual HResult CreateRasterizerState(const RasterizerDesc& desc,
                                        std::shared_ptr<RasterizerState>* state) = 0;
};

class IGpuContext {
 public:
  virtual ~IGpuContext() = default;

  virtual HResult Map(Buffer* buffer, MapType type, MappedSubresource* mapped) = 0;
  virtual void Unmap(Buffer* buffer) = 0;
  // Replaces the whole buffer's content (default-usage buffers).
  virtual void UpdateSubresource(Buffer* buffer, const void* data) = 0;

  virtual void VSSetConstantBuffers(std::uint32_t slot, Buffer* buffer) = 0;
  virtual void PSSetConstantBuffers(std::uint32_t slot, Buffer* buffer) = 0;
  virtual void IASetVertexBuffers(std::uint32_t slot, Buffer* buffer, std::uint32_t stride,
                                  std::uint32_t offset) = 0;
  virtual void IASetIndexBuffer(Buffer* buffer, DxgiFormat format, std::uint32_t offset) = 0;
  virtual void IASetPrimitiveTopology(PrimitiveTopology topology) = 0;
  virtual void IASetInputLayout(InputLayout* layout) = 0;
  virtual void VSSetShader(VertexShader* shader) = 0;
  virtual void PSSetShader(PixelShader* shader) = 0;
  virtual void RSSetState(RasterizerState* state) = 0;
  virtual void PSSetShaderResources(std::uint32_t slot, ShaderResourceView* view) = 0;
  virtual void PSSetSamplers(std::uint32_t slot, SamplerState* sampler) = 0;
  virtual void DrawIndexed(std::uint32_t indexCount, std::uint32_t startIndexLocation,
                           std::int32_t baseVertexLocation) = 0;

  // Frame set-up on the render target and depth buffer the platform bound.
  virtual void ClearRenderTargetView(const float rgba[4]) = 0;
  virtual void ClearDepthStencilView(float depth, std::uint8_t stencil) = 0;
  virtual void RSSetViewports(const Viewport& viewport) = 0;
};

}  // namespace brivonel::gpu
