// Building a model's GPU objects and drawing it, seen through the calls it
// makes on a recording device.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>

#include "base/app_exception.h"
#include "base/unicode.h"
#include "model/model.h"
#include "model/model_setup.h"
#include "render/toon_ramps.h"
#include "tests/support/recording_gpu.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_models.h"

namespace brivonel {
namespace {

using ::testing::ElementsAre;
using test::RecordingGpu;

MaterialConstants ConstantsOf(const test::RecordedCall& call) {
  MaterialConstants constants;
  EXPECT_EQ(call.bytes.size(), sizeof constants);
  std::memcpy(&constants, call.bytes.data(), sizeof constants);
  return constants;
}

class ModelDrawingTest : public ::testing::Test {
 protected:
  ModelDrawingTest() : gpu(std::make_shared<RecordingGpu>()) {
    test::WritePlaceholderShaders(dir.path(), kDefaultShaderExtension);
    model.SetDevice(gpu, gpu);
  }

  std::u16string Directory() const { return FromFsPath(dir.path()) + u"/"; }

  // Builds the model, assigns shaders, creates its GPU objects and forgets
  // the calls made so far.
  void Prepare(const test::TestModelBuilder& builder) {
    builder.Build(model);
    ASSERT_TRUE(AssignMaterialShaders(model, Directory()));
    model.CreateGpuResources();
    model.ComputeSkinningMatrices();
    gpu->ClearCalls();
  }

  // Loads a 2x2 texture file into the model's pool.
  int LoadTexture(const char* name) {
    test::WriteTga(dir / name, 2, 2, std::vector<std::uint8_t>(16, 200));
    return model.texturePool.Load(Directory(), Utf8ToUtf16(name));
  }

  test::TempDir dir;
  std::shared_ptr<RecordingGpu> gpu;
  Model model;
};

// Two quads of one untextured material each on one bone.
test::TestModelBuilder TwoPlainQuads() {
  test::TestModelBuilder builder;
  builder.AddBone({0, 0, 0, 0});
  const int red = builder.AddMaterial({1, 0, 0, 1}, {0.2f, 0, 0, 0}, {0.5f, 0.5f, 0.5f, 8});
  const int green = builder.AddMaterial({0, 1, 0, 1});
  builder.AddQuad(red, {0, 10, 0, 1}, 2, 2);
  builder.AddQuad(green, {0, 14, 0, 1}, 2, 2);
  return builder;
}

// Three quads side by side, one white material each.
test::TestModelBuilder ThreeWhiteQuads() {
  test::TestModelBuilder builder;
  builder.AddBone({0, 0, 0, 0});
  for (int i = 0; i < 3; ++i) {
    builder.AddMaterial({1, 1, 1, 1});
    builder.AddQuad(i, {static_cast<float>(i) * 3, 12, 0, 1}, 1, 1);
  }
  return builder;
}

TEST_F(ModelDrawingTest, CreateGpuResourcesJoinsMeshesAndDescribesEveryObject) {
  test::TestModelBuilder builder;
  builder.AddBone({0, 0, 0, 0});
  builder.AddBone({0, 5, 0, 0}, 0);
  builder.AddMaterial({1, 1, 1, 1});
  builder.AddQuad(0, {0, 0, 0, 1}, 1, 1);
  builder.Build(model);
  // A second mesh: its vertices follow the first mesh's and its indices are
  // shifted by the first mesh's vertex count.
  auto second = std::make_shared<Mesh>(*model.meshes[0]);
  second->vertices.resize(3);
  second->indices = {0, 1, 2};
  second->faceCount = 1;
  model.meshes.push_back(second);
  ASSERT_TRUE(AssignMaterialShaders(model, Directory()));
  gpu->ClearCalls();

  model.CreateGpuResources();

  EXPECT_EQ(model.vertexCount, 7u);
  EXPECT_EQ(model.faceTotal, 3);
  EXPECT_EQ(model.meshes[1]->vertexBase, 4u);
  EXPECT_EQ(model.meshes[1]->indexBase, 6u);
  EXPECT_EQ(model.vertexStride, 108u);
  EXPECT_EQ(model.baseVertices.size(), 7u);
  EXPECT_EQ(model.posedVertices.size(), 7u);

  EXPECT_THAT(gpu->CallNames(),
              ElementsAre("CreateBuffer", "Map", "Unmap", "CreateBuffer", "CreateBuffer",
                          "CreateBuffer", "CreateBuffer", "CreateSamplerState",
                          "CreateSamplerState", "CreateRasterizerState", "CreateRasterizerState"));
  const test::FakeBuffer* vertices = RecordingGpu::AsBuffer(model.vertexBuffer.get());
  EXPECT_EQ(vertices->desc.byteWidth, 7u * 108);
  EXPECT_EQ(vertices->desc.usage, gpu::Usage::Dynamic);
  EXPECT_EQ(vertices->desc.cpuAccessFlags, gpu::kCpuAccessWrite);
  EXPECT_EQ(0, std::memcmp(vertices->data.data(), model.baseVertices.data(), 7 * 108));

  const test::FakeBuffer* indices = RecordingGpu::AsBuffer(model.indexBuffer.get());
  EXPECT_EQ(indices->desc.usage, gpu::Usage::Default);
  EXPECT_EQ(indices->desc.bindFlags, gpu::kBindIndexBuffer);
  std::vector<std::uint32_t> joined(indices->data.size() / 4);
  std::memcpy(joined.data(), indices->data.data(), indices->data.size());
  EXPECT_THAT(joined, ElementsAre(0, 1, 3, 0, 3, 2, 4, 5, 6));

  EXPECT_EQ(RecordingGpu::AsBuffer(model.boneBuffer.get())->desc.byteWidth, 2u * 48);
  EXPECT_EQ(RecordingGpu::AsBuffer(model.transformBuffer.get())->desc.byteWidth, 64u);
  EXPECT_EQ(RecordingGpu::AsBuffer(model.materialBuffer.get())->desc.byteWidth, 96u);
  EXPECT_EQ(RecordingGpu::AsBuffer(model.materialBuffer.get())->desc.bindFlags,
            gpu::kBindConstantBuffer);
  EXPECT_EQ(model.worldConstants, MatrixIdentity());

  const gpu::SamplerDesc& sampler = RecordingGpu::AsSampler(model.samplerState.get())->desc;
  EXPECT_EQ(sampler.filter, gpu::Filter::MinMagMipLinear);
  EXPECT_EQ(sampler.addressU, gpu::TextureAddressMode::Wrap);
  EXPECT_EQ(sampler.addressV, gpu::TextureAddressMode::Wrap);
  EXPECT_EQ(sampler.addressW, gpu::TextureAddressMode::Wrap);
  EXPECT_EQ(sampler.maxLod, FLT_MAX);
  const gpu::RasterizerDesc& rasterizer =
      RecordingGpu::AsRasterizer(model.rasterizerState.get())->desc;
  EXPECT_EQ(rasterizer.cullMode, gpu::CullMode::None);
  EXPECT_EQ(rasterizer.fillMode, gpu::FillMode::Solid);
  EXPECT_TRUE(rasterizer.depthClipEnable);
  // Sphere maps and toon ramps are read clamped; the edge pass keeps the
  // back faces (clockwise ones face the camera).
  const gpu::SamplerDesc& ramps = RecordingGpu::AsSampler(model.rampSamplerState.get())->desc;
  EXPECT_EQ(ramps.filter, gpu::Filter::MinMagMipLinear);
  EXPECT_EQ(ramps.addressU, gpu::TextureAddressMode::Clamp);
  EXPECT_EQ(ramps.addressV, gpu::TextureAddressMode::Clamp);
  const gpu::RasterizerDesc& edges =
      RecordingGpu::AsRasterizer(model.edgeRasterizerState.get())->desc;
  EXPECT_EQ(edges.cullMode, gpu::CullMode::Front);
  EXPECT_FALSE(edges.frontCounterClockwise);
  EXPECT_TRUE(model.builtInToonRamps.empty()) << "no material asks for a shared toon";
  EXPECT_TRUE(gpu->misuses().empty());
}

TEST_F(ModelDrawingTest, CreateGpuResourcesRaisesBufferErrorForEveryRefusal) {
  for (const char* call : {"CreateBuffer", "Map", "CreateSamplerState", "CreateRasterizerState"}) {
    Model fresh;
    fresh.SetDevice(gpu, gpu);
    TwoPlainQuads().Build(fresh);
    gpu->FailCall(call, kEOutOfMemory);
    try {
      fresh.CreateGpuResources();
      ADD_FAILURE() << call << " failing went unnoticed";
    } catch (const AppException& e) {
      EXPECT_EQ(e.hr(), kEOutOfMemory) << call;
      EXPECT_EQ(e.code(), error::kBuffers) << call;
    }
    gpu->ClearFailures();
  }
}

// Devices refuse 0-byte buffers; valid files without bones or without
// geometry must still be shown (as what they are), not end in a buffer error.
TEST_F(ModelDrawingTest, ModelsWithoutBonesOrGeometryAreDrawnAsWhatTheyAre) {
  test::TestModelBuilder boneless;
  boneless.AddMaterial({1, 1, 1, 1});
  boneless.AddQuad(0, {0, 0, 0, 1}, 1, 1);
  Prepare(boneless);
  EXPECT_EQ(RecordingGpu::AsBuffer(model.boneBuffer.get())->desc.byteWidth, 48u);
  ASSERT_EQ(model.Render(), 0);
  EXPECT_EQ(gpu->CountCalls("DrawIndexed"), 1u);
  EXPECT_TRUE(gpu->misuses().empty());

  Model rig;
  rig.SetDevice(gpu, gpu);
  test::TestModelBuilder bare;
  bare.AddBone({0, 1, 0, 0});
  bare.Build(rig);
  rig.CreateGpuResources();
  EXPECT_EQ(rig.vertexBuffer, nullptr);
  EXPECT_EQ(rig.indexBuffer, nullptr);
  gpu->ClearCalls();
  ASSERT_EQ(rig.Render(), 0);
  EXPECT_EQ(gpu->CountCalls("DrawIndexed"), 0u);
  EXPECT_TRUE(gpu->misuses().empty());
}

TEST_F(ModelDrawingTest, RenderBindsEverythingThenDrawsPieceByPiece) {
  Prepare(TwoPlainQuads());
  ASSERT_EQ(model.Render(), 0);

  const std::string vb = gpu->Label(model.vertexBuffer.get());
  const std::string transform = gpu->Label(model.transformBuffer.get());
  const std::string bones = gpu->Label(model.boneBuffer.get());
  const std::string material = gpu->Label(model.materialBuffer.get());
  const std::string layout = gpu->Label(model.vertexShaderPool.Get(0).inputLayout.get());
  const std::string vs = gpu->Label(model.vertexShaderPool.Get(0).vertexShader.get());
  const std::string ps = gpu->Label(model.pixelShaderPool.Get(0).pixelShader.get());
  const std::string rs = gpu->Label(model.rasterizerState.get());
  // No vertex was touched, so nothing is uploaded; both pieces share their
  // shaders, so they are bound once.
  EXPECT_THAT(gpu->CallTexts(),
              ElementsAre("UpdateSubresource(" + transform + ")",
                          "VSSetConstantBuffers(2, " + transform + ")",
                          "UpdateSubresource(" + bones + ")",
                          "VSSetConstantBuffers(3, " + bones + ")",
                          "PSSetConstantBuffers(4, " + material + ")",
                          "IASetVertexBuffers(0, " + vb + ", 108, 0)",
                          "IASetIndexBuffer(" + gpu->Label(model.indexBuffer.get()) + ", 42, 0)",
                          "IASetPrimitiveTopology(4)", "IASetInputLayout(" + layout + ")",
                          "VSSetShader(" + vs + ")", "PSSetShader(" + ps + ")",
                          "UpdateSubresource(" + material + ")",
                          "VSSetConstantBuffers(4, " + material + ")", "RSSetState(" + rs + ")",
                          "DrawIndexed(6, 0, 0)", "UpdateSubresource(" + material + ")",
                          "VSSetConstantBuffers(4, " + material + ")", "RSSetState(" + rs + ")",
                          "DrawIndexed(6, 6, 0)"));
  const auto updates = gpu->CallsNamed("UpdateSubresource");
  const MaterialConstants first = ConstantsOf(*updates[2]);
  EXPECT_EQ(first.diffuse, (Float4{1, 0, 0, 1}));
  EXPECT_EQ(first.ambient, (Float4{0.2f, 0, 0, 0}));
  EXPECT_EQ(first.specular, (Float4{0.5f, 0.5f, 0.5f, 8}));
  // No sphere map, no toon ramp, not the edge pass; the highlight goes on
  // after the textures, as peers draw it.
  EXPECT_EQ(first.effects, (Float4{0, 0, 1, 0}));
  EXPECT_EQ(ConstantsOf(*updates[3]).diffuse, (Float4{0, 1, 0, 1}));
  // The bone buffer holds the skinning matrices, 48 bytes per bone.
  EXPECT_EQ(0, std::memcmp(updates[1]->bytes.data(), model.skinningMatrices.data(), 48));
  EXPECT_TRUE(gpu->misuses().empty());

  // Every call starts from unbound shaders again.
  gpu->ClearCalls();
  model.Render();
  EXPECT_EQ(gpu->CountCalls("VSSetShader"), 1u);
  EXPECT_EQ(gpu->CountCalls("PSSetShader"), 1u);
  EXPECT_EQ(gpu->CountCalls("Map"), 0u);
}

TEST_F(ModelDrawingTest, TouchedVerticesAreUploadedOnceThenRestored) {
  Prepare(TwoPlainQuads());
  const Vertex rest = model.posedVertices[2];
  model.posedVertices[2].position.x += 3.0f;
  model.touchedVertices = {2, 2};  // repeats are allowed
  const Vertex morphed = model.posedVertices[2];

  model.Render();

  ASSERT_EQ(gpu->CountCalls("Map"), 1u);
  const test::RecordedCall* unmap = gpu->CallsNamed("Unmap")[0];
  EXPECT_EQ(0, std::memcmp(unmap->bytes.data() + 2 * sizeof(Vertex), &morphed, sizeof(Vertex)));
  EXPECT_EQ(unmap->bytes.size(), model.vertexCount * sizeof(Vertex));
  EXPECT_EQ(0, std::memcmp(&model.posedVertices[2], &rest, sizeof(Vertex)));
  EXPECT_TRUE(model.touchedVertices.empty());
  // Map and Unmap come before anything else of the frame.
  EXPECT_EQ(gpu->CallNames()[0], "Map");
  EXPECT_EQ(gpu->CallNames()[1], "Unmap");

  gpu->ClearCalls();
  model.Render();
  EXPECT_EQ(gpu->CountCalls("Map"), 0u) << "a frame without morphs uploads nothing";
}

TEST_F(ModelDrawingTest, FailedUploadIsRetriedNextFrame) {
  Prepare(TwoPlainQuads());
  const Vertex rest = model.posedVertices[1];
  model.posedVertices[1].position.y += 1.0f;
  model.touchedVertices = {1};
  gpu->FailCall("Map", kEOutOfMemory);

  model.Render();

  EXPECT_EQ(gpu->CountCalls("Unmap"), 0u);
  EXPECT_EQ(gpu->CountCalls("DrawIndexed"), 2u) << "the frame is still drawn";
  EXPECT_EQ(0, std::memcmp(&model.posedVertices[1], &rest, sizeof(Vertex)));
  EXPECT_EQ(model.touchedVertices.size(), 1u);
  gpu->ClearCalls();
  model.Render();
  EXPECT_EQ(gpu->CountCalls("Unmap"), 1u);
  EXPECT_TRUE(model.touchedVertices.empty());
}

TEST_F(ModelDrawingTest, NothingHappensWhileLoading) {
  Prepare(TwoPlainQuads());
  model.touchedVertices = {0};
  model.loading = true;
  EXPECT_EQ(model.Render(), 0);
  EXPECT_TRUE(gpu->calls().empty());
  EXPECT_EQ(model.touchedVertices.size(), 1u);
}

TEST_F(ModelDrawingTest, PendingFactorsAreFoldedMultiplyFirstThenReset) {
  Prepare(TwoPlainQuads());
  Material& red = model.materials[0];
  red.multiplyPending = true;
  red.multiplyFactors.diffuse = {0.5f, 0.5f, 0.5f, 0.5f};
  red.multiplyFactors.ambient = {2, 2, 2, 2};
  red.multiplyFactors.specular = {1, 1, 1, 0.25f};
  red.addPending = true;
  red.addTerms.diffuse = {0.1f, 0.2f, 0.3f, 0.0f};
  red.addTerms.specular = {0, 0, 0, 1};
  // A multiplying morph at weight 0 leaves zero factors: the colours go to 0.
  Material& green = model.materials[1];
  green.multiplyPending = true;

  model.Render();

  const auto updates = gpu->CallsNamed("UpdateSubresource");
  const MaterialConstants first = ConstantsOf(*updates[2]);
  EXPECT_FLOAT_EQ(first.diffuse.x, 0.6f);
  EXPECT_FLOAT_EQ(first.diffuse.y, 0.2f);
  EXPECT_FLOAT_EQ(first.diffuse.z, 0.3f);
  EXPECT_FLOAT_EQ(first.diffuse.w, 0.5f);
  EXPECT_FLOAT_EQ(first.ambient.x, 0.4f);
  EXPECT_EQ(first.ambient.w, 0.0f) << "ambient's fourth float is always 0";
  EXPECT_FLOAT_EQ(first.specular.w, 3.0f) << "power 8 x 0.25 + 1";
  EXPECT_EQ(ConstantsOf(*updates[3]).diffuse, (Float4{0, 0, 0, 0}));
  // The material keeps its own colours; the factors start from nothing again.
  EXPECT_EQ(red.diffuse, (Float4{1, 0, 0, 1}));
  EXPECT_FALSE(red.multiplyPending);
  EXPECT_FALSE(red.addPending);
  EXPECT_EQ(red.multiplyFactors.diffuse, (Float4{}));
  EXPECT_EQ(red.addTerms.specular, (Float4{}));
  EXPECT_FALSE(green.multiplyPending);

  gpu->ClearCalls();
  model.Render();
  EXPECT_EQ(ConstantsOf(*gpu->CallsNamed("UpdateSubresource")[3]).diffuse, (Float4{0, 1, 0, 1}));
}

TEST_F(ModelDrawingTest, EachRangeIsOneDraw) {
  Prepare(TwoPlainQuads());
  Piece& piece = model.meshes[0]->pieces[1];
  piece.ranges = {{2, 1}, {3, 1}};
  model.Render();
  const auto draws = gpu->CallsNamed("DrawIndexed");
  ASSERT_EQ(draws.size(), 3u);
  EXPECT_EQ(draws[1]->text, "DrawIndexed(3, 6, 0)");
  EXPECT_EQ(draws[2]->text, "DrawIndexed(3, 9, 0)");
}

TEST_F(ModelDrawingTest, TexturedMaterialBindsTextureAndSamplerUntexturedLeavesThem) {
  ThreeWhiteQuads().Build(model);
  const int texture = LoadTexture("skin.tga");
  ASSERT_GE(texture, 0);
  model.materials[0].textureId = texture;  // textured, plain, textured
  model.materials[2].textureId = texture;
  ASSERT_TRUE(AssignMaterialShaders(model, Directory()));
  ASSERT_EQ(model.pixelShaderPool.Size(), 2u);
  model.CreateGpuResources();
  model.ComputeSkinningMatrices();
  gpu->ClearCalls();

  model.Render();

  const std::string view = gpu->Label(model.texturePool.Get(texture).shaderResourceView.get());
  const std::string sampler = gpu->Label(model.samplerState.get());
  std::vector<std::string> binds;
  for (const std::string& text : gpu->CallTexts()) {
    if (text.starts_with("PSSet") || text.starts_with("DrawIndexed")) binds.push_back(text);
  }
  const std::string textured = gpu->Label(model.pixelShaderPool.Get(0).pixelShader.get());
  const std::string plain = gpu->Label(model.pixelShaderPool.Get(1).pixelShader.get());
  EXPECT_THAT(binds, ElementsAre("PSSetConstantBuffers(4, " + gpu->Label(model.materialBuffer.get()) +
                                     ")",
                                 "PSSetShader(" + textured + ")",
                                 "PSSetShaderResources(0, " + view + ")",
                                 "PSSetSamplers(0, " + sampler + ")", "DrawIndexed(6, 0, 0)",
                                 "PSSetShader(" + plain + ")", "DrawIndexed(6, 6, 0)",
                                 "PSSetShader(" + textured + ")",
                                 "PSSetShaderResources(0, " + view + ")",
                                 "PSSetSamplers(0, " + sampler + ")", "DrawIndexed(6, 12, 0)"));
}

TEST_F(ModelDrawingTest, MaterialWithoutShadersIsNotDrawn) {
  Prepare(TwoPlainQuads());
  model.materials[1].pixelShaderId = -1;
  model.Render();
  EXPECT_EQ(gpu->CountCalls("DrawIndexed"), 1u);
}

// --- sphere maps, toon ramps, outlines ---

// The PS* calls and draws of a Render, in order.
std::vector<std::string> PixelStageCalls(const RecordingGpu& gpu) {
  std::vector<std::string> calls;
  for (const std::string& text : gpu.CallTexts()) {
    if (text.starts_with("PSSet") || text.starts_with("DrawIndexed") ||
        text.starts_with("RSSetState"))
      calls.push_back(text);
  }
  return calls;
}

TEST_F(ModelDrawingTest, SphereMapsAndToonRampsAreBoundWithTheirModes) {
  ThreeWhiteQuads().Build(model);
  Material& metal = model.materials[0];  // adding sphere, its own toon file
  metal.sphereTextureId = LoadTexture("metal.tga");
  metal.sphereMode = kSphereAdd;
  metal.toonTextureId = LoadTexture("toon.tga");
  model.materials[1].toonIndex = 3;  // shared toon without a file
  Material& odd = model.materials[2];  // a sub-texture sphere is not drawn
  odd.sphereTextureId = metal.sphereTextureId;
  odd.sphereMode = kSphereSubTexture;
  ASSERT_TRUE(AssignMaterialShaders(model, Directory()));
  model.CreateGpuResources();
  model.ComputeSkinningMatrices();
  gpu->ClearCalls();

  model.Render();

  const auto updates = gpu->CallsNamed("UpdateSubresource");
  EXPECT_EQ(ConstantsOf(*updates[2]).effects, (Float4{2, 1, 1, 0}));
  EXPECT_EQ(ConstantsOf(*updates[3]).effects, (Float4{0, 1, 1, 0}));
  EXPECT_EQ(ConstantsOf(*updates[4]).effects, (Float4{0, 0, 1, 0}));
  const std::string sphere = gpu->Label(model.texturePool.Get(0).shaderResourceView.get());
  const std::string toon = gpu->Label(model.texturePool.Get(1).shaderResourceView.get());
  const std::string builtIn = gpu->Label(model.builtInToonRamps[3].get());
  const std::string ramps = gpu->Label(model.rampSamplerState.get());
  const std::string rs = gpu->Label(model.rasterizerState.get());
  const std::string material = gpu->Label(model.materialBuffer.get());
  const std::string plain = gpu->Label(model.pixelShaderPool.Get(0).pixelShader.get());
  EXPECT_THAT(PixelStageCalls(*gpu),
              ElementsAre("PSSetConstantBuffers(4, " + material + ")", "PSSetShader(" + plain + ")",
                          "RSSetState(" + rs + ")", "PSSetShaderResources(1, " + sphere + ")",
                          "PSSetSamplers(1, " + ramps + ")", "PSSetShaderResources(2, " + toon + ")",
                          "PSSetSamplers(2, " + ramps + ")", "DrawIndexed(6, 0, 0)",
                          "RSSetState(" + rs + ")", "PSSetShaderResources(2, " + builtIn + ")",
                          "PSSetSamplers(2, " + ramps + ")", "DrawIndexed(6, 6, 0)",
                          "RSSetState(" + rs + ")", "DrawIndexed(6, 12, 0)"));

  // The plain look binds neither and asks the shaders for nothing.
  model.look = Look::Plain();
  gpu->ClearCalls();
  model.Render();
  for (const test::RecordedCall* update : gpu->CallsNamed("UpdateSubresource")) {
    if (update->bytes.size() == sizeof(MaterialConstants)) {
      EXPECT_EQ(ConstantsOf(*update).effects, (Float4{}));
    }
  }
  EXPECT_EQ(gpu->CountCalls("PSSetShaderResources"), 0u);
  EXPECT_TRUE(gpu->misuses().empty());
}

TEST_F(ModelDrawingTest, BuiltInToonRampsAreMadeOnceForEachSharedToonWithoutAFile) {
  test::TestModelBuilder builder;
  builder.AddBone({0, 0, 0, 0});
  for (int i = 0; i < 4; ++i) builder.AddMaterial({1, 1, 1, 1});
  builder.Build(model);
  model.materials[0].toonIndex = 3;
  model.materials[1].toonIndex = 3;
  model.materials[2].toonIndex = 5;
  model.materials[2].toonTextureId = LoadTexture("toon06.tga");  // its file is there
  model.materials[3].toonIndex = -1;
  gpu->ClearCalls();

  model.CreateGpuResources();

  ASSERT_EQ(model.builtInToonRamps.size(), static_cast<std::size_t>(kSharedToonCount));
  for (int i = 0; i < kSharedToonCount; ++i)
    EXPECT_EQ(model.builtInToonRamps[static_cast<std::size_t>(i)] != nullptr, i == 3) << i;
  const auto textures = gpu->CallsNamed("CreateTexture2D");
  ASSERT_EQ(textures.size(), 1u);
  const test::FakeView* view = RecordingGpu::AsView(model.builtInToonRamps[3].get());
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->texture->Width(), 1u);
  EXPECT_EQ(view->texture->Height(), kToonRampHeight);
  EXPECT_EQ(view->texture->subresources.at(0).bytes, BuiltInToonRamp(3));
}

// A material that asks for an edge: after every material, its back faces
// again with the plain pixel shader, its edge colour (after morphs) and the
// edge width in clip units of the target's pixels.
TEST_F(ModelDrawingTest, EdgePassDrawsOutlinedMaterialsLastWithTheirWidthAndColour) {
  Prepare(TwoPlainQuads());
  model.viewportWidth = 960;
  model.viewportHeight = 1040;
  Material& red = model.materials[0];
  red.edgeFlag = 1;
  red.edgeSize = 2.0f;
  red.edgeColor = {0.2f, 0.4f, 0.6f, 1.0f};
  red.diffuse.w = 0.5f;  // a translucent material's edge is as translucent
  red.multiplyPending = true;
  red.multiplyFactors = {{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {0.5f, 1, 1, 1}};

  model.Render();

  const std::string edges = gpu->Label(model.edgeRasterizerState.get());
  const std::vector<std::string> calls = PixelStageCalls(*gpu);
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[calls.size() - 2], "RSSetState(" + edges + ")");
  EXPECT_EQ(calls.back(), "DrawIndexed(6, 0, 0)");
  const int plain = model.pixelShaderPool.Find(kPlainPixelShaderName);
  EXPECT_EQ(gpu->bindings().pixelShader, model.pixelShaderPool.Get(plain).pixelShader.get());
  const MaterialConstants edge = ConstantsOf(*gpu->CallsNamed("UpdateSubresource").back());
  EXPECT_EQ(edge.effects, (Float4{0, 0, 0, 1}));
  EXPECT_FLOAT_EQ(edge.edgeColor.x, 0.1f);
  EXPECT_FLOAT_EQ(edge.edgeColor.w, 0.5f);
  EXPECT_FLOAT_EQ(edge.edgeWidth.x, 2.0f * 2.0f / 960.0f);
  EXPECT_FLOAT_EQ(edge.edgeWidth.y, 2.0f * 2.0f / 1040.0f);
  EXPECT_EQ(edge.edgeWidth.z, 480.0f);
  EXPECT_EQ(edge.edgeWidth.w, 520.0f);
  EXPECT_EQ(gpu->CountCalls("DrawIndexed"), 3u);

  // Without outlines in the look, or for an invisible material, no edge.
  model.look.outlines = false;
  gpu->ClearCalls();
  model.Render();
  EXPECT_EQ(gpu->CountCalls("DrawIndexed"), 2u);
  model.look.outlines = true;
  red.diffuse.w = 0.0f;
  gpu->ClearCalls();
  model.Render();
  EXPECT_EQ(gpu->CountCalls("DrawIndexed"), 2u);
  EXPECT_TRUE(gpu->misuses().empty());
}

TEST_F(ModelDrawingTest, EdgesBringThePlainPixelShaderEvenWhenEveryMaterialIsTextured) {
  test::TestModelBuilder builder;
  builder.AddBone({0, 0, 0, 0});
  builder.AddMaterial({1, 1, 1, 1});
  builder.Build(model);
  model.materials[0].textureId = LoadTexture("skin.tga");
  ASSERT_TRUE(AssignMaterialShaders(model, Directory()));
  EXPECT_EQ(model.pixelShaderPool.Size(), 1u);

  Model outlined;
  outlined.SetDevice(gpu, gpu);
  builder.Build(outlined);
  outlined.materials[0].textureId = 0;
  outlined.materials[0].edgeFlag = 1;
  ASSERT_TRUE(AssignMaterialShaders(outlined, Directory()));
  EXPECT_EQ(outlined.pixelShaderPool.Size(), 2u);
  EXPECT_GE(outlined.pixelShaderPool.Find(kPlainPixelShaderName), 0);
}

}  // namespace
}  // namespace brivonel
