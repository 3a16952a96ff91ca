// Shift-JIS conversion, PMX texts and indices, the bounds-checked cursor and
// the path helpers.
#include <gtest/gtest.h>

#include <vector>

#include "formats/binary_cursor.h"
#include "formats/decoder.h"
#include "formats/path_helpers.h"
#include "formats/text_encoding.h"
#include "formats/writer/byte_writer.h"

namespace brivonel {
namespace {

std::u16string Sjis(std::string_view bytes, int* result = nullptr) {
  std::u16string out = u"unchanged";
  const int n = ShiftJisToWide(bytes, out);
  if (result != nullptr) *result = n;
  return out;
}

TEST(ShiftJisToWide, ConvertsJapaneseAndHalfWidthText) {
  int n = 0;
  EXPECT_EQ(Sjis("\x83\x5A\x83\x93\x83\x5E\x81\x5B", &n), u"センター");
  EXPECT_EQ(n, 4);
  EXPECT_EQ(Sjis("\x82\xD0\x82\xB4"), u"ひざ");
  EXPECT_EQ(Sjis("\x91\xAB\x8E\xF1"), u"足首");
  EXPECT_EQ(Sjis("a\xB1" "b"), u"a\uFF71b");  // half-width katakana
  EXPECT_EQ(Sjis("\\~"), u"\\~");            // ASCII stays ASCII
  EXPECT_EQ(Sjis("\x87\x40\xED\x40\xFA\x40\xF0\x40"), u"\u2460\u7E8A\u2170\uE000");
}

TEST(ShiftJisToWide, EmptyInputReturnsZeroAndLeavesOneNul) {
  int n = -1;
  const std::u16string out = Sjis("", &n);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(out, std::u16string(1, u'\0'));
  EXPECT_EQ(Sjis(std::string_view("\0abc", 4), &n), std::u16string(1, u'\0'));
  EXPECT_EQ(n, 0);
}

TEST(ShiftJisToWide, EndsAtTheFirstNul) {
  EXPECT_EQ(Sjis(std::string_view("ab\0cd", 5)), u"ab");
}

TEST(ShiftJisToWide, BytesOutsideGlibcMapAsWindowsDoes) {
  EXPECT_EQ(Sjis("\x80\xA0\xFD\xFE\xFF"), u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3");
}

TEST(ShiftJisToWide, InvalidSequencesGiveMiddleDot) {
  EXPECT_EQ(Sjis("\x85\x40"), u"\u30FB");         // a pair without a character
  EXPECT_EQ(Sjis("\x81\x20" "A"), u"\u30FB A");   // lead byte before a non-trail byte
  EXPECT_EQ(Sjis("A\x81"), u"A\u30FB");           // lead byte at the end
}

TEST(ShiftJisToWide, EveryCharacterOfTheTableRoundTripsThroughTheWriter) {
  int checked = 0;
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;  // not a trail byte
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string wide = Sjis(std::string_view(pair, 2));
      ASSERT_EQ(wide.size(), 1u);
      if (wide[0] == 0x30FB) continue;
      EXPECT_EQ(Sjis(writer::WideToShiftJis(wide)), wide) << std::hex << lead << " " << trail;
      ++checked;
    }
  }
  EXPECT_GT(checked, 9000);  // JIS X 0208, NEC and IBM extensions, user area
}

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

TEST(ReadText, Utf16EndsAtAnEmbeddedNulAndUtf8IsConvertedWhole) {
  writer::ByteWriter w;
  w.I32(8).U16('a').U16(0).U16('b').U16('c');
  w.PmxText(u"ひざ", 1);
  BinaryCursor c(w.bytes());
  std::u16string out;
  EXPECT_EQ(ReadText(c, kPmxUtf16, out), 1);
  EXPECT_EQ(out, u"a");
  EXPECT_EQ(ReadText(c, kPmxUtf8, out), 2);
  EXPECT_EQ(out, u"ひざ");
  EXPECT_TRUE(c.AtEnd());
}

TEST(ReadText, LengthZeroLeavesTheTextUnchanged) {
  const auto data = Bytes({0, 0, 0, 0});
  BinaryCursor c(data);
  std::u16string out = u"kept";
  EXPECT_EQ(ReadText(c, kPmxUtf16, out), 0);
  EXPECT_EQ(out, u"kept");
}

TEST(ReadText, OddUtf16LengthKeepsTheLastByteAsACharacter) {
  const auto data = Bytes({3, 0, 0, 0, 'x', 0, 'y'});
  BinaryCursor c(data);
  std::u16string out;
  EXPECT_EQ(ReadText(c, kPmxUtf16, out), 2);
  EXPECT_EQ(out, u"xy");
}

TEST(ReadText, NegativeLengthIsRefusedAndTooLongEndsEarly) {
  const auto negative = Bytes({0xFF, 0xFF, 0xFF, 0xFF});
  BinaryCursor c1(negative);
  std::u16string out;
  EXPECT_THROW(ReadText(c1, kPmxUtf8, out), FormatRefused);

  const auto tooLong = Bytes({0x00, 0x00, 0x00, 0x70, 'a'});
  BinaryCursor c2(tooLong);
  try {
    ReadText(c2, kPmxUtf8, out);
    FAIL() << "no exception";
  } catch (const FileEndsEarly& e) {
    EXPECT_EQ(e.offset(), 4u);
    EXPECT_STREQ(e.what(), "file ends early at byte 4");
    const std::ios_base::failure& asStreamFailure = e;
    (void)asStreamFailure;
  }
}

TEST(ReadIndex, WidensByKindAndSize) {
  const auto data = Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  BinaryCursor c(data);
  EXPECT_EQ(ReadIndex(c, 1, true), -1);
  EXPECT_EQ(ReadIndex(c, 1, false), 255);
  EXPECT_EQ(ReadIndex(c, 2, true), -1);
  EXPECT_EQ(ReadIndex(c, 2, false), 65535);
  EXPECT_EQ(ReadIndex(c, 4, false), -1);  // four bytes are always signed
  EXPECT_THROW(ReadIndex(c, 3, true), FormatRefused);
  EXPECT_THROW(ReadIndex(c, 4, true), FileEndsEarly);
}

TEST(BinaryCursor, RefusesListsTheRestOfTheFileCannotHold) {
  const std::vector<std::uint8_t> data(100, 0);
  BinaryCursor c(data);
  c.Skip(10);
  EXPECT_NO_THROW(c.RequireList(9, 10));
  EXPECT_THROW(c.RequireList(10, 10), FileEndsEarly);
  EXPECT_THROW(c.RequireList(0xFFFFFFFFu, 111), FileEndsEarly);
  EXPECT_THROW(c.Skip(91), FileEndsEarly);
  EXPECT_EQ(c.offset(), 10u);
}

TEST(PathHelpers, DirectoryOfPathKeepsDriveAndFolderWithSeparator) {
  std::u16string out = u"x";
  EXPECT_TRUE(DirectoryOfPath(u"C:\\models\\miku.pmx", out));
  EXPECT_EQ(out, u"C:\\models\\");
  DirectoryOfPath(u"/home/me/models/a.pmx", out);
  EXPECT_EQ(out, u"/home/me/models/");
  DirectoryOfPath(u"C:a.pmx", out);
  EXPECT_EQ(out, u"C:");
  DirectoryOfPath(u"a.pmx", out);
  EXPECT_EQ(out, u"");
}

TEST(PathHelpers, ExtensionOfTakesTheLastDot) {
  std::u16string out = u"unchanged";
  EXPECT_FALSE(ExtensionOf(u"readme", out));
  EXPECT_EQ(out, u"unchanged");
  EXPECT_TRUE(ExtensionOf(u"tex/a.b.PNG", out));
  EXPECT_EQ(out, u".PNG");
}

TEST(PathHelpers, ModuleDirectoryComesFromTheFront) {
  char16_t buffer[32];
  SetModulePathProvider(nullptr);
  EXPECT_FALSE(ModuleDirectory(buffer, 32));
  SetModulePathProvider([] { return std::u16string(u"/opt/brivonel/bin/brivonel"); });
  ASSERT_TRUE(ModuleDirectory(buffer, 32));
  EXPECT_EQ(std::u16string(buffer), u"/opt/brivonel/bin/");
  EXPECT_FALSE(ModuleDirectory(buffer, 18));  // no room for the NUL
  SetModulePathProvider(nullptr);
}

}  // namespace
}  // namespace brivonel
