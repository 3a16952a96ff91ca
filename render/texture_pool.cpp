#include "render/texture_pool.h"

#include <algorithm>
#include <filesystem>

#include "base/app_exception.h"
#include "base/unicode.h"
#include "render/texture_loaders.h"

namespace brivonel {

void TexturePool::SetDevice(std::shared_ptr<gpu::IGpuDevice> device) {
  device_ = std::move(device);
}

int TexturePool::Find(std::u16string_view name) const {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

void TexturePool::Clear() {
  entries_.clear();
  notFound_.clear();
  refused_.reset();
}

namespace {

// Texture names come from files written on Windows and may use either
// separator for their subfolders; both resolve below the model folder.
std::u16string JoinTexturePath(std::u16string_view directory, std::u16string_view name) {
  std::u16string path(directory);
  path += name;
  constexpr auto kSeparator = static_cast<char16_t>(std::filesystem::path::preferred_separator);
  for (char16_t& c : path) {
    if (c == u'\\' || c == u'/') c = kSeparator;
  }
  return path;
}

}  // namespace

int TexturePool::Load(std::u16string_view directory, std::u16string_view name,
                      WhenMissing whenMissing) {
  TextureInfo entry;
  entry.name = name;
  const std::u16string path = JoinTexturePath(directory, name);
  std::error_code ignored;
  if (!std::filesystem::exists(ToFsPath(path), ignored)) {
    if (whenMissing == WhenMissing::kStandIn) return -1;
    const bool known = std::any_of(notFound_.begin(), notFound_.end(),
                                   [&](const TextureLookup& l) { return l.name == name; });
    if (!known) notFound_.push_back({std::u16string(name), path});
    return -1;
  }

  // A name without any "." is not loaded; otherwise its exact, case-sensitive
  // extension picks the loader.
  if (name.find(u'.') == std::u16string_view::npos) return -1;
  LoadedImage image;
  HResult hr = LoadTextureFile(path, &entry.metadata, image);
  if (Succeeded(hr)) {
    hr = CreateTextureView(device_.get(), image.images.data(), image.images.size(),
                           entry.metadata, &entry.shaderResourceView);
  }
  if (Failed(hr)) {
    refused_ = TextureLookup{std::u16string(name), path};
    throw AppException(hr, error::kTextures);
  }
  entries_.push_back(std::move(entry));
  return static_cast<int>(entries_.size()) - 1;
}

}  // namespace brivonel
