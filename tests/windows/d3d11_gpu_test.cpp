// The Direct3D 11 backend: the device as the program creates it, buffers,
// textures of every format the loaders produce with their views, shaders
// from bytecode and their refusals, and the offscreen surface.
#include "render/d3d11/d3d11_gpu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/app_exception.h"
#include "base/unicode.h"
#include "model/model_setup.h"
#include "render/d3d11/d3d11_descriptions.h"
#include "render/d3d11/d3d11_device.h"
#include "render/dxgi_format_info.h"
#include "render/shader_pool.h"
#include "render/texture_layout.h"
#include "render/texture_loaders.h"
#include "tests/support/temp_dir.h"
#include "tests/windows/windows_test_support.h"

namespace brivonel {
namespace {

using d3d11::ComPtr;

class D3d11GpuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    d3d11::DeviceAndContext created = d3d11::CreateDeviceAndContext();
    device = created.device;
    gpu = std::make_shared<d3d11::D3d11Gpu>(created.device, created.context);
  }

  // A CPU-readable copy of a resource (same description, staging usage).
  template <typename Texture, typename Desc>
  ComPtr<ID3D11Resource> StagingCopy(ID3D11Resource* resource) {
    ComPtr<Texture> texture;
    EXPECT_HRESULT_SUCCEEDED(resource->QueryInterface(IID_PPV_ARGS(&texture)));
    Desc desc{};
    texture->GetDesc(&desc);
    desc.Usage = D3D11_USAGE_STAGING;
    desc.BindFlags = 0;
    desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
    desc.MiscFlags = 0;
    ComPtr<Texture> staging;
    CreateTexture(&desc, &staging);
    gpu->context()->CopyResource(staging.Get(), resource);
    return staging;
  }
  void CreateTexture(const D3D11_TEXTURE2D_DESC* desc, ComPtr<ID3D11Texture2D>* out) {
    EXPECT_HRESULT_SUCCEEDED(device->CreateTexture2D(desc, nullptr, out->GetAddressOf()));
  }
  void CreateTexture(const D3D11_TEXTURE3D_DESC* desc, ComPtr<ID3D11Texture3D>* out) {
    EXPECT_HRESULT_SUCCEEDED(device->CreateTexture3D(desc, nullptr, out->GetAddressOf()));
  }

  // The bytes of one subresource of a staging copy, row by row (and depth
  // slice by depth slice), without the device's padding.
  std::vector<std::uint8_t> Read(ID3D11Resource* staging, UINT subresource, const ImageRecord& like,
                                 std::uint64_t slices = 1) {
    D3D11_MAPPED_SUBRESOURCE mapped{};
    EXPECT_HRESULT_SUCCEEDED(gpu->context()->Map(staging, subresource, D3D11_MAP_READ, 0, &mapped));
    std::vector<std::uint8_t> bytes;
    const std::uint64_t rows = like.slicePitch / like.rowPitch;
    for (std::uint64_t slice = 0; slice < slices; ++slice) {
      for (std::uint64_t row = 0; row < rows; ++row) {
        const auto* start = static_cast<const std::uint8_t*>(mapped.pData) +
                            slice * mapped.DepthPitch + row * mapped.RowPitch;
        bytes.insert(bytes.end(), start, start + like.rowPitch);
      }
    }
    gpu->context()->Unmap(staging, 0);
    return bytes;
  }

  // The bytes of a buffer, through a staging copy.
  std::vector<std::uint8_t> ReadBuffer(gpu::Buffer* buffer, std::uint32_t size) {
    D3D11_BUFFER_DESC desc{size, D3D11_USAGE_STAGING, 0, D3D11_CPU_ACCESS_READ, 0, 0};
    ComPtr<ID3D11Buffer> staging;
    EXPECT_HRESULT_SUCCEEDED(device->CreateBuffer(&desc, nullptr, &staging));
    gpu->context()->CopyResource(staging.Get(), d3d11::NativeBuffer(buffer));
    D3D11_MAPPED_SUBRESOURCE mapped{};
    EXPECT_HRESULT_SUCCEEDED(gpu->context()->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped));
    const auto* start = static_cast<const std::uint8_t*>(mapped.pData);
    std::vector<std::uint8_t> bytes(start, start + size);
    gpu->context()->Unmap(staging.Get(), 0);
    return bytes;
  }

  // A laid-out texture whose every byte says where it is.
  static void FillImage(const TextureMetadata& md, LoadedImage& image) {
    ASSERT_EQ(InitializeImage(md, image), kSOk);
    for (std::uint64_t i = 0; i < image.pixelSize; ++i)
      image.pixels[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  }

  std::shared_ptr<gpu::ShaderResourceView> MakeView(const LoadedImage& image, HResult* hr) {
    std::shared_ptr<gpu::ShaderResourceView> view;
    *hr = CreateTextureView(gpu.get(), image.images.data(), image.images.size(), image.metadata,
                            &view);
    return view;
  }

  ComPtr<ID3D11Device1> device;
  std::shared_ptr<d3d11::D3d11Gpu> gpu;
};

TEST_F(D3d11GpuTest, DeviceIsSingleThreadedWithBgraSupport) {
  // Wine does not keep the creation flags (it reports 0).
  if (!test::RunningUnderWine()) {
    const UINT flags = device->GetCreationFlags();
    EXPECT_NE(flags & D3D11_CREATE_DEVICE_SINGLETHREADED, 0u);
    EXPECT_NE(flags & D3D11_CREATE_DEVICE_BGRA_SUPPORT, 0u);
  }
  UINT support = 0;
  ASSERT_HRESULT_SUCCEEDED(device->CheckFormatSupport(DXGI_FORMAT_B8G8R8A8_UNORM, &support));
  EXPECT_NE(support & D3D11_FORMAT_SUPPORT_RENDER_TARGET, 0u);
  EXPECT_GE(device->GetFeatureLevel(), D3D_FEATURE_LEVEL_10_0);
  EXPECT_EQ(d3d11::DescribeDevice(device.Get()).rfind("Direct3D 11 on ", 0), 0u);
}

TEST_F(D3d11GpuTest, BuffersHoldWhatWasWrittenAndRefusalsCarryTheDevicesResult) {
  // A constant buffer written whole, as the frame set-up and the model do.
  std::vector<std::uint8_t> block(96);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i * 3);
  std::shared_ptr<gpu::Buffer> constants;
  ASSERT_EQ(gpu->CreateBuffer({96, gpu::Usage::Default, gpu::kBindConstantBuffer}, nullptr,
                              &constants),
            kSOk);
  gpu->UpdateSubresource(constants.get(), block.data());
  EXPECT_EQ(ReadBuffer(constants.get(), 96), block);

  // A dynamic vertex buffer rewritten through a discarding map.
  std::shared_ptr<gpu::Buffer> vertices;
  ASSERT_EQ(gpu->CreateBuffer({216, gpu::Usage::Dynamic, gpu::kBindVertexBuffer,
                               gpu::kCpuAccessWrite},
                              nullptr, &vertices),
            kSOk);
  gpu::MappedSubresource mapped;
  ASSERT_EQ(gpu->Map(vertices.get(), gpu::MapType::WriteDiscard, &mapped), kSOk);
  ASSERT_NE(mapped.data, nullptr);
  std::vector<std::uint8_t> posed(216, 0x5A);
  std::memcpy(mapped.data, posed.data(), posed.size());
  gpu->Unmap(vertices.get());
  EXPECT_EQ(ReadBuffer(vertices.get(), 216), posed);

  // An index buffer with its initial data.
  const std::uint32_t indices[3] = {0, 1, 2};
  gpu::SubresourceData data{indices, 0, 0};
  std::shared_ptr<gpu::Buffer> indexBuffer;
  ASSERT_EQ(gpu->CreateBuffer({12, gpu::Usage::Default, gpu::kBindIndexBuffer}, &data,
                              &indexBuffer),
            kSOk);
  const std::vector<std::uint8_t> stored = ReadBuffer(indexBuffer.get(), 12);
  EXPECT_EQ(std::memcmp(stored.data(), indices, 12), 0);

  // Constant buffers come in whole 16-byte rows; a default buffer cannot be mapped.
  std::shared_ptr<gpu::Buffer> refused;
  EXPECT_EQ(gpu->CreateBuffer({50, gpu::Usage::Default, gpu::kBindConstantBuffer}, nullptr,
                              &refused),
            E_INVALIDARG);
  EXPECT_EQ(refused, nullptr);
  EXPECT_LT(gpu->Map(constants.get(), gpu::MapType::WriteDiscard, &mapped), 0);
}

// Every format the DDS, TGA and image-codec loaders can produce, with a
// full mip chain: where the device offers the format for sampled 2-D
// textures with mips, the texture and its view are made; otherwise the
// device's refusal comes back as a result, never a crash. A view needs a
// typed format, so a file holding a typeless one (a DDS file may) is
// refused even where the device samples its typed forms.
TEST_F(D3d11GpuTest, TexturesOfEveryLoaderFormatAreMadeWhereTheDeviceHasThem) {
  // Formats every Direct3D 10-class device samples.
  const std::vector<DxgiFormat> required = {
      DxgiFormat::R8G8B8A8_UNORM, DxgiFormat::R8G8B8A8_UNORM_SRGB, DxgiFormat::B8G8R8A8_UNORM,
      DxgiFormat::B8G8R8A8_UNORM_SRGB, DxgiFormat::B8G8R8X8_UNORM, DxgiFormat::BC1_UNORM,
      DxgiFormat::BC1_UNORM_SRGB, DxgiFormat::BC2_UNORM, DxgiFormat::BC3_UNORM,
      DxgiFormat::BC4_UNORM, DxgiFormat::BC5_UNORM, DxgiFormat::R8_UNORM, DxgiFormat::R8G8_UNORM,
      DxgiFormat::A8_UNORM, DxgiFormat::R16_UNORM, DxgiFormat::R16_FLOAT,
      DxgiFormat::R16G16_UNORM, DxgiFormat::R16G16B16A16_UNORM, DxgiFormat::R16G16B16A16_FLOAT,
      DxgiFormat::R32_FLOAT, DxgiFormat::R32G32_FLOAT, DxgiFormat::R32G32B32A32_FLOAT,
      DxgiFormat::R10G10B10A2_UNORM};
  int made = 0;
  for (std::uint32_t value = 1; value <= 190; ++value) {
    if (IsPaletteDxgiFormat(value)) continue;
    const DxgiFormat format = ToDxgiFormat(value);
    TextureMetadata md;
    md.width = 8;
    md.height = 8;
    md.depth = 1;
    md.arraySize = 1;
    md.mipLevels = 0;  // the whole chain
    md.format = format;
    md.dimension = TextureDimension::Texture2D;
    LoadedImage image;
    if (Failed(InitializeImage(md, image))) continue;  // no layout: no loader makes it
    FillImage(md, image);
    SCOPED_TRACE(std::string(DxgiFormatName(format)));
    UINT support = 0;
    const UINT needed = D3D11_FORMAT_SUPPORT_TEXTURE2D | D3D11_FORMAT_SUPPORT_MIP |
                        D3D11_FORMAT_SUPPORT_SHADER_SAMPLE;
    // (The depth formats' readable forms, "R24_UNORM_X8_TYPELESS" and the
    // like, are typed enough for a view.)
    const std::string_view name = DxgiFormatName(format);
    const bool typeless = name.ends_with("_TYPELESS") && name.find("_X8") == std::string_view::npos;
    const bool offered = !typeless &&
                         SUCCEEDED(device->CheckFormatSupport(d3d11::ToD3d(format), &support)) &&
                         (support & needed) == needed;
    HResult hr = kSOk;
    const auto view = MakeView(image, &hr);
    if (offered) {
      EXPECT_EQ(hr, kSOk);
      EXPECT_NE(view, nullptr);
      made += Succeeded(hr);
    } else if (typeless) {
      EXPECT_EQ(hr, E_INVALIDARG);
      EXPECT_EQ(view, nullptr);
    } else {
      EXPECT_TRUE(Succeeded(hr) || view == nullptr);
    }
    if (std::find(required.begin(), required.end(), format) != required.end()) {
      EXPECT_TRUE(offered) << "the device lacks a format every device has";
    }
  }
  EXPECT_GE(made, static_cast<int>(required.size()));
}

TEST_F(D3d11GpuTest, MipLevelsArraySlicesAndDepthSlicesReachTheTexture) {
  // A 2-D texture with mips: level 1 holds the second image.
  TextureMetadata flat{8, 8, 1, 1, 0, 0, 0, DxgiFormat::R8G8B8A8_UNORM,
                       TextureDimension::Texture2D};
  LoadedImage image;
  FillImage(flat, image);
  HResult hr = kSOk;
  auto view = MakeView(image, &hr);
  ASSERT_EQ(hr, kSOk);
  ComPtr<ID3D11Resource> resource;
  d3d11::NativeView(view.get())->GetResource(&resource);
  auto staging = StagingCopy<ID3D11Texture2D, D3D11_TEXTURE2D_DESC>(resource.Get());
  const ImageRecord& mip1 = image.images[1];
  EXPECT_EQ(Read(staging.Get(), 1, mip1),
            std::vector<std::uint8_t>(mip1.pixels, mip1.pixels + mip1.slicePitch));

  // A cube map: face 3 is the fourth slice's top level.
  TextureMetadata cube{4, 4, 1, 6, 3, kTextureMiscCube, 0, DxgiFormat::B8G8R8A8_UNORM,
                       TextureDimension::Texture2D};
  FillImage(cube, image);
  view = MakeView(image, &hr);
  ASSERT_EQ(hr, kSOk);
  d3d11::NativeView(view.get())->GetResource(&resource);
  staging = StagingCopy<ID3D11Texture2D, D3D11_TEXTURE2D_DESC>(resource.Get());
  const ImageRecord& face3 = image.images[3 * 3];
  EXPECT_EQ(Read(staging.Get(), D3D11CalcSubresource(0, 3, 3), face3),
            std::vector<std::uint8_t>(face3.pixels, face3.pixels + face3.slicePitch));

  // A volume: the top level's four depth slices in order.
  TextureMetadata volume{4, 4, 4, 1, 3, 0, 0, DxgiFormat::R8G8B8A8_UNORM,
                         TextureDimension::Texture3D};
  FillImage(volume, image);
  view = MakeView(image, &hr);
  ASSERT_EQ(hr, kSOk);
  d3d11::NativeView(view.get())->GetResource(&resource);
  staging = StagingCopy<ID3D11Texture3D, D3D11_TEXTURE3D_DESC>(resource.Get());
  const ImageRecord& top = image.images[0];
  EXPECT_EQ(Read(staging.Get(), 0, top, 4),
            std::vector<std::uint8_t>(top.pixels, top.pixels + 4 * top.slicePitch));
}

TEST_F(D3d11GpuTest, ViewsTakeTheDimensionOfTheirTexture) {
  struct Case {
    TextureMetadata md;
    D3D11_SRV_DIMENSION dimension;
    UINT count;  // array slices, or cubes for cube arrays
  };
  const Case cases[] = {
      {{16, 1, 1, 1, 5, 0, 0, DxgiFormat::R8G8B8A8_UNORM, TextureDimension::Texture1D},
       D3D11_SRV_DIMENSION_TEXTURE1D, 0},
      {{16, 1, 1, 3, 1, 0, 0, DxgiFormat::R8G8B8A8_UNORM, TextureDimension::Texture1D},
       D3D11_SRV_DIMENSION_TEXTURE1DARRAY, 3},
      {{8, 8, 1, 4, 2, 0, 0, DxgiFormat::BC1_UNORM, TextureDimension::Texture2D},
       D3D11_SRV_DIMENSION_TEXTURE2DARRAY, 4},
      {{8, 8, 1, 6, 4, kTextureMiscCube, 0, DxgiFormat::BC3_UNORM, TextureDimension::Texture2D},
       D3D11_SRV_DIMENSION_TEXTURECUBE, 0},
      {{8, 8, 1, 12, 1, kTextureMiscCube, 0, DxgiFormat::R8G8B8A8_UNORM,
        TextureDimension::Texture2D},
       D3D11_SRV_DIMENSION_TEXTURECUBEARRAY, 2},
      {{8, 8, 8, 1, 4, 0, 0, DxgiFormat::R16G16B16A16_FLOAT, TextureDimension::Texture3D},
       D3D11_SRV_DIMENSION_TEXTURE3D, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.dimension));
    LoadedImage image;
    FillImage(c.md, image);
    HResult hr = kSOk;
    const auto view = MakeView(image, &hr);
    ASSERT_EQ(hr, kSOk);
    D3D11_SHADER_RESOURCE_VIEW_DESC desc{};
    d3d11::NativeView(view.get())->GetDesc(&desc);
    EXPECT_EQ(desc.ViewDimension, c.dimension);
    EXPECT_EQ(desc.Format, d3d11::ToD3d(c.md.format));
    switch (c.dimension) {
      case D3D11_SRV_DIMENSION_TEXTURE1DARRAY:
        EXPECT_EQ(desc.Texture1DArray.ArraySize, c.count);
        break;
      case D3D11_SRV_DIMENSION_TEXTURE2DARRAY:
        EXPECT_EQ(desc.Texture2DArray.ArraySize, c.count);
        EXPECT_EQ(desc.Texture2DArray.MipLevels, 2u);
        break;
      case D3D11_SRV_DIMENSION_TEXTURECUBEARRAY:
        EXPECT_EQ(desc.TextureCubeArray.NumCubes, c.count);
        break;
      case D3D11_SRV_DIMENSION_TEXTURECUBE:
        EXPECT_EQ(desc.TextureCube.MipLevels, 4u);
        break;
      default:
        break;
    }
  }
}

TEST_F(D3d11GpuTest, TheProgramsShadersLoadWithTheNineElementLayout) {
  const std::u16string folder = test::D3dShaderFolder();
  VertexShaderPool vertexShaders;
  PixelShaderPool pixelShaders;
  vertexShaders.SetDevice(gpu);
  pixelShaders.SetDevice(gpu);
  const int vertex = vertexShaders.Load(folder, kVertexShaderName);
  ASSERT_EQ(vertex, 0) << "the build writes the shader files beside the programs";
  EXPECT_NE(vertexShaders.Get(vertex).inputLayout, nullptr);
  EXPECT_NE(vertexShaders.Get(vertex).vertexShader, nullptr);
  EXPECT_EQ(pixelShaders.Load(folder, u"ps_pos4color4uv2"), 0);
  EXPECT_EQ(pixelShaders.Load(folder, u"ps_pos4color4"), 1);
  EXPECT_EQ(pixelShaders.Load(folder, u"ps_missing"), -1);

  // Bytecode of the wrong stage, or cut short, is the device's to refuse.
  const std::vector<char> pixelCode =
      test::ReadBytes(std::filesystem::path(folder + u"ps_pos4color4.cso"));
  ASSERT_FALSE(pixelCode.empty());
  std::shared_ptr<gpu::VertexShader> shader;
  EXPECT_LT(gpu->CreateVertexShader(pixelCode.data(), pixelCode.size(), &shader), 0);
  EXPECT_EQ(shader, nullptr);
  std::shared_ptr<gpu::InputLayout> layout;
  EXPECT_LT(gpu->CreateInputLayout(kVertexInputLayout, 9, pixelCode.data(), pixelCode.size(),
                                   &layout),
            0);
}

TEST_F(D3d11GpuTest, RefusedShaderFilesRaiseTheirErrors) {
  const test::TempDir dir;
  const std::filesystem::path folder = dir.path();
  std::vector<char> notCode(200, 'x');
  std::memcpy(notCode.data(), "DXBC", 4);
  for (const char* name : {"vs_pos4norm3uv2.cso", "ps_pos4color4.cso"}) {
    std::ofstream(folder / name, std::ios::binary).write(notCode.data(), 200);
  }
  const std::u16string directory = FromFsPath(folder) + u"\\";
  VertexShaderPool vertexShaders;
  vertexShaders.SetDevice(gpu);
  try {
    vertexShaders.Load(directory, kVertexShaderName);
    ADD_FAILURE() << "a refused vertex shader is fatal";
  } catch (const AppException& e) {
    EXPECT_EQ(e.code(), error::kShaders);
    EXPECT_LT(e.hr(), 0);
  }
  EXPECT_EQ(vertexShaders.Size(), 0u);
  PixelShaderPool pixelShaders;
  pixelShaders.SetDevice(gpu);
  try {
    pixelShaders.Load(directory, u"ps_pos4color4");
    ADD_FAILURE() << "a refused pixel shader is fatal";
  } catch (const AppException& e) {
    EXPECT_EQ(e.code(), error::kDevice);  // the pixel pool reports the device's code
    EXPECT_LT(e.hr(), 0);
  }
  EXPECT_EQ(pixelShaders.Size(), 0u);
}

}  // namespace
}  // namespace brivonel
