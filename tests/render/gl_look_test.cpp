// The look beyond plain lit colours, drawn offscreen through the OpenGL
// backend and the GLSL shaders: soft edges from multisampling, sphere maps,
// toon ramps and edge outlines, each against the plain look.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "base/unicode.h"
#include "formats/pmx_decoder.h"
#include "render/toon_ramps.h"
#include "tests/render/gl_scene.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_models.h"
#include "tests/support/written_quad.h"
#include "tests/support/written_shell.h"

namespace brivonel {
namespace {

using test::Pixel;

constexpr int kWidth = 240;
constexpr int kHeight = 260;
constexpr Float4 kCentre{0, 12, 0, 1};

int Difference(const Pixel& a, const Pixel& b) {
  return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b),
                   std::abs(a.a - b.a)});
}

Pixel Opaque(float r, float g, float b) {
  const auto byte = [](float v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
  };
  return {byte(b), byte(g), byte(r), 255};
}

// The covered pixels of one row, left to right.
std::vector<Pixel> CoveredRun(const test::GlScene& scene, int y) {
  std::vector<Pixel> run;
  for (int x = 0; x < scene.width(); ++x) {
    if (scene.At(x, y).a > 0) run.push_back(scene.At(x, y));
  }
  return run;
}

class GlLookTest : public ::testing::Test {
 protected:
  explicit GlLookTest(std::uint32_t samples = 1) : scene(kWidth, kHeight, samples) {}
  void SetUp() override {
    if (!scene.ok()) GTEST_SKIP() << "no offscreen OpenGL here: " << scene.error();
  }

  void Prepare(const test::TestModelBuilder& builder) {
    builder.Build(model);
    model.SetDevice(scene.sharedGpu(), scene.sharedGpu());
  }
  // A file of one colour in the model's folder, loaded into its pool.
  int LoadPlainTexture(const char* name, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    std::vector<std::uint8_t> rgba(16, 255);
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
      rgba[i] = r;
      rgba[i + 1] = g;
      rgba[i + 2] = b;
    }
    test::WriteTga(dir / name, 2, 2, rgba);
    return model.texturePool.Load(FromFsPath(dir.path()) + u"/", Utf8ToUtf16(name));
  }
  void Draw(const Look& look) {
    model.look = look;
    scene.Draw(model);
  }
  Pixel AtCentre() const {
    double x, y;
    scene.Project(kCentre, 1, &x, &y);
    return scene.At(static_cast<int>(x), static_cast<int>(y));
  }
  int CentreRow() const {
    double x, y;
    scene.Project(kCentre, 1, &x, &y);
    return static_cast<int>(y);
  }

  test::GlScene scene;
  test::TempDir dir;
  Model model;  // destroyed before the scene's device
};

TEST_F(GlLookTest, MultiplySphereTintsTheColourAndAddSphereLightsABlackMaterial) {
  test::TestModelBuilder builder;
  builder.AddBone({0, 0, 0, 0});
  builder.AddMaterial({0, 0, 0, 1}, {0.8f, 0.6f, 0.4f, 0});  // lit by its ambient alone
  builder.AddMaterial({0, 0, 0, 1});                         // black
  builder.AddQuad(0, {-3, 12, 0, 1}, 2, 2);
  builder.AddQuad(1, {3, 12, 0, 1}, 2, 2);
  Prepare(builder);
  // A quad facing the camera looks at the middle of its sphere map.
  Material& tinted = model.materials[0];
  tinted.sphereTextureId = LoadPlainTexture("tint.tga", 128, 255, 64);
  tinted.sphereMode = kSphereMultiply;
  Material& metal = model.materials[1];
  metal.sphereTextureId = LoadPlainTexture("metal.tga", 200, 150, 50);
  metal.sphereMode = kSphereAdd;
  scene.Prepare(model);

  const auto at = [&](float x) {
    double sx, sy;
    scene.Project({x, 12, 0, 1}, 1, &sx, &sy);
    return scene.At(static_cast<int>(sx), static_cast<int>(sy));
  };
  Draw(Look{});
  EXPECT_LE(Difference(at(-3), Opaque(0.8f * 128 / 255, 0.6f, 0.4f * 64 / 255)), 2);
  EXPECT_LE(Difference(at(3), Opaque(200 / 255.0f, 150 / 255.0f, 50 / 255.0f)), 2);

  Draw(Look::Plain());
  EXPECT_LE(Difference(at(-3), Opaque(0.8f, 0.6f, 0.4f)), 2);
  EXPECT_LE(Difference(at(3), Opaque(0, 0, 0)), 0) << "without sphere maps the metal is black";
}

// A written file's sub-texture (sphere mode 3) at its first additional UV
// set, mirrored against the texture's: multiplied in, alpha too, as a second
// texture, in every look. Quarters: blue, red; white, half-transparent green.
TEST_F(GlLookTest, SubTextureIsLaidOnWithTheFirstAdditionalUvsAndMultipliedIn) {
  auto decoded = std::make_shared<Model>();
  decoded->SetDevice(scene.sharedGpu(), scene.sharedGpu());
  ASSERT_EQ(PMXDecoder().Decode(FromFsPath(test::WriteSubTexturedQuad(dir.path())), decoded),
            ModelBuilt);
  scene.Prepare(*decoded);
  const auto at = [&](float x, float y) {
    double sx, sy;
    scene.Project({x, y, 0, 1}, 1, &sx, &sy);
    return scene.At(static_cast<int>(sx), static_cast<int>(sy));
  };
  const float half = 128 / 255.0f;  // the texture's red
  for (const Look& look : {Look{}, Look::Plain()}) {
    decoded->look = look;
    scene.Draw(*decoded);
    EXPECT_LE(Difference(at(-3, 15), Opaque(0, 0, 1)), 3);
    EXPECT_LE(Difference(at(3, 15), Opaque(half, 0, 0)), 3);
    EXPECT_LE(Difference(at(-3, 9), Opaque(half, 1, 1)), 3);
    // Premultiplied in the target: green at half coverage.
    EXPECT_LE(Difference(at(3, 9), Pixel{0, 128, 0, 128}), 3);
  }
}

// A ball lit from the upper right: along the row through its middle, the
// plain look's half-Lambert shading takes many values, the toon ramp only
// its own two, times the material's colour.
TEST_F(GlLookTest, ToonRampShadesALitSphereWithOnlyTheRampsColours) {
  test::TestModelBuilder builder;
  builder.AddBone({0, 0, 0, 0});
  builder.AddMaterial({0.8f, 0.6f, 0.4f, 1}, {0.1f, 0.1f, 0.1f, 0});
  builder.AddSphere(0, kCentre, 6);
  Prepare(builder);
  constexpr int kToon = 2;
  model.materials[0].toonIndex = kToon;  // no file: the built-in ramp
  scene.Prepare(model);
  ASSERT_EQ(model.builtInToonRamps.size(), static_cast<std::size_t>(kSharedToonCount));

  Draw(Look{});
  const std::vector<Pixel> toon = CoveredRun(scene, CentreRow());
  ASSERT_GT(toon.size(), 80u);
  // Lit: ambient + 60% of the diffuse colour; shadowed: that times the tint.
  const Pixel lit = Opaque(0.1f + 0.48f, 0.1f + 0.36f, 0.1f + 0.24f);
  const std::array<float, 3> tint = BuiltInToonShadow(kToon);
  const Pixel shadow = Opaque(0.58f * tint[0], 0.46f * tint[1], 0.34f * tint[2]);
  int lits = 0, shadows = 0, others = 0;
  for (const Pixel& pixel : toon) {
    if (Difference(pixel, lit) <= 2) {
      ++lits;
    } else if (Difference(pixel, shadow) <= 2) {
      ++shadows;
    } else {
      ++others;
    }
  }
  EXPECT_GT(lits, 40);
  EXPECT_GE(shadows, 3) << "the side turned from the light";
  EXPECT_LE(others, 2) << "only where the ramp steps from lit to shadow";

  Draw(Look::Plain());
  std::vector<int> reds;
  for (const Pixel& pixel : CoveredRun(scene, CentreRow())) reds.push_back(pixel.r);
  std::sort(reds.begin(), reds.end());
  EXPECT_GT(std::unique(reds.begin(), reds.end()) - reds.begin(), 20);
}

// Edge pass: the back faces pushed out by the edge size in pixels show as a
// line around the silhouette, of the same width near and far.
TEST_F(GlLookTest, OutlineIsAboutOnePixelWideWhateverTheDistance) {
  test::TestModelBuilder builder;
  builder.AddBone({0, 0, 0, 0});
  builder.AddMaterial({0.8f, 0.8f, 0.8f, 1}, {0.2f, 0.2f, 0.2f, 0});
  builder.AddSphere(0, {-5, 12, -10, 1}, 3);  // near
  builder.AddSphere(0, {7, 12, 25, 1}, 3);    // far
  Prepare(builder);
  Material& material = model.materials[0];
  material.edgeFlag = 1;
  material.edgeColor = {0, 0, 1, 1};
  material.edgeSize = 1.0f;
  scene.Prepare(model);

  double nearX, y, farX;
  scene.Project({-5, 12, -10, 1}, 1, &nearX, &y);
  scene.Project({7, 12, 25, 1}, 1, &farX, &y);
  const int row = static_cast<int>(y);
  // Covered pixels of the ball around x, and its leftmost pixel.
  const auto ball = [&](double x, int* width, Pixel* left) {
    int x0 = static_cast<int>(x), x1 = static_cast<int>(x);
    while (scene.At(x0 - 1, row).a > 0) --x0;
    while (scene.At(x1 + 1, row).a > 0) ++x1;
    *width = x1 - x0 + 1;
    *left = scene.At(x0, row);
  };
  int plainNear, plainFar, outlinedNear, outlinedFar;
  Pixel edge;
  Draw(Look::Plain());
  ball(nearX, &plainNear, &edge);
  ball(farX, &plainFar, &edge);
  Draw(Look{});
  // Only back faces are pushed out: the front of the ball keeps its colour.
  EXPECT_GT(scene.At(static_cast<int>(nearX), row).r, 150);
  ball(nearX, &outlinedNear, &edge);
  EXPECT_EQ(edge.b, 255);
  EXPECT_LT(edge.r, 60);
  ball(farX, &outlinedFar, &edge);
  EXPECT_EQ(edge.b, 255);
  // One pixel on each side, give or take the rounding of the silhouette.
  EXPECT_GE(outlinedNear - plainNear, 1);
  EXPECT_LE(outlinedNear - plainNear, 3);
  EXPECT_GE(outlinedFar - plainFar, 1);
  EXPECT_LE(outlinedFar - plainFar, 3);
  EXPECT_GT(plainNear, 2 * plainFar) << "the far ball really is smaller";

  // Three pixels for edge size 3; none where the vertices' edge scale is 0.
  material.edgeSize = 3.0f;
  Draw(Look{});
  int wide;
  ball(nearX, &wide, &edge);
  EXPECT_GE(wide - plainNear, 5);
  EXPECT_LE(wide - plainNear, 7);
  for (Vertex& vertex : model.posedVertices) vertex.position.w = 0.0f;
  model.touchedVertices = {0};  // uploads every posed vertex
  Draw(Look{});
  int none;
  ball(nearX, &none, &edge);
  EXPECT_EQ(none, plainNear);
}

// Double-sided surfaces seen from their inner side (a skirt's lining): the
// edge pass draws exactly those back faces again, pushed sideways across the
// screen. Where such a side faces the camera more squarely than the line of
// sight to it (a gently curved or slightly flared lining off the middle of
// the view), a push at the surface's own depth lands in front of it and
// paints it over; the outline must stay behind there, and still show
// beyond the rim where the surface turns sideways.
TEST_F(GlLookTest, OutlineOfASurfaceSeenFromItsInnerSideShowsOnlyBeyondItsRim) {
  constexpr float kPi = 3.14159265f;
  struct Shell {
    const char* name;
    std::function<Float3(float, float)> point;  // u runs leftwards, v down: normals away
    int rimOutline;                             // edge pixels at least, off the surface
  };
  const Shell shells[] = {
      {"bowl seen from inside",
       [&](float u, float v) {
         const float s = std::sin(kPi * v);
         return Float3{5 * s * std::cos(kPi * u), 12 + 5 * std::cos(kPi * v),
                       5 * s * std::sin(kPi * u)};
       },
       150},
      {"shallow dish off the middle",
       [&](float u, float v) {
         const float x = 7 - 10 * u, y = 18 - 10 * v;
         return Float3{x, y, -((x - 2) * (x - 2) + (y - 13) * (y - 13)) / 200};
       },
       0},
      {"back of a flared skirt",
       [&](float u, float v) {
         const float r = 4 + 0.6f * v;
         return Float3{r * std::cos(kPi * u), 16 - 12 * v, 2 + r * std::sin(kPi * u)};
       },
       150},
  };
  const auto isEdge = [](const Pixel& p) { return p.a > 0 && p.b > p.r + 60; };
  for (const Shell& shell : shells) {
    SCOPED_TRACE(shell.name);
    const std::filesystem::path path = dir / "shell.pmx";
    test::WriteOutlinedShell(path, 48, 32, shell.point);
    auto decoded = std::make_shared<Model>();
    decoded->SetDevice(scene.sharedGpu(), scene.sharedGpu());
    ASSERT_EQ(PMXDecoder().Decode(FromFsPath(path), decoded), ModelBuilt);
    scene.Prepare(*decoded);

    decoded->look = Look::Plain();
    scene.Draw(*decoded);
    // Pixels with the surface all around them, three pixels each way.
    std::vector<bool> covered(kWidth * kHeight), inside(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) covered[y * kWidth + x] = scene.At(x, y).a == 255;
    }
    int insideCount = 0;
    for (int y = 3; y < kHeight - 3; ++y) {
      for (int x = 3; x < kWidth - 3; ++x) {
        bool all = true;
        for (int dy = -3; dy <= 3 && all; ++dy) {
          for (int dx = -3; dx <= 3 && all; ++dx) all = covered[(y + dy) * kWidth + x + dx];
        }
        inside[y * kWidth + x] = all;
        insideCount += all;
      }
    }
    ASSERT_GT(insideCount, 3000);

    decoded->look = Look{};
    scene.Draw(*decoded);
    int edgeInside = 0, edgeBeyond = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        if (!isEdge(scene.At(x, y))) continue;
        edgeInside += inside[y * kWidth + x];
        edgeBeyond += !covered[y * kWidth + x];
      }
    }
    EXPECT_EQ(edgeInside, 0);
    EXPECT_GE(edgeBeyond, shell.rimOutline) << "the rim keeps its outline";
  }
}

class GlMultisampledLookTest : public GlLookTest {
 protected:
  GlMultisampledLookTest() : GlLookTest(kAntialiasingSamples) {}
};

// Four samples per pixel: the pixels the outline crosses are partly
// covered, and their alpha says how much; inside, nothing changes.
TEST_F(GlMultisampledLookTest, EdgePixelsArePartlyCoveredInsideIsUnchanged) {
  ASSERT_EQ(scene.samples(), kAntialiasingSamples);
  test::TestModelBuilder builder;
  builder.AddBone({0, 0, 0, 0});
  builder.AddMaterial({0.8f, 0.4f, 0.2f, 1}, {0.1f, 0.1f, 0.1f, 0});
  builder.AddSphere(0, kCentre, 5);
  Prepare(builder);
  scene.Prepare(model);
  Draw(Look{});

  int boundary = 0, partial = 0;
  for (int y = 1; y + 1 < kHeight; ++y) {
    for (int x = 1; x + 1 < kWidth; ++x) {
      const int alpha = scene.At(x, y).a;
      if (alpha == 0) continue;
      const bool nextToEmpty = scene.At(x - 1, y).a == 0 || scene.At(x + 1, y).a == 0 ||
                               scene.At(x, y - 1).a == 0 || scene.At(x, y + 1).a == 0;
      if (!nextToEmpty) continue;
      ++boundary;
      if (alpha < 255) ++partial;
    }
  }
  ASSERT_GT(boundary, 100);
  EXPECT_GT(partial * 2, boundary) << partial << " of " << boundary;
  // Colours stay premultiplied: no channel above alpha.
  for (int x = 0; x < kWidth; ++x) {
    const Pixel p = scene.At(x, CentreRow());
    EXPECT_LE(std::max({p.r, p.g, p.b}), p.a);
  }
  // The middle faces the camera: 60% of the light, half-Lambert.
  const float length = std::sqrt(0.577f * 0.577f * 2 + 0.977f * 0.977f);
  const float light = 0.6f * (0.5f + 0.5f * 0.977f / length);
  EXPECT_LE(Difference(AtCentre(), Opaque(0.1f + 0.8f * light, 0.1f + 0.4f * light,
                                          0.1f + 0.2f * light)),
            3);
}

}  // namespace
}  // namespace brivonel
