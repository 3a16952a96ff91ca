// libFuzzer harness: any bytes as a DDS file. The loader must return a result
// code without crashing, reading out of bounds or allocating beyond the data.
#include <cstring>

#include "fuzz/texture_fuzz_file.h"
#include "render/texture_loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brivonel;
  LoadedImage image;
  TextureMetadata metadata;
  const HResult hr = LoadDdsFile(fuzz::ScratchFile(data, size), 0, &metadata, image);
  if (Succeeded(hr)) {
    // Touch every image so a wrong layout shows up as an out-of-bounds access.
    volatile std::uint8_t sink = 0;
    for (const ImageRecord& record : image.images) {
      sink = sink ^ record.pixels[0] ^ record.pixels[record.slicePitch - 1];
    }
    (void)sink;
  }
  return 0;
}
