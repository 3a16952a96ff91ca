#pragma once
// The GPU device and context on OpenGL 3.3 core, for a context that is
// current on the calling thread for the whole life of this object and of the
// objects it creates (objects released after the GlGpu free nothing; the
// context's destruction frees them).
//
// Mapping of the device calls:
//  - buffers are GL buffer objects; constant buffers bind as uniform buffers
//    at the binding point of their slot;
//  - textures keep their DXGI format's storage (see gl_formats.h); a shader
//    resource view is the texture itself with its mip range;
//  - "byte code" is GLSL source text. A vertex shader and a pixel shader are
//    linked into one program the first time they are drawn together;
//  - GLSL names carry the slots: a uniform block named "cbN" reads constant
//    buffer N, a sampler uniform named "tN" reads shader resource N with
//    sampler N; a vertex input named after its semantic, optionally followed
//    by the semantic index ("POSITION", "TEXCOORD", "TEXCOORD1"), reads the
//    input-layout element of that semantic (names compare case-insensitively);
//  - the shader writes Direct3D clip space (depth 0 to 1 at w); the viewport
//    origin is the target's top left, as in Direct3D;
//  - where the driver offers clip control (OpenGL 4.5), the picture is laid
//    out top row first, as Direct3D lays it out (gl::Framebuffer reads it
//    either way): a multisampled pixel's samples then sit where Direct3D's
//    standard pattern puts them.
// Reading outside a bound constant buffer gives zeros, as in Direct3D.
#include <cstdint>
#include <memory>
#include <string>

#include "render/gpu_device.h"

namespace brivonel::gl {

// Shader files of the OpenGL backend are GLSL sources with this extension.
inline constexpr char16_t kGlShaderExtension[] = u".glsl";

struct GlState;
struct GlBindings;

class GlGpu final : public gpu::IGpuDevice, public gpu::IGpuContext {
 public:
  // Sets Direct3D's default pipeline state on the current context.
  GlGpu();
  ~GlGpu() override;
  GlGpu(const GlGpu&) = delete;
  GlGpu& operator=(const GlGpu&) = delete;

  // The size of the framebuffer the platform bound: Direct3D places the
  // viewport from the top left, OpenGL (without clip control) from the
  // bottom left.
  void SetRenderTargetSize(std::int32_t width, std::int32_t height);

  // "OpenGL 4.5 (Core Profile) Mesa 22.3.6" and the like.
  static std::string DescribeContext();

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
  // OpenGL has one set of uniform-buffer binding points for all stages: a
  // pixel-shader slot is the vertex-shader slot of the same number, and the
  // last buffer bound to it serves both.
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
  void ApplyViewport();
  void ApplyRasterizer(const gpu::RasterizerDesc& desc);
  bool PrepareDraw();

  std::shared_ptr<GlState> state_;
  std::unique_ptr<GlBindings> bindings_;
};

}  // namespace brivonel::gl
