// JPEG through libjpeg-turbo. Grey stays 8-bit grey, colour comes as BGR,
// CMYK as ink amounts (Adobe files store them inverted). The EXIF colour
// space tag 1 declares sRGB.
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>

#include <csetjmp>
#include <cstring>

#include "render/linux/decoded_frame.h"
#include "render/texture_loaders.h"

namespace brivonel::codecs {
namespace {

using P = CodecPixelFormat;

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

void OnError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}
void OnMessage(j_common_ptr) {}

struct Decompressor {
  jpeg_decompress_struct info{};
  ~Decompressor() { jpeg_destroy_decompress(&info); }
};

// Reads the EXIF ColorSpace tag (0xA001) from an APP1 "Exif" payload, every
// offset checked against the payload. Returns 0 when absent.
unsigned ExifColorSpace(const std::uint8_t* data, std::size_t size) {
  if (size < 14 || std::memcmp(data, "Exif\0\0", 6) != 0) return 0;
  const std::uint8_t* tiff = data + 6;
  const std::size_t length = size - 6;
  const bool little = tiff[0] == 'I' && tiff[1] == 'I';
  if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) return 0;
  auto u16 = [&](std::size_t at) -> unsigned {
    return little ? tiff[at] | (tiff[at + 1] << 8) : (tiff[at] << 8) | tiff[at + 1];
  };
  auto u32 = [&](std::size_t at) -> std::uint32_t {
    return little ? u16(at) | (std::uint32_t{u16(at + 2)} << 16)
                  : (std::uint32_t{u16(at)} << 16) | u16(at + 2);
  };
  // Finds tag in the directory at offset; gives the offset of its entry.
  auto find = [&](std::uint32_t directory, unsigned tag, std::size_t* entry) {
    if (directory > length || length - directory < 2) return false;
    const unsigned count = u16(directory);
    for (unsigned i = 0; i < count; ++i) {
      const std::size_t at = directory + 2 + std::size_t{i} * 12;
      if (at + 12 > length) return false;
      if (u16(at) == tag) {
        *entry = at;
        return true;
      }
    }
    return false;
  };
  std::size_t entry = 0;
  if (!find(u32(4), 0x8769, &entry)) return 0;  // the Exif sub-directory
  const std::uint32_t exif = u32(entry + 8);
  if (!find(exif, 0xA001, &entry) || u16(entry + 2) != 3) return 0;  // SHORT
  return u16(entry + 8);
}

}  // namespace

HResult DecodeJpeg(const EncodedFile& file, DecodedFrame& frame) {
  Decompressor d;
  ErrorManager errors;
  d.info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = &OnError;
  errors.base.output_message = &OnMessage;
  // The jump back lands here with only trivially destructible state touched
  // in between; the decompressor is destroyed normally on return.
  if (setjmp(errors.jump) != 0) return kCodecBadImage;
  jpeg_create_decompress(&d.info);
  jpeg_mem_src(&d.info, file.data, static_cast<unsigned long>(file.size));
  jpeg_save_markers(&d.info, JPEG_APP0 + 1, 0xFFFF);
  jpeg_read_header(&d.info, TRUE);
  unsigned channels = 0;
  switch (d.info.jpeg_color_space) {
    case JCS_GRAYSCALE:
      d.info.out_color_space = JCS_GRAYSCALE;
      frame.format = P::Gray8;
      channels = 1;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      d.info.out_color_space = JCS_CMYK;
      frame.format = P::Cmyk32;
      channels = 4;
      break;
    default:
      d.info.out_color_space = JCS_EXT_BGR;
      frame.format = P::Bgr24;
      channels = 3;
      break;
  }
  for (jpeg_saved_marker_ptr m = d.info.marker_list; m != nullptr; m = m->next) {
    if (m->marker == JPEG_APP0 + 1 && ExifColorSpace(m->data, m->data_length) == 1) {
      frame.srgb = true;
    }
  }
  frame.width = d.info.image_width;
  frame.height = d.info.image_height;
  const std::uint64_t stride = std::uint64_t{frame.width} * channels;
  if (const HResult hr = AllocateFrame(file, stride, frame); Failed(hr)) return hr;
  jpeg_start_decompress(&d.info);
  while (d.info.output_scanline < d.info.output_height) {
    JSAMPROW row = frame.pixels.data() + d.info.output_scanline * frame.stride;
    jpeg_read_scanlines(&d.info, &row, 1);
  }
  const bool inverted = d.info.saw_Adobe_marker != 0;
  jpeg_finish_decompress(&d.info);
  if (frame.format == P::Cmyk32 && inverted) {
    for (std::uint8_t& value : frame.pixels) value = static_cast<std::uint8_t>(255 - value);
  }
  return kSOk;
}

}  // namespace brivonel::codecs
