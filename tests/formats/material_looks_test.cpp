// What the builders record for drawing beyond colours and textures: sphere
// maps with their modes, shared toons (found beside the model under the
// names models ship, or drawn with a built-in ramp), edge settings and the
// per-vertex edge scale.
#include <gtest/gtest.h>

#include "formats/pmd_decoder.h"
#include "render/texture_loaders.h"
#include "tests/formats/format_test_support.h"
#include "tests/support/recording_gpu.h"
#include "tests/support/test_models.h"

namespace brivonel {
namespace {

using test::TempDir;

// Texture files of the given names holding one TGA pixel, with the
// platform's loader (bitmaps, sphere files) reading them as TGA.
class MaterialLooksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetImageFileLoader([](std::u16string_view path, unsigned, TextureMetadata* metadata,
                          LoadedImage& image) { return LoadTgaFile(path, metadata, image); });
  }
  void TearDown() override { SetImageFileLoader(nullptr); }

  void WriteTextures(std::initializer_list<const char*> names) {
    for (const char* name : names) test::WriteTga(dir / name, 1, 1, {1, 2, 3, 255});
  }
  template <typename Decoder>
  std::shared_ptr<Model> Decode(std::string_view name, const std::vector<std::uint8_t>& bytes) {
    const auto path = test::WriteBytes(dir, name, bytes);
    auto model = std::make_shared<Model>();
    auto gpu = std::make_shared<test::RecordingGpu>();
    model->SetDevice(gpu, gpu);
    EXPECT_EQ(Decoder().Decode(FromFsPath(path), model), ModelBuilt);
    return model;
  }
  std::shared_ptr<Model> DecodePmx(const PMXModel& record) {
    return Decode<PMXDecoder>("model.pmx", writer::WritePmx(record));
  }
  std::shared_ptr<Model> DecodePmd(const PMDModel& record) {
    return Decode<PMDDecoder>("model.pmd", writer::WritePmd(record));
  }
  std::u16string NameOf(const Model& model, int id) {
    return id >= 0 ? model.texturePool.Get(id).name : u"";
  }

  TempDir dir;
};

TEST_F(MaterialLooksTest, PmxSphereMapsKeepTheirModeWhenTheirFileLoads) {
  WriteTextures({"metal.spa", "tint.sph"});
  PMXModel r = test::SmallPmx();
  r.textures = {u"metal.spa", u"tint.sph", u"missing.spa"};
  r.materials.resize(5, r.materials[0]);
  for (std::size_t i = 1; i < r.materials.size(); ++i) r.materials[i].indexCount = 0;
  const std::pair<std::int32_t, std::uint8_t> spheres[] = {{0, 2}, {1, 1}, {2, 2}, {1, 3}, {0, 0}};
  for (std::size_t i = 0; i < 5; ++i) {
    r.materials[i].sphereTextureIndex = spheres[i].first;
    r.materials[i].sphereMode = spheres[i].second;
  }
  const auto model = DecodePmx(r);
  const auto& ms = model->materials;
  EXPECT_EQ(NameOf(*model, ms[0].sphereTextureId), u"metal.spa");
  EXPECT_EQ(ms[0].sphereMode, kSphereAdd);
  EXPECT_EQ(NameOf(*model, ms[1].sphereTextureId), u"tint.sph");
  EXPECT_EQ(ms[1].sphereMode, kSphereMultiply);
  EXPECT_EQ(ms[2].sphereTextureId, -1) << "no such file";
  EXPECT_EQ(ms[2].sphereMode, kSphereNone);
  EXPECT_EQ(ms[3].sphereTextureId, -1) << "a sub-texture without additional UVs to lay it on";
  EXPECT_EQ(ms[3].sphereMode, kSphereNone);
  EXPECT_EQ(ms[4].sphereTextureId, -1) << "mode 0: no sphere map";
  EXPECT_EQ(ms[4].sphereMode, kSphereNone);
  r.additionalUvCount = 1;
  const auto withUvs = DecodePmx(r);
  EXPECT_EQ(NameOf(*withUvs, withUvs->materials[3].sphereTextureId), u"tint.sph");
  EXPECT_EQ(withUvs->materials[3].sphereMode, kSphereSubTexture);
}

TEST_F(MaterialLooksTest, PmxToonIsASharedNumberOrATextureOfTheModel) {
  WriteTextures({"toon03.bmp", "ramp.png"});
  PMXModel r = test::SmallPmx();
  r.textures = {u"ramp.png"};
  r.materials.resize(4, r.materials[0]);
  for (std::size_t i = 1; i < r.materials.size(); ++i) r.materials[i].indexCount = 0;
  r.materials[0].sharedToon = 1;
  r.materials[0].toon = 2;  // "toon03.bmp", beside the model
  r.materials[1].sharedToon = 1;
  r.materials[1].toon = 7;  // no file: a built-in ramp
  r.materials[2].sharedToon = 0;
  r.materials[2].toon = 0;  // the model's own ramp
  r.materials[3].sharedToon = 0;
  r.materials[3].toon = -1;
  const auto model = DecodePmx(r);
  const auto& ms = model->materials;
  EXPECT_EQ(ms[0].toonIndex, 2);
  EXPECT_EQ(NameOf(*model, ms[0].toonTextureId), u"toon03.bmp");
  EXPECT_EQ(ms[1].toonIndex, 7);
  EXPECT_EQ(ms[1].toonTextureId, -1);
  EXPECT_EQ(ms[2].toonIndex, -1);
  EXPECT_EQ(NameOf(*model, ms[2].toonTextureId), u"ramp.png");
  EXPECT_EQ(ms[3].toonIndex, -1);
  EXPECT_EQ(ms[3].toonTextureId, -1);
  // Tools name missing files; a shared toon has a stand-in and is not one.
  EXPECT_TRUE(model->texturePool.NotFound().empty());
}

TEST_F(MaterialLooksTest, PmxEdgeSettingsAndTheVertexEdgeScale) {
  PMXModel r = test::SmallPmx();
  r.materials[0].drawFlags = kMaterialDrawsEdge;
  r.materials[0].edgeColor = {0.1f, 0.2f, 0.3f, 0.5f};
  r.materials[0].edgeSize = 1.5f;
  r.vertices[1].edgeScale = 0.25f;
  const auto model = DecodePmx(r);
  EXPECT_EQ(model->materials[0].edgeFlag, 1);
  EXPECT_EQ(model->materials[0].edgeColor, (Float4{0.1f, 0.2f, 0.3f, 0.5f}));
  EXPECT_EQ(model->materials[0].edgeSize, 1.5f);
  // The edge scale rides in the position's fourth float.
  const std::vector<Vertex>& vs = model->meshes[0]->vertices;
  EXPECT_EQ(vs[1].position, (Float4{1, 0, 0, 0.25f}));
}

// PMD names shared toons "toon%2d.bmp" ("toon 1.bmp"); models ship them as
// "toon01.bmp", which is looked up when the first name is missing.
TEST_F(MaterialLooksTest, PmdSharedToonsAreFoundUnderTheNamesModelsShip) {
  WriteTextures({"toon01.bmp", "toon 2.bmp", "toon02.bmp"});
  PMDModel r = test::SmallPmd();
  r.materials = {test::PmdMaterial(u"", 0, 0), test::PmdMaterial(u"", 0, 1),
                 test::PmdMaterial(u"", 0, 5), test::PmdMaterial(u"", 3, 255)};
  const auto model = DecodePmd(r);
  const auto& ms = model->materials;
  EXPECT_EQ(ms[0].toonIndex, 0);
  EXPECT_EQ(NameOf(*model, ms[0].toonTextureId), u"toon01.bmp");
  EXPECT_EQ(ms[1].toonIndex, 1);
  EXPECT_EQ(NameOf(*model, ms[1].toonTextureId), u"toon 2.bmp") << "the file's own name first";
  EXPECT_EQ(ms[2].toonIndex, 5);
  EXPECT_EQ(ms[2].toonTextureId, -1) << "drawn with the built-in ramp";
  EXPECT_EQ(ms[3].toonIndex, -1) << "toon 255 asks for none";
  // Only the file past the shared ramps is news to tools.
  ASSERT_EQ(model->texturePool.NotFound().size(), 1u);
  EXPECT_EQ(model->texturePool.NotFound()[0].name, u"toon256.bmp");
}

TEST_F(MaterialLooksTest, PmdSpheresAddForSpaAndMultiplyOtherwise) {
  WriteTextures({"s.spa", "s.sph", "s.tga"});
  PMDModel r = test::SmallPmd();
  r.materials = {test::PmdMaterial(u"*s.spa", 3), test::PmdMaterial(u"*s.sph", 0),
                 test::PmdMaterial(u"/s.tga", 0), test::PmdMaterial(u"*s.tga", 0)};
  const auto model = DecodePmd(r);
  const auto& ms = model->materials;
  EXPECT_EQ(ms[0].sphereMode, kSphereAdd);
  EXPECT_EQ(ms[1].sphereMode, kSphereMultiply);
  EXPECT_EQ(ms[2].sphereMode, kSphereMultiply);
  EXPECT_EQ(ms[3].sphereMode, kSphereNone) << "after \"*\" only .sph and .spa are spheres";
}

// PMD files have an edge flag but no edge colour or size: a black line of
// one pixel; a vertex's own edge flag turns its outline off.
TEST_F(MaterialLooksTest, PmdEdgesAreBlackOnePixelLinesVerticesCanTurnOff) {
  PMDModel r = test::SmallPmd();
  r.vertices[2].edgeFlag = 1;
  const auto model = DecodePmd(r);
  EXPECT_EQ(model->materials[0].edgeFlag, 1);
  EXPECT_EQ(model->materials[0].edgeColor, (Float4{0, 0, 0, 1}));
  EXPECT_EQ(model->materials[0].edgeSize, 1.0f);
  const std::vector<Vertex>& vs = model->meshes[0]->vertices;
  EXPECT_EQ(vs[0].position.w, 1.0f);
  EXPECT_EQ(vs[2].position.w, 0.0f);
}

}  // namespace
}  // namespace brivonel
