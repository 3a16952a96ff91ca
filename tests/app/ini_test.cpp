// INI reading and editing, and the Linux profile store on real files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/ini_text.h"
#include "app/linux/ini_profile_store.h"
#include "app/linux/linux_folders.h"
#include "base/unicode.h"
#include "tests/support/temp_dir.h"

namespace brivonel::test {
namespace {

TEST(IniTextTest, ReadsAsThePrivateProfileFunctionsDo) {
  const std::string text =
      "; comment Model=/no.pmx\n"
      "Model=/before/any/section.pmx\n"
      "[other]\nModel=/other.pmx\n"
      "  [ charamodel ]  \n"
      "  model  =  /first.pmx  \n"
      "Model=/second.pmx\n"
      "Motion=\"/quoted.vmd\"\n"
      "Size='3\"\n"
      "Bare line\n"
      "[CharaModel]\nModelSize=2\n";
  EXPECT_EQ(FindIniValue(text, "CharaModel", "Model"), "/first.pmx");
  EXPECT_EQ(FindIniValue(text, "CharaModel", "Motion"), "/quoted.vmd");
  EXPECT_EQ(FindIniValue(text, "CharaModel", "Size"), "'3\"");
  EXPECT_EQ(FindIniValue(text, "CharaModel", "Bare line"), std::nullopt);
  EXPECT_EQ(FindIniValue(text, "CharaModel", "ModelSize"), std::nullopt)
      << "only the first section of a name is read";
  EXPECT_EQ(FindIniValue(text, "Other", "model"), "/other.pmx");
  EXPECT_EQ(FindIniValue(text, "Missing", "Model"), std::nullopt);
  EXPECT_EQ(FindIniValue("\xEF\xBB\xBF[CharaModel]\r\nModel=/bom.pmx\r\n", "CharaModel", "Model"),
            "/bom.pmx");
}

TEST(IniTextTest, WritingChangesOnlyTheKeysLine) {
  const std::string text =
      "; my settings\r\n\r\n[Other]\r\nkey = value ; not a comment\r\n\r\n"
      "[CharaModel]\r\n  model = /old.pmx\r\nMotion=/a.vmd\r\n\r\n; trailing comment\r\n";
  const std::optional<std::string> updated = SetIniValue(text, "CharaModel", "Model", "/new.pmx");
  ASSERT_TRUE(updated);
  EXPECT_EQ(*updated,
            "; my settings\r\n\r\n[Other]\r\nkey = value ; not a comment\r\n\r\n"
            "[CharaModel]\r\n  model=/new.pmx\r\nMotion=/a.vmd\r\n\r\n; trailing comment\r\n");
}

TEST(IniTextTest, NewKeysFollowTheSectionsLastLineAndNewSectionsGoAtTheEnd) {
  const std::string text = "[CharaModel]\nModel=/a.pmx\n\n; about other\n[Other]\nx=1";
  EXPECT_EQ(SetIniValue(text, "charamodel", "ModelSize", "2"),
            "[CharaModel]\nModel=/a.pmx\nModelSize=2\n\n; about other\n[Other]\nx=1");
  EXPECT_EQ(SetIniValue(text, "Other", "y", "2"),
            "[CharaModel]\nModel=/a.pmx\n\n; about other\n[Other]\nx=1\ny=2\n");
  EXPECT_EQ(SetIniValue("", "CharaModel", "Model", "/a.pmx"), "[CharaModel]\nModel=/a.pmx\n");
  EXPECT_EQ(SetIniValue("a=1\r\n", "CharaModel", "Model", "/a.pmx"),
            "a=1\r\n[CharaModel]\r\nModel=/a.pmx\r\n");
  EXPECT_EQ(SetIniValue("[CharaModel]", "CharaModel", "Model", "/a.pmx"),
            "[CharaModel]\nModel=/a.pmx\n");
}

TEST(IniTextTest, ValuesThatReadingWouldChangeAreQuotedAndRoundTrip) {
  for (const std::string value : {" /lead.pmx", "/trail.pmx ", "\"q\"", "'/x'", "", "a=b;c",
                                  "\"half"}) {
    const std::optional<std::string> text = SetIniValue("", "S", "K", value);
    ASSERT_TRUE(text) << value;
    EXPECT_EQ(FindIniValue(*text, "S", "K"), value);
  }
}

TEST(IniTextTest, RefusesTextThatWouldBreakTheFilesLines) {
  EXPECT_FALSE(SetIniValue("", "CharaModel", "Model", "/a\nb.pmx"));
  EXPECT_FALSE(SetIniValue("", "CharaModel", "Model", "/a\rb.pmx"));
  EXPECT_FALSE(SetIniValue("", "CharaModel", "Model", std::string("/a\0b", 4)));
  EXPECT_FALSE(SetIniValue("", "Chara]Model", "Model", "x"));
  EXPECT_FALSE(SetIniValue("", "CharaModel", "Mo=del", "x"));
  EXPECT_FALSE(SetIniValue("", "", "Model", "x"));
  EXPECT_FALSE(SetIniValue("", "CharaModel", " ", "x"));
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(IniProfileStoreTest, JapaneseAndLongPathsRoundTripAsUtf8) {
  TempDir dir;
  const std::u16string ini = FromFsPath(dir / "figure.ini");
  IniProfileStore store;
  const std::u16string japanese = u"/home/ユーザー/モデル/初音ミク.pmx";
  std::u16string longPath = u"/";
  while (longPath.size() < 255) longPath += u"長いフォルダ/";
  longPath.resize(255);
  longPath += u".vmd";
  ASSERT_EQ(longPath.size(), 259u);
  EXPECT_EQ(store.Read(u"CharaModel", u"Model", u"default", ini), u"default");
  ASSERT_TRUE(store.Write(u"CharaModel", u"Model", japanese, ini));
  ASSERT_TRUE(store.Write(u"CharaModel", u"Motion", longPath, ini));
  EXPECT_EQ(store.Read(u"CharaModel", u"Model", u"", ini), japanese);
  EXPECT_EQ(store.Read(u"CharaModel", u"Motion", u"", ini), longPath);
  EXPECT_EQ(ReadFile(dir / "figure.ini"),
            "[CharaModel]\nModel=" + Utf16ToUtf8(japanese) + "\nMotion=" +
                Utf16ToUtf8(longPath) + "\n");
}

TEST(IniProfileStoreTest, KeepsEverythingElseInTheFileAndLeavesNoTemporaryFiles) {
  TempDir dir;
  const std::string original =
      "; written by hand\n[Window]\nx=10\n\n[CharaModel]\nModel=/a.pmx\n# note\n";
  std::ofstream(dir / "figure.ini", std::ios::binary) << original;
  std::filesystem::permissions(dir / "figure.ini", std::filesystem::perms(0640));
  IniProfileStore store;
  const std::u16string ini = FromFsPath(dir / "figure.ini");
  ASSERT_TRUE(store.Write(u"CharaModel", u"ModelSize", u"2", ini));
  EXPECT_EQ(ReadFile(dir / "figure.ini"),
            "; written by hand\n[Window]\nx=10\n\n[CharaModel]\nModel=/a.pmx\nModelSize=2\n"
            "# note\n");
  EXPECT_EQ(std::filesystem::status(dir / "figure.ini").permissions(),
            std::filesystem::perms(0640));
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST(IniProfileStoreTest, WritesThroughASymbolicLinkKeepTheLink) {
  TempDir dir;
  std::filesystem::create_directory(dir / "real");
  std::ofstream(dir / "real" / "figure.ini", std::ios::binary) << "[CharaModel]\nModel=/a.pmx\n";
  std::filesystem::create_symlink(dir / "real" / "figure.ini", dir / "figure.ini");
  IniProfileStore store;
  ASSERT_TRUE(store.Write(u"CharaModel", u"Model", u"/b.pmx", FromFsPath(dir / "figure.ini")));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "figure.ini"));
  EXPECT_EQ(ReadFile(dir / "real" / "figure.ini"), "[CharaModel]\nModel=/b.pmx\n");
}

// A store whose writes stop half way, as on a full disk.
class HalfWritingStore : public IniProfileStore {
 protected:
  bool WriteBytes(int fd, std::string_view bytes) override {
    IniProfileStore::WriteBytes(fd, bytes.substr(0, bytes.size() / 2));
    return false;
  }
};

TEST(IniProfileStoreTest, WriteFailingHalfWayLeavesTheOldFileIntact) {
  TempDir dir;
  const std::string original = "[CharaModel]\nModel=/keep/this.pmx\nMotion=/keep/this.vmd\n";
  std::ofstream(dir / "figure.ini", std::ios::binary) << original;
  HalfWritingStore store;
  const std::u16string ini = FromFsPath(dir / "figure.ini");
  EXPECT_FALSE(store.Write(u"CharaModel", u"Model", std::u16string(200, u'x'), ini));
  EXPECT_EQ(ReadFile(dir / "figure.ini"), original);
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    ++files;
  }
  EXPECT_EQ(files, 1) << "the temporary file is removed";
}

TEST(IniProfileStoreTest, UnusableFilesAreNotReplaced) {
  TempDir dir;
  IniProfileStore store;
  std::filesystem::create_directory(dir / "figure.ini");
  EXPECT_FALSE(store.Write(u"CharaModel", u"Model", u"/a.pmx",
                           FromFsPath(dir / "figure.ini")));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "figure.ini"));
  EXPECT_FALSE(store.Write(u"CharaModel", u"Model", u"/a.pmx",
                           FromFsPath(dir / "no-such-folder" / "figure.ini")));
  EXPECT_FALSE(store.Write(u"CharaModel", u"Model", u"/line\nbreak.pmx",
                           FromFsPath(dir / "new.ini")));
  EXPECT_FALSE(std::filesystem::exists(dir / "new.ini"));
}

// Sets an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(LinuxFoldersTest, ConfigFolderComesFromXdgConfigHomeElseHome) {
  TempDir dir;
  LinuxFolders folders;
  {
    const std::string config = (dir / "config").string();
    ScopedEnv xdg("XDG_CONFIG_HOME", config.c_str());
    EXPECT_EQ(folders.RoamingAppDataFolder(), Utf8ToUtf16(config));
    EXPECT_TRUE(std::filesystem::is_directory(config)) << "created when missing";
  }
  {
    const std::string home = (dir / "home").string();
    ScopedEnv xdg("XDG_CONFIG_HOME", "relative/ignored");
    ScopedEnv homeEnv("HOME", home.c_str());
    EXPECT_EQ(folders.RoamingAppDataFolder(), Utf8ToUtf16(home + "/.config"));
  }
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "");
    ScopedEnv homeEnv("HOME", (dir.path().string() + "/h/").c_str());
    EXPECT_EQ(folders.RoamingAppDataFolder(), Utf8ToUtf16(dir.path().string() + "/h/.config"));
  }
  const std::u16string executable = folders.ExecutableFolder();
  ASSERT_FALSE(executable.empty());
  EXPECT_EQ(executable.back(), u'/');
  EXPECT_TRUE(std::filesystem::is_directory(ToFsPath(executable)));
}

}  // namespace
}  // namespace brivonel::test
