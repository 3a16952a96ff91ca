#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <utility>

#include "render/linux/image_codecs_linux.h"
#include "render/texture_loaders.h"
#include "tests/render/codec_writers.h"
#include "tests/render/texture_files.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/tool_outcome.h"
#include "tools/inspect/texture_command.h"

namespace brivonel {
namespace {

using Outcome = test::ToolOutcome;

Outcome Inspect(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int code = inspect::RunTextureCommand(args, out, err);
  return {code, out.str(), err.str()};
}

TEST(InspectTextureTest, ReportsTheDescriptionAndOnePixel) {
  test::TempDir dir;
  test::DdsRecipe recipe;
  recipe.width = 2;
  recipe.height = 1;
  recipe.pixelFlags = 0x40;
  recipe.bitCount = 24;
  recipe.masks[3] = 0;
  test::Bytes dds = test::DdsHeader(recipe);
  dds.insert(dds.end(), {10, 20, 30, 40, 50, 60});  // blue, green, red
  test::WriteBytes(dir / "a.dds", dds);
  const std::string path = (dir / "a.dds").string();

  Outcome run = Inspect({path, "--pixel", "1,0"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out,
            "{\"width\": 2, \"height\": 1, \"depth\": 1, \"arraySize\": 1, \"mipLevels\": 1, "
            "\"format\": 28, \"formatName\": \"R8G8B8A8_UNORM\", \"dimension\": 3, "
            "\"cube\": false, \"alphaMode\": 0, \"rgba\": [60, 50, 40, 255]}\n");
  EXPECT_TRUE(run.err.empty());

  run = Inspect({path, "--pixel", "2,0"});  // outside the image
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(run.out.empty());
  EXPECT_NE(run.err.find("a.dds: pixel 2,0 is outside the 2x1 texture"), std::string::npos)
      << run.err;
  run = Inspect({path, "--pixel", "x"});
  EXPECT_EQ(run.code, 2);
  EXPECT_EQ(Inspect({}).code, 2);
}

TEST(InspectTextureTest, DispatchesByExactExtensionAndNamesFailures) {
  test::TempDir dir;
  test::TgaRecipe tga;
  tga.bitsPerPixel = 8;  // true colour of 8 bits has no format
  test::Bytes bytes = test::TgaHeader(tga);
  bytes.resize(bytes.size() + 4);
  test::WriteBytes(dir / "b.tga", bytes);
  Outcome run = Inspect({(dir / "b.tga").string()});
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("b.tga"), std::string::npos);
  EXPECT_NE(run.err.find("b.tga: cannot load the texture: sizes, counts or pixel format out of "
                         "range (0x80070057)"),
            std::string::npos)
      << run.err;

  // Each failure in words, with the code the program's error box shows.
  const std::string text = "not a picture";
  test::WriteBytes(dir / "text.png", test::Bytes(text.begin(), text.end()));
  test::Bytes cut = test::DdsHeader(test::DdsRecipe{});
  cut.resize(cut.size() + 10);  // 4x4 pixels need 64 bytes
  test::WriteBytes(dir / "cut.dds", cut);
  std::filesystem::create_directory(dir / "folder.png");
  RegisterLinuxImageCodecs();
  const std::pair<const char*, const char*> failures[] = {
      {"none.tga", "file not found (0x80070002)"},
      {"folder.png", "is a directory (0x80070005)"},
      {"text.png", "not an image any loader reads (0x88982F50)"},
      {"cut.dds", "damaged, or the file ends early (0x80004005)"},
  };
  for (const auto& [name, words] : failures) {
    run = Inspect({(dir / name).string()});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, "brivonel-inspect: " + (dir / name).string() +
                           ": cannot load the texture: " + words + "\n");
  }
  SetImageFileLoader(nullptr);

  // A PNG read through the codec loader, even when named with capitals.
  test::PngRecipe png;
  png.width = 1;
  png.height = 1;
  png.rows = {1, 2, 3, 4};
  test::WritePng(dir / "c.PNG", png);
  RegisterLinuxImageCodecs();
  run = Inspect({(dir / "c.PNG").string(), "--pixel", "0,0"});
  SetImageFileLoader(nullptr);
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.out.find("\"formatName\": \"B8G8R8A8_UNORM\""), std::string::npos);
  EXPECT_NE(run.out.find("\"rgba\": [1, 2, 3, 4]"), std::string::npos);
}

}  // namespace
}  // namespace brivonel
