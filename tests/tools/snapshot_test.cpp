// brivonel-snapshot: its command line, the frame measurements, the PNG it
// writes, and whole runs on written and real model files.
#include "tools/snapshot/snapshot.h"
#include "tools/snapshot/gl_snapshot_backend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "base/unicode.h"
#include "formats/writer/byte_writer.h"
#include "render/frame_setup.h"
#include "render/linux/image_codecs_linux.h"
#include "render/texture_loaders.h"
#include "tests/support/fixtures.h"
#include "tests/support/mesa_shader_cache.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_models.h"
#include "tests/support/written_files.h"
#include "tests/support/written_quad.h"

namespace brivonel {
namespace {

using snapshot::Options;

bool Parse(std::vector<std::string> arguments, Options* options, std::string* error) {
  return snapshot::ParseArguments(arguments, options, error);
}

TEST(SnapshotArgumentsTest, DefaultsAndEveryOption) {
  Options options;
  std::string error;
  ASSERT_TRUE(Parse({"a.pmx", "--out", "x.png"}, &options, &error)) << error;
  EXPECT_EQ(options.model, u"a.pmx");
  EXPECT_TRUE(options.motion.empty());
  EXPECT_EQ(options.milliseconds, 0u);
  EXPECT_EQ(options.width, 960);
  EXPECT_EQ(options.height, 1040);
  EXPECT_EQ(options.displaySize, 1);
  EXPECT_FALSE(options.flat);

  Options all;
  ASSERT_TRUE(Parse({"--ms", "1500", "m.pmd", "--size", "320x240", "d.vmd", "--display-size", "3",
                     "--flat", "--out", "y.png"},
                    &all, &error))
      << error;
  EXPECT_EQ(all.model, u"m.pmd");
  EXPECT_EQ(all.motion, u"d.vmd");
  EXPECT_EQ(all.milliseconds, 1500u);
  EXPECT_EQ(all.width, 320);
  EXPECT_EQ(all.height, 240);
  EXPECT_EQ(all.displaySize, 3);
  EXPECT_TRUE(all.flat);
  EXPECT_EQ(all.out, "y.png");
  // The multiplication sign works as the separator too.
  ASSERT_TRUE(Parse({"a.pmx", "--size", "64\xC3\x97" "48", "--out", "x.png"}, &all, &error));
  EXPECT_EQ(all.width, 64);
  EXPECT_EQ(all.height, 48);
}

TEST(SnapshotArgumentsTest, RefusesWhatItCannotUse) {
  const std::vector<std::vector<std::string>> bad = {
      {"a.pmx"},                                                 // no --out
      {"--out", "x.png"},                                        // no model
      {"a.pmx", "b.vmd", "c.vmd", "--out", "x.png"},             // too many files
      {"a.pmx", "--out"},                                        // --out without a value
      {"a.pmx", "--ms", "-5", "--out", "x.png"},                 // negative time
      {"a.pmx", "--ms", "12ms", "--out", "x.png"},               // not a number
      {"a.pmx", "--size", "960", "--out", "x.png"},              // no height
      {"a.pmx", "--size", "0x10", "--out", "x.png"},             // empty picture
      {"a.pmx", "--size", "99999x10", "--out", "x.png"},         // too large
      {"a.pmx", "--display-size", "4", "--out", "x.png"},        // no such size
      {"a.pmx", "--scale", "2", "--out", "x.png"},               // unknown option
      {"a.pmx", "--out", "x.jpg"},                               // the picture is a PNG
      {"a.pmx", "--out", "png"},
  };
  for (const auto& arguments : bad) {
    Options options;
    std::string error;
    EXPECT_FALSE(Parse(arguments, &options, &error)) << arguments.back();
    EXPECT_FALSE(error.empty());
  }
}

TEST(SnapshotArgumentsTest, HelpAndPngNamesInAnyCase) {
  Options options;
  std::string error;
  ASSERT_TRUE(Parse({"--help"}, &options, &error)) << error;
  EXPECT_TRUE(options.help);
  Options other;
  ASSERT_TRUE(Parse({"a.pmx", "--out", "Frame.PNG"}, &other, &error)) << error;
  EXPECT_FALSE(other.help);
  EXPECT_FALSE(Parse({"a.pmx", "--out", "frame.jpg"}, &other, &error));
  EXPECT_NE(error.find(".png"), std::string::npos) << error;
}

TEST(SnapshotFrameTest, CoverageCountsPixelsWithAlpha) {
  std::vector<std::uint8_t> bgra(4 * 3 * 4, 0);  // 4 x 3
  const auto set = [&](int x, int y, std::uint8_t alpha) { bgra[(y * 4 + x) * 4 + 3] = alpha; };
  snapshot::Coverage empty = snapshot::MeasureCoverage(bgra, 4, 3);
  EXPECT_FALSE(empty.any);
  EXPECT_EQ(snapshot::ResultLine(7, -2, empty),
            "{\"frame\": 7, \"shift\": -2, \"coverage\": 0.000000, \"bbox\": null}");
  set(1, 0, 1);
  set(2, 2, 255);
  const snapshot::Coverage some = snapshot::MeasureCoverage(bgra, 4, 3);
  EXPECT_TRUE(some.any);
  EXPECT_DOUBLE_EQ(some.fraction, 2.0 / 12.0);
  EXPECT_EQ(snapshot::ResultLine(0, 15, some),
            "{\"frame\": 0, \"shift\": 15, \"coverage\": 0.166667, \"bbox\": [1, 0, 2, 2]}");
}

TEST(SnapshotFrameTest, StraightAlphaUndoesThePremultiplication) {
  const std::vector<std::uint8_t> bgra = {
      64, 32, 128, 128,  // half-covered: blue 64, green 32, red 128 premultiplied
      0, 0, 0, 0,        // nothing
      10, 20, 30, 255,   // opaque stays as it is
      200, 0, 0, 100,    // a colour brighter than its alpha allows is clamped
  };
  std::vector<std::uint8_t> rgba;
  snapshot::ToStraightRgba(bgra, rgba);
  EXPECT_EQ(rgba, (std::vector<std::uint8_t>{255, 64, 128, 128, 0, 0, 0, 0, 30, 20, 10, 255, 0, 0,
                                              255, 100}));
}

TEST(SnapshotFrameTest, PngHoldsThePixels) {
  test::TempDir dir;
  const std::vector<std::uint8_t> rgba = {255, 0, 0, 255, 0, 255, 0, 128,
                                          0, 0, 255, 0, 10, 20, 30, 40};
  std::string error;
  ASSERT_TRUE(snapshot::WritePngFile(dir / "out.png", 2, 2, rgba, &error)) << error;
  RegisterLinuxImageCodecs();
  TextureMetadata metadata;
  LoadedImage image;
  ASSERT_EQ(LoadImageFile(FromFsPath(dir / "out.png"), 0, &metadata, image), kSOk);
  ASSERT_EQ(metadata.width, 2u);
  ASSERT_EQ(image.images.size(), 1u);
  // Colours are marked as sRGB, which they are: the frame is drawn into an
  // 8-bit target read as display colours.
  ASSERT_EQ(metadata.format, DxgiFormat::B8G8R8A8_UNORM_SRGB);
  const std::uint8_t* pixels = image.images[0].pixels;
  const std::size_t pitch = image.images[0].rowPitch;
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) {
      const std::uint8_t* bgra = pixels + y * pitch + x * 4;
      const std::uint8_t* expected = &rgba[static_cast<std::size_t>((y * 2 + x) * 4)];
      EXPECT_EQ(bgra[2], expected[0]);
      EXPECT_EQ(bgra[1], expected[1]);
      EXPECT_EQ(bgra[0], expected[2]);
      EXPECT_EQ(bgra[3], expected[3]);
    }
  }

  EXPECT_FALSE(snapshot::WritePngFile(dir / "missing" / "out.png", 2, 2, rgba, &error));
  EXPECT_FALSE(error.empty());
}

// --- whole runs ---

class SnapshotRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::KeepMesaFromCachingShaders();
  }

  int Run(const Options& options, std::u16string shaderFolder = Utf8ToUtf16(BRIVONEL_GL_SHADER_DIR)) {
    out.str("");
    err.str("");
    snapshot::GlSnapshotBackend backend;
    return snapshot::Run(options, shaderFolder, backend, out, err);
  }

  // The coverage of a result line.
  static double CoverageOf(const std::string& line) {
    return std::stod(line.substr(line.find("\"coverage\": ") + 12));
  }

  // The bounding box [x0, y0, x1, y1] of a result line; false when it is null.
  static bool BoxOf(const std::string& line, int box[4]) {
    const std::size_t at = line.find("\"bbox\": [");
    return at != std::string::npos &&
           std::sscanf(line.c_str() + at + 9, "%d, %d, %d, %d", &box[0], &box[1], &box[2],
                       &box[3]) == 4;
  }

  // The written PNG's pixel at (x, y) as RGBA.
  std::array<std::uint8_t, 4> PixelAt(const std::filesystem::path& png, int x, int y) {
    RegisterLinuxImageCodecs();
    TextureMetadata metadata;
    LoadedImage image;
    EXPECT_EQ(LoadImageFile(FromFsPath(png), 0, &metadata, image), kSOk);
    EXPECT_EQ(metadata.format, DxgiFormat::B8G8R8A8_UNORM_SRGB);
    const std::uint8_t* p = image.images[0].pixels + y * image.images[0].rowPitch + x * 4;
    return {p[2], p[1], p[0], p[3]};
  }

  test::TempDir dir;
  std::ostringstream out;
  std::ostringstream err;
};

std::filesystem::path WriteTexturedQuad(const test::TempDir& dir) {
  return test::WriteTexturedQuad(dir.path());
}

TEST_F(SnapshotRunTest, DrawsAWrittenModelWithItsTexture) {
  Options options;
  options.model = FromFsPath(WriteTexturedQuad(dir));
  options.width = 240;
  options.height = 260;
  options.out = dir / "quad.png";
  ASSERT_EQ(Run(options), 0) << err.str();
  EXPECT_TRUE(err.str().empty());
  const std::string line = out.str();
  EXPECT_EQ(line.find("{\"frame\": 0, \"shift\": 0, \"coverage\": "), 0u) << line;
  EXPECT_EQ(line.back(), '\n');
  EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);

  // The texel centres of the quad show the four texels, blue with its own
  // alpha and its straight (not darkened) colour.
  const auto at = [&](float x, float y) {
    const Float4 clip = Transform(Transform({x, y, 0, 1}, CameraViewMatrix()),
                                  CameraProjectionMatrix(240, 260));
    return PixelAt(options.out, static_cast<int>((clip.x / clip.w + 1) / 2 * 240),
                   static_cast<int>((1 - clip.y / clip.w) / 2 * 260));
  };
  const auto topLeft = at(-3, 15);
  EXPECT_GT(topLeft[0], 240);
  EXPECT_LT(topLeft[1], 15);
  const auto bottomLeft = at(-3, 9);
  EXPECT_LT(bottomLeft[0], 15);
  EXPECT_GT(bottomLeft[2], 240);
  EXPECT_NEAR(bottomLeft[3], 128, 6);
  const auto bottomRight = at(3, 9);
  EXPECT_GT(bottomRight[1], 240);
  EXPECT_GE(bottomRight[3], 250);
  EXPECT_EQ(PixelAt(options.out, 2, 2)[3], 0);
}

TEST_F(SnapshotRunTest, NamesEachMissingTextureAndStillDraws) {
  Options options;
  options.model = FromFsPath(test::WriteOneTriangleModel(dir.path(), u"faces/gone.png"));
  options.width = 64;
  options.height = 64;
  options.out = dir / "triangle.png";
  ASSERT_EQ(Run(options), 0) << err.str();
  EXPECT_EQ(err.str(), "brivonel-snapshot: " + (dir / "triangle.pmx").string() +
                           ": warning: texture \"faces/gone.png\" not found (looked for " +
                           (dir / "faces" / "gone.png").string() + ")\n");
  EXPECT_EQ(out.str().find("{\"frame\": 0, "), 0u) << out.str();
}

TEST_F(SnapshotRunTest, SmallerDisplaySizeGivesSmallerCoverage) {
  Options options;
  options.model = FromFsPath(WriteTexturedQuad(dir));
  options.width = 240;
  options.height = 260;
  options.out = dir / "quad.png";
  ASSERT_EQ(Run(options), 0) << err.str();
  const std::string large = out.str();
  options.displaySize = 3;
  ASSERT_EQ(Run(options), 0) << err.str();
  const double largeCoverage = CoverageOf(large);
  const double smallCoverage = CoverageOf(out.str());
  EXPECT_NEAR(smallCoverage, largeCoverage / 4, largeCoverage * 0.05);
}

TEST_F(SnapshotRunTest, PosesARealModelWithItsMotion) {
  BRIVONEL_REQUIRE_FIXTURES();
  Options options;
  options.model = FromFsPath(test::Fixture("yohawing/test_1bone_cube.pmx"));
  options.motion = FromFsPath(test::Fixture("yohawing/test_1bone_cube_motion.vmd"));
  options.width = 96;
  options.height = 104;
  options.out = dir / "cube.png";
  options.milliseconds = 500;
  ASSERT_EQ(Run(options), 0) << err.str();
  EXPECT_EQ(out.str().find("{\"frame\": 15, "), 0u) << out.str();
  const std::string at500 = out.str();
  options.milliseconds = 1200;
  ASSERT_EQ(Run(options), 0) << err.str();
  EXPECT_EQ(out.str().find("{\"frame\": 36, "), 0u) << out.str();
  EXPECT_NE(out.str().substr(14), at500.substr(14)) << "the motion moves the cube";
}

#if defined(BRIVONEL_SAMPLES_DIR)
// The bundled character at moments across its dance, as the program shows it
// at display size 1 in its 960 x 1040 window: a figure of a plausible share
// of the window, whole inside it (nothing drawn touches an edge, so the
// surroundings are transparent), with its feet near the bottom.
TEST_F(SnapshotRunTest, TheSampleCharacterDancesInsideTheWindow) {
  const std::filesystem::path samples(BRIVONEL_SAMPLES_DIR);
  for (const char* model : {"nel.pmx", "nel.pmd"}) {
    for (std::uint64_t ms : {0u, 2500u, 5000u, 7500u, 10000u, 12500u}) {
      SCOPED_TRACE(std::string(model) + " at " + std::to_string(ms) + " ms");
      Options options;
      options.model = FromFsPath(samples / model);
      options.motion = FromFsPath(samples / "nel_dance.vmd");
      options.milliseconds = ms;
      options.flat = true;  // where the figure is, not how it looks: quicker
      options.out = dir / "nel.png";
      ASSERT_EQ(Run(options), 0) << err.str();
      const std::string line = out.str();
      const double coverage = CoverageOf(line);
      EXPECT_GT(coverage, 0.05) << line;
      EXPECT_LT(coverage, 0.25) << line;
      int box[4] = {};
      ASSERT_TRUE(BoxOf(line, box)) << line;
      EXPECT_GT(box[0], 0) << line;
      EXPECT_GT(box[1], 0) << line;
      EXPECT_LT(box[2], options.width - 1) << line;
      EXPECT_LT(box[3], options.height - 1) << line;
      EXPECT_GT(box[3], options.height * 3 / 4) << "the feet stand low in the window: " << line;
      EXPECT_GT(box[3] - box[1], options.height / 2) << "a standing figure: " << line;
    }
  }
}
#endif

TEST_F(SnapshotRunTest, FailuresNameTheFileInOneLine) {
  const auto expectOneLine = [&](const std::string& mentions) {
    const std::string text = err.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_NE(text.find(mentions), std::string::npos) << text;
    EXPECT_TRUE(out.str().empty());
  };
  Options options;
  options.width = 32;
  options.height = 32;
  options.out = dir / "x.png";

  options.model = FromFsPath(dir / "missing.pmx");
  EXPECT_EQ(Run(options), 1);
  expectOneLine("missing.pmx: file not found");

  std::filesystem::create_directory(dir / "folder.pmx");
  options.model = FromFsPath(dir / "folder.pmx");
  EXPECT_EQ(Run(options), 1);
  expectOneLine("folder.pmx: is a directory");

  writer::WriteFile(dir / "skin.tga", test::HostileRleTga(65535, 8192, 8));
  options.model = FromFsPath(test::WriteOneTriangleModel(dir.path(), u"skin.tga"));
  EXPECT_EQ(Run(options), 1);
  expectOneLine("triangle.pmx: its texture \"skin.tga\" (" + (dir / "skin.tga").string() +
                ") cannot be loaded: too large");
  EXPECT_NE(err.str().find("(0x800700DF) (the program's error 1104)"), std::string::npos)
      << err.str();

  writer::WriteFile(dir / "broken.pmx", std::vector<std::uint8_t>{'P', 'M', 'X', ' ', 1, 2});
  options.model = FromFsPath(dir / "broken.pmx");
  EXPECT_EQ(Run(options), 1);
  expectOneLine("broken.pmx: ");

  options.model = FromFsPath(dir / "picture.png");
  EXPECT_EQ(Run(options), 1);
  expectOneLine("picture.png: is not a model file");

  options.model = FromFsPath(WriteTexturedQuad(dir));
  options.motion = FromFsPath(dir / "missing.vmd");
  EXPECT_EQ(Run(options), 1);
  expectOneLine("missing.vmd: file not found");
  EXPECT_FALSE(std::filesystem::exists(options.out));

  options.motion.clear();
  EXPECT_EQ(Run(options, FromFsPath(dir.path()) + u"/"), 1);
  expectOneLine("holds no shader files");

  options.out = dir / "no-such-folder" / "x.png";
  EXPECT_EQ(Run(options), 1);
  expectOneLine("x.png: cannot be created");
}

}  // namespace
}  // namespace brivonel
