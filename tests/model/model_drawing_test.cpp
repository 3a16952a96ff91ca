// Building a model's GPU objects and drawing it, seen through the calls it
// makes on a recording device.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>

#include "base/app_exception.h"
#include "base/unicode.h"
#include "model/model.h"
#include "formats/pmx_decoder.h"
#include "model/model_setup.h"
#include "render/toon_ramps.h"
#include "tests/support/pose_rigs.h"
#include "tests/support/recording_gpu.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_models.h"
#include "tests/support/written_quad.h"

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

TEST_F(ModelDrawingTest, EachPieceIsDrawnWithItsMaterialOnTheModelsBuffers) {
  Prepare(TwoPlainQuads());
  ASSERT_EQ(model.Render(), 0);

  const auto& draws = gpu->draws();
  ASSERT_EQ(draws.size(), 2u);
  for (std::size_t piece = 0; piece < 2; ++piece) {
    SCOPED_TRACE("piece " + std::to_string(piece));
    const RecordingGpu::DrawRecord& draw = draws[piece];
    EXPECT_EQ(draw.indexCount, 6u);
    EXPECT_EQ(draw.startIndex, 6u * piece);
    const RecordingGpu::Bindings& b = draw.bindings;
    EXPECT_EQ(b.vertexBuffers.at(0), model.vertexBuffer.get());
    EXPECT_EQ(b.vertexStride, 108u);
    EXPECT_EQ(b.indexBuffer, model.indexBuffer.get());
    EXPECT_EQ(b.indexFormat, DxgiFormat::R32_UINT);
    EXPECT_EQ(b.topology, gpu::PrimitiveTopology::TriangleList);
    EXPECT_EQ(b.inputLayout, model.vertexShaderPool.Get(0).inputLayout.get());
    EXPECT_EQ(b.vertexShader, model.vertexShaderPool.Get(0).vertexShader.get());
    EXPECT_EQ(b.pixelShader, model.pixelShaderPool.Get(0).pixelShader.get());
    EXPECT_EQ(b.rasterizer, model.rasterizerState.get());
    EXPECT_EQ(b.psConstantBuffers.at(4), model.materialBuffer.get());
    // The world (identity) and the skinning matrices, 48 bytes per bone.
    ASSERT_EQ(draw.vsConstants.at(2).size(), sizeof(Matrix4));
    EXPECT_EQ(0, std::memcmp(draw.vsConstants.at(2).data(), &model.worldConstants, sizeof(Matrix4)));
    EXPECT_EQ(0, std::memcmp(draw.vsConstants.at(3).data(), model.skinningMatrices.data(), 48));
  }
  MaterialConstants first;
  std::memcpy(&first, draws[0].vsConstants.at(4).data(), sizeof first);
  EXPECT_EQ(first.diffuse, (Float4{1, 0, 0, 1}));
  EXPECT_EQ(first.ambient, (Float4{0.2f, 0, 0, 0}));
  EXPECT_EQ(first.specular, (Float4{0.5f, 0.5f, 0.5f, 8}));
  // No sphere map, no toon ramp, not the edge pass; the highlight goes on
  // after the textures, as peers draw it.
  EXPECT_EQ(first.effects, (Float4{0, 0, 1, 0}));
  MaterialConstants second;
  std::memcpy(&second, draws[1].vsConstants.at(4).data(), sizeof second);
  EXPECT_EQ(second.diffuse, (Float4{0, 1, 0, 1}));
  // Both pieces share their shaders: bound once a frame. Nothing was
  // morphed, so no vertex goes up.
  EXPECT_EQ(gpu->CountCalls("VSSetShader"), 1u);
  EXPECT_EQ(gpu->CountCalls("PSSetShader"), 1u);
  EXPECT_EQ(gpu->CountCalls("Map"), 0u);
  EXPECT_TRUE(gpu->misuses().empty());
}

// Drawing sends what posing left and changes none of it; vertices that went
// back to rest since the last upload go up once more, then nothing does.
TEST_F(ModelDrawingTest, VerticesGoUpWhenPosingMovedThemOrPutThemBack) {
  test::TestModelBuilder builder = TwoPlainQuads();
  Prepare(builder);
  PMXMorph& raise = test::AddMorph(model, u"raise", kMorphVertex);
  raise.vertexOffsets.push_back({2, {3, 0, 0}});
  test::MotionBuilder keys(model);
  keys.AddMorphKey(u"raise", 0, 1.0f);
  keys.AddMorphKey(u"raise", 10, 1.0f);
  model.animation = keys.Build();
  const Vertex rest = model.baseVertices[2];

  model.Update(0);
  model.Render();
  ASSERT_EQ(gpu->draws().size(), 2u);
  Vertex drawn;
  std::memcpy(&drawn, gpu->draws()[0].vertices.data() + 2 * sizeof(Vertex), sizeof drawn);
  EXPECT_EQ(drawn.position.x, rest.position.x + 3.0f);
  EXPECT_EQ(model.posedVertices[2].position.x, rest.position.x + 3.0f) << "drawing left the pose";

  model.animation = std::make_shared<Animation>();  // a motion without morphs
  model.Update(33);
  gpu->ClearCalls();
  model.Render();
  std::memcpy(&drawn, gpu->draws()[0].vertices.data() + 2 * sizeof(Vertex), sizeof drawn);
  EXPECT_EQ(0, std::memcmp(&drawn, &rest, sizeof drawn)) << "back to rest on the GPU too";

  model.Update(66);
  gpu->ClearCalls();
  model.Render();
  EXPECT_EQ(gpu->CountCalls("Map"), 0u) << "nothing moved: nothing goes up";
}

TEST_F(ModelDrawingTest, FailedUploadIsRetriedNextFrame) {
  Prepare(TwoPlainQuads());
  model.posedVertices[1].position.y += 1.0f;
  model.touchedVertices = {1};
  gpu->FailCall("Map", kEOutOfMemory);

  model.Render();
  EXPECT_EQ(gpu->CountCalls("Unmap"), 0u);
  EXPECT_EQ(gpu->draws().size(), 2u) << "the frame is still drawn";

  gpu->ClearFailures();
  gpu->ClearCalls();
  model.Update(0);  // the vertex goes back to rest; it must reach the GPU
  model.Render();
  EXPECT_EQ(gpu->CountCalls("Unmap"), 1u);
  Vertex drawn;
  std::memcpy(&drawn, gpu->draws()[0].vertices.data() + sizeof(Vertex), sizeof drawn);
  EXPECT_EQ(0, std::memcmp(&drawn, &model.baseVertices[1], sizeof drawn));
}

TEST_F(ModelDrawingTest, NothingHappensWhileLoading) {
  Prepare(TwoPlainQuads());
  model.touchedVertices = {0};
  model.loading = true;
  EXPECT_EQ(model.Render(), 0);
  EXPECT_TRUE(gpu->calls().empty());
  EXPECT_EQ(model.touchedVertices.size(), 1u);
}

// Morph factors fold into the colours drawn, multiplying first; drawing
// leaves them as posing set them, so a second draw draws the same.
TEST_F(ModelDrawingTest, PendingFactorsAreFoldedMultiplyFirst) {
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

  for (int frame = 0; frame < 2; ++frame) {
    SCOPED_TRACE("draw " + std::to_string(frame));
    gpu->ClearCalls();
    model.Render();
    ASSERT_EQ(gpu->draws().size(), 2u);
    MaterialConstants first;
    std::memcpy(&first, gpu->draws()[0].vsConstants.at(4).data(), sizeof first);
    EXPECT_FLOAT_EQ(first.diffuse.x, 0.6f);
    EXPECT_FLOAT_EQ(first.diffuse.y, 0.2f);
    EXPECT_FLOAT_EQ(first.diffuse.z, 0.3f);
    EXPECT_FLOAT_EQ(first.diffuse.w, 0.5f);
    EXPECT_FLOAT_EQ(first.ambient.x, 0.4f);
    EXPECT_EQ(first.ambient.w, 0.0f) << "ambient's fourth float is always 0";
    EXPECT_FLOAT_EQ(first.specular.w, 3.0f) << "power 8 x 0.25 + 1";
    MaterialConstants second;
    std::memcpy(&second, gpu->draws()[1].vsConstants.at(4).data(), sizeof second);
    EXPECT_EQ(second.diffuse, (Float4{0, 0, 0, 0}));
  }
  EXPECT_EQ(red.diffuse, (Float4{1, 0, 0, 1})) << "the material keeps its own colours";
  // The next frame's posing starts the factors from nothing.
  model.Update(0);
  gpu->ClearCalls();
  model.Render();
  MaterialConstants second;
  std::memcpy(&second, gpu->draws()[1].vsConstants.at(4).data(), sizeof second);
  EXPECT_EQ(second.diffuse, (Float4{0, 1, 0, 1}));
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

  // A material without a texture draws with the plain shader, which reads
  // none: what stays bound from the piece before does not matter.
  gpu::ShaderResourceView* view = model.texturePool.Get(texture).shaderResourceView.get();
  gpu::PixelShader* textured = model.pixelShaderPool.Get(0).pixelShader.get();
  gpu::PixelShader* plain = model.pixelShaderPool.Get(1).pixelShader.get();
  const auto& draws = gpu->draws();
  ASSERT_EQ(draws.size(), 3u);
  for (std::size_t piece : {0u, 2u}) {
    EXPECT_EQ(draws[piece].bindings.pixelShader, textured) << piece;
    EXPECT_EQ(draws[piece].bindings.psResources.at(0), view) << piece;
    EXPECT_EQ(draws[piece].bindings.psSamplers.at(0), model.samplerState.get()) << piece;
  }
  EXPECT_EQ(draws[1].bindings.pixelShader, plain);
  EXPECT_EQ(gpu->CountCalls("PSSetShaderResources"), 2u) << "an untextured piece unbinds nothing";
}

TEST_F(ModelDrawingTest, MaterialWithoutShadersIsNotDrawn) {
  Prepare(TwoPlainQuads());
  model.materials[1].pixelShaderId = -1;
  model.Render();
  EXPECT_EQ(gpu->CountCalls("DrawIndexed"), 1u);
}

// --- sphere maps, toon ramps, outlines ---

TEST_F(ModelDrawingTest, SphereMapsAndToonRampsAreBoundWithTheirModes) {
  ThreeWhiteQuads().Build(model);
  Material& metal = model.materials[0];  // adding sphere, its own toon file
  metal.sphereTextureId = LoadTexture("metal.tga");
  metal.sphereMode = kSphereAdd;
  metal.toonTextureId = LoadTexture("toon.tga");
  model.materials[1].toonIndex = 3;  // shared toon without a file
  ASSERT_TRUE(AssignMaterialShaders(model, Directory()));
  model.CreateGpuResources();
  model.ComputeSkinningMatrices();
  gpu->ClearCalls();

  model.Render();

  // effects: x the sphere mode, y a toon ramp, z the highlight after the
  // textures. Each piece draws with the maps its material asks for.
  const auto& draws = gpu->draws();
  ASSERT_EQ(draws.size(), 3u);
  const auto effectsOf = [&](std::size_t piece) {
    MaterialConstants constants;
    std::memcpy(&constants, draws[piece].vsConstants.at(4).data(), sizeof constants);
    return constants.effects;
  };
  EXPECT_EQ(effectsOf(0), (Float4{2, 1, 1, 0}));
  EXPECT_EQ(effectsOf(1), (Float4{0, 1, 1, 0}));
  EXPECT_EQ(effectsOf(2), (Float4{0, 0, 1, 0}));
  const RecordingGpu::Bindings& metalDraw = draws[0].bindings;
  EXPECT_EQ(metalDraw.psResources.at(1), model.texturePool.Get(0).shaderResourceView.get());
  EXPECT_EQ(metalDraw.psResources.at(2), model.texturePool.Get(1).shaderResourceView.get());
  EXPECT_EQ(metalDraw.psSamplers.at(1), model.rampSamplerState.get());
  EXPECT_EQ(metalDraw.psSamplers.at(2), model.rampSamplerState.get());
  EXPECT_EQ(draws[1].bindings.psResources.at(2), model.builtInToonRamps[3].get());
  for (const auto& draw : draws) EXPECT_EQ(draw.bindings.rasterizer, model.rasterizerState.get());

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

// A sub-texture (PMX sphere mode 3) read from a written file: resource 1
// with the texture's repeating sampler and mode 3 in the effects row, in
// every look, for the shaders to lay on with the first additional UV set.
TEST_F(ModelDrawingTest, SubTextureIsBoundAsASecondTextureInEveryLook) {
  const std::filesystem::path file = test::WriteSubTexturedQuad(dir.path());
  auto decoded = std::make_shared<Model>();
  decoded->SetDevice(gpu, gpu);
  ASSERT_EQ(PMXDecoder().Decode(FromFsPath(file), decoded), ModelBuilt);
  ASSERT_TRUE(AssignMaterialShaders(*decoded, Directory()));
  decoded->CreateGpuResources();
  decoded->ComputeSkinningMatrices();
  const Material& face = decoded->materials.at(0);
  ASSERT_EQ(face.sphereMode, kSphereSubTexture);
  EXPECT_EQ(decoded->texturePool.Get(face.sphereTextureId).name, u"sub.tga");
  EXPECT_EQ(decoded->posedVertices.at(0).additionalUv[0], (Float4{1, 0, 0, 0}));

  for (const Look& look : {Look{}, Look::Plain()}) {
    decoded->look = look;
    gpu->ClearCalls();
    decoded->Render();
    const auto& draws = gpu->draws();
    ASSERT_EQ(draws.size(), 1u);
    MaterialConstants constants;
    std::memcpy(&constants, draws[0].vsConstants.at(4).data(), sizeof constants);
    EXPECT_EQ(constants.effects.x, 3.0f);
    const RecordingGpu::Bindings& bound = draws[0].bindings;
    EXPECT_EQ(bound.psResources.at(0),
              decoded->texturePool.Get(face.textureId).shaderResourceView.get());
    EXPECT_EQ(bound.psResources.at(1),
              decoded->texturePool.Get(face.sphereTextureId).shaderResourceView.get());
    EXPECT_EQ(bound.psSamplers.at(1), decoded->samplerState.get());
  }
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

  const auto& draws = gpu->draws();
  ASSERT_EQ(draws.size(), 3u);
  const RecordingGpu::DrawRecord& outline = draws.back();
  EXPECT_EQ(outline.startIndex, 0u) << "the red quad's faces again";
  EXPECT_EQ(outline.indexCount, 6u);
  EXPECT_EQ(outline.bindings.rasterizer, model.edgeRasterizerState.get());
  const int plain = model.pixelShaderPool.Find(kPlainPixelShaderName);
  EXPECT_EQ(outline.bindings.pixelShader, model.pixelShaderPool.Get(plain).pixelShader.get());
  MaterialConstants edge;
  std::memcpy(&edge, outline.vsConstants.at(4).data(), sizeof edge);
  EXPECT_EQ(edge.effects, (Float4{0, 0, 0, 1}));
  EXPECT_FLOAT_EQ(edge.edgeColor.x, 0.1f);
  EXPECT_FLOAT_EQ(edge.edgeColor.w, 0.5f);
  EXPECT_FLOAT_EQ(edge.edgeWidth.x, 2.0f * 2.0f / 960.0f);
  EXPECT_FLOAT_EQ(edge.edgeWidth.y, 2.0f * 2.0f / 1040.0f);
  EXPECT_EQ(edge.edgeWidth.z, 480.0f);
  EXPECT_EQ(edge.edgeWidth.w, 520.0f);

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
