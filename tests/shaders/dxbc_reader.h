#pragma once
// A reader of DXBC containers for the tests, written from the format and
// independent of the writer: header, chunk table, signatures and the
// program's instruction stream. Anything inconsistent throws.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brivonel::test {

struct DxbcChunk {
  std::string name;        // "ISGN", "OSGN", "SHDR", ...
  std::size_t offset = 0;  // of the chunk's header in the container
  std::span<const std::uint8_t> data;
};

struct DxbcContainer {
  std::span<const std::uint8_t> storedDigest;
  std::uint32_t version = 0;
  std::uint32_t totalSize = 0;
  std::vector<DxbcChunk> chunks;

  // The chunk with this name; throws when there is none.
  std::span<const std::uint8_t> Chunk(const std::string& name) const;
};

struct DxbcSignatureElement {
  std::string semanticName;
  std::uint32_t semanticIndex = 0;
  std::uint32_t systemValue = 0;
  std::uint32_t componentType = 0;
  std::uint32_t registerIndex = 0;
  std::uint8_t mask = 0;
  std::uint8_t readWriteMask = 0;
};

// One instruction of a program: its opcode and every token after the opcode
// token.
struct DxbcInstruction {
  std::uint32_t opcode = 0;
  std::uint32_t opcodeToken = 0;
  std::vector<std::uint32_t> operands;
};

struct DxbcProgram {
  std::uint32_t stage = 0;  // 0 pixel, 1 vertex
  std::uint32_t majorVersion = 0;
  std::uint32_t minorVersion = 0;
  std::vector<DxbcInstruction> instructions;
};

DxbcContainer ReadDxbcContainer(std::span<const std::uint8_t> bytes);
std::vector<DxbcSignatureElement> ReadDxbcSignature(std::span<const std::uint8_t> chunk);
DxbcProgram ReadDxbcProgram(std::span<const std::uint8_t> chunk);

}  // namespace brivonel::test
