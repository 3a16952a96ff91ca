// Snapshots of the bundled sample standing at rest, drawn as the program
// draws it and in the plain look (--flat): soft edges, the lacquered ribbon
// lit by its sphere map, the toon-shaded skin and the edge outline.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "base/unicode.h"
#include "formats/pmx_decoder.h"
#include "render/frame_setup.h"
#include "render/linux/image_codecs_linux.h"
#include "render/texture_loaders.h"
#include "tests/support/mesa_shader_cache.h"
#include "tests/support/temp_dir.h"
#include "tools/snapshot/gl_snapshot_backend.h"
#include "tools/snapshot/snapshot.h"

#if defined(BRIVONEL_SAMPLES_DIR)
namespace brivonel {
namespace {

constexpr int kWidth = 960;
constexpr int kHeight = 1040;

struct Rgba {
  int r = 0, g = 0, b = 0, a = 0;
};

int Difference(const Rgba& x, const Rgba& y) {
  return std::max({std::abs(x.r - y.r), std::abs(x.g - y.g), std::abs(x.b - y.b)});
}

// A snapshot's pixels, straight alpha, as the PNG holds them.
class Picture {
 public:
  explicit Picture(const std::filesystem::path& png) {
    RegisterLinuxImageCodecs();
    TextureMetadata metadata;
    EXPECT_EQ(LoadImageFile(FromFsPath(png), 0, &metadata, image_), kSOk);
  }
  Rgba At(int x, int y) const {
    const ImageRecord& record = image_.images.at(0);
    const std::uint8_t* p = record.pixels + static_cast<std::size_t>(y) * record.rowPitch +
                            static_cast<std::size_t>(x) * 4;
    return {p[2], p[1], p[0], p[3]};
  }
  // The covered pixels of row y around x (which must be covered).
  std::vector<Rgba> RunAround(int x, int y) const {
    int x0 = x, x1 = x;
    while (x0 > 0 && At(x0 - 1, y).a > 0) --x0;
    while (x1 + 1 < kWidth && At(x1 + 1, y).a > 0) ++x1;
    std::vector<Rgba> run;
    for (int i = x0; i <= x1; ++i) run.push_back(At(i, y));
    return run;
  }

 private:
  LoadedImage image_;
};

// Groups of colours no two of which differ by more than `tolerance`, seeded
// in the order met.
std::size_t ColourGroups(const std::vector<Rgba>& pixels, int tolerance) {
  std::vector<Rgba> seeds;
  for (const Rgba& pixel : pixels) {
    if (std::none_of(seeds.begin(), seeds.end(),
                     [&](const Rgba& seed) { return Difference(seed, pixel) <= tolerance; }))
      seeds.push_back(pixel);
  }
  return seeds.size();
}

class SampleLookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::KeepMesaFromCachingShaders();
  }

  static std::filesystem::path Sample(const char* name) {
    return std::filesystem::path(BRIVONEL_SAMPLES_DIR) / name;
  }

  // The sample at rest, as the program draws it or flat.
  Picture Snapshot(const char* model, bool flat) {
    snapshot::Options options;
    options.model = FromFsPath(Sample(model));
    options.flat = flat;
    options.out = dir / (std::string(model) + (flat ? ".flat.png" : ".png"));
    std::ostringstream out, err;
    snapshot::GlSnapshotBackend backend;
    EXPECT_EQ(snapshot::Run(options, Utf8ToUtf16(BRIVONEL_GL_SHADER_DIR), backend, out, err), 0)
        << err.str();
    return Picture(options.out);
  }

  // The decoded sample, for where its parts are (textures left out).
  static const Model& SampleModel() {
    static const std::unique_ptr<Model> model = [] {
      std::ifstream file(Sample("nel.pmx"), std::ios::binary);
      const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
      PMXModel record;
      auto built = std::make_unique<Model>();
      built->path = FromFsPath(Sample("nel.pmx"));
      EXPECT_EQ(PMXDecoder::Read(bytes, record), FileRead);
      EXPECT_EQ(PMXDecoder::Build(record, *built, TextureLoading::kSkip), ModelBuilt);
      return built;
    }();
    return *model;
  }

  // Where a model-space point lands in the 960 x 1040 window.
  static std::array<int, 2> ScreenOf(Float4 point) {
    const Float4 clip = Transform(Transform(point, CameraViewMatrix()),
                                  CameraProjectionMatrix(kWidth, kHeight));
    return {static_cast<int>((clip.x / clip.w + 1) / 2 * kWidth),
            static_cast<int>((1 - clip.y / clip.w) / 2 * kHeight)};
  }

  // The screen box [x0, y0, x1, y1] of a material's vertices.
  static std::array<int, 4> BoxOf(const char16_t* materialName) {
    const Model& model = SampleModel();
    const Mesh& mesh = *model.meshes[0];
    std::array<int, 4> box{kWidth, kHeight, 0, 0};
    for (const Piece& piece : mesh.pieces) {
      if (piece.material->name != materialName) continue;
      for (const FaceRange& range : piece.ranges) {
        for (std::uint32_t i = range.firstFace * 3; i < (range.firstFace + range.faceCount) * 3;
             ++i) {
          const Float4& p = mesh.vertices[mesh.indices[i]].position;
          const std::array<int, 2> at = ScreenOf({p.x, p.y, p.z, 1});
          box = {std::min(box[0], at[0]), std::min(box[1], at[1]), std::max(box[2], at[0]),
                 std::max(box[3], at[1])};
        }
      }
    }
    return box;
  }

  // A point on the figure's bare left thigh, between the skirt and the sock.
  static Float4 ThighPoint() {
    const Model& model = SampleModel();
    const auto at = [&](const char16_t* name) {
      for (const Bone& bone : model.bones) {
        if (bone.name == name) return Float4{bone.worldMatrix.m[3][0], bone.worldMatrix.m[3][1],
                                             bone.worldMatrix.m[3][2], 1};
      }
      ADD_FAILURE() << "no bone " << Utf16ToUtf8(name);
      return Float4{};
    };
    const Float4 knee = at(u"左ひざ");
    const Float4 hip = at(u"左足");
    return {knee.x, knee.y + 0.25f * (hip.y - knee.y), knee.z, 1};
  }

  test::TempDir dir;
};

// At least half of the pixels on the figure's boundary are partly covered
// (four samples per pixel); the plain look has none.
TEST_F(SampleLookTest, TheFiguresBoundaryIsSoft) {
  for (const char* model : {"nel.pmx", "nel.pmd"}) {
    SCOPED_TRACE(model);
    for (const bool flat : {false, true}) {
      const Picture picture = Snapshot(model, flat);
      int boundary = 0, partial = 0;
      for (int y = 1; y + 1 < kHeight; ++y) {
        for (int x = 1; x + 1 < kWidth; ++x) {
          const int alpha = picture.At(x, y).a;
          if (alpha == 0) continue;
          if (picture.At(x - 1, y).a > 0 && picture.At(x + 1, y).a > 0 &&
              picture.At(x, y - 1).a > 0 && picture.At(x, y + 1).a > 0)
            continue;
          ++boundary;
          partial += alpha < 255;
        }
      }
      ASSERT_GT(boundary, 1000);
      if (flat) {
        EXPECT_EQ(partial, 0);
      } else {
        EXPECT_GT(partial * 2, boundary) << partial << " of " << boundary;
      }
    }
  }
}

// The ribbon is black lacquer: drawn flat, every pixel of it is black;
// drawn as the program draws it, its adding sphere map makes it red.
TEST_F(SampleLookTest, TheBlackRibbonShowsItsSphereMap) {
  const std::array<int, 4> box = BoxOf(u"リボン");
  for (const char* model : {"nel.pmx", "nel.pmd"}) {
    SCOPED_TRACE(model);
    const Picture flat = Snapshot(model, true);
    const Picture lacquered = Snapshot(model, false);
    int ribbon = 0, red = 0;
    for (int y = box[1]; y <= box[3]; ++y) {
      for (int x = box[0]; x <= box[2]; ++x) {
        const Rgba plain = flat.At(x, y);
        if (plain.a < 255 || std::max({plain.r, plain.g, plain.b}) > 0) continue;
        ++ribbon;
        const Rgba shown = lacquered.At(x, y);
        red += shown.r > 60 && shown.r > 2 * shown.g && shown.r > 2 * shown.b;
      }
    }
    EXPECT_GT(ribbon, 100) << "black pixels in the plain look";
    EXPECT_GT(red, ribbon * 8 / 10) << red << " of " << ribbon;
  }
}

// Across the lit thigh, toon-shaded skin takes the two colours of its ramp
// (and a pixel or two where the ramp steps), where the plain look's shading
// runs through many; a line of about one pixel in the edge colour rims it.
TEST_F(SampleLookTest, TheThighIsToonShadedAndOutlined) {
  const std::array<int, 2> at = ScreenOf(ThighPoint());
  for (const char* model : {"nel.pmx", "nel.pmd"}) {
    SCOPED_TRACE(model);
    const std::vector<Rgba> toon = Snapshot(model, false).RunAround(at[0], at[1]);
    const std::vector<Rgba> flat = Snapshot(model, true).RunAround(at[0], at[1]);
    ASSERT_GT(flat.size(), 20u);
    // The outline adds a pixel on either side, and is dark.
    EXPECT_GE(toon.size(), flat.size() + 1);
    EXPECT_LE(toon.size(), flat.size() + 4);
    for (const Rgba& rim : {toon.front(), toon.back()}) {
      EXPECT_LT(rim.r + rim.g + rim.b, 200) << rim.r << " " << rim.g << " " << rim.b;
    }
    // Inside the line (and the pixel it shares with the skin).
    const std::vector<Rgba> skin(toon.begin() + 2, toon.end() - 2);
    const std::vector<Rgba> plainSkin(flat.begin() + 1, flat.end() - 1);
    EXPECT_LE(ColourGroups(skin, 4), 3u);
    EXPECT_GE(ColourGroups(skin, 4), 2u) << "lit and shadowed";
    EXPECT_GE(ColourGroups(plainSkin, 4), 5u);
  }
}

}  // namespace
}  // namespace brivonel
#endif
