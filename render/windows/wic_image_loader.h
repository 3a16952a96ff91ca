#pragma once
// The general image loader on Windows: every texture file that is neither
// DDS nor TGA is decoded by the Windows Imaging Component (bitmaps, PNG,
// JPEG, GIF and whatever codecs are installed). Frame 0 only; the pixel
// format picks the texture format through the core's tables, converting
// through the component where needed; the file's sRGB declaration picks the
// sRGB variant. Results of the component's calls are passed on unchanged.
//
// The component is a COM object: the calling thread must have initialised
// COM before the first load (the program does it once at start).
#include <string_view>

#include "base/hresult.h"
#include "render/texture_image.h"

namespace brivonel {

HResult LoadImageFileWithWic(std::u16string_view path, unsigned flags, TextureMetadata* metadata,
                             LoadedImage& image);

// Installs LoadImageFileWithWic as the general image loader.
void RegisterWicImageLoader();

}  // namespace brivonel
