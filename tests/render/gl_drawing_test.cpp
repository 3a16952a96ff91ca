// Models drawn offscreen through the OpenGL backend and the GLSL shaders,
// checked on the pixels read back.
#include <gtest/gtest.h>

#include <cmath>

#include "base/unicode.h"
#include "tests/render/gl_scene.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_models.h"

namespace brivonel {
namespace {

using test::Box;
using test::Pixel;

// The same aspect as the program's 960 x 1040 window, smaller to stay quick.
constexpr int kWidth = 240;
constexpr int kHeight = 260;

// How much of its diffuse colour a surface facing the camera shows on top of
// its ambient colour: 60% of the light, half-Lambert with the light direction
// (0.577, 0.577, -0.977).
float FrontLighting() {
  const float length = std::sqrt(0.577f * 0.577f * 2 + 0.977f * 0.977f);
  return 0.6f * (0.5f + 0.5f * (0.977f / length));
}

std::uint8_t Byte(float value) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

void ExpectPixelNear(const Pixel& pixel, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                     std::uint8_t a, int tolerance = 3) {
  EXPECT_NEAR(pixel.r, r, tolerance);
  EXPECT_NEAR(pixel.g, g, tolerance);
  EXPECT_NEAR(pixel.b, b, tolerance);
  EXPECT_NEAR(pixel.a, a, tolerance);
}

class GlDrawingTest : public ::testing::Test {
 protected:
  GlDrawingTest() : scene(kWidth, kHeight) {}
  void SetUp() override {
    if (!scene.ok()) GTEST_SKIP() << "no offscreen OpenGL here: " << scene.error();
  }

  void PrepareAndDraw(const test::TestModelBuilder& builder, int displaySize = 1) {
    builder.Build(model);
    scene.Prepare(model);
    scene.Draw(model, displaySize);
  }

  test::GlScene scene;
  Model model;  // destroyed before the scene's device
};

TEST_F(GlDrawingTest, LitQuadShowsItsColourOnATransparentBackground) {
  test::TestModelBuilder builder;
  builder.AddBone({0, 0, 0, 0});
  const int material = builder.AddMaterial({0.8f, 0.4f, 0.2f, 1.0f}, {0.1f, 0.1f, 0.1f, 0});
  builder.AddQuad(material, {0, 12, 0, 1}, 4, 4);
  PrepareAndDraw(builder);

  double cx, cy;
  scene.Project({0, 12, 0, 1}, 1, &cx, &cy);
  const float light = FrontLighting();
  ExpectPixelNear(scene.At(static_cast<int>(cx), static_cast<int>(cy)), Byte(0.1f + 0.8f * light),
                  Byte(0.1f + 0.4f * light), Byte(0.1f + 0.2f * light), 255);

  // Uncovered pixels stay (0, 0, 0, 0).
  ExpectPixelNear(scene.At(2, 2), 0, 0, 0, 0, 0);
  ExpectPixelNear(scene.At(kWidth - 3, kHeight - 3), 0, 0, 0, 0, 0);
  // The quad covers exactly its projected corners.
  double left, top, right, bottom;
  scene.Project({-4, 16, 0, 1}, 1, &left, &top);
  scene.Project({4, 8, 0, 1}, 1, &right, &bottom);
  const Box box = scene.Coverage();
  EXPECT_NEAR(box.x0, left, 1.0);
  EXPECT_NEAR(box.x1 + 1, right, 1.0);
  EXPECT_NEAR(box.y0, top, 1.0);
  EXPECT_NEAR(box.y1 + 1, bottom, 1.0);
}

TEST_F(GlDrawingTest, TranslucentMaterialIsWrittenPremultiplied) {
  test::TestModelBuilder builder;
  builder.AddBone({0, 0, 0, 0});
  // Ambient alone saturates the colour so that only alpha scales it.
  builder.AddMaterial({0.2f, 1.0f, 0.6f, 0.5f}, {1, 1, 1, 0});
  builder.AddQuad(0, {0, 12, 0, 1}, 4, 4);
  PrepareAndDraw(builder);
  double cx, cy;
  scene.Project({0, 12, 0, 1}, 1, &cx, &cy);
  ExpectPixelNear(scene.At(static_cast<int>(cx), static_cast<int>(cy)), 128, 128, 128, 128, 1);
}

TEST_F(GlDrawingTest, NearerQuadHidesFartherOneWhateverTheDrawOrder) {
  test::TestModelBuilder builder;
  builder.AddBone({0, 0, 0, 0});
  const int near = builder.AddMaterial({0, 0, 0, 1}, {1, 0, 0, 0});
  const int far = builder.AddMaterial({0, 0, 0, 1}, {0, 0, 1, 0});
  builder.AddQuad(near, {0, 12, -5, 1}, 2, 2);  // drawn first
  builder.AddQuad(far, {0, 12, 5, 1}, 6, 6);
  PrepareAndDraw(builder);
  double cx, cy;
  scene.Project({0, 12, 0, 1}, 1, &cx, &cy);
  ExpectPixelNear(scene.At(static_cast<int>(cx), static_cast<int>(cy)), 255, 0, 0, 255);
  double ex, ey;
  scene.Project({5, 12, 5, 1}, 1, &ex, &ey);
  ExpectPixelNear(scene.At(static_cast<int>(ex), static_cast<int>(ey)), 0, 0, 255, 255);
}

TEST_F(GlDrawingTest, RotatingTheBoneMovesThePixels) {
  test::TestModelBuilder builder;
  builder.AddBone({0, 0, 0, 0});
  const int arm = builder.AddBone({0, 12, 0, 0}, 0);
  builder.AddMaterial({1, 1, 1, 1});
  test::BoneBinding binding;
  binding.bones = {static_cast<std::uint8_t>(arm), 0, 0, 0};
  builder.AddQuad(0, {0, 16, 0, 1}, 1, 3, binding);  // above the arm's pivot
  PrepareAndDraw(builder);
  const Box before = scene.Coverage();
  ASSERT_FALSE(before.empty());

  // A quarter turn about z at the pivot swings the quad to the left of it.
  Bone& bone = model.bones[static_cast<std::size_t>(arm)];
  bone.worldMatrix = Multiply(MatrixRotationZ(kPi / 2), MatrixTranslation({0, 12, 0, 0}));
  model.ComputeSkinningMatrices();
  scene.Draw(model);
  const Box after = scene.Coverage();
  ASSERT_FALSE(after.empty());

  double pivotX, pivotY, swungX, swungY;
  scene.Project({0, 12, 0, 1}, 1, &pivotX, &pivotY);
  scene.Project({-4, 12, 0, 1}, 1, &swungX, &swungY);
  EXPECT_NEAR(after.centreX(), swungX, 1.5);
  EXPECT_NEAR(after.centreY(), swungY, 1.5);
  EXPECT_LT(after.x1, pivotX);
  // Lying down, the quad is wider than tall.
  EXPECT_GT(after.x1 - after.x0, after.y1 - after.y0);
  EXPECT_EQ(scene.At(static_cast<int>(before.centreX()), static_cast<int>(before.centreY())).a, 0);
}

TEST_F(GlDrawingTest, FourBoneVertexFollowsItsWeights) {
  test::TestModelBuilder builder;
  const Float4 offsets[4] = {{4, 0, 0, 0}, {0, 4, 0, 0}, {-2, 0, 0, 0}, {0, 0, 0, 0}};
  for (int i = 0; i < 4; ++i) builder.AddBone({0, 0, 0, 0});
  builder.AddMaterial({1, 1, 1, 1});
  // Weights adding up to 254, as four-bone vertices of real files do.
  test::BoneBinding binding;
  binding.bones = {0, 1, 2, 3};
  binding.weights = {127, 64, 32, 31};
  builder.AddQuad(0, {0, 12, 0, 1}, 1, 1, binding);
  builder.Build(model);
  scene.Prepare(model);
  for (int i = 0; i < 4; ++i) model.bones[static_cast<std::size_t>(i)].worldMatrix = MatrixTranslation(offsets[i]);
  model.ComputeSkinningMatrices();
  scene.Draw(model);

  Float4 expected{0, 12, 0, 1};
  const float weights[4] = {127, 64, 32, 31};
  for (int i = 0; i < 4; ++i) {
    expected.x += offsets[i].x * weights[i] / 254.0f;
    expected.y += offsets[i].y * weights[i] / 254.0f;
  }
  double x, y;
  scene.Project(expected, 1, &x, &y);
  const Box box = scene.Coverage();
  ASSERT_FALSE(box.empty());
  EXPECT_NEAR(box.centreX() + 0.5, x, 1.0);
  EXPECT_NEAR(box.centreY() + 0.5, y, 1.0);
}

TEST_F(GlDrawingTest, SmallerDisplaySizeShrinksTowardBottomCentre) {
  test::TestModelBuilder builder;
  builder.AddBone({0, 0, 0, 0});
  builder.AddMaterial({1, 1, 1, 1});
  builder.AddQuad(0, {3, 10, 0, 1}, 4, 6);
  PrepareAndDraw(builder, 1);
  const Box large = scene.Coverage();
  scene.Draw(model, 2);
  const Box medium = scene.Coverage();
  scene.Draw(model, 3);
  const Box small = scene.Coverage();
  ASSERT_FALSE(large.empty());

  // Every edge moves toward (width / 2, height) by the size's scale.
  const auto shrink = [](double value, double anchor, double scale) {
    return anchor + (value - anchor) * scale;
  };
  for (const auto& [box, scale] : {std::pair{medium, 0.75}, std::pair{small, 0.5}}) {
    EXPECT_NEAR(box.x0, shrink(large.x0, kWidth / 2.0, scale), 1.5) << scale;
    EXPECT_NEAR(box.x1 + 1, shrink(large.x1 + 1, kWidth / 2.0, scale), 1.5) << scale;
    EXPECT_NEAR(box.y0, shrink(large.y0, kHeight, scale), 1.5) << scale;
    EXPECT_NEAR(box.y1 + 1, shrink(large.y1 + 1, kHeight, scale), 1.5) << scale;
  }
}

TEST_F(GlDrawingTest, TexturedQuadShowsItsTexture) {
  test::TestModelBuilder builder;
  builder.AddBone({0, 0, 0, 0});
  builder.AddMaterial({1, 1, 1, 1}, {1, 1, 1, 0});  // full light: the texture as it is
  builder.AddQuad(0, {0, 12, 0, 1}, 6, 6);
  builder.Build(model);
  // Four texels: red, green / blue, white; alpha of blue half.
  test::TempDir dir;
  test::WriteTga(dir / "four.tga", 2, 2,
                 {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 128, 255, 255, 255, 255});
  model.SetDevice(scene.sharedGpu(), scene.sharedGpu());
  model.materials[0].textureId =
      model.texturePool.Load(FromFsPath(dir.path()) + u"/", u"four.tga");
  ASSERT_EQ(model.materials[0].textureId, 0);
  scene.Prepare(model);
  scene.Draw(model);

  // Texel centres sit at a quarter of the quad from its edges.
  const auto at = [&](float x, float y) {
    double sx, sy;
    scene.Project({x, y, 0, 1}, 1, &sx, &sy);
    return scene.At(static_cast<int>(sx), static_cast<int>(sy));
  };
  ExpectPixelNear(at(-3, 15), 255, 0, 0, 255, 6);
  ExpectPixelNear(at(3, 15), 0, 255, 0, 255, 6);
  ExpectPixelNear(at(-3, 9), 0, 0, 128, 128, 6);
  ExpectPixelNear(at(3, 9), 255, 255, 255, 255, 6);
}

}  // namespace
}  // namespace brivonel
