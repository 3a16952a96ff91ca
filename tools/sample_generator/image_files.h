#pragma once
// Texture file encoders: each turns computed images into the bytes of one
// file of its format.
#include <cstdint>
#include <span>
#include <vector>

#include "tools/sample_generator/image.h"

namespace brivonel::samples {

using Bytes = std::vector<std::uint8_t>;

// DDS with BC3 (DXT5) blocks, one per mip level given (largest first; each
// level half the size of the one before).
Bytes EncodeDdsBc3(std::span<const Image> mips);

// One 4 x 4 block, pixels row by row: 8 bytes of BC1 colour, and 8 bytes of
// BC3 alpha in front of it for the BC3 form.
void EncodeBc1Block(const std::uint8_t (&rgba)[16][4], std::uint8_t* out);
void EncodeBc3AlphaBlock(const std::uint8_t (&rgba)[16][4], std::uint8_t* out);

// Run-length encoded true-colour TGA, 24 bits, rows stored bottom-up.
Bytes EncodeTgaRle(const Image& image);

// 24-bit PNG with an sRGB chunk. Throws std::runtime_error when libpng fails.
Bytes EncodePngSrgb(const Image& image);

// 24-bit uncompressed BMP, rows bottom-up.
Bytes EncodeBmp(const Image& image);

}  // namespace brivonel::samples
