// The XDG autostart entry: how the program's path is written into Exec,
// when an entry counts as on, and the file written and removed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/linux/xdg_autostart.h"
#include "tests/support/temp_dir.h"

namespace brivonel::test {
namespace {

TEST(XdgAutostartTest, ExecQuotesAndEscapesAsTheDesktopEntryRulesSay) {
  const struct {
    const char* program;
    const char* exec;
  } cases[] = {
      {"/usr/bin/brivonel", R"("/usr/bin/brivonel")"},
      {"/home/u/My Apps/brivonel", R"("/home/u/My Apps/brivonel")"},
      {"/opt/a\"b`c$d/brivonel", R"("/opt/a\\"b\\`c\\$d/brivonel")"},
      {"/opt/back\\slash/brivonel", R"("/opt/back\\\\slash/brivonel")"},
      {"/opt/100%/brivonel", R"("/opt/100%%/brivonel")"},
      {"/home/ユーザー/brivonel", R"("/home/ユーザー/brivonel")"},
  };
  for (const auto& c : cases) EXPECT_EQ(DesktopEntryExec(c.program), c.exec) << c.program;
}

TEST(XdgAutostartTest, AnEntryIsOnUnlessItsMainGroupHidesIt) {
  const struct {
    const char* text;
    bool enabled;
  } cases[] = {
      {"[Desktop Entry]\nExec=brivonel\n", true},
      {"[Desktop Entry]\nHidden=true\n", false},
      {"[Desktop Entry]\r\nHidden = true\r\n", false},
      {"[Desktop Entry]\nHidden=false\n", true},
      {"[Desktop Entry]\n[Desktop Action x]\nHidden=true\n", true},
      {"", true},
  };
  for (const auto& c : cases) EXPECT_EQ(AutostartEntryEnabled(c.text), c.enabled) << c.text;
}

TEST(XdgAutostartTest, TheEntryIsWrittenWithTheFolderAndRemoved) {
  TempDir config;
  XdgAutostart autostart(config.path(), "/opt/brivonel/bin/brivonel");
  EXPECT_EQ(autostart.path(), config.path() / "autostart" / "brivonel.desktop");
  EXPECT_FALSE(autostart.Registered());
  ASSERT_TRUE(autostart.SetRegistered(true));
  EXPECT_TRUE(autostart.Registered());
  std::ifstream in(autostart.path());
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("\nExec=\"/opt/brivonel/bin/brivonel\"\n"), std::string::npos) << text;
  EXPECT_EQ(text.rfind("[Desktop Entry]\nType=Application\n", 0), 0u) << text;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(autostart.path().parent_path()),
                          std::filesystem::directory_iterator()),
            1)
      << "no temporary file left beside it";

  std::ofstream(autostart.path(), std::ios::app) << "Hidden=true\n";
  EXPECT_FALSE(autostart.Registered()) << "turned off by the desktop's own settings";
  ASSERT_TRUE(autostart.SetRegistered(true));
  EXPECT_TRUE(autostart.Registered());

  ASSERT_TRUE(autostart.SetRegistered(false));
  EXPECT_FALSE(std::filesystem::exists(autostart.path()));
  EXPECT_TRUE(autostart.SetRegistered(false)) << "removing what is not there is no failure";
}

TEST(XdgAutostartTest, AnAutostartFolderThatCannotBeMadeIsAFailure) {
  TempDir config;
  std::ofstream(config.path() / "autostart") << "a file where the folder goes";
  XdgAutostart autostart(config.path(), "/usr/bin/brivonel");
  EXPECT_FALSE(autostart.SetRegistered(true));
  EXPECT_FALSE(autostart.Registered());
}

}  // namespace
}  // namespace brivonel::test
