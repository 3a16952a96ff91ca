#pragma once
// The digest a DXBC container carries in bytes 4 to 19: the MD5 compression
// function over the container from its version field (byte 20) to the end,
// with the container format's own final padding. Real Direct3D refuses a
// blob whose digest does not match.
#include <array>
#include <cstdint>
#include <span>

namespace brivonel::dxbc {

using Digest = std::array<std::uint8_t, 16>;

// The digest of `bytes` (the container without its first 20 bytes).
Digest ComputeDigest(std::span<const std::uint8_t> bytes);

}  // namespace brivonel::dxbc
