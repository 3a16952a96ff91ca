#include "shaders/dxbc/container.h"

#include <algorithm>

#include "shaders/dxbc/digest.h"

namespace brivonel::dxbc {
namespace {

constexpr std::uint32_t kSignatureElementBytes = 24;
constexpr std::size_t kDigestOffset = 4;
constexpr std::size_t kDigestedFrom = 20;  // the version field

void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PatchU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Element count, offset of the first element, the elements, then their
// names (each written once), padded to whole words as the compiler pads them.
std::vector<std::uint8_t> SignatureChunk(const Signature& elements) {
  std::vector<std::uint8_t> data;
  const auto count = static_cast<std::uint32_t>(elements.size());
  AppendU32(data, count);
  AppendU32(data, 8);
  const std::uint32_t namesStart = 8 + kSignatureElementBytes * count;
  std::string names;
  std::vector<std::string> seen;
  std::vector<std::uint32_t> seenOffsets;
  for (const SignatureElement& element : elements) {
    const auto found = std::find(seen.begin(), seen.end(), element.semanticName);
    std::uint32_t nameOffset;
    if (found != seen.end()) {
      nameOffset = seenOffsets[static_cast<std::size_t>(found - seen.begin())];
    } else {
      nameOffset = namesStart + static_cast<std::uint32_t>(names.size());
      seen.push_back(element.semanticName);
      seenOffsets.push_back(nameOffset);
      names += element.semanticName;
      names += '\0';
    }
    AppendU32(data, nameOffset);
    AppendU32(data, element.semanticIndex);
    AppendU32(data, static_cast<std::uint32_t>(element.systemValue));
    AppendU32(data, static_cast<std::uint32_t>(element.componentType));
    AppendU32(data, element.registerIndex);
    data.push_back(element.mask);
    data.push_back(element.readWriteMask);
    data.push_back(0);
    data.push_back(0);
  }
  data.insert(data.end(), names.begin(), names.end());
  while (data.size() % 4 != 0) data.push_back(0xAB);
  return data;
}

std::vector<std::uint8_t> ProgramChunk(std::span<const std::uint32_t> program) {
  std::vector<std::uint8_t> data;
  for (const std::uint32_t token : program) AppendU32(data, token);
  return data;
}

}  // namespace

std::vector<std::uint8_t> BuildContainer(const Signature& inputs, const Signature& outputs,
                                         std::span<const std::uint32_t> program) {
  const struct {
    std::uint32_t name;
    std::vector<std::uint8_t> data;
  } chunks[] = {
      {FourCc("ISGN"), SignatureChunk(inputs)},
      {FourCc("OSGN"), SignatureChunk(outputs)},
      {FourCc("SHDR"), ProgramChunk(program)},
  };
  constexpr auto kChunkCount = static_cast<std::uint32_t>(std::size(chunks));

  // Room for everything at once: the container is written front to back.
  std::size_t total = 32 + 4 * kChunkCount;
  for (const auto& chunk : chunks) total += 8 + chunk.data.size();
  std::vector<std::uint8_t> out;
  out.reserve(total);
  AppendU32(out, FourCc("DXBC"));
  out.resize(out.size() + sizeof(Digest));  // filled in last
  AppendU32(out, 1);                        // container version
  const std::size_t totalSizeAt = out.size();
  AppendU32(out, 0);
  AppendU32(out, kChunkCount);
  const std::size_t offsetsAt = out.size();
  out.resize(out.size() + 4 * kChunkCount);
  for (std::uint32_t i = 0; i < kChunkCount; ++i) {
    PatchU32(out, offsetsAt + 4 * i, static_cast<std::uint32_t>(out.size()));
    AppendU32(out, chunks[i].name);
    AppendU32(out, static_cast<std::uint32_t>(chunks[i].data.size()));
    out.insert(out.end(), chunks[i].data.begin(), chunks[i].data.end());
  }
  PatchU32(out, totalSizeAt, static_cast<std::uint32_t>(out.size()));

  const Digest digest = ComputeDigest(std::span(out).subspan(kDigestedFrom));
  std::copy(digest.begin(), digest.end(), out.begin() + kDigestOffset);
  return out;
}

}  // namespace brivonel::dxbc
