// Building the joined vertex and index data and every GPU object a model is
// drawn with: buffers, samplers, the rasterizer states of the material and
// edge passes, and the built-in toon ramps its materials need.
#include <algorithm>
#include <cfloat>
#include <cstring>
#include <limits>

#include "base/app_exception.h"
#include "model/model.h"
#include "render/constant_buffer.h"
#include "render/toon_ramps.h"

namespace brivonel {

namespace {

constexpr std::uint32_t kBytesPerBone = sizeof(SkinningMatrix);

// Byte size of count records of recordSize bytes, or a thrown 1102 when the
// device could not describe that many (buffer sizes are 32-bit).
std::uint32_t BufferBytes(std::size_t count, std::size_t recordSize) {
  if (count > std::numeric_limits<std::uint32_t>::max() / recordSize)
    throw AppException(kEOutOfMemory, error::kBuffers);
  return static_cast<std::uint32_t>(count * recordSize);
}

std::shared_ptr<gpu::SamplerState> CreateLinearSampler(gpu::IGpuDevice& device,
                                                       gpu::TextureAddressMode addressing) {
  gpu::SamplerDesc desc;
  desc.filter = gpu::Filter::MinMagMipLinear;
  desc.addressU = addressing;
  desc.addressV = addressing;
  desc.addressW = addressing;
  desc.mipLodBias = 0.0f;
  desc.maxAnisotropy = 0;
  desc.comparisonFunc = gpu::ComparisonFunc::Never;
  desc.minLod = 0.0f;
  desc.maxLod = FLT_MAX;
  std::shared_ptr<gpu::SamplerState> sampler;
  ThrowIfFailed(device.CreateSamplerState(desc, &sampler), error::kBuffers);
  return sampler;
}

std::shared_ptr<gpu::RasterizerState> CreateRasterizer(gpu::IGpuDevice& device,
                                                       gpu::CullMode culling) {
  gpu::RasterizerDesc desc;
  desc.fillMode = gpu::FillMode::Solid;
  desc.cullMode = culling;
  desc.frontCounterClockwise = false;
  desc.depthClipEnable = true;
  std::shared_ptr<gpu::RasterizerState> rasterizer;
  ThrowIfFailed(device.CreateRasterizerState(desc, &rasterizer), error::kBuffers);
  return rasterizer;
}

}  // namespace

void Model::CreateGpuResources() {
  if (!device || !context) throw AppException(kEPointer, error::kBuffers);

  // Each mesh's place in the joined arrays.
  baseVertices.clear();
  faceTotal = 0;
  std::size_t vertexTotal = 0;
  std::size_t indexTotal = 0;
  for (const std::shared_ptr<Mesh>& mesh : meshes) {
    mesh->vertexBase = static_cast<std::uint32_t>(vertexTotal);
    vertexTotal += mesh->vertices.size();
    mesh->indexBase = static_cast<std::uint32_t>(indexTotal);
    indexTotal += mesh->indices.size();
    faceTotal += mesh->faceCount;
  }
  const std::uint32_t vertexBytes = BufferBytes(vertexTotal, sizeof(Vertex));
  const std::uint32_t indexBytes = BufferBytes(indexTotal, sizeof(std::uint32_t));
  vertexCount = static_cast<std::uint32_t>(vertexTotal);
  vertexStride = sizeof(Vertex);
  vertexOffset = 0;

  std::vector<std::uint32_t> joinedIndices;
  baseVertices.reserve(vertexTotal);
  joinedIndices.reserve(indexTotal);
  for (const std::shared_ptr<Mesh>& mesh : meshes) {
    baseVertices.insert(baseVertices.end(), mesh->vertices.begin(), mesh->vertices.end());
    for (std::uint32_t index : mesh->indices) joinedIndices.push_back(index + mesh->vertexBase);
  }

  posedVertices = baseVertices;
  touchedVertices.clear();
  touchedVertices.reserve(vertexCount / 5);

  // Devices refuse buffers of 0 bytes. A model without vertices (a bare rig
  // is a valid file) gets no vertex buffer and draws nothing, one without
  // faces no index buffer; one without bones gets a bone buffer of one bone,
  // which its vertices, all without weight, never read.
  vertexBuffer.reset();
  indexBuffer.reset();
  if (vertexBytes > 0) {
    gpu::BufferDesc vertexDesc;
    vertexDesc.byteWidth = vertexBytes;
    vertexDesc.usage = gpu::Usage::Dynamic;
    vertexDesc.bindFlags = gpu::kBindVertexBuffer;
    vertexDesc.cpuAccessFlags = gpu::kCpuAccessWrite;
    ThrowIfFailed(device->CreateBuffer(vertexDesc, nullptr, &vertexBuffer), error::kBuffers);
    gpu::MappedSubresource mapped;
    ThrowIfFailed(context->Map(vertexBuffer.get(), gpu::MapType::WriteDiscard, &mapped),
                  error::kBuffers);
    std::memcpy(mapped.data, baseVertices.data(), vertexBytes);
    context->Unmap(vertexBuffer.get());
  }
  if (indexBytes > 0) {
    gpu::BufferDesc indexDesc;
    indexDesc.byteWidth = indexBytes;
    indexDesc.usage = gpu::Usage::Default;
    indexDesc.bindFlags = gpu::kBindIndexBuffer;
    gpu::SubresourceData indexData;
    indexData.sysMem = joinedIndices.data();
    ThrowIfFailed(device->CreateBuffer(indexDesc, &indexData, &indexBuffer), error::kBuffers);
  }

  boneBuffer = CreateConstantBuffer(
      *device, BufferBytes(std::max<std::size_t>(bones.size(), 1), kBytesPerBone));
  transformBuffer = CreateConstantBuffer(*device, sizeof(Matrix4));
  materialBuffer = CreateConstantBuffer(*device, sizeof(MaterialConstants));

  world = Transpose(MatrixIdentity());
  worldConstants = world;

  samplerState = CreateLinearSampler(*device, gpu::TextureAddressMode::Wrap);
  // A sphere map's rim and a toon ramp's ends must not wrap to the other side.
  rampSamplerState = CreateLinearSampler(*device, gpu::TextureAddressMode::Clamp);
  rasterizerState = CreateRasterizer(*device, gpu::CullMode::None);
  // Clockwise triangles face the camera: the edge pass keeps the others.
  edgeRasterizerState = CreateRasterizer(*device, gpu::CullMode::Front);
  CreateBuiltInToonRamps();
}

void Model::CreateBuiltInToonRamps() {
  builtInToonRamps.clear();
  for (const Material& material : materials) {
    const bool ownFile = material.toonTextureId >= 0 &&
                         static_cast<std::size_t>(material.toonTextureId) < texturePool.Size();
    if (ownFile || material.toonIndex < 0 || material.toonIndex >= kSharedToonCount) continue;
    builtInToonRamps.resize(kSharedToonCount);
    std::shared_ptr<gpu::ShaderResourceView>& ramp =
        builtInToonRamps[static_cast<std::size_t>(material.toonIndex)];
    if (!ramp)
      ThrowIfFailed(CreateBuiltInToonRamp(*device, material.toonIndex, &ramp), error::kBuffers);
  }
}

}  // namespace brivonel
