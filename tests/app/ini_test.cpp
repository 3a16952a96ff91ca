// INI reading and editing, and the Linux profile store on real files.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

// A store that keeps what it tells the user instead of printing it.
class ListeningStore : public IniProfileStore {
 public:
  std::vector<std::string> said;

 protected:
  void Say(const std::string& line) override { said.push_back(line); }
};

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(IniProfileStoreTest, FilesTooLargeOrNotTextAreNotReadSaidOnceAndKeptAsBakAtTheNextSave) {
  const std::string settings = "[CharaModel]\nModel=/a.pmx\n";
  const std::string justFits = std::string(kMaxSettingsFileBytes - settings.size(), '\n') + settings;
  const struct {
    const char* name;
    std::string bytes;
    bool usable;
  } cases[] = {
      {"1 MiB of text", justFits, true},
      {"one byte more", "\n" + justFits, false},
      {"NUL bytes", settings + std::string(4, '\0'), false},
      {"UTF-16 of odd length", std::string("\xFF\xFE[\0C", 5), false},
      {"UTF-16 with a lone surrogate", std::string("\xFF\xFE[\0\x00\xD8]\0", 8), false},
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::ofstream(dir / "figure.ini", std::ios::binary) << c.bytes;
    const std::u16string ini = FromFsPath(dir / "figure.ini");
    ListeningStore store;
    for (int read = 0; read < 3; ++read) {
      EXPECT_EQ(store.Read(u"CharaModel", u"Model", u"default", ini),
                c.usable ? u"/a.pmx" : u"default")
          << c.name;
    }
    EXPECT_EQ(store.said.size(), c.usable ? 0u : 1u) << c.name;
    EXPECT_EQ(ReadFile(dir / "figure.ini"), c.bytes) << c.name << ": reading changes nothing";

    ASSERT_TRUE(store.Write(u"CharaModel", u"ModelSize", u"2", ini)) << c.name;
    if (c.usable) {
      EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"figure.ini"}) << c.name;
      EXPECT_EQ(ReadFile(dir / "figure.ini"), justFits + "ModelSize=2\n") << c.name;
    } else {
      EXPECT_EQ(ReadFile(dir / "figure.ini.bak"), c.bytes) << c.name;
      EXPECT_EQ(ReadFile(dir / "figure.ini"), "[CharaModel]\nModelSize=2\n") << c.name;
    }
  }
}

// text as UTF-16 with its byte-order mark, as Windows writes it.
std::string Utf16File(std::u16string_view text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

TEST(IniProfileStoreTest, Utf16FilesFromWindowsAreReadAndWrittenBackInTheirEncoding) {
  const std::u16string text = u"[CharaModel]\r\nModel=C:\\モデル\\ネル.pmx\r\n";
  for (const bool bigEndian : {false, true}) {
    TempDir dir;
    std::ofstream(dir / "figure.ini", std::ios::binary) << Utf16File(text, bigEndian);
    const std::u16string ini = FromFsPath(dir / "figure.ini");
    IniProfileStore store;
    EXPECT_EQ(store.Read(u"CharaModel", u"Model", u"", ini), u"C:\\モデル\\ネル.pmx");
    ASSERT_TRUE(store.Write(u"CharaModel", u"ModelSize", u"3", ini));
    EXPECT_EQ(ReadFile(dir / "figure.ini"), Utf16File(text + u"ModelSize=3\r\n", bigEndian))
        << (bigEndian ? "big-endian" : "little-endian");
  }
}

TEST(IniProfileStoreTest, AFileWithoutWritePermissionIsNotReplaced) {
  TempDir dir;
  const std::string original = "[CharaModel]\nModel=/mine.pmx\n";
  std::ofstream(dir / "figure.ini", std::ios::binary) << original;
  std::filesystem::permissions(dir / "figure.ini", std::filesystem::perms(0444));
  IniProfileStore store;
  EXPECT_FALSE(store.Write(u"CharaModel", u"Model", u"/other.pmx", FromFsPath(dir / "figure.ini")));
  EXPECT_EQ(ReadFile(dir / "figure.ini"), original);
  EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"figure.ini"});
}

TEST(IniProfileStoreTest, TemporaryFilesOfSavesThatDiedAreRemovedAtTheNextSave) {
  const pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ASSERT_GT(ended, 0);
  ::waitpid(ended, nullptr, 0);
  const std::string dead = std::to_string(ended);
  const std::string running = std::to_string(::getpid());
  TempDir dir;
  for (const std::string& name : {"figure.ini.tmp-" + dead + "-3", "figure.ini.tmp-" + running + "-9",
                                 "figure.ini.tmp-" + dead + "-x", "other.ini.tmp-" + dead + "-1"}) {
    std::ofstream(dir / name) << "[CharaModel]\nModel=/half";
  }
  IniProfileStore store;
  ASSERT_TRUE(store.Write(u"CharaModel", u"Model", u"/a.pmx", FromFsPath(dir / "figure.ini")));
  std::vector<std::string> kept = {"figure.ini", "figure.ini.tmp-" + dead + "-x",
                                   "figure.ini.tmp-" + running + "-9",
                                   "other.ini.tmp-" + dead + "-1"};
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(FilesIn(dir.path()), kept) << "only the saves of processes that ended are removed";
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
  {
    // One that cannot be made is still named, for the settings' message.
    std::ofstream(dir / "file") << "a file where a folder would go";
    const std::string blocked = (dir / "file" / "config").string();
    ScopedEnv xdg("XDG_CONFIG_HOME", blocked.c_str());
    EXPECT_EQ(folders.RoamingAppDataFolder(), Utf8ToUtf16(blocked));
  }
  EXPECT_EQ(MessageText(folders.NoAppDataFolderMessage()).find(u"AppData"), std::u16string::npos)
      << "Linux has no AppData folder to speak of";
  const std::u16string executable = folders.ExecutableFolder();
  ASSERT_FALSE(executable.empty());
  EXPECT_EQ(executable.back(), u'/');
  EXPECT_TRUE(std::filesystem::is_directory(ToFsPath(executable)));
}

}  // namespace
}  // namespace brivonel::test
