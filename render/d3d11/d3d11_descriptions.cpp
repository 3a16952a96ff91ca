#include "render/d3d11/d3d11_descriptions.h"

namespace brivonel::d3d11 {

D3D11_BUFFER_DESC ToD3d(const gpu::BufferDesc& desc) {
  D3D11_BUFFER_DESC d{};
  d.ByteWidth = desc.byteWidth;
  d.Usage = static_cast<D3D11_USAGE>(desc.usage);
  d.BindFlags = desc.bindFlags;
  d.CPUAccessFlags = desc.cpuAccessFlags;
  d.MiscFlags = desc.miscFlags;
  d.StructureByteStride = desc.structureByteStride;
  return d;
}

D3D11_TEXTURE1D_DESC ToD3d(const gpu::Texture1DDesc& desc) {
  D3D11_TEXTURE1D_DESC d{};
  d.Width = desc.width;
  d.MipLevels = desc.mipLevels;
  d.ArraySize = desc.arraySize;
  d.Format = ToD3d(desc.format);
  d.Usage = static_cast<D3D11_USAGE>(desc.usage);
  d.BindFlags = desc.bindFlags;
  d.CPUAccessFlags = desc.cpuAccessFlags;
  d.MiscFlags = desc.miscFlags;
  return d;
}

D3D11_TEXTURE2D_DESC ToD3d(const gpu::Texture2DDesc& desc) {
  D3D11_TEXTURE2D_DESC d{};
  d.Width = desc.width;
  d.Height = desc.height;
  d.MipLevels = desc.mipLevels;
  d.ArraySize = desc.arraySize;
  d.Format = ToD3d(desc.format);
  d.SampleDesc.Count = desc.sampleCount;
  d.SampleDesc.Quality = desc.sampleQuality;
  d.Usage = static_cast<D3D11_USAGE>(desc.usage);
  d.BindFlags = desc.bindFlags;
  d.CPUAccessFlags = desc.cpuAccessFlags;
  d.MiscFlags = desc.miscFlags;
  return d;
}

D3D11_TEXTURE3D_DESC ToD3d(const gpu::Texture3DDesc& desc) {
  D3D11_TEXTURE3D_DESC d{};
  d.Width = desc.width;
  d.Height = desc.height;
  d.Depth = desc.depth;
  d.MipLevels = desc.mipLevels;
  d.Format = ToD3d(desc.format);
  d.Usage = static_cast<D3D11_USAGE>(desc.usage);
  d.BindFlags = desc.bindFlags;
  d.CPUAccessFlags = desc.cpuAccessFlags;
  d.MiscFlags = desc.miscFlags;
  return d;
}

D3D11_SHADER_RESOURCE_VIEW_DESC ToD3d(const gpu::ShaderResourceViewDesc& desc) {
  D3D11_SHADER_RESOURCE_VIEW_DESC d{};
  d.Format = ToD3d(desc.format);
  d.ViewDimension = static_cast<D3D11_SRV_DIMENSION>(desc.viewDimension);
  switch (desc.viewDimension) {
    case gpu::SrvDimension::Texture1D:
      d.Texture1D = {desc.mostDetailedMip, desc.mipLevels};
      break;
    case gpu::SrvDimension::Texture1DArray:
      d.Texture1DArray = {desc.mostDetailedMip, desc.mipLevels, desc.firstArraySlice,
                          desc.arraySize};
      break;
    case gpu::SrvDimension::Texture2D:
      d.Texture2D = {desc.mostDetailedMip, desc.mipLevels};
      break;
    case gpu::SrvDimension::Texture2DArray:
      d.Texture2DArray = {desc.mostDetailedMip, desc.mipLevels, desc.firstArraySlice,
                          desc.arraySize};
      break;
    case gpu::SrvDimension::Texture3D:
      d.Texture3D = {desc.mostDetailedMip, desc.mipLevels};
      break;
    case gpu::SrvDimension::TextureCube:
      d.TextureCube = {desc.mostDetailedMip, desc.mipLevels};
      break;
    case gpu::SrvDimension::TextureCubeArray:
      // The core names the first face and the number of cubes as Direct3D does.
      d.TextureCubeArray = {desc.mostDetailedMip, desc.mipLevels, desc.firstArraySlice,
                            desc.arraySize};
      break;
  }
  return d;
}

D3D11_INPUT_ELEMENT_DESC ToD3d(const gpu::InputElementDesc& desc) {
  D3D11_INPUT_ELEMENT_DESC d{};
  d.SemanticName = desc.semanticName;
  d.SemanticIndex = desc.semanticIndex;
  d.Format = ToD3d(desc.format);
  d.InputSlot = desc.inputSlot;
  d.AlignedByteOffset = desc.alignedByteOffset;
  d.InputSlotClass = static_cast<D3D11_INPUT_CLASSIFICATION>(desc.inputSlotClass);
  d.InstanceDataStepRate = desc.instanceDataStepRate;
  return d;
}

D3D11_SAMPLER_DESC ToD3d(const gpu::SamplerDesc& desc) {
  D3D11_SAMPLER_DESC d{};
  d.Filter = static_cast<D3D11_FILTER>(desc.filter);
  d.AddressU = static_cast<D3D11_TEXTURE_ADDRESS_MODE>(desc.addressU);
  d.AddressV = static_cast<D3D11_TEXTURE_ADDRESS_MODE>(desc.addressV);
  d.AddressW = static_cast<D3D11_TEXTURE_ADDRESS_MODE>(desc.addressW);
  d.MipLODBias = desc.mipLodBias;
  d.MaxAnisotropy = desc.maxAnisotropy;
  d.ComparisonFunc = static_cast<D3D11_COMPARISON_FUNC>(desc.comparisonFunc);
  for (int i = 0; i < 4; ++i) d.BorderColor[i] = desc.borderColor[i];
  d.MinLOD = desc.minLod;
  d.MaxLOD = desc.maxLod;
  return d;
}

D3D11_RASTERIZER_DESC ToD3d(const gpu::RasterizerDesc& desc) {
  D3D11_RASTERIZER_DESC d{};
  d.FillMode = static_cast<D3D11_FILL_MODE>(desc.fillMode);
  d.CullMode = static_cast<D3D11_CULL_MODE>(desc.cullMode);
  d.FrontCounterClockwise = desc.frontCounterClockwise;
  d.DepthBias = desc.depthBias;
  d.DepthBiasClamp = desc.depthBiasClamp;
  d.SlopeScaledDepthBias = desc.slopeScaledDepthBias;
  d.DepthClipEnable = desc.depthClipEnable;
  d.ScissorEnable = desc.scissorEnable;
  d.MultisampleEnable = desc.multisampleEnable;
  d.AntialiasedLineEnable = desc.antialiasedLineEnable;
  return d;
}

D3D11_VIEWPORT ToD3d(const gpu::Viewport& viewport) {
  return {viewport.topLeftX, viewport.topLeftY, viewport.width,
          viewport.height,   viewport.minDepth, viewport.maxDepth};
}

std::vector<D3D11_SUBRESOURCE_DATA> ToD3d(const gpu::SubresourceData* data, std::uint32_t count) {
  std::vector<D3D11_SUBRESOURCE_DATA> d;
  if (data == nullptr) return d;
  d.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    d.push_back({data[i].sysMem, data[i].sysMemPitch, data[i].sysMemSlicePitch});
  }
  return d;
}

}  // namespace brivonel::d3d11
