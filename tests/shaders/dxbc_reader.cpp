#include "tests/shaders/dxbc_reader.h"

#include <stdexcept>

namespace brivonel::test {
namespace {

std::uint32_t U32(std::span<const std::uint8_t> bytes, std::size_t at) {
  if (at + 4 > bytes.size()) throw std::runtime_error("read past the end at " + std::to_string(at));
  return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
         std::uint32_t{bytes[at + 2]} << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

std::string FourCc(std::span<const std::uint8_t> bytes, std::size_t at) {
  if (at + 4 > bytes.size()) throw std::runtime_error("chunk name past the end");
  return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                     bytes.begin() + static_cast<std::ptrdiff_t>(at + 4));
}

}  // namespace

std::span<const std::uint8_t> DxbcContainer::Chunk(const std::string& name) const {
  for (const DxbcChunk& chunk : chunks) {
    if (chunk.name == name) return chunk.data;
  }
  throw std::runtime_error("no " + name + " chunk");
}

// Header: "DXBC", 16-byte digest, version, total size, chunk count, then one
// offset per chunk; each chunk is a name, a size and its data.
DxbcContainer ReadDxbcContainer(std::span<const std::uint8_t> bytes) {
  if (FourCc(bytes, 0) != "DXBC") throw std::runtime_error("no DXBC magic");
  DxbcContainer container;
  container.storedDigest = bytes.subspan(4, 16);
  container.version = U32(bytes, 20);
  container.totalSize = U32(bytes, 24);
  if (container.totalSize != bytes.size()) throw std::runtime_error("total size is not the blob's");
  const std::uint32_t count = U32(bytes, 28);
  const std::size_t headerEnd = 32 + 4 * std::size_t{count};
  std::size_t previousEnd = headerEnd;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t offset = U32(bytes, 32 + 4 * i);
    if (offset % 4 != 0) throw std::runtime_error("chunk offset not word-aligned");
    if (offset < previousEnd) throw std::runtime_error("chunks overlap or precede the header end");
    const std::uint32_t size = U32(bytes, offset + 4);
    if (offset + 8 + std::size_t{size} > bytes.size())
      throw std::runtime_error("chunk runs past the end");
    container.chunks.push_back({FourCc(bytes, offset), offset, bytes.subspan(offset + 8, size)});
    previousEnd = offset + 8 + std::size_t{size};
  }
  return container;
}

// Element count, offset of the elements, then 24 bytes per element; names
// are offsets from the chunk's start.
std::vector<DxbcSignatureElement> ReadDxbcSignature(std::span<const std::uint8_t> chunk) {
  const std::uint32_t count = U32(chunk, 0);
  const std::uint32_t first = U32(chunk, 4);
  std::vector<DxbcSignatureElement> elements;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t at = first + 24 * std::size_t{i};
    DxbcSignatureElement element;
    const std::uint32_t nameOffset = U32(chunk, at);
    for (std::size_t c = nameOffset; c < chunk.size() && chunk[c] != 0; ++c) {
      element.semanticName += static_cast<char>(chunk[c]);
    }
    element.semanticIndex = U32(chunk, at + 4);
    element.systemValue = U32(chunk, at + 8);
    element.componentType = U32(chunk, at + 12);
    element.registerIndex = U32(chunk, at + 16);
    const std::uint32_t masks = U32(chunk, at + 20);
    element.mask = static_cast<std::uint8_t>(masks);
    element.readWriteMask = static_cast<std::uint8_t>(masks >> 8);
    elements.push_back(element);
  }
  return elements;
}

// Version token (stage in the high half, major and minor version in the low
// byte), length in tokens, then instructions whose opcode token carries
// their length in bits 24 to 30.
DxbcProgram ReadDxbcProgram(std::span<const std::uint8_t> chunk) {
  if (chunk.size() % 4 != 0) throw std::runtime_error("program is not whole tokens");
  DxbcProgram program;
  const std::uint32_t version = U32(chunk, 0);
  program.stage = version >> 16;
  program.majorVersion = (version >> 4) & 0xF;
  program.minorVersion = version & 0xF;
  const std::uint32_t length = U32(chunk, 4);
  if (length * std::size_t{4} != chunk.size())
    throw std::runtime_error("length token is not the chunk's");
  for (std::uint32_t at = 2; at < length;) {
    DxbcInstruction instruction;
    instruction.opcodeToken = U32(chunk, 4 * std::size_t{at});
    instruction.opcode = instruction.opcodeToken & 0x7FF;
    const std::uint32_t tokens = (instruction.opcodeToken >> 24) & 0x7F;
    if (tokens == 0) throw std::runtime_error("instruction of length 0");
    if (at + tokens > length) throw std::runtime_error("instruction runs past the program");
    for (std::uint32_t i = 1; i < tokens; ++i)
      instruction.operands.push_back(U32(chunk, 4 * std::size_t{at + i}));
    program.instructions.push_back(instruction);
    at += tokens;
  }
  return program;
}

}  // namespace brivonel::test
