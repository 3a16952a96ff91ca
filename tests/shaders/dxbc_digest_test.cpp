// The container digest against blobs compiled by Wine's own shader compiler
// (data/, see its README): each stored digest is reproduced from the bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "shaders/dxbc/digest.h"

namespace brivonel::dxbc {
namespace {

constexpr std::size_t kDigestedFrom = 20;

const char* const kCompiledBlobs[] = {
    "passthrough_vs.cso", "transform_vs.cso",    "textured_ps.cso",
    "colour_ps.cso",      "colour_alpha_ps.cso",
};

std::vector<std::uint8_t> ReadBlob(const std::string& name) {
  std::ifstream file(std::string(BRIVONEL_DXBC_TEST_DATA) + name, std::ios::binary);
  EXPECT_TRUE(file) << name;
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(DxbcDigest, ReproducesTheCompilersDigests) {
  for (const char* name : kCompiledBlobs) {
    SCOPED_TRACE(name);
    const std::vector<std::uint8_t> blob = ReadBlob(name);
    ASSERT_GT(blob.size(), kDigestedFrom);
    const Digest digest = ComputeDigest(std::span(blob).subspan(kDigestedFrom));
    EXPECT_TRUE(std::equal(digest.begin(), digest.end(), blob.begin() + 4));
  }
}

// The last block is built three ways: data, end marker and length together
// (under 56 bytes of data left over), data and marker in a block of their
// own (56 to 63 bytes), or no data at all. The blobs keep all three covered.
TEST(DxbcDigest, ReferenceBlobsEndInEveryKindOfLastBlock) {
  bool lengthFits = false, lengthApart = false, noData = false;
  for (const char* name : kCompiledBlobs) {
    const std::size_t leftOver = (ReadBlob(name).size() - kDigestedFrom) % 64;
    lengthFits |= leftOver > 0 && leftOver < 56;
    lengthApart |= leftOver >= 56;
    noData |= leftOver == 0;
  }
  EXPECT_TRUE(lengthFits);
  EXPECT_TRUE(lengthApart);
  EXPECT_TRUE(noData);
}

}  // namespace
}  // namespace brivonel::dxbc
