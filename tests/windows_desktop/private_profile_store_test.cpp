// The settings file through the private-profile functions: Japanese paths
// must come back unchanged, which needs a file that starts as UTF-16.
#include "app/windows/desktop/private_profile_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/unicode.h"
#include "tests/support/temp_dir.h"
#include "tests/windows/windows_test_support.h"

namespace brivonel {
namespace {

using win32::PrivateProfileStore;

constexpr std::u16string_view kSection = u"CharaModel";
constexpr std::u16string_view kJapanesePath = u"C:\\Users\\ゆき\\モデル\\初音ミク Ver2.pmx";

std::u16string PathOf(const std::filesystem::path& path) { return FromFsPath(path); }

TEST(PrivateProfileStoreTest, NewFileStartsWithUtf16ByteOrderMarkAndKeepsJapanesePaths) {
  test::TempDir dir;
  const std::u16string file = PathOf(dir / "figure.ini");
  PrivateProfileStore store;

  ASSERT_TRUE(store.Write(kSection, u"Model", kJapanesePath, file));
  ASSERT_TRUE(store.Write(kSection, u"ModelSize", u"3", file));

  const std::vector<char> bytes = test::ReadBytes(dir / "figure.ini");
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xFE);
  // The rest is UTF-16LE text holding the path itself.
  std::u16string text((bytes.size() - 2) / 2, u'\0');
  std::memcpy(text.data(), bytes.data() + 2, text.size() * 2);
  EXPECT_NE(text.find(u"Model=" + std::u16string(kJapanesePath)), std::u16string::npos);

  EXPECT_EQ(store.Read(kSection, u"Model", u"", file), kJapanesePath);
  EXPECT_EQ(store.Read(kSection, u"ModelSize", u"", file), u"3");
  // A second store (the next run) reads the same.
  PrivateProfileStore nextRun;
  EXPECT_EQ(nextRun.Read(kSection, u"Model", u"", file), kJapanesePath);
}

TEST(PrivateProfileStoreTest, MissingFileSectionOrKeyGiveTheDefault) {
  test::TempDir dir;
  const std::u16string file = PathOf(dir / "figure.ini");
  PrivateProfileStore store;
  EXPECT_EQ(store.Read(kSection, u"Model", u"", file), u"");
  ASSERT_TRUE(store.Write(kSection, u"Motion", u"C:\\dance.vmd", file));
  EXPECT_EQ(store.Read(kSection, u"Model", u"none", file), u"none");
  EXPECT_EQ(store.Read(u"Other", u"Motion", u"none", file), u"none");
}

TEST(PrivateProfileStoreTest, AnExistingFileIsNeitherReplacedNorRewrittenAtCreation) {
  test::TempDir dir;
  const std::filesystem::path path = dir / "figure.ini";
  {
    std::ofstream out(path, std::ios::binary);
    out << "[CharaModel]\r\nModel=C:\\models\\a.pmx\r\n";
  }
  EXPECT_TRUE(win32::CreateUnicodeProfileFile(PathOf(path)));
  PrivateProfileStore store;
  EXPECT_EQ(store.Read(kSection, u"Model", u"", PathOf(path)), u"C:\\models\\a.pmx");
  ASSERT_TRUE(store.Write(kSection, u"ModelSize", u"2", PathOf(path)));
  EXPECT_EQ(store.Read(kSection, u"Model", u"", PathOf(path)), u"C:\\models\\a.pmx");
  EXPECT_EQ(store.Read(kSection, u"ModelSize", u"", PathOf(path)), u"2");
}

TEST(PrivateProfileStoreTest, ValuesLongerThanAClassicPathAreReadWhole) {
  test::TempDir dir;
  const std::u16string file = PathOf(dir / "figure.ini");
  PrivateProfileStore store;
  for (const std::size_t length : {259u, 260u, 1000u, 32767u}) {
    std::u16string path = u"C:\\";
    while (path.size() < length) path += u"長いフォルダ\\";
    path.resize(length);
    ASSERT_TRUE(store.Write(kSection, u"Model", path, file)) << length;
    EXPECT_EQ(store.Read(kSection, u"Model", u"", file), path) << length;
  }
}

TEST(PrivateProfileStoreTest, WritingIntoAMissingFolderFailsAndCreatesNothing) {
  test::TempDir dir;
  const std::filesystem::path path = dir / "missing" / "figure.ini";
  PrivateProfileStore store;
  EXPECT_FALSE(store.Write(kSection, u"ModelSize", u"1", PathOf(path)));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

}  // namespace
}  // namespace brivonel
