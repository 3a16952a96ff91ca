#include "render/shader_pool.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/app_exception.h"
#include "base/unicode.h"

namespace brivonel {

const gpu::InputElementDesc kVertexInputLayout[9] = {
    {"POSITION", 0, DxgiFormat::R32G32B32A32_FLOAT, 0, 0},
    {"NORMAL", 0, DxgiFormat::R32G32B32_FLOAT, 0, 16},
    {"BONEINDEXES", 0, DxgiFormat::R8G8B8A8_UINT, 0, 28},
    {"BONEWEIGHTS", 0, DxgiFormat::R8G8B8A8_UINT, 0, 32},
    {"TEXCOORD", 0, DxgiFormat::R32G32_FLOAT, 0, 36},
    {"TEXCOORD", 1, DxgiFormat::R32G32B32A32_FLOAT, 0, 44},
    {"TEXCOORD", 2, DxgiFormat::R32G32B32A32_FLOAT, 0, 60},
    {"TEXCOORD", 3, DxgiFormat::R32G32B32A32_FLOAT, 0, 76},
    {"TEXCOORD", 4, DxgiFormat::R32G32B32A32_FLOAT, 0, 92},
};

namespace {

// Reads the compiled shader; a file that exists but cannot be read raises the
// stream's failure to the caller.
std::vector<char> ReadShaderFile(const std::filesystem::path& path) {
  std::ifstream file;
  file.exceptions(std::ios::failbit | std::ios::badbit);
  file.open(path, std::ios::binary);
  file.exceptions(std::ios::badbit);
  return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

template <typename Entry>
int FindByName(const std::vector<Entry>& entries, std::u16string_view name) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

std::filesystem::path ShaderPath(std::u16string_view directory, std::u16string_view name,
                                 const std::u16string& extension) {
  std::u16string path(directory);
  path += name;
  path += extension;
  return ToFsPath(path);
}

}  // namespace

int VertexShaderPool::Find(std::u16string_view name) const { return FindByName(entries_, name); }

int VertexShaderPool::Load(std::u16string_view directory, std::u16string_view name) {
  VertexShaderInfo entry;
  entry.name = name;
  const std::filesystem::path path = ShaderPath(directory, name, extension_);
  std::error_code ignored;
  if (!std::filesystem::exists(path, ignored)) return -1;
  const std::vector<char> bytecode = ReadShaderFile(path);
  if (!device_) throw AppException(kEPointer, error::kShaders);
  ThrowIfFailed(device_->CreateInputLayout(kVertexInputLayout, 9, bytecode.data(),
                                           bytecode.size(), &entry.inputLayout),
                error::kShaders);
  ThrowIfFailed(device_->CreateVertexShader(bytecode.data(), bytecode.size(), &entry.vertexShader),
                error::kShaders);
  entries_.push_back(std::move(entry));
  return static_cast<int>(entries_.size()) - 1;
}

int PixelShaderPool::Find(std::u16string_view name) const { return FindByName(entries_, name); }

int PixelShaderPool::Load(std::u16string_view directory, std::u16string_view name) {
  PixelShaderInfo entry;
  entry.name = name;
  const std::filesystem::path path = ShaderPath(directory, name, extension_);
  std::error_code ignored;
  if (!std::filesystem::exists(path, ignored)) return -1;
  const std::vector<char> bytecode = ReadShaderFile(path);
  if (!device_) throw AppException(kEPointer, error::kDevice);
  ThrowIfFailed(device_->CreatePixelShader(bytecode.data(), bytecode.size(), &entry.pixelShader),
                error::kDevice);
  entries_.push_back(std::move(entry));
  return static_cast<int>(entries_.size()) - 1;
}

}  // namespace brivonel
