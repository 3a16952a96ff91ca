#pragma once
// The general image loader on Linux: PNG (libpng), JPEG (libjpeg-turbo), GIF
// (giflib) and BMP (our own bounded reader), recognised by their content.
// Each reports the pixel form the Windows imaging component reports for the
// same file, and the shared format tables pick the texture format from it.
#include <string_view>

#include "base/hresult.h"
#include "render/texture_image.h"

namespace brivonel {

HResult LoadImageFileWithLinuxCodecs(std::u16string_view path, unsigned flags,
                                     TextureMetadata* metadata, LoadedImage& image);

// Installs LoadImageFileWithLinuxCodecs as the general image loader.
void RegisterLinuxImageCodecs();

}  // namespace brivonel
