#pragma once
// The core's descriptions as Direct3D 11 descriptions. The core keeps
// Direct3D's numbers for every enumeration and flag, so these are copies
// field by field; only the views' per-dimension unions need choosing.
#include <d3d11.h>

#include <cstdint>
#include <vector>

#include "render/gpu_device.h"

namespace brivonel::d3d11 {

D3D11_BUFFER_DESC ToD3d(const gpu::BufferDesc& desc);
D3D11_TEXTURE1D_DESC ToD3d(const gpu::Texture1DDesc& desc);
D3D11_TEXTURE2D_DESC ToD3d(const gpu::Texture2DDesc& desc);
D3D11_TEXTURE3D_DESC ToD3d(const gpu::Texture3DDesc& desc);
D3D11_SHADER_RESOURCE_VIEW_DESC ToD3d(const gpu::ShaderResourceViewDesc& desc);
D3D11_INPUT_ELEMENT_DESC ToD3d(const gpu::InputElementDesc& desc);
D3D11_SAMPLER_DESC ToD3d(const gpu::SamplerDesc& desc);
D3D11_RASTERIZER_DESC ToD3d(const gpu::RasterizerDesc& desc);
D3D11_VIEWPORT ToD3d(const gpu::Viewport& viewport);

inline DXGI_FORMAT ToD3d(DxgiFormat format) { return static_cast<DXGI_FORMAT>(format); }

// The initial data of count subresources (none when data is null).
std::vector<D3D11_SUBRESOURCE_DATA> ToD3d(const gpu::SubresourceData* data, std::uint32_t count);

}  // namespace brivonel::d3d11
