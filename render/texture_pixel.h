#pragma once
// Reading one decoded pixel back as 8-bit red, green, blue and alpha, the way
// a shader would sample it (missing channels 0, missing alpha opaque), for
// the inspection tool and tests.
#include <array>
#include <cstdint>

#include "render/texture_image.h"

namespace brivonel {

// Pixel (x, y) of the first image (mip 0, slice 0). False when the position
// is outside the image or the format is not one of the 8-bit-or-narrower
// unsigned formats (RGBA/BGRA/BGRX 8-bit and their sRGB forms, R8, A8, R8G8,
// B5G6R5, B5G5R5A1, B4G4R4A4).
bool ReadPixelRgba8(const LoadedImage& image, std::uint64_t x, std::uint64_t y,
                    std::array<std::uint8_t, 4>* rgba);

}  // namespace brivonel
