// libFuzzer harness: any bytes through the Linux codec loader (PNG, JPEG,
// GIF and the hand-written BMP reader).
#include "fuzz/texture_fuzz_file.h"
#include "render/linux/image_codecs_linux.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brivonel;
  LoadedImage image;
  TextureMetadata metadata;
  const HResult hr = LoadImageFileWithLinuxCodecs(fuzz::ScratchFile(data, size), 0, &metadata, image);
  if (Succeeded(hr)) {
    volatile std::uint8_t sink = 0;
    const ImageRecord& record = image.images.at(0);
    sink = sink ^ record.pixels[0] ^ record.pixels[record.slicePitch - 1];
    (void)sink;
  }
  return 0;
}
