#pragma once
// Per-model caches of the compiled shaders its materials are drawn with,
// keyed by shader name and loaded from "<directory><name><extension>".
#include <memory>
#include <string>
#include <vector>

#include "render/gpu_device.h"

namespace brivonel {

// The nine-element layout of the 108-byte model vertex.
extern const gpu::InputElementDesc kVertexInputLayout[9];

class VertexShaderInfo {
 public:
  virtual ~VertexShaderInfo() = default;

  std::u16string name;
  std::shared_ptr<gpu::InputLayout> inputLayout;
  std::shared_ptr<gpu::VertexShader> vertexShader;
};

class PixelShaderInfo {
 public:
  virtual ~PixelShaderInfo() = default;

  std::u16string name;
  std::shared_ptr<gpu::PixelShader> pixelShader;
};

// The extension of compiled shader files: ".cso" for Direct3D; the OpenGL
// backend uses its own.
inline constexpr char16_t kDefaultShaderExtension[] = u".cso";

class VertexShaderPool {
 public:
  virtual ~VertexShaderPool() = default;

  void SetDevice(std::shared_ptr<gpu::IGpuDevice> device) { device_ = std::move(device); }
  void SetFileExtension(std::u16string extension) { extension_ = std::move(extension); }
  int Find(std::u16string_view name) const;
  // -1 when the file is missing; a device refusal raises AppException 1103.
  int Load(std::u16string_view directory, std::u16string_view name);
  const VertexShaderInfo& Get(int index) const { return entries_[static_cast<std::size_t>(index)]; }
  void Clear() { entries_.clear(); }
  std::size_t Size() const { return entries_.size(); }

 private:
  std::shared_ptr<gpu::IGpuDevice> device_;
  std::u16string extension_ = kDefaultShaderExtension;
  std::vector<VertexShaderInfo> entries_;
};

class PixelShaderPool {
 public:
  virtual ~PixelShaderPool() = default;

  void SetDevice(std::shared_ptr<gpu::IGpuDevice> device) { device_ = std::move(device); }
  void SetFileExtension(std::u16string extension) { extension_ = std::move(extension); }
  int Find(std::u16string_view name) const;
  // -1 when the file is missing; a device refusal raises AppException 1100.
  int Load(std::u16string_view directory, std::u16string_view name);
  const PixelShaderInfo& Get(int index) const { return entries_[static_cast<std::size_t>(index)]; }
  void Clear() { entries_.clear(); }
  std::size_t Size() const { return entries_.size(); }

 private:
  std::shared_ptr<gpu::IGpuDevice> device_;
  std::u16string extension_ = kDefaultShaderExtension;
  std::vector<PixelShaderInfo> entries_;
};

}  // namespace brivonel
