#pragma once
// Per-model cache of the textures its materials name, one shader resource
// view per loaded file, addressed by a small index.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "render/gpu_device.h"
#include "render/texture_image.h"

namespace brivonel {

class TextureInfo {
 public:
  virtual ~TextureInfo() = default;

  std::u16string name;  // exactly as passed to Load (relative to the model folder)
  TextureMetadata metadata;
  std::shared_ptr<gpu::ShaderResourceView> shaderResourceView;
};

// A texture file the pool looked for: the name as the model gives it and the
// path that name resolved to.
struct TextureLookup {
  std::u16string name;
  std::u16string path;
};

// Whether a missing file is worth telling the user about: a shared toon ramp
// that is not beside the model (most models do not ship them) is drawn with
// a built-in one instead.
enum class WhenMissing { kNote, kStandIn };

class TexturePool {
 public:
  virtual ~TexturePool() = default;

  void SetDevice(std::shared_ptr<gpu::IGpuDevice> device);
  // Index of the first entry whose name equals name exactly, or -1.
  int Find(std::u16string_view name) const;
  // Loads directory + name into a new entry and returns its index; -1 when no
  // file exists there or the name has no extension. A file that exists but
  // cannot be decoded, or that the device refuses, raises AppException with
  // code 1104 and the failing result; the pool is then unchanged. A missing
  // file is listed in NotFound unless the caller has a stand-in for it.
  int Load(std::u16string_view directory, std::u16string_view name,
           WhenMissing whenMissing = WhenMissing::kNote);
  // The entry at index, which must come from Find or Load since the last Clear.
  const TextureInfo& Get(int index) const { return entries_[static_cast<std::size_t>(index)]; }
  void Clear();
  std::size_t Size() const { return entries_.size(); }

  // What the program passes over in silence, for tools to report: the names
  // Load found no file for since the last Clear (each once, in the order
  // asked for, stand-ins left out), and the texture whose loading raised the last AppException.
  const std::vector<TextureLookup>& NotFound() const { return notFound_; }
  const std::optional<TextureLookup>& Refused() const { return refused_; }

 private:
  std::shared_ptr<gpu::IGpuDevice> device_;
  std::vector<TextureInfo> entries_;
  std::vector<TextureLookup> notFound_;
  std::optional<TextureLookup> refused_;
};

}  // namespace brivonel
