#include "tests/support/recording_gpu.h"

#include <algorithm>
#include <cstring>

#include "render/dxgi_format_info.h"
#include "render/texture_layout.h"

namespace brivonel::test {

namespace {

constexpr std::uint8_t kDiscardedByte = 0xCD;  // what a discarded mapping holds

// Resolves a description's mip count (0 = full chain); 0 when it exceeds the chain.
std::uint32_t ResolveMips(std::uint32_t requested, std::uint32_t width, std::uint32_t height,
                          std::uint32_t depth) {
  const std::uint32_t full = static_cast<std::uint32_t>(FullMipChain(width, height, depth));
  if (requested == 0) return full;
  return requested > full ? 0 : requested;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string text;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) text += ", ";
    text += parts[i];
  }
  return text;
}

}  // namespace

std::uint32_t FakeTexture::Width() const {
  return dimensions == 1 ? desc1d.width : dimensions == 2 ? desc2d.width : desc3d.width;
}
std::uint32_t FakeTexture::Height() const {
  return dimensions == 1 ? 1 : dimensions == 2 ? desc2d.height : desc3d.height;
}
std::uint32_t FakeTexture::Depth() const { return dimensions == 3 ? desc3d.depth : 1; }
std::uint32_t FakeTexture::MipLevels() const {
  const std::uint32_t requested =
      dimensions == 1 ? desc1d.mipLevels : dimensions == 2 ? desc2d.mipLevels : desc3d.mipLevels;
  return ResolveMips(requested, Width(), Height(), Depth());
}
std::uint32_t FakeTexture::ArraySize() const {
  return dimensions == 1 ? desc1d.arraySize : dimensions == 2 ? desc2d.arraySize : 1;
}
DxgiFormat FakeTexture::Format() const {
  return dimensions == 1 ? desc1d.format : dimensions == 2 ? desc2d.format : desc3d.format;
}
std::uint32_t FakeTexture::MiscFlags() const {
  return dimensions == 1 ? desc1d.miscFlags : dimensions == 2 ? desc2d.miscFlags : desc3d.miscFlags;
}

// --- test controls and log ---

void RecordingGpu::FailCall(std::string_view call, HResult hr, int occurrence) {
  failures_[std::string(call)] = Failure{hr, std::max(occurrence, 1) - 1};
}

void RecordingGpu::FailAlways(std::string_view call, HResult hr) {
  failures_[std::string(call)] = Failure{hr, -1};
}

void RecordingGpu::ClearFailures() { failures_.clear(); }

std::optional<HResult> RecordingGpu::TakeFailure(const std::string& name) {
  const auto it = failures_.find(name);
  if (it == failures_.end()) return std::nullopt;
  if (it->second.remaining < 0) return it->second.hr;
  if (it->second.remaining > 0) {
    --it->second.remaining;
    return std::nullopt;
  }
  const HResult hr = it->second.hr;
  failures_.erase(it);
  return hr;
}

std::vector<std::string> RecordingGpu::CallNames() const {
  std::vector<std::string> names;
  for (const RecordedCall& call : calls_) names.push_back(call.name);
  return names;
}

std::vector<std::string> RecordingGpu::CallTexts() const {
  std::vector<std::string> texts;
  for (const RecordedCall& call : calls_) texts.push_back(call.text);
  return texts;
}

std::vector<const RecordedCall*> RecordingGpu::CallsNamed(std::string_view name) const {
  std::vector<const RecordedCall*> found;
  for (const RecordedCall& call : calls_)
    if (call.name == name) found.push_back(&call);
  return found;
}

std::size_t RecordingGpu::CountCalls(std::string_view name) const {
  return static_cast<std::size_t>(std::count_if(
      calls_.begin(), calls_.end(), [&](const RecordedCall& call) { return call.name == name; }));
}

std::string RecordingGpu::Label(const void* object) const {
  if (object == nullptr) return "null";
  const auto it = labels_.find(object);
  return it == labels_.end() ? "foreign" : it->second;
}

std::string RecordingGpu::NextLabel(const char* kind, const void* object) {
  std::string label = std::string(kind) + "#" + std::to_string(nextNumber_++);
  labels_[object] = label;
  return label;
}

RecordedCall& RecordingGpu::Record(std::string name, std::vector<std::int64_t> numbers,
                                   std::vector<const void*> objects) {
  RecordedCall call;
  call.name = std::move(name);
  std::vector<std::string> parts;
  // Objects first, then numbers, matching the argument order of every call
  // that takes both (slot-first calls put their slot in numbers[0] and are
  // formatted by their callers).
  for (const void* object : objects) parts.push_back(Label(object));
  for (std::int64_t number : numbers) parts.push_back(std::to_string(number));
  call.text = call.name + "(" + Join(parts) + ")";
  call.numbers = std::move(numbers);
  call.objects = std::move(objects);
  calls_.push_back(std::move(call));
  return calls_.back();
}

std::vector<std::shared_ptr<FakeBuffer>> RecordingGpu::LiveBuffers() const {
  std::vector<std::shared_ptr<FakeBuffer>> live;
  for (const auto& weak : buffers_)
    if (auto buffer = weak.lock()) live.push_back(std::move(buffer));
  return live;
}

std::vector<std::shared_ptr<FakeTexture>> RecordingGpu::LiveTextures() const {
  std::vector<std::shared_ptr<FakeTexture>> live;
  for (const auto& weak : textures_)
    if (auto texture = weak.lock()) live.push_back(std::move(texture));
  return live;
}

std::vector<std::shared_ptr<FakeView>> RecordingGpu::LiveViews() const {
  std::vector<std::shared_ptr<FakeView>> live;
  for (const auto& weak : views_)
    if (auto view = weak.lock()) live.push_back(std::move(view));
  return live;
}

FakeBuffer* RecordingGpu::AsBuffer(gpu::Buffer* buffer) { return dynamic_cast<FakeBuffer*>(buffer); }
FakeTexture* RecordingGpu::AsTexture(gpu::Resource* texture) {
  return dynamic_cast<FakeTexture*>(texture);
}
FakeView* RecordingGpu::AsView(gpu::ShaderResourceView* view) {
  return dynamic_cast<FakeView*>(view);
}
FakeInputLayout* RecordingGpu::AsLayout(gpu::InputLayout* layout) {
  return dynamic_cast<FakeInputLayout*>(layout);
}
FakeVertexShader* RecordingGpu::AsVertexShader(gpu::VertexShader* shader) {
  return dynamic_cast<FakeVertexShader*>(shader);
}
FakePixelShader* RecordingGpu::AsPixelShader(gpu::PixelShader* shader) {
  return dynamic_cast<FakePixelShader*>(shader);
}
FakeSampler* RecordingGpu::AsSampler(gpu::SamplerState* sampler) {
  return dynamic_cast<FakeSampler*>(sampler);
}
FakeRasterizer* RecordingGpu::AsRasterizer(gpu::RasterizerState* rasterizer) {
  return dynamic_cast<FakeRasterizer*>(rasterizer);
}

void RecordingGpu::CheckBindFlag(gpu::Buffer* buffer, std::uint32_t flag, const char* call) {
  if (buffer == nullptr) return;
  const FakeBuffer* fake = AsBuffer(buffer);
  if (fake == nullptr) {
    Misuse(std::string(call) + ": buffer not created by this device");
  } else if ((fake->desc.bindFlags & flag) == 0) {
    Misuse(std::string(call) + ": " + fake->label + " lacks the bind flag");
  } else if (fake->mapped) {
    Misuse(std::string(call) + ": " + fake->label + " is mapped");
  }
}

// --- IGpuDevice ---

HResult RecordingGpu::CreateBuffer(const gpu::BufferDesc& desc,
                                   const gpu::SubresourceData* initialData,
                                   std::shared_ptr<gpu::Buffer>* buffer) {
  RecordedCall& call = Record("CreateBuffer",
                              {desc.byteWidth, static_cast<std::int64_t>(desc.usage),
                               desc.bindFlags, desc.cpuAccessFlags},
                              {});
  HResult hr = kSOk;
  if (buffer == nullptr || desc.byteWidth == 0) {
    hr = kEInvalidArg;
  } else if ((desc.bindFlags & gpu::kBindConstantBuffer) != 0 && desc.byteWidth % 16 != 0) {
    hr = kEInvalidArg;
  } else if (desc.usage == gpu::Usage::Dynamic && (desc.cpuAccessFlags & gpu::kCpuAccessWrite) == 0) {
    hr = kEInvalidArg;
  } else if (desc.usage == gpu::Usage::Immutable &&
             (initialData == nullptr || initialData->sysMem == nullptr)) {
    hr = kEInvalidArg;
  } else if (auto failure = TakeFailure(call.name)) {
    hr = *failure;
  }
  call.result = hr;
  if (Failed(hr)) {
    if (buffer != nullptr) buffer->reset();
    return hr;
  }
  auto fake = std::make_shared<FakeBuffer>();
  fake->desc = desc;
  fake->data.assign(desc.byteWidth, 0);
  if (initialData != nullptr && initialData->sysMem != nullptr) {
    std::memcpy(fake->data.data(), initialData->sysMem, desc.byteWidth);
    fake->writes = 1;
  }
  fake->label = NextLabel("buffer", fake.get());
  call.text += " -> " + fake->label;
  buffers_.push_back(fake);
  *buffer = std::move(fake);
  return kSOk;
}

HResult RecordingGpu::CopyInitialData(FakeTexture& texture,
                                      const gpu::SubresourceData* initialData,
                                      std::uint32_t arraySize, std::uint32_t mipLevels) {
  if (initialData == nullptr) return kSOk;
  const DxgiFormat format = texture.Format();
  for (std::uint32_t slice = 0; slice < arraySize; ++slice) {
    for (std::uint32_t mip = 0; mip < mipLevels; ++mip) {
      const gpu::SubresourceData& source = initialData[slice * mipLevels + mip];
      if (source.sysMem == nullptr) return kEInvalidArg;
      ImagePitch layout;
      if (Failed(ComputePitch(format, MipSize(texture.Width(), mip),
                              MipSize(texture.Height(), mip), &layout)) ||
          layout.rowPitch == 0) {
        return kEInvalidArg;
      }
      const std::uint64_t rowBytes = layout.rowPitch;
      const std::uint64_t rows = layout.slicePitch / layout.rowPitch;
      const std::uint64_t depth = MipSize(texture.Depth(), mip);
      // 1-D textures ignore the pitches; 2-D and 3-D rows must hold a row.
      const std::uint64_t pitch = texture.dimensions == 1 ? rowBytes : source.sysMemPitch;
      if (pitch < rowBytes) return kEInvalidArg;
      const std::uint64_t slicePitch =
          texture.dimensions == 3 ? source.sysMemSlicePitch : pitch * rows;
      if (slicePitch < pitch * (rows - 1) + rowBytes) return kEInvalidArg;
      const std::uint64_t size = slicePitch * (depth - 1) + pitch * (rows - 1) + rowBytes;
      FakeSubresource copy;
      const auto* bytes = static_cast<const std::uint8_t*>(source.sysMem);
      copy.bytes.assign(bytes, bytes + size);
      copy.rowPitch = static_cast<std::uint32_t>(pitch);
      copy.slicePitch = static_cast<std::uint32_t>(slicePitch);
      texture.subresources.push_back(std::move(copy));
    }
  }
  return kSOk;
}

HResult RecordingGpu::FinishTexture(std::shared_ptr<FakeTexture> texture, const char* name,
                                    const gpu::SubresourceData* initialData,
                                    std::shared_ptr<gpu::Resource>* out) {
  RecordedCall& call =
      Record(name,
             {texture->Width(), texture->Height(), texture->Depth(),
              static_cast<std::int64_t>(texture->dimensions == 1   ? texture->desc1d.mipLevels
                                        : texture->dimensions == 2 ? texture->desc2d.mipLevels
                                                                   : texture->desc3d.mipLevels),
              texture->ArraySize(), static_cast<std::int64_t>(texture->Format()),
              texture->MiscFlags()},
             {});
  const std::uint32_t mips = texture->MipLevels();
  const std::uint32_t arraySize = texture->ArraySize();
  const bool cube = (texture->MiscFlags() & gpu::kResourceMiscTextureCube) != 0;
  HResult hr = kSOk;
  if (out == nullptr || texture->Width() == 0 || texture->Height() == 0 ||
      texture->Depth() == 0 || arraySize == 0 || mips == 0 ||
      BitsPerPixel(texture->Format()) == 0) {
    hr = kEInvalidArg;
  } else if (cube && (texture->dimensions != 2 || arraySize % 6 != 0 ||
                      texture->Width() != texture->Height())) {
    hr = kEInvalidArg;
  } else if (BlockCompressedBytes(texture->Format()) != 0 &&
             (texture->Width() % 4 != 0 || texture->Height() % 4 != 0)) {
    // Direct3D wants whole blocks at the top level.
    hr = kEInvalidArg;
  } else {
    hr = CopyInitialData(*texture, initialData, arraySize, mips);
  }
  if (Succeeded(hr)) {
    if (auto failure = TakeFailure(call.name)) hr = *failure;
  }
  call.result = hr;
  if (Failed(hr)) {
    if (out != nullptr) out->reset();
    return hr;
  }
  texture->label = NextLabel("texture", texture.get());
  call.text += " -> " + texture->label;
  textures_.push_back(texture);
  *out = std::move(texture);
  return kSOk;
}

HResult RecordingGpu::CreateTexture1D(const gpu::Texture1DDesc& desc,
                                      const gpu::SubresourceData* initialData,
                                      std::shared_ptr<gpu::Resource>* texture) {
  auto fake = std::make_shared<FakeTexture>();
  fake->dimensions = 1;
  fake->desc1d = desc;
  return FinishTexture(std::move(fake), "CreateTexture1D", initialData, texture);
}

HResult RecordingGpu::CreateTexture2D(const gpu::Texture2DDesc& desc,
                                      const gpu::SubresourceData* initialData,
                                      std::shared_ptr<gpu::Resource>* texture) {
  auto fake = std::make_shared<FakeTexture>();
  fake->dimensions = 2;
  fake->desc2d = desc;
  return FinishTexture(std::move(fake), "CreateTexture2D", initialData, texture);
}

HResult RecordingGpu::CreateTexture3D(const gpu::Texture3DDesc& desc,
                                      const gpu::SubresourceData* initialData,
                                      std::shared_ptr<gpu::Resource>* texture) {
  auto fake = std::make_shared<FakeTexture>();
  fake->dimensions = 3;
  fake->desc3d = desc;
  return FinishTexture(std::move(fake), "CreateTexture3D", initialData, texture);
}

HResult RecordingGpu::CreateShaderResourceView(const std::shared_ptr<gpu::Resource>& texture,
                                               const gpu::ShaderResourceViewDesc* desc,
                                               std::shared_ptr<gpu::ShaderResourceView>* view) {
  std::vector<std::int64_t> numbers;
  if (desc != nullptr) {
    numbers = {static_cast<std::int64_t>(desc->format),
               static_cast<std::int64_t>(desc->viewDimension),
               desc->mostDetailedMip,
               desc->mipLevels,
               desc->firstArraySlice,
               desc->arraySize};
  }
  RecordedCall& call = Record("CreateShaderResourceView", numbers, {texture.get()});
  auto fake = std::make_shared<FakeView>();
  fake->texture = std::dynamic_pointer_cast<FakeTexture>(texture);
  HResult hr = kSOk;
  if (view == nullptr || fake->texture == nullptr) {
    hr = kEInvalidArg;
  } else {
    const FakeTexture& t = *fake->texture;
    const bool cube = (t.MiscFlags() & gpu::kResourceMiscTextureCube) != 0;
    if (desc == nullptr) {
      // The default view covers the whole resource.
      fake->defaultDesc = true;
      fake->desc.format = t.Format();
      fake->desc.mipLevels = t.MipLevels();
      fake->desc.arraySize = t.ArraySize();
      if (t.dimensions == 1) {
        fake->desc.viewDimension =
            t.ArraySize() > 1 ? gpu::SrvDimension::Texture1DArray : gpu::SrvDimension::Texture1D;
      } else if (t.dimensions == 3) {
        fake->desc.viewDimension = gpu::SrvDimension::Texture3D;
      } else if (cube) {
        fake->desc.viewDimension = t.ArraySize() > 6 ? gpu::SrvDimension::TextureCubeArray
                                                     : gpu::SrvDimension::TextureCube;
        fake->desc.arraySize = t.ArraySize() / 6;
      } else {
        fake->desc.viewDimension =
            t.ArraySize() > 1 ? gpu::SrvDimension::Texture2DArray : gpu::SrvDimension::Texture2D;
      }
    } else {
      fake->desc = *desc;
      const gpu::SrvDimension d = desc->viewDimension;
      const int needed = (d == gpu::SrvDimension::Texture1D || d == gpu::SrvDimension::Texture1DArray)
                             ? 1
                         : d == gpu::SrvDimension::Texture3D ? 3
                                                             : 2;
      const bool cubeView =
          d == gpu::SrvDimension::TextureCube || d == gpu::SrvDimension::TextureCubeArray;
      const bool arrayView = d == gpu::SrvDimension::Texture1DArray ||
                             d == gpu::SrvDimension::Texture2DArray ||
                             d == gpu::SrvDimension::TextureCubeArray;
      // A mip count of all ones means every level from the most detailed one.
      const std::uint64_t mipEnd =
          desc->mipLevels == 0xFFFFFFFFu
              ? t.MipLevels()
              : static_cast<std::uint64_t>(desc->mostDetailedMip) + desc->mipLevels;
      const std::uint64_t sliceEnd =
          cubeView ? static_cast<std::uint64_t>(desc->firstArraySlice) +
                         6ull * (d == gpu::SrvDimension::TextureCube ? 1 : desc->arraySize)
          : arrayView ? static_cast<std::uint64_t>(desc->firstArraySlice) + desc->arraySize
                      : 1;
      if (desc->format != t.Format() && desc->format != DxgiFormat::Unknown) {
        hr = kEInvalidArg;
      } else if (needed != t.dimensions || (cubeView && !cube)) {
        hr = kEInvalidArg;
      } else if (desc->mipLevels == 0 || mipEnd > t.MipLevels() ||
                 desc->mostDetailedMip >= t.MipLevels()) {
        hr = kEInvalidArg;
      } else if ((arrayView || cubeView) &&
                 ((d != gpu::SrvDimension::TextureCube && desc->arraySize == 0) ||
                  sliceEnd > t.ArraySize())) {
        hr = kEInvalidArg;
      }
    }
  }
  if (Succeeded(hr)) {
    if (auto failure = TakeFailure(call.name)) hr = *failure;
  }
  call.result = hr;
  if (Failed(hr)) {
    if (view != nullptr) view->reset();
    return hr;
  }
  fake->label = NextLabel("view", fake.get());
  call.text += " -> " + fake->label;
  views_.push_back(fake);
  *view = std::move(fake);
  return kSOk;
}

HResult RecordingGpu::CreateInputLayout(const gpu::InputElementDesc* elements,
                                        std::uint32_t count, const void* shaderBytecode,
                                        std::size_t bytecodeLength,
                                        std::shared_ptr<gpu::InputLayout>* layout) {
  RecordedCall& call =
      Record("CreateInputLayout", {count, static_cast<std::int64_t>(bytecodeLength)}, {});
  HResult hr = kSOk;
  if (layout == nullptr || (count > 0 && elements == nullptr) || count > 32 ||
      shaderBytecode == nullptr || bytecodeLength == 0) {
    hr = kEInvalidArg;
  } else {
    for (std::uint32_t i = 0; i < count; ++i)
      if (elements[i].semanticName == nullptr) hr = kEInvalidArg;
  }
  if (Succeeded(hr)) {
    if (auto failure = TakeFailure(call.name)) hr = *failure;
  }
  call.result = hr;
  if (Failed(hr)) {
    if (layout != nullptr) layout->reset();
    return hr;
  }
  auto fake = std::make_shared<FakeInputLayout>();
  fake->elements.resize(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    fake->elements[i].semanticName = elements[i].semanticName;
    fake->elements[i].desc = elements[i];
    fake->elements[i].desc.semanticName = fake->elements[i].semanticName.c_str();
  }
  const auto* bytes = static_cast<const std::uint8_t*>(shaderBytecode);
  fake->bytecode.assign(bytes, bytes + bytecodeLength);
  fake->label = NextLabel("layout", fake.get());
  call.text += " -> " + fake->label;
  *layout = std::move(fake);
  return kSOk;
}

HResult RecordingGpu::CreateVertexShader(const void* bytecode, std::size_t length,
                                         std::shared_ptr<gpu::VertexShader>* shader) {
  RecordedCall& call = Record("CreateVertexShader", {static_cast<std::int64_t>(length)}, {});
  HResult hr = (shader == nullptr || bytecode == nullptr || length == 0) ? kEInvalidArg : kSOk;
  if (Succeeded(hr)) {
    if (auto failure = TakeFailure(call.name)) hr = *failure;
  }
  call.result = hr;
  if (Failed(hr)) {
    if (shader != nullptr) shader->reset();
    return hr;
  }
  auto fake = std::make_shared<FakeVertexShader>();
  const auto* bytes = static_cast<const std::uint8_t*>(bytecode);
  fake->bytecode.assign(bytes, bytes + length);
  fake->label = NextLabel("vs", fake.get());
  call.text += " -> " + fake->label;
  *shader = std::move(fake);
  return kSOk;
}

HResult RecordingGpu::CreatePixelShader(const void* bytecode, std::size_t length,
                                        std::shared_ptr<gpu::PixelShader>* shader) {
  RecordedCall& call = Record("CreatePixelShader", {static_cast<std::int64_t>(length)}, {});
  HResult hr = (shader == nullptr || bytecode == nullptr || length == 0) ? kEInvalidArg : kSOk;
  if (Succeeded(hr)) {
    if (auto failure = TakeFailure(call.name)) hr = *failure;
  }
  call.result = hr;
  if (Failed(hr)) {
    if (shader != nullptr) shader->reset();
    return hr;
  }
  auto fake = std::make_shared<FakePixelShader>();
  const auto* bytes = static_cast<const std::uint8_t*>(bytecode);
  fake->bytecode.assign(bytes, bytes + length);
  fake->label = NextLabel("ps", fake.get());
  call.text += " -> " + fake->label;
  *shader = std::move(fake);
  return kSOk;
}

HResult RecordingGpu::CreateSamplerState(const gpu::SamplerDesc& desc,
                                         std::shared_ptr<gpu::SamplerState>* state) {
  RecordedCall& call = Record("CreateSamplerState",
                              {static_cast<std::int64_t>(desc.filter),
                               static_cast<std::int64_t>(desc.addressU),
                               static_cast<std::int64_t>(desc.addressV),
                               static_cast<std::int64_t>(desc.addressW)},
                              {});
  HResult hr = state == nullptr || desc.minLod > desc.maxLod ? kEInvalidArg : kSOk;
  if (Succeeded(hr)) {
    if (auto failure = TakeFailure(call.name)) hr = *failure;
  }
  call.result = hr;
  if (Failed(hr)) {
    if (state != nullptr) state->reset();
    return hr;
  }
  auto fake = std::make_shared<FakeSampler>();
  fake->desc = desc;
  fake->label = NextLabel("sampler", fake.get());
  call.text += " -> " + fake->label;
  *state = std::move(fake);
  return kSOk;
}

HResult RecordingGpu::CreateRasterizerState(const gpu::RasterizerDesc& desc,
                                            std::shared_ptr<gpu::RasterizerState>* state) {
  RecordedCall& call = Record("CreateRasterizerState",
                              {static_cast<std::int64_t>(desc.fillMode),
                               static_cast<std::int64_t>(desc.cullMode),
                               desc.frontCounterClockwise ? 1 : 0, desc.depthClipEnable ? 1 : 0},
                              {});
  HResult hr = state == nullptr ? kEInvalidArg : kSOk;
  if (Succeeded(hr)) {
    if (auto failure = TakeFailure(call.name)) hr = *failure;
  }
  call.result = hr;
  if (Failed(hr)) {
    if (state != nullptr) state->reset();
    return hr;
  }
  auto fake = std::make_shared<FakeRasterizer>();
  fake->desc = desc;
  fake->label = NextLabel("rasterizer", fake.get());
  call.text += " -> " + fake->label;
  *state = std::move(fake);
  return kSOk;
}

// --- IGpuContext ---

HResult RecordingGpu::Map(gpu::Buffer* buffer, gpu::MapType type, gpu::MappedSubresource* mapped) {
  RecordedCall& call = Record("Map", {static_cast<std::int64_t>(type)}, {buffer});
  FakeBuffer* fake = AsBuffer(buffer);
  HResult hr = kSOk;
  if (fake == nullptr || mapped == nullptr) {
    hr = kEInvalidArg;
  } else if (fake->desc.usage != gpu::Usage::Dynamic || type != gpu::MapType::WriteDiscard) {
    Misuse("Map: " + fake->label + " is not a dynamic buffer mapped with discard");
    hr = kEInvalidArg;
  } else if (fake->mapped) {
    Misuse("Map: " + fake->label + " is already mapped");
    hr = kEInvalidArg;
  } else if (auto failure = TakeFailure(call.name)) {
    hr = *failure;
  }
  call.result = hr;
  if (Failed(hr)) {
    if (mapped != nullptr) *mapped = {};
    return hr;
  }
  // Discarding hands out memory whose previous content is gone.
  std::fill(fake->data.begin(), fake->data.end(), kDiscardedByte);
  fake->mapped = true;
  mapped->data = fake->data.data();
  mapped->rowPitch = fake->desc.byteWidth;
  mapped->depthPitch = fake->desc.byteWidth;
  return kSOk;
}

void RecordingGpu::Unmap(gpu::Buffer* buffer) {
  RecordedCall& call = Record("Unmap", {}, {buffer});
  FakeBuffer* fake = AsBuffer(buffer);
  if (fake == nullptr || !fake->mapped) {
    Misuse("Unmap: " + Label(buffer) + " is not mapped");
    return;
  }
  fake->mapped = false;
  ++fake->writes;
  call.bytes = fake->data;
}

void RecordingGpu::UpdateSubresource(gpu::Buffer* buffer, const void* data) {
  RecordedCall& call = Record("UpdateSubresource", {}, {buffer});
  FakeBuffer* fake = AsBuffer(buffer);
  if (fake == nullptr || data == nullptr) {
    Misuse("UpdateSubresource: " + Label(buffer) + " or its data is missing");
    return;
  }
  if (fake->desc.usage != gpu::Usage::Default) {
    Misuse("UpdateSubresource: " + fake->label + " is not a default-usage buffer");
  }
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  fake->data.assign(bytes, bytes + fake->desc.byteWidth);
  ++fake->writes;
  call.bytes = fake->data;
}

void RecordingGpu::SetConstantBuffer(const std::string& name, std::uint32_t slot,
                                     gpu::Buffer* buffer,
                                     std::map<std::uint32_t, gpu::Buffer*>& slots) {
  RecordedCall& call = Record(name, {slot}, {buffer});
  call.text = name + "(" + std::to_string(slot) + ", " + Label(buffer) + ")";
  CheckBindFlag(buffer, gpu::kBindConstantBuffer, name.c_str());
  if (slot >= 14) Misuse(name + ": slot out of range");
  slots[slot] = buffer;
}

void RecordingGpu::VSSetConstantBuffers(std::uint32_t slot, gpu::Buffer* buffer) {
  SetConstantBuffer("VSSetConstantBuffers", slot, buffer, bindings_.vsConstantBuffers);
}

void RecordingGpu::PSSetConstantBuffers(std::uint32_t slot, gpu::Buffer* buffer) {
  SetConstantBuffer("PSSetConstantBuffers", slot, buffer, bindings_.psConstantBuffers);
}

void RecordingGpu::IASetVertexBuffers(std::uint32_t slot, gpu::Buffer* buffer,
                                      std::uint32_t stride, std::uint32_t offset) {
  RecordedCall& call = Record("IASetVertexBuffers", {slot, stride, offset}, {buffer});
  call.text = "IASetVertexBuffers(" + std::to_string(slot) + ", " + Label(buffer) + ", " +
              std::to_string(stride) + ", " + std::to_string(offset) + ")";
  CheckBindFlag(buffer, gpu::kBindVertexBuffer, "IASetVertexBuffers");
  bindings_.vertexBuffers[slot] = buffer;
  bindings_.vertexStride = stride;
  bindings_.vertexOffset = offset;
}

void RecordingGpu::IASetIndexBuffer(gpu::Buffer* buffer, DxgiFormat format, std::uint32_t offset) {
  Record("IASetIndexBuffer", {static_cast<std::int64_t>(format), offset}, {buffer});
  CheckBindFlag(buffer, gpu::kBindIndexBuffer, "IASetIndexBuffer");
  if (format != DxgiFormat::R32_UINT && format != DxgiFormat::R16_UINT)
    Misuse("IASetIndexBuffer: format is not R16_UINT or R32_UINT");
  bindings_.indexBuffer = buffer;
  bindings_.indexFormat = format;
}

void RecordingGpu::IASetPrimitiveTopology(gpu::PrimitiveTopology topology) {
  Record("IASetPrimitiveTopology", {static_cast<std::int64_t>(topology)}, {});
  bindings_.topology = topology;
}

void RecordingGpu::IASetInputLayout(gpu::InputLayout* layout) {
  Record("IASetInputLayout", {}, {layout});
  bindings_.inputLayout = layout;
}

void RecordingGpu::VSSetShader(gpu::VertexShader* shader) {
  Record("VSSetShader", {}, {shader});
  bindings_.vertexShader = shader;
}

void RecordingGpu::PSSetShader(gpu::PixelShader* shader) {
  Record("PSSetShader", {}, {shader});
  bindings_.pixelShader = shader;
}

void RecordingGpu::RSSetState(gpu::RasterizerState* state) {
  Record("RSSetState", {}, {state});
  bindings_.rasterizer = state;
}

void RecordingGpu::PSSetShaderResources(std::uint32_t slot, gpu::ShaderResourceView* view) {
  RecordedCall& call = Record("PSSetShaderResources", {slot}, {view});
  call.text = "PSSetShaderResources(" + std::to_string(slot) + ", " + Label(view) + ")";
  bindings_.psResources[slot] = view;
}

void RecordingGpu::PSSetSamplers(std::uint32_t slot, gpu::SamplerState* sampler) {
  RecordedCall& call = Record("PSSetSamplers", {slot}, {sampler});
  call.text = "PSSetSamplers(" + std::to_string(slot) + ", " + Label(sampler) + ")";
  bindings_.psSamplers[slot] = sampler;
}

void RecordingGpu::DrawIndexed(std::uint32_t indexCount, std::uint32_t startIndexLocation,
                               std::int32_t baseVertexLocation) {
  Record("DrawIndexed", {indexCount, startIndexLocation, baseVertexLocation}, {});
  const Bindings& b = bindings_;
  DrawRecord& draw = draws_.emplace_back();
  draw.bindings = b;
  draw.indexCount = indexCount;
  draw.startIndex = startIndexLocation;
  for (const auto& [slot, buffer] : b.vsConstantBuffers)
    if (const FakeBuffer* fake = AsBuffer(buffer)) draw.vsConstants[slot] = fake->data;
  if (const auto vertices = b.vertexBuffers.find(0); vertices != b.vertexBuffers.end())
    if (const FakeBuffer* fake = AsBuffer(vertices->second)) draw.vertices = fake->data;
  if (b.vertexShader == nullptr || b.pixelShader == nullptr || b.inputLayout == nullptr)
    Misuse("DrawIndexed: shaders or input layout not bound");
  if (b.indexBuffer == nullptr) {
    Misuse("DrawIndexed: no index buffer");
  } else if (const FakeBuffer* index = AsBuffer(b.indexBuffer)) {
    const std::uint64_t indexBytes = b.indexFormat == DxgiFormat::R16_UINT ? 2 : 4;
    if ((static_cast<std::uint64_t>(startIndexLocation) + indexCount) * indexBytes >
        index->desc.byteWidth)
      Misuse("DrawIndexed: indices beyond the index buffer");
  }
  for (const auto& [slot, buffer] : b.vsConstantBuffers) {
    const FakeBuffer* fake = AsBuffer(buffer);
    if (fake != nullptr && fake->mapped) Misuse("DrawIndexed: a constant buffer is mapped");
  }
  for (const auto& [slot, buffer] : b.vertexBuffers) {
    const FakeBuffer* fake = AsBuffer(buffer);
    if (fake != nullptr && fake->mapped) Misuse("DrawIndexed: a vertex buffer is mapped");
  }
}

void RecordingGpu::ClearRenderTargetView(const float rgba[4]) {
  RecordedCall& call = Record("ClearRenderTargetView", {}, {});
  call.text = "ClearRenderTargetView(" + std::to_string(rgba[0]) + ", " +
              std::to_string(rgba[1]) + ", " + std::to_string(rgba[2]) + ", " +
              std::to_string(rgba[3]) + ")";
  call.bytes.resize(sizeof(float) * 4);
  std::memcpy(call.bytes.data(), rgba, sizeof(float) * 4);
}

void RecordingGpu::ClearDepthStencilView(float depth, std::uint8_t stencil) {
  RecordedCall& call = Record("ClearDepthStencilView", {stencil}, {});
  call.text = "ClearDepthStencilView(" + std::to_string(depth) + ", " +
              std::to_string(stencil) + ")";
  call.bytes.resize(sizeof(float));
  std::memcpy(call.bytes.data(), &depth, sizeof(float));
}

void RecordingGpu::RSSetViewports(const gpu::Viewport& viewport) {
  RecordedCall& call = Record("RSSetViewports", {}, {});
  call.text = "RSSetViewports(" + std::to_string(viewport.topLeftX) + ", " +
              std::to_string(viewport.topLeftY) + ", " + std::to_string(viewport.width) + ", " +
              std::to_string(viewport.height) + ", " + std::to_string(viewport.minDepth) + ", " +
              std::to_string(viewport.maxDepth) + ")";
  call.bytes.resize(sizeof viewport);
  std::memcpy(call.bytes.data(), &viewport, sizeof viewport);
  bindings_.viewport = viewport;
}

}  // namespace brivonel::test
