// GIF through giflib: the first frame only, at its own size, as 8-bit
// indices into its local (or else the global) colour table; the transparent
// index of the frame's graphic control block has alpha 0.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>

#include "render/linux/decoded_frame.h"
#include "render/texture_loaders.h"

namespace brivonel::codecs {
namespace {

struct Reader {
  const EncodedFile* file;
  std::size_t position;
};

int ReadData(GifFileType* gif, GifByteType* out, int count) {
  auto* reader = static_cast<Reader*>(gif->UserData);
  const std::size_t left = reader->file->size - reader->position;
  const std::size_t n = count < 0 ? 0 : std::min(left, static_cast<std::size_t>(count));
  std::memcpy(out, reader->file->data + reader->position, n);
  reader->position += n;
  return static_cast<int>(n);
}

struct GifHandle {
  GifFileType* gif = nullptr;
  ~GifHandle() {
    if (gif != nullptr) DGifCloseFile(gif, nullptr);
  }
};

}  // namespace

HResult DecodeGif(const EncodedFile& file, DecodedFrame& frame) {
  Reader reader{&file, 0};
  GifHandle h;
  int error = 0;
  h.gif = DGifOpen(&reader, &ReadData, &error);
  if (h.gif == nullptr) return kCodecBadImage;
  int transparent = NO_TRANSPARENT_COLOR;
  for (;;) {
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(h.gif, &record) != GIF_OK) return kCodecBadImage;
    if (record == TERMINATE_RECORD_TYPE) return kCodecBadImage;  // no frame at all
    if (record == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(h.gif, &code, &block) != GIF_OK) return kCodecBadImage;
      if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
        GraphicsControlBlock control;
        DGifExtensionToGCB(block[0], block + 1, &control);
        transparent = control.TransparentColor;
      }
      while (block != nullptr) {
        if (DGifGetExtensionNext(h.gif, &block) != GIF_OK) return kCodecBadImage;
      }
      continue;
    }
    if (record != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(h.gif) != GIF_OK) return kCodecBadImage;
    const GifImageDesc& desc = h.gif->Image;
    if (desc.Width <= 0 || desc.Height <= 0) return kCodecBadImage;
    frame.width = static_cast<std::uint32_t>(desc.Width);
    frame.height = static_cast<std::uint32_t>(desc.Height);
    frame.format = CodecPixelFormat::Indexed8;
    const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : h.gif->SColorMap;
    if (map != nullptr) {
      frame.palette.resize(static_cast<std::size_t>(map->ColorCount));
      for (int i = 0; i < map->ColorCount; ++i) {
        const GifColorType& c = map->Colors[i];
        frame.palette[static_cast<std::size_t>(i)] = {
            c.Red, c.Green, c.Blue, static_cast<std::uint8_t>(i == transparent ? 0 : 255)};
      }
    }
    if (const HResult hr = AllocateFrame(file, frame.width, frame); Failed(hr)) return hr;
    auto line = [&](std::uint32_t y) {
      return DGifGetLine(h.gif, frame.pixels.data() + y * frame.stride, desc.Width) == GIF_OK;
    };
    if (desc.Interlace) {
      // Rows come in four passes: every 8th from 0, every 8th from 4, every
      // 4th from 2, every 2nd from 1.
      constexpr std::uint32_t kStart[4] = {0, 4, 2, 1};
      constexpr std::uint32_t kStep[4] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass) {
        for (std::uint32_t y = kStart[pass]; y < frame.height; y += kStep[pass]) {
          if (!line(y)) return kCodecBadImage;
        }
      }
    } else {
      for (std::uint32_t y = 0; y < frame.height; ++y) {
        if (!line(y)) return kCodecBadImage;
      }
    }
    return kSOk;
  }
}

}  // namespace brivonel::codecs
