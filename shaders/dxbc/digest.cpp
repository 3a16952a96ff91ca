#include "shaders/dxbc/digest.h"

#include <bit>
#include <cstring>

namespace brivonel::dxbc {
namespace {

// RFC 1321: the sine-derived constants, the per-step rotations and the
// initial state.
constexpr std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};
constexpr int kRotation[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
constexpr std::uint32_t kInitialState[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};

using Block = std::array<std::uint8_t, 64>;

std::uint32_t LoadLittleEndian(const std::uint8_t* bytes) {
  return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
         std::uint32_t{bytes[3]} << 24;
}

void StoreLittleEndian(std::uint32_t value, std::uint8_t* bytes) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// One application of the MD5 compression function to a 64-byte block.
void Compress(std::uint32_t state[4], const std::uint8_t* block) {
  std::uint32_t words[16];
  for (int i = 0; i < 16; ++i) words[i] = LoadLittleEndian(block + 4 * i);
  std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (int step = 0; step < 64; ++step) {
    const int round = step / 16;
    std::uint32_t mixed;
    int word;
    switch (round) {
      case 0:
        mixed = (b & c) | (~b & d);
        word = step;
        break;
      case 1:
        mixed = (d & b) | (~d & c);
        word = (5 * step + 1) % 16;
        break;
      case 2:
        mixed = b ^ c ^ d;
        word = (3 * step + 5) % 16;
        break;
      default:
        mixed = c ^ (b | ~d);
        word = (7 * step) % 16;
        break;
    }
    const std::uint32_t rotated =
        std::rotl(a + mixed + kSine[step] + words[word], kRotation[round][step % 4]);
    a = d;
    d = c;
    c = b;
    b += rotated;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

}  // namespace

// Unlike plain MD5, the last block starts with the length in bits and ends
// with (bits >> 2) | 1; the data left over after the whole blocks, and the
// 0x80 end marker, go between the two when they fit, else into a block of
// their own before it.
Digest ComputeDigest(std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kBlockBytes = 64;
  constexpr std::size_t kDataInLastBlock = 4;  // after the length word
  constexpr std::size_t kRoomInLastBlock = 56;
  std::uint32_t state[4] = {kInitialState[0], kInitialState[1], kInitialState[2], kInitialState[3]};
  const std::size_t wholeBlocks = bytes.size() / kBlockBytes;
  for (std::size_t i = 0; i < wholeBlocks; ++i) Compress(state, bytes.data() + kBlockBytes * i);

  const std::span<const std::uint8_t> leftOver = bytes.subspan(wholeBlocks * kBlockBytes);
  const auto bits = static_cast<std::uint32_t>(bytes.size() * 8);
  Block last{};
  if (leftOver.size() >= kRoomInLastBlock) {
    Block before{};
    std::memcpy(before.data(), leftOver.data(), leftOver.size());
    before[leftOver.size()] = 0x80;
    Compress(state, before.data());
  } else {
    std::memcpy(last.data() + kDataInLastBlock, leftOver.data(), leftOver.size());
    last[kDataInLastBlock + leftOver.size()] = 0x80;
  }
  StoreLittleEndian(bits, last.data());
  StoreLittleEndian((bits >> 2) | 1, last.data() + kBlockBytes - 4);
  Compress(state, last.data());

  Digest digest{};
  for (int i = 0; i < 4; ++i) StoreLittleEndian(state[i], digest.data() + 4 * i);
  return digest;
}

}  // namespace brivonel::dxbc
