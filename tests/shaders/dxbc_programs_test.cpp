// The generated shader programs as the device will check them: a well-formed
// container with a valid digest, a vertex input signature that matches the
// model's input layout, stages that link, and constant buffers as large as
// what the drawing code binds.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>

#include "base/math.h"
#include "model/model.h"
#include "render/constant_buffer.h"
#include "render/frame_setup.h"
#include "render/shader_pool.h"
#include "shaders/dxbc/digest.h"
#include "shaders/dxbc/programs/programs.h"
#include "tests/shaders/dxbc_reader.h"

namespace brivonel::dxbc {
namespace {

using test::DxbcInstruction;
using test::DxbcSignatureElement;

// Numbers of the tokenized program format and of signatures.
constexpr std::uint32_t kRet = 62;
constexpr std::uint32_t kDclResource = 88;
constexpr std::uint32_t kDclConstantBuffer = 89;
constexpr std::uint32_t kDclSampler = 90;
constexpr std::uint32_t kDclInput = 95;
constexpr std::uint32_t kDclInputPs = 98;
constexpr std::uint32_t kDclOutput = 101;
constexpr std::uint32_t kDclOutputSiv = 103;
constexpr std::uint32_t kResourceTexture2d = 3;
constexpr std::uint32_t kUintComponents = 1;
constexpr std::uint32_t kFloatComponents = 3;
constexpr std::uint32_t kPositionValue = 1;
constexpr std::uint32_t kRowBytes = 16;

struct Built {
  std::vector<std::uint8_t> bytes;
  test::DxbcContainer container;
  test::DxbcProgram program;
};

Built Build(std::vector<std::uint8_t> (*build)()) {
  Built built{build(), {}, {}};
  built.container = test::ReadDxbcContainer(built.bytes);
  built.program = test::ReadDxbcProgram(built.container.Chunk("SHDR"));
  return built;
}

std::vector<DxbcSignatureElement> Signature(const Built& built, const char* chunk) {
  return test::ReadDxbcSignature(built.container.Chunk(chunk));
}

std::vector<const DxbcInstruction*> Declarations(const Built& built, std::uint32_t opcode) {
  std::vector<const DxbcInstruction*> found;
  for (const DxbcInstruction& instruction : built.program.instructions) {
    if (instruction.opcode == opcode) found.push_back(&instruction);
  }
  return found;
}

// The channel count and signature component type of each vertex format.
struct FormatShape {
  unsigned channels;
  std::uint32_t componentType;
};
FormatShape ShapeOf(DxgiFormat format) {
  switch (format) {
    case DxgiFormat::R32G32B32A32_FLOAT: return {4, kFloatComponents};
    case DxgiFormat::R32G32B32_FLOAT: return {3, kFloatComponents};
    case DxgiFormat::R32G32_FLOAT: return {2, kFloatComponents};
    case DxgiFormat::R8G8B8A8_UINT: return {4, kUintComponents};
    default:
      ADD_FAILURE() << "format " << static_cast<int>(format) << " has no shape here";
      return {0, 0};
  }
}

TEST(DxbcPrograms, ContainersAreWellFormedWithValidDigests) {
  for (const ShaderProgram& shader : kShaderPrograms) {
    SCOPED_TRACE(shader.name);
    Built built;
    ASSERT_NO_THROW(built = Build(shader.build));
    EXPECT_EQ(built.container.version, 1u);
    std::vector<std::string> names;
    for (const test::DxbcChunk& chunk : built.container.chunks) names.push_back(chunk.name);
    EXPECT_EQ(names, (std::vector<std::string>{"ISGN", "OSGN", "SHDR"}));
    const Digest digest = ComputeDigest(std::span(built.bytes).subspan(20));
    EXPECT_TRUE(std::equal(digest.begin(), digest.end(), built.container.storedDigest.begin()));

    EXPECT_EQ(built.program.majorVersion, 4u);
    EXPECT_EQ(built.program.minorVersion, 0u);
    EXPECT_EQ(built.program.stage, shader.name.starts_with("vs_") ? 1u : 0u);
    ASSERT_FALSE(built.program.instructions.empty());
    EXPECT_EQ(built.program.instructions.back().opcode, kRet);
  }
}

TEST(DxbcPrograms, VertexInputSignatureMatchesTheModelsInputLayout) {
  const std::vector<DxbcSignatureElement> inputs =
      Signature(Build(&BuildSkinnedVertexShader), "ISGN");
  ASSERT_EQ(inputs.size(), std::size(kVertexInputLayout));
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const gpu::InputElementDesc& element = kVertexInputLayout[i];
    SCOPED_TRACE(element.semanticName);
    const FormatShape shape = ShapeOf(element.format);
    EXPECT_EQ(inputs[i].semanticName, element.semanticName);
    EXPECT_EQ(inputs[i].semanticIndex, element.semanticIndex);
    EXPECT_EQ(inputs[i].systemValue, 0u);
    EXPECT_EQ(inputs[i].componentType, shape.componentType);
    EXPECT_EQ(inputs[i].registerIndex, i);
    EXPECT_EQ(inputs[i].mask, (1u << shape.channels) - 1);
  }
}

TEST(DxbcPrograms, DeclaredRegistersAreInTheirSignatures) {
  for (const ShaderProgram& shader : kShaderPrograms) {
    SCOPED_TRACE(shader.name);
    const Built built = Build(shader.build);
    const auto check = [&](std::uint32_t opcode, const char* chunk) {
      const std::vector<DxbcSignatureElement> signature = Signature(built, chunk);
      for (const DxbcInstruction* declaration : Declarations(built, opcode)) {
        const std::uint32_t reg = declaration->operands.at(1);
        const auto mask = static_cast<std::uint8_t>((declaration->operands.at(0) >> 4) & 0xF);
        const auto element = std::find_if(signature.begin(), signature.end(),
                                          [&](const auto& e) { return e.registerIndex == reg; });
        ASSERT_NE(element, signature.end()) << chunk << " has no register " << reg;
        EXPECT_EQ(mask & ~element->mask, 0)
            << "register " << reg << " declares components it lacks";
        if (std::string(chunk) == "ISGN") {
          EXPECT_EQ(mask & ~element->readWriteMask, 0)
              << "register " << reg << " reads unannounced components";
        }
      }
    };
    check(kDclInput, "ISGN");
    check(kDclInputPs, "ISGN");
    check(kDclOutput, "OSGN");
    check(kDclOutputSiv, "OSGN");
  }
}

TEST(DxbcPrograms, VertexOutputsArePositionColourCoordinatesLookupsAndHighlight) {
  const std::vector<DxbcSignatureElement> outputs =
      Signature(Build(&BuildSkinnedVertexShader), "OSGN");
  ASSERT_EQ(outputs.size(), 5u);
  EXPECT_EQ(outputs[0].semanticName, "SV_Position");
  EXPECT_EQ(outputs[0].systemValue, kPositionValue);
  EXPECT_EQ(outputs[0].mask, 0xF);
  EXPECT_EQ(outputs[1].semanticName, "COLOR");
  EXPECT_EQ(outputs[1].mask, 0xF);
  // The texture's and the sub-texture's coordinates; the sphere map's and
  // the toon ramp's; the highlight added after the textures.
  for (std::uint32_t i = 2; i < 5; ++i) {
    EXPECT_EQ(outputs[i].semanticName, "TEXCOORD");
    EXPECT_EQ(outputs[i].semanticIndex, i - 2);
  }
  EXPECT_EQ(outputs[2].mask, 0xF);
  EXPECT_EQ(outputs[3].mask, 0x7);
  EXPECT_EQ(outputs[4].mask, 0x7);
  for (std::uint32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(outputs[i].registerIndex, i);
    EXPECT_EQ(outputs[i].componentType, kFloatComponents);
  }
}

TEST(DxbcPrograms, PixelShadersTakeWhatTheVertexShaderWritesAndWriteOneTarget) {
  const std::vector<DxbcSignatureElement> vertexOutputs =
      Signature(Build(&BuildSkinnedVertexShader), "OSGN");
  for (auto build : {&BuildTexturedPixelShader, &BuildColourPixelShader}) {
    const Built pixel = Build(build);
    const std::vector<DxbcSignatureElement> inputs = Signature(pixel, "ISGN");
    ASSERT_EQ(inputs.size(), vertexOutputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      SCOPED_TRACE(inputs[i].semanticName);
      EXPECT_EQ(inputs[i].semanticName, vertexOutputs[i].semanticName);
      EXPECT_EQ(inputs[i].semanticIndex, vertexOutputs[i].semanticIndex);
      EXPECT_EQ(inputs[i].systemValue, vertexOutputs[i].systemValue);
      EXPECT_EQ(inputs[i].componentType, vertexOutputs[i].componentType);
      EXPECT_EQ(inputs[i].registerIndex, vertexOutputs[i].registerIndex);
      EXPECT_EQ(inputs[i].mask, vertexOutputs[i].mask);
    }
    const std::vector<DxbcSignatureElement> outputs = Signature(pixel, "OSGN");
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(outputs[0].semanticName, "SV_Target");
    EXPECT_EQ(outputs[0].registerIndex, 0u);
    EXPECT_EQ(outputs[0].mask, 0xF);
  }
}

TEST(DxbcPrograms, ConstantBuffersHoldWhatTheDrawingCodeBinds) {
  const Built vertex = Build(&BuildSkinnedVertexShader);
  std::vector<std::uint32_t> rows(5, 0);
  std::vector<bool> dynamic(5, false);
  for (const DxbcInstruction* declaration : Declarations(vertex, kDclConstantBuffer)) {
    const std::uint32_t slot = declaration->operands.at(1);
    ASSERT_LT(slot, rows.size());
    rows[slot] = declaration->operands.at(2);
    dynamic[slot] = (declaration->opcodeToken >> 11) & 1;
  }
  EXPECT_EQ(rows[kCameraBufferSlot] * kRowBytes, sizeof(CameraBlock));
  EXPECT_EQ(rows[kProjectionBufferSlot] * kRowBytes, sizeof(Matrix4));
  EXPECT_EQ(rows[kWorldBufferSlot] * kRowBytes, sizeof(Matrix4));
  // Bone numbers are 8 bits: every bone a vertex can name.
  EXPECT_EQ(rows[kBoneBufferSlot] * kRowBytes, 256 * sizeof(SkinningMatrix));
  EXPECT_TRUE(dynamic[kBoneBufferSlot]);
  EXPECT_EQ(rows[kMaterialBufferSlot] * kRowBytes, sizeof(MaterialConstants));
  EXPECT_EQ(std::count(dynamic.begin(), dynamic.end(), true), 1);
}

// Slot numbers of the declarations of one kind, in order.
std::vector<std::uint32_t> DeclaredSlots(const Built& built, std::uint32_t opcode) {
  std::vector<std::uint32_t> slots;
  for (const DxbcInstruction* declaration : Declarations(built, opcode))
    slots.push_back(declaration->operands.at(1));
  return slots;
}

// Both pixel shaders read the sphere map (t1, s1), the toon ramp (t2, s2)
// and the material buffer's effects row; only the textured one reads t0.
TEST(DxbcPrograms, PixelShadersReadTheirTexturesAndTheMaterialsEffects) {
  const Built textured = Build(&BuildTexturedPixelShader);
  EXPECT_EQ(DeclaredSlots(textured, kDclResource), (std::vector<std::uint32_t>{0, 1, 2}));
  EXPECT_EQ(DeclaredSlots(textured, kDclSampler), (std::vector<std::uint32_t>{0, 1, 2}));
  const Built colour = Build(&BuildColourPixelShader);
  EXPECT_EQ(DeclaredSlots(colour, kDclResource), (std::vector<std::uint32_t>{1, 2}));
  EXPECT_EQ(DeclaredSlots(colour, kDclSampler), (std::vector<std::uint32_t>{1, 2}));
  for (const Built* pixel : {&textured, &colour}) {
    for (const DxbcInstruction* resource : Declarations(*pixel, kDclResource))
      EXPECT_EQ((resource->opcodeToken >> 11) & 0x1F, kResourceTexture2d);
    const auto buffers = Declarations(*pixel, kDclConstantBuffer);
    ASSERT_EQ(buffers.size(), 1u);
    EXPECT_EQ(buffers[0]->operands.at(1), kMaterialBufferSlot);
    EXPECT_EQ(buffers[0]->operands.at(2) * kRowBytes, sizeof(MaterialConstants));
  }
}

}  // namespace
}  // namespace brivonel::dxbc
