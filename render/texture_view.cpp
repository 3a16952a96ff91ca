// Creating a GPU texture and its shader resource view from decoded images.
#include <cstdint>
#include <limits>
#include <vector>

#include "render/texture_layout.h"
#include "render/texture_loaders.h"

namespace brivonel {
namespace {

constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();

bool Fits32(std::uint64_t value) { return value <= kMax32; }

gpu::SubresourceData Subresource(const ImageRecord& image) {
  gpu::SubresourceData data;
  data.sysMem = image.pixels;
  data.sysMemPitch = static_cast<std::uint32_t>(image.rowPitch);
  data.sysMemSlicePitch = static_cast<std::uint32_t>(image.slicePitch);
  return data;
}

// One subresource per (array slice, mip level), slice-major like Direct3D.
HResult CollectArraySubresources(const ImageRecord* images, std::size_t imageCount,
                                 const TextureMetadata& md,
                                 std::vector<gpu::SubresourceData>& out) {
  for (std::uint64_t item = 0; item < md.arraySize; ++item) {
    for (std::uint64_t mip = 0; mip < md.mipLevels; ++mip) {
      const std::uint64_t index = item * md.mipLevels + mip;
      if (index >= imageCount) return kEFail;
      const ImageRecord& image = images[index];
      if (image.format != md.format) return kEFail;
      if (image.pixels == nullptr) return kEPointer;
      if (!Fits32(image.rowPitch) || !Fits32(image.slicePitch)) return kEInvalidArg;
      out.push_back(Subresource(image));
    }
  }
  return kSOk;
}

// One subresource per mip level whose depth slices must follow one another.
HResult CollectVolumeSubresources(const ImageRecord* images, std::size_t imageCount,
                                  const TextureMetadata& md,
                                  std::vector<gpu::SubresourceData>& out) {
  if (md.depth == 0 || !Fits32(md.depth)) return kEInvalidArg;
  if (md.arraySize != 1) return kNotSupported;
  std::uint64_t index = 0;
  std::uint64_t depth = md.depth;
  for (std::uint64_t mip = 0; mip < md.mipLevels; ++mip) {
    if (index >= imageCount) return kEFail;
    const ImageRecord& first = images[index];
    if (first.pixels == nullptr) return kEPointer;
    if (first.format != md.format) return kEFail;
    if (!Fits32(first.rowPitch) || !Fits32(first.slicePitch)) return kEInvalidArg;
    for (std::uint64_t slice = 1; slice < depth; ++slice) {
      if (index + slice >= imageCount) return kEFail;
      const ImageRecord& image = images[index + slice];
      if (image.pixels == nullptr) return kEPointer;
      if (image.format != first.format || image.rowPitch != first.rowPitch ||
          image.slicePitch != first.slicePitch ||
          image.pixels != first.pixels + slice * first.slicePitch) {
        return kEFail;
      }
    }
    out.push_back(Subresource(first));
    index += depth;
    if (depth > 1) depth /= 2;
  }
  return kSOk;
}

}  // namespace

HResult CreateTextureView(gpu::IGpuDevice* device, const ImageRecord* images,
                          std::size_t imageCount, const TextureMetadata& md,
                          std::shared_ptr<gpu::ShaderResourceView>* view) {
  if (device == nullptr || images == nullptr || imageCount == 0 || view == nullptr) {
    return kEInvalidArg;
  }
  if (md.mipLevels == 0 || md.arraySize == 0 || !Fits32(md.width) || !Fits32(md.height) ||
      !Fits32(md.mipLevels) || !Fits32(md.arraySize)) {
    return kEInvalidArg;
  }
  std::vector<gpu::SubresourceData> subresources;
  HResult hr = kSOk;
  switch (md.dimension) {
    case TextureDimension::Texture1D:
    case TextureDimension::Texture2D:
      hr = CollectArraySubresources(images, imageCount, md, subresources);
      break;
    case TextureDimension::Texture3D:
      hr = CollectVolumeSubresources(images, imageCount, md, subresources);
      break;
    default:
      return kEFail;
  }
  if (Failed(hr)) return hr;

  const auto width = static_cast<std::uint32_t>(md.width);
  const auto height = static_cast<std::uint32_t>(md.height);
  const auto mips = static_cast<std::uint32_t>(md.mipLevels);
  const auto arraySize = static_cast<std::uint32_t>(md.arraySize);
  std::shared_ptr<gpu::Resource> texture;
  gpu::ShaderResourceViewDesc viewDesc;
  viewDesc.format = md.format;
  viewDesc.mostDetailedMip = 0;
  viewDesc.mipLevels = mips;
  switch (md.dimension) {
    case TextureDimension::Texture1D: {
      gpu::Texture1DDesc desc;
      desc.width = width;
      desc.mipLevels = mips;
      desc.arraySize = arraySize;
      desc.format = md.format;
      desc.usage = gpu::Usage::Default;
      desc.bindFlags = gpu::kBindShaderResource;
      hr = device->CreateTexture1D(desc, subresources.data(), &texture);
      viewDesc.viewDimension =
          arraySize > 1 ? gpu::SrvDimension::Texture1DArray : gpu::SrvDimension::Texture1D;
      viewDesc.arraySize = arraySize > 1 ? arraySize : 0;
      break;
    }
    case TextureDimension::Texture2D: {
      gpu::Texture2DDesc desc;
      desc.width = width;
      desc.height = height;
      desc.mipLevels = mips;
      desc.arraySize = arraySize;
      desc.format = md.format;
      desc.sampleCount = 1;
      desc.sampleQuality = 0;
      desc.usage = gpu::Usage::Default;
      desc.bindFlags = gpu::kBindShaderResource;
      desc.miscFlags = md.IsCubemap() ? std::uint32_t{gpu::kResourceMiscTextureCube} : 0u;
      hr = device->CreateTexture2D(desc, subresources.data(), &texture);
      if (md.IsCubemap()) {
        if (arraySize > 6) {
          viewDesc.viewDimension = gpu::SrvDimension::TextureCubeArray;
          viewDesc.arraySize = arraySize / 6;
        } else {
          viewDesc.viewDimension = gpu::SrvDimension::TextureCube;
        }
      } else if (arraySize > 1) {
        viewDesc.viewDimension = gpu::SrvDimension::Texture2DArray;
        viewDesc.arraySize = arraySize;
      } else {
        viewDesc.viewDimension = gpu::SrvDimension::Texture2D;
      }
      break;
    }
    case TextureDimension::Texture3D: {
      gpu::Texture3DDesc desc;
      desc.width = width;
      desc.height = height;
      desc.depth = static_cast<std::uint32_t>(md.depth);
      desc.mipLevels = mips;
      desc.format = md.format;
      desc.usage = gpu::Usage::Default;
      desc.bindFlags = gpu::kBindShaderResource;
      hr = device->CreateTexture3D(desc, subresources.data(), &texture);
      viewDesc.viewDimension = gpu::SrvDimension::Texture3D;
      break;
    }
  }
  if (Failed(hr)) return hr;
  std::shared_ptr<gpu::ShaderResourceView> created;
  hr = device->CreateShaderResourceView(texture, &viewDesc, &created);
  if (Failed(hr)) return hr;
  texture.reset();  // the view keeps the texture alive
  *view = std::move(created);
  return kSOk;
}

}  // namespace brivonel
