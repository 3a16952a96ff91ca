#include "render/texture_limits.h"

#include <algorithm>

namespace brivonel {

HResult CheckTextureSides(const TextureMetadata& md) {
  const bool volume = md.dimension == TextureDimension::Texture3D;
  const std::uint64_t largestSide = std::max({md.width, md.height, volume ? md.depth : 1});
  return TextureSidesFit(largestSide, volume, md.arraySize) ? kSOk : kFileTooLarge;
}

}  // namespace brivonel
