#include "render/texture_image.h"

#include <cstdlib>

namespace brivonel {

void LoadedImage::AlignedFree::operator()(std::uint8_t* p) const {
#if defined(_WIN32)
  _aligned_free(p);
#else
  std::free(p);
#endif
}

void LoadedImage::Release() {
  metadata = TextureMetadata{};
  images.clear();
  pixelSize = 0;
  pixels.reset();
}

}  // namespace brivonel
