// The multi-select dialog's buffer read back into full paths.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/windows/desktop/open_file_dialog.h"

namespace brivonel::win32 {
namespace {

TEST(OpenFileDialogTest, SelectedFilesJoinTheFolderAndEachName) {
  using namespace std::string_literals;
  const struct {
    const char* name;
    std::u16string buffer;
    std::vector<std::u16string> files;
  } cases[] = {
      {"one file: its full path", u"C:\\dances\\a.vmd\0\0"s, {u"C:\\dances\\a.vmd"}},
      {"several", u"C:\\dances\0a.vmd\0b b.vmd\0\0"s,
       {u"C:\\dances\\a.vmd", u"C:\\dances\\b b.vmd"}},
      {"several at a drive's root", u"D:\\\0a.vmd\0b.vmd\0\0"s, {u"D:\\a.vmd", u"D:\\b.vmd"}},
      {"Japanese names", u"C:\\ダンス\0踊り.vmd\0歩き.vmd\0\0"s,
       {u"C:\\ダンス\\踊り.vmd", u"C:\\ダンス\\歩き.vmd"}},
      {"the rest of a long buffer ignored", u"C:\\d\0a.vmd\0\0stale.vmd\0\0\0\0"s, {u"C:\\d\\a.vmd"}},
      {"a list cut at the buffer's end", u"C:\\d\0a.vmd\0b.vm"s, {u"C:\\d\\a.vmd", u"C:\\d\\b.vm"}},
      {"empty", u"\0\0"s, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SelectedFiles(c.buffer), c.files) << c.name;
}

}  // namespace
}  // namespace brivonel::win32
