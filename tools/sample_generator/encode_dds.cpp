// DDS files with BC3 blocks. The colour half of each block is the BC1 block:
// two 5:6:5 end points on the principal axis of the block's colours and a
// 2-bit index per pixel into the four colours between them.
#include <algorithm>
#include <array>
#include <cmath>

#include "formats/writer/byte_writer.h"
#include "tools/sample_generator/image_files.h"

namespace brivonel::samples {
namespace {

using Colour = std::array<float, 3>;

std::uint16_t Pack565(const Colour& c) {
  const auto q = [](float v, int levels) {
    return static_cast<std::uint16_t>(std::lround(std::clamp(v, 0.0f, 255.0f) * levels / 255.0f));
  };
  return static_cast<std::uint16_t>((q(c[0], 31) << 11) | (q(c[1], 63) << 5) | q(c[2], 31));
}

Colour Unpack565(std::uint16_t packed) {
  const int r = (packed >> 11) & 31, g = (packed >> 5) & 63, b = packed & 31;
  return {static_cast<float>((r << 3) | (r >> 2)), static_cast<float>((g << 2) | (g >> 4)),
          static_cast<float>((b << 3) | (b >> 2))};
}

float Distance2(const Colour& a, const Colour& b) {
  const float dr = a[0] - b[0], dg = a[1] - b[1], db = a[2] - b[2];
  return dr * dr + dg * dg + db * db;
}

// The direction along which the block's colours spread most.
Colour PrincipalAxis(const std::array<Colour, 16>& pixels, const Colour& mean) {
  float cov[3][3] = {};
  for (const Colour& p : pixels)
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) cov[i][j] += (p[i] - mean[i]) * (p[j] - mean[j]);
  Colour axis{1.0f, 1.0f, 1.0f};
  for (int iteration = 0; iteration < 8; ++iteration) {
    Colour next{};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) next[i] += cov[i][j] * axis[j];
    const float length = std::sqrt(next[0] * next[0] + next[1] * next[1] + next[2] * next[2]);
    if (length < 1e-6f) return axis;
    for (float& c : next) c /= length;
    axis = next;
  }
  return axis;
}

}  // namespace

void EncodeBc1Block(const std::uint8_t (&rgba)[16][4], std::uint8_t* out) {
  std::array<Colour, 16> pixels;
  Colour mean{};
  for (int i = 0; i < 16; ++i) {
    for (int c = 0; c < 3; ++c) {
      pixels[static_cast<std::size_t>(i)][static_cast<std::size_t>(c)] = rgba[i][c];
      mean[static_cast<std::size_t>(c)] += rgba[i][c] / 16.0f;
    }
  }
  const Colour axis = PrincipalAxis(pixels, mean);
  float lo = 0.0f, hi = 0.0f;
  for (const Colour& p : pixels) {
    const float t = (p[0] - mean[0]) * axis[0] + (p[1] - mean[1]) * axis[1] + (p[2] - mean[2]) * axis[2];
    lo = std::min(lo, t);
    hi = std::max(hi, t);
  }
  const auto along = [&](float t) {
    return Colour{mean[0] + axis[0] * t, mean[1] + axis[1] * t, mean[2] + axis[2] * t};
  };
  std::uint16_t c0 = Pack565(along(hi)), c1 = Pack565(along(lo));
  if (c0 < c1) std::swap(c0, c1);

  // Four-colour mode needs c0 > c1; equal end points mean one flat colour,
  // where index 0 is right for every pixel.
  std::uint32_t indices = 0;
  if (c0 != c1) {
    const Colour p0 = Unpack565(c0), p1 = Unpack565(c1);
    const std::array<Colour, 4> palette = {
        p0, p1,
        Colour{(2 * p0[0] + p1[0]) / 3, (2 * p0[1] + p1[1]) / 3, (2 * p0[2] + p1[2]) / 3},
        Colour{(p0[0] + 2 * p1[0]) / 3, (p0[1] + 2 * p1[1]) / 3, (p0[2] + 2 * p1[2]) / 3}};
    for (int i = 0; i < 16; ++i) {
      std::uint32_t best = 0;
      for (std::uint32_t k = 1; k < 4; ++k)
        if (Distance2(pixels[static_cast<std::size_t>(i)], palette[k]) <
            Distance2(pixels[static_cast<std::size_t>(i)], palette[best]))
          best = k;
      indices |= best << (2 * i);
    }
  }
  out[0] = static_cast<std::uint8_t>(c0);
  out[1] = static_cast<std::uint8_t>(c0 >> 8);
  out[2] = static_cast<std::uint8_t>(c1);
  out[3] = static_cast<std::uint8_t>(c1 >> 8);
  for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<std::uint8_t>(indices >> (8 * i));
}

void EncodeBc3AlphaBlock(const std::uint8_t (&rgba)[16][4], std::uint8_t* out) {
  int a0 = 0, a1 = 255;
  for (const auto& p : rgba) {
    a0 = std::max<int>(a0, p[3]);
    a1 = std::min<int>(a1, p[3]);
  }
  out[0] = static_cast<std::uint8_t>(a0);
  out[1] = static_cast<std::uint8_t>(a1);
  std::uint64_t indices = 0;
  if (a0 > a1) {
    // Eight-alpha mode: index 0 is a0, 1 is a1, 2 to 7 step from a0 to a1.
    for (int i = 0; i < 16; ++i) {
      std::uint64_t best = 0;
      int bestError = 256;
      for (int k = 0; k < 8; ++k) {
        const int value = k == 0 ? a0 : k == 1 ? a1 : ((8 - k) * a0 + (k - 1) * a1) / 7;
        const int error = std::abs(value - rgba[i][3]);
        if (error < bestError) {
          bestError = error;
          best = static_cast<std::uint64_t>(k);
        }
      }
      indices |= best << (3 * i);
    }
  }
  for (int i = 0; i < 6; ++i) out[2 + i] = static_cast<std::uint8_t>(indices >> (8 * i));
}

Bytes EncodeDdsBc3(std::span<const Image> mips) {
  const Image& top = mips.front();
  const auto blocks = [](int size) { return static_cast<std::uint32_t>(std::max(1, (size + 3) / 4)); };
  writer::ByteWriter header;
  header.Bytes("DDS ", 4)
      .U32(124)  // header size
      .U32(0x1u | 0x2u | 0x4u | 0x1000u | 0x20000u | 0x80000u)  // caps, height, width, pixel format, mips, linear size
      .U32(static_cast<std::uint32_t>(top.height))
      .U32(static_cast<std::uint32_t>(top.width))
      .U32(blocks(top.width) * blocks(top.height) * 16)  // size of the top level
      .U32(0)                                            // depth
      .U32(static_cast<std::uint32_t>(mips.size()));
  for (int i = 0; i < 11; ++i) header.U32(0);
  header.U32(32)    // pixel format size
      .U32(0x4u)    // four-character code present
      .Bytes("DXT5", 4);
  for (int i = 0; i < 5; ++i) header.U32(0);  // bit count and masks
  header.U32(0x8u | 0x1000u | 0x400000u);     // complex, texture, mip map
  for (int i = 0; i < 4; ++i) header.U32(0);  // caps2 to caps4, reserved
  Bytes out = std::move(header.bytes());

  for (const Image& level : mips) {
    for (int by = 0; by < level.height; by += 4) {
      for (int bx = 0; bx < level.width; bx += 4) {
        // Levels smaller than a block repeat their edge pixels.
        std::uint8_t block[16][4];
        for (int i = 0; i < 16; ++i) {
          const std::uint8_t* p = level.At(std::min(bx + i % 4, level.width - 1),
                                           std::min(by + i / 4, level.height - 1));
          std::copy(p, p + 4, block[i]);
        }
        std::uint8_t encoded[16];
        EncodeBc3AlphaBlock(block, encoded);
        EncodeBc1Block(block, encoded + 8);
        out.insert(out.end(), encoded, encoded + 16);
      }
    }
  }
  return out;
}

}  // namespace brivonel::samples
