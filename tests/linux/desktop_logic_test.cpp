// The desktop program's arithmetic that needs no display: the command line
// and its settings for one run, window shapes from a frame's alpha, the
// work area, frame pacing, dialog filters and where the shader files are.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/linux/alpha_shape.h"
#include "app/linux/command_line.h"
#include "app/linux/file_patterns.h"
#include "app/linux/frame_pacer.h"
#include "app/linux/ini_profile_store.h"
#include "app/linux/overridden_profile_store.h"
#include "app/linux/program_folders.h"
#include "app/linux/work_area.h"
#include "app/settings.h"
#include "base/unicode.h"
#include "tests/app/fake_platform.h"
#include "tests/support/temp_dir.h"

namespace brivonel::test {
namespace {

bool Parse(std::vector<std::string> arguments, CommandLine* parsed, std::string* error) {
  return ParseCommandLine(arguments, parsed, error);
}

TEST(CommandLineTest, FilesAndSizeInEitherForm) {
  CommandLine parsed;
  std::string error;
  ASSERT_TRUE(Parse({"--model", "/home/u/モデル/ネル.pmx", "--motion=dance.vmd", "--size", "3"},
                    &parsed, &error))
      << error;
  EXPECT_EQ(parsed.action, CommandLine::Action::kRun);
  EXPECT_EQ(parsed.modelFile, "/home/u/モデル/ネル.pmx");
  EXPECT_EQ(parsed.motionFile, "dance.vmd");
  EXPECT_EQ(parsed.displaySize, 3);

  ASSERT_TRUE(Parse({}, &parsed, &error));
  EXPECT_FALSE(parsed.modelFile || parsed.motionFile || parsed.displaySize)
      << "nothing given: the settings decide";
  ASSERT_TRUE(Parse({"--size=1", "--model=-odd-name.pmx"}, &parsed, &error));
  EXPECT_EQ(parsed.displaySize, 1);
  EXPECT_EQ(parsed.modelFile, "-odd-name.pmx");
}

TEST(CommandLineTest, HelpAndVersion) {
  CommandLine parsed;
  std::string error;
  ASSERT_TRUE(Parse({"--version"}, &parsed, &error));
  EXPECT_EQ(parsed.action, CommandLine::Action::kVersion);
  ASSERT_TRUE(Parse({"--version", "--help"}, &parsed, &error));
  EXPECT_EQ(parsed.action, CommandLine::Action::kHelp) << "help wins";
  ASSERT_TRUE(Parse({"-h"}, &parsed, &error));
  EXPECT_EQ(parsed.action, CommandLine::Action::kHelp);
  EXPECT_NE(CommandLineUsage().find("--model FILE"), std::string::npos);
}

TEST(CommandLineTest, MistakesAreNamed) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--modle", "a.pmx"}, "unknown option --modle"},
      {{"a.pmx"}, "unexpected argument a.pmx"},
      {{"--model"}, "--model needs a value"},
      {{"--motion="}, "--motion needs a value"},
      {{"--size", "4"}, "--size takes 1, 2 or 3, not 4"},
      {{"--size", "02"}, "--size takes 1, 2 or 3, not 02"},
      {{"--model", "a.pmx", "--model", "b.pmx"}, "--model is given twice"},
      {{"--size=1", "--size=1"}, "--size is given twice"},
  };
  for (const auto& [arguments, expected] : cases) {
    CommandLine parsed;
    std::string error;
    EXPECT_FALSE(Parse(arguments, &parsed, &error)) << arguments[0];
    EXPECT_EQ(error, expected);
  }
}

// Settings over the real INI file, with the command line's values in front.
struct OverriddenSettings {
  OverriddenSettings() {
    folders.appData = FromFsPath(appData.path());
    std::filesystem::create_directories(appData / "Quenvalis");
    std::ofstream(appData / "Quenvalis" / "figure.ini")
        << "[CharaModel]\nModel=/remembered/a.pmx\nMotion=/remembered/a.vmd\nModelSize=2\n";
  }
  std::string FileText() const {
    std::ifstream ini(appData / "Quenvalis" / "figure.ini");
    return std::string(std::istreambuf_iterator<char>(ini), {});
  }
  TempDir appData;
  EventLog log;
  FakeFolders folders;
  FakeMessageBoxes boxes{log};
  IniProfileStore file;
};

TEST(OverriddenProfileStoreTest, TheCommandLinesFilesAreUsedButNotRemembered) {
  OverriddenSettings h;
  OverriddenProfileStore store(h.file, {{u"CharaModel", u"Model", u"/given/ネル.pmx"},
                                        {u"CharaModel", u"ModelSize", u"3"}});
  Settings settings(store, h.folders, h.boxes);
  std::u16string path;
  ASSERT_TRUE(settings.GetModelPath(path));
  EXPECT_EQ(path, u"/given/ネル.pmx");
  ASSERT_TRUE(settings.GetMotionPath(path));
  EXPECT_EQ(path, u"/remembered/a.vmd") << "what the command line does not name comes from the file";
  std::int32_t size = 0;
  ASSERT_TRUE(settings.GetModelSize(size));
  EXPECT_EQ(size, 3);
  EXPECT_EQ(h.FileText(),
            "[CharaModel]\nModel=/remembered/a.pmx\nMotion=/remembered/a.vmd\nModelSize=2\n");

  // A choice the user makes during the run is remembered as usual.
  EXPECT_TRUE(settings.SetMotionPath(u"/chosen/b.vmd"));
  EXPECT_TRUE(settings.SetModelSize(1));
  EXPECT_EQ(h.FileText(),
            "[CharaModel]\nModel=/remembered/a.pmx\nMotion=/chosen/b.vmd\nModelSize=1\n");
  ASSERT_TRUE(settings.GetModelSize(size));
  EXPECT_EQ(size, 1);
}

TEST(OverriddenProfileStoreTest, NamesCompareAsTheIniReaderComparesThem) {
  OverriddenSettings h;
  OverriddenProfileStore store(h.file, {{u"CharaModel", u"Model", u"/given.pmx"}});
  const std::u16string ini = FromFsPath(h.appData / "Quenvalis" / "figure.ini");
  EXPECT_EQ(store.Read(u"charamodel", u"MODEL", u"", ini), u"/given.pmx");
  EXPECT_EQ(store.Read(u"Other", u"Model", u"-", ini), u"-");
  EXPECT_EQ(store.Read(u"CharaModel", u"ModelSize", u"", ini), u"2");
}

// A frame of width x height pixels, all transparent; Set() paints alpha.
struct Frame {
  Frame(int w, int h) : width(w), height(h), bgra(static_cast<std::size_t>(w * h * 4), 0) {}
  void Set(int x, int y, std::uint8_t alpha) {
    std::uint8_t* pixel = &bgra[static_cast<std::size_t>((y * width + x) * 4)];
    pixel[0] = pixel[1] = pixel[2] = alpha;  // premultiplied white
    pixel[3] = alpha;
  }
  void Fill(int x0, int y0, int x1, int y1, std::uint8_t alpha) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) Set(x, y, alpha);
  }
  std::uint8_t Alpha(int x, int y) const {
    return bgra[static_cast<std::size_t>((y * width + x) * 4 + 3)];
  }
  const std::vector<ShapeRect>& Shape(AlphaShape& shape) const {
    shape.Begin(width);
    for (int y = 0; y < height; ++y) shape.AddRow(&bgra[static_cast<std::size_t>(y * width * 4)]);
    shape.Finish();
    return shape.rectangles();
  }
  int width;
  int height;
  std::vector<std::uint8_t> bgra;
};

TEST(AlphaShapeTest, EqualRowsShareOneBand) {
  Frame frame(23, 10);          // a width that is not a multiple of four
  frame.Fill(2, 1, 21, 4, 255);   // a body three rows high
  frame.Fill(0, 4, 5, 6, 255);    // two feet, two rows high, at both edges
  frame.Fill(18, 4, 23, 6, 200);
  frame.Set(11, 8, 1);            // one faint pixel
  AlphaShape shape(1);
  EXPECT_EQ(frame.Shape(shape), (std::vector<ShapeRect>{
                                    {2, 1, 19, 3}, {0, 4, 5, 2}, {18, 4, 5, 2}, {11, 8, 1, 1}}));
  AlphaShape halfOpaque(128);
  EXPECT_EQ(frame.Shape(halfOpaque),
            (std::vector<ShapeRect>{{2, 1, 19, 3}, {0, 4, 5, 2}, {18, 4, 5, 2}}))
      << "the faint pixel is left out";
}

TEST(AlphaShapeTest, EmptyAndFullFrames) {
  Frame frame(64, 5);
  AlphaShape shape(1);
  EXPECT_TRUE(frame.Shape(shape).empty());
  frame.Fill(0, 0, 64, 5, 255);
  EXPECT_EQ(frame.Shape(shape), (std::vector<ShapeRect>{{0, 0, 64, 5}}));
  EXPECT_EQ(frame.Shape(shape).size(), 1u) << "a new frame starts afresh";
}

// Random blobs: the rectangles cover exactly the pixels at or above the
// threshold, never overlap, and come in banded order.
TEST(AlphaShapeTest, RectanglesCoverExactlyThePixelsAboveTheThreshold) {
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    Frame frame(1 + static_cast<int>(random() % 97), 1 + static_cast<int>(random() % 60));
    for (int blob = 0; blob < 6; ++blob) {
      const int x0 = static_cast<int>(random() % static_cast<unsigned>(frame.width));
      const int y0 = static_cast<int>(random() % static_cast<unsigned>(frame.height));
      const int x1 = std::min(frame.width, x0 + 1 + static_cast<int>(random() % 40));
      const int y1 = std::min(frame.height, y0 + 1 + static_cast<int>(random() % 20));
      frame.Fill(x0, y0, x1, y1, static_cast<std::uint8_t>(random() % 256));
    }
    const std::uint8_t threshold = static_cast<std::uint8_t>(1 + random() % 255);
    AlphaShape shape(threshold);
    const std::vector<ShapeRect>& rectangles = frame.Shape(shape);
    std::vector<int> covered(static_cast<std::size_t>(frame.width * frame.height), 0);
    for (std::size_t i = 0; i < rectangles.size(); ++i) {
      const ShapeRect& r = rectangles[i];
      for (int y = r.y; y < r.y + r.height; ++y)
        for (int x = r.x; x < r.x + r.width; ++x) ++covered[static_cast<std::size_t>(y * frame.width + x)];
      if (i > 0) {
        const ShapeRect& before = rectangles[i - 1];
        const bool sameBand = before.y == r.y;
        EXPECT_TRUE(sameBand ? before.height == r.height && before.x + before.width < r.x
                             : before.y + before.height <= r.y)
            << "round " << round << " rectangle " << i;
      }
    }
    for (int y = 0; y < frame.height; ++y) {
      for (int x = 0; x < frame.width; ++x) {
        ASSERT_EQ(covered[static_cast<std::size_t>(y * frame.width + x)],
                  frame.Alpha(x, y) >= threshold ? 1 : 0)
            << "round " << round << " pixel " << x << "," << y;
      }
    }
  }
}

TEST(WorkAreaTest, TheCurrentDesktopsEntryElseTheScreen) {
  const AreaSize screen{1920, 1080};
  const std::vector<long> twoDesktops = {0, 0, 1920, 1040, 64, 0, 1856, 1080};
  EXPECT_EQ(WorkAreaSize(twoDesktops, 1, screen), (AreaSize{1856, 1080}));
  EXPECT_EQ(WorkAreaSize(twoDesktops, std::nullopt, screen), (AreaSize{1920, 1040}));
  EXPECT_EQ(WorkAreaSize(twoDesktops, 5, screen), (AreaSize{1920, 1040}))
      << "a desktop without an entry takes the first";
  EXPECT_EQ(WorkAreaSize({}, 0, screen), screen) << "no window manager";
  EXPECT_EQ(WorkAreaSize(std::vector<long>{0, 0, 0, 0}, 0, screen), screen);
  EXPECT_EQ(WorkAreaSize(std::vector<long>{0, 0, 1921}, 0, screen), screen)
      << "a cut-off entry is no entry";
}

// The window manager's one work area cut by each monitor: a panel along the
// bottom of the left monitor only shortens the left monitor's area.
TEST(WorkAreaTest, EachMonitorGetsItsPartOfTheDesktopsWorkArea) {
  const std::vector<long> areas = {0, 0, 3200, 1040, 0, 0, 3200, 1080};
  EXPECT_EQ(WorkAreaRect(areas, 0), (Rect{0, 0, 3200, 1040}));
  EXPECT_EQ(WorkAreaRect(std::vector<long>{10, 20, 0, 5}, 0), std::nullopt);
  const std::vector<MonitorArea> monitors = {{{0, 0, 1920, 1080}, {}, true},
                                             {{1920, 0, 3200, 1024}, {}, false},
                                             {{5000, 0, 6000, 800}, {}, false}};
  const std::vector<MonitorArea> cut = WithWorkAreas(monitors, WorkAreaRect(areas, 0));
  ASSERT_EQ(cut.size(), 3u);
  EXPECT_EQ(cut[0].workArea, (Rect{0, 0, 1920, 1040}));
  EXPECT_EQ(cut[1].workArea, (Rect{1920, 0, 3200, 1024}));
  EXPECT_EQ(cut[2].workArea, cut[2].bounds) << "a work area that misses the monitor";
  EXPECT_TRUE(cut[0].primary);
  EXPECT_EQ(WithWorkAreas(monitors, std::nullopt)[0].workArea, monitors[0].bounds);
}

TEST(FramePacerTest, RefreshRateOfModeLines) {
  EXPECT_NEAR(RefreshRateOfMode(148500000, 2200, 1125, false, false), 60.0, 1e-9);
  EXPECT_NEAR(RefreshRateOfMode(74250000, 2200, 1125, true, false), 60.0, 1e-9);
  EXPECT_NEAR(RefreshRateOfMode(148500000, 2200, 1125, false, true), 30.0, 1e-9);
  EXPECT_EQ(RefreshRateOfMode(0, 0, 0, false, false), 0.0) << "a virtual display's mode";
  EXPECT_EQ(FramePacer(0.0).period(), 16667);
  EXPECT_EQ(FramePacer(1e9).period(), 16667);
  EXPECT_EQ(FramePacer(144.0).period(), 6944);
}

TEST(FramePacerTest, FramesStayOnTheGridAndALateOneRestartsIt) {
  FramePacer pacer(50.0);  // 20 ms
  pacer.Restart(1'000'000);
  EXPECT_EQ(pacer.due(), 1'000'000);
  pacer.FrameDone(1'004'000);  // drawn in 4 ms
  EXPECT_EQ(pacer.due(), 1'020'000);
  pacer.FrameDone(1'031'000);  // woke 1 ms late, drew 10 ms: still on the grid
  EXPECT_EQ(pacer.due(), 1'040'000);
  pacer.FrameDone(1'098'000);  // a stall: no burst of catch-up frames
  EXPECT_EQ(pacer.due(), 1'103'000) << "a quarter period is left idle";
  pacer.FrameDone(1'121'000);  // 18 ms of 20 taken: still a quarter idle
  EXPECT_EQ(pacer.due(), 1'126'000);
}

TEST(FilePatternsTest, FiltersMatchWithoutRegardToCase) {
  EXPECT_EQ(CaseBlindGlobs(u"*.pmd;*.pmx"),
            (std::vector<std::string>{"*.[pP][mM][dD]", "*.[pP][mM][xX]"}));
  EXPECT_EQ(CaseBlindGlobs(u";*.jpeg;;モデル*.vmd;"),
            (std::vector<std::string>{"*.[jJ][pP][eE][gG]", "モデル*.[vV][mM][dD]"}));
  EXPECT_TRUE(CaseBlindGlobs(u"").empty());
}

TEST(ProgramFoldersTest, ShadersBesideTheProgramElseInTheInstalledDataFolder) {
  TempDir prefix;
  std::filesystem::create_directories(prefix / "bin");
  const std::u16string bin = FromFsPath(prefix / "bin") + u"/";
  EXPECT_EQ(ShaderFolderFor(bin), bin) << "found nowhere: the program's folder";
  const std::filesystem::path installed = prefix / "share" / "brivonel" / "shaders";
  std::filesystem::create_directories(installed);
  std::ofstream(installed / "vs_pos4norm3uv2.glsl") << "#version 330\n";
  EXPECT_EQ(ShaderFolderFor(bin), FromFsPath(installed) + u"/");
  std::ofstream(prefix / "bin" / "vs_pos4norm3uv2.glsl") << "#version 330\n";
  EXPECT_EQ(ShaderFolderFor(bin), bin) << "a build folder's copy comes first";
}

}  // namespace
}  // namespace brivonel::test
