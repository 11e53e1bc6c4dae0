// Code page conversion: buffer limits, character boundaries, bad input, in
// UTF-8, Shift-JIS (CP932) and a code page handled through iconv alone.
#include "platform/text/codepage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace platform {
namespace {

class CodePageTest : public ::testing::Test {
 protected:
  void TearDown() override { set_code_page_for_tests(nullptr); }
  void use(const char* name) { ASSERT_TRUE(set_code_page_for_tests(name)) << name; }
};

TEST_F(CodePageTest, PlainCLocaleIsUtf8AndUnknownNamesAreRefused) {
  // The test program never calls setlocale, so it runs in the C locale.
  EXPECT_EQ(code_page_name(), "UTF-8");
  EXPECT_FALSE(set_code_page_for_tests("NO-SUCH-CHARSET"));
  EXPECT_EQ(code_page_name(), "UTF-8");
  use("CP932");
  EXPECT_EQ(code_page_name(), "CP932");
}

TEST_F(CodePageTest, Utf8ToUtf16WithinTheBuffer) {
  use("UTF-8");
  const char* text = "a\xC3\xA9\xE6\x97\xA5";  // a, e-acute, U+65E5
  char16_t out[8];
  EXPECT_EQ(code_page_to_utf16(text, 6, nullptr, 0), 3);
  EXPECT_EQ(code_page_to_utf16(text, -1, nullptr, 0), 4);

  bool cut = true;
  std::fill(out, out + 8, u'#');
  EXPECT_EQ(code_page_to_utf16(text, 6, out, 3, &cut), 3);  // exact fit
  EXPECT_FALSE(cut);
  EXPECT_EQ(std::u16string(out, 3), u"a\u00E9\u65E5");
  EXPECT_EQ(out[3], u'#');

  std::fill(out, out + 8, u'#');
  EXPECT_EQ(code_page_to_utf16(text, 6, out, 2, &cut), 2);  // one too small
  EXPECT_TRUE(cut);
  EXPECT_EQ(std::u16string(out, 2), u"a\u00E9");
  EXPECT_EQ(out[2], u'#');

  // Terminated: one unit stays for the NUL.
  std::fill(out, out + 8, u'#');
  EXPECT_EQ(code_page_to_utf16(text, -1, out, 4, &cut), 4);
  EXPECT_FALSE(cut);
  EXPECT_EQ(out[3], u'\0');
  EXPECT_EQ(code_page_to_utf16(text, -1, out, 3, &cut), 3);
  EXPECT_TRUE(cut);
  EXPECT_EQ(std::u16string(out), u"a\u00E9");
  EXPECT_EQ(code_page_to_utf16(text, -1, out, 1, &cut), 1);
  EXPECT_EQ(out[0], u'\0');

  // A surrogate pair is never split.
  std::fill(out, out + 8, u'#');
  EXPECT_EQ(code_page_to_utf16("a\xF0\x9F\x98\x80", 5, out, 2, &cut), 1);
  EXPECT_TRUE(cut);
  EXPECT_EQ(out[1], u'#');
  EXPECT_EQ(to_utf16("\xF0\x9F\x98\x80"), u"\xD83D\xDE00");

  // An embedded NUL converts like any character when the length is given.
  EXPECT_EQ(code_page_to_utf16("a\0b", 3, out, 8), 3);
  EXPECT_EQ(out[1], u'\0');
  EXPECT_EQ(out[2], u'b');
}

TEST_F(CodePageTest, Utf16ToUtf8WithinTheBuffer) {
  use("UTF-8");
  const char16_t* text = u"a\u00E9\u65E5";  // 1 + 2 + 3 bytes
  char out[10];
  bool cut = true;
  EXPECT_EQ(utf16_to_code_page(text, 3, nullptr, 0), 6);
  std::fill(out, out + 10, '#');
  EXPECT_EQ(utf16_to_code_page(text, 3, out, 6, &cut), 6);
  EXPECT_FALSE(cut);
  EXPECT_EQ(std::string(out, 6), "a\xC3\xA9\xE6\x97\xA5");
  EXPECT_EQ(out[6], '#');

  std::fill(out, out + 10, '#');
  EXPECT_EQ(utf16_to_code_page(text, 3, out, 5, &cut), 3);  // the 3-byte character stays out
  EXPECT_TRUE(cut);
  EXPECT_EQ(std::string(out, 3), "a\xC3\xA9");
  EXPECT_EQ(out[3], '#');

  std::fill(out, out + 10, '#');
  EXPECT_EQ(utf16_to_code_page(text, -1, out, 6, &cut), 4);  // 6 bytes + NUL would need 7
  EXPECT_TRUE(cut);
  EXPECT_EQ(std::string(out), "a\xC3\xA9");
  EXPECT_EQ(out[4], '#');
  EXPECT_EQ(utf16_to_code_page(text, -1, out, 7, &cut), 7);
  EXPECT_FALSE(cut);
  EXPECT_EQ(from_utf16(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
}

TEST_F(CodePageTest, BadUtf8BecomesReplacementCharacters) {
  use("UTF-8");
  EXPECT_EQ(to_utf16("a\x80"
                     "b"),
            u"a\uFFFD"
            "b");
  EXPECT_EQ(to_utf16("\xE6\x97"), u"\uFFFD");  // cut short: one replacement
  EXPECT_EQ(to_utf16("\xE6\x97"
                     "A"),
            u"\uFFFD"
            "A");
  EXPECT_EQ(to_utf16("\xC0\xAF"), u"\uFFFD\uFFFD");                      // overlong '/'
  EXPECT_EQ(to_utf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");            // encoded surrogate
  EXPECT_EQ(to_utf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // above U+10FFFF
  EXPECT_EQ(to_utf16("\xFF"), u"\uFFFD");
}

TEST_F(CodePageTest, LoneSurrogatesBecomeReplacementOrQuestionMark) {
  use("UTF-8");
  EXPECT_EQ(from_utf16(u"\xD800x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(from_utf16(u"x\xDC00"), "x\xEF\xBF\xBD");
  EXPECT_EQ(from_utf16(u"\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD");  // reversed pair
  use("CP932");
  EXPECT_EQ(from_utf16(u"\xD800x"), "?x");
  EXPECT_EQ(from_utf16(u"\xD83D\xDE00"), "?");  // a character CP932 does not have
}

TEST_F(CodePageTest, Utf8CharacterSplitting) {
  use("UTF-8");
  EXPECT_EQ(code_page_char_length("\xE6\x97\xA5\xE6\x9C\xAC", 6), 3);
  EXPECT_EQ(code_page_char_length("\xF0\x9F\x98\x80", 4), 4);
  EXPECT_EQ(code_page_char_length("\xF0\x9F\x98\x80", 3), 3);  // cut short: one bad character
  EXPECT_EQ(code_page_char_length("\x80", 1), 1);
  EXPECT_EQ(code_page_char_length("a", 1), 1);
  EXPECT_EQ(code_page_char_length("a", 0), 0);
  const char* text = "a\xE6\x97\xA5\xE6\x9C\xAC";  // 1 + 3 + 3 bytes
  EXPECT_EQ(code_page_fit(text, 7, 7), 7);
  EXPECT_EQ(code_page_fit(text, 7, 6), 4);
  EXPECT_EQ(code_page_fit(text, 7, 3), 1);
  EXPECT_EQ(code_page_fit(text, 7, 0), 0);
}

TEST_F(CodePageTest, ShiftJisConversionKeepsTwoByteCharactersWhole) {
  use("CP932");
  const char* text = "A\x93\xFA\x96\x7B";  // A, U+65E5, U+672C
  char16_t wide[8];
  bool cut = true;
  EXPECT_EQ(code_page_to_utf16(text, 5, wide, 8, &cut), 3);
  EXPECT_FALSE(cut);
  EXPECT_EQ(std::u16string(wide, 3), u"A\u65E5\u672C");
  EXPECT_EQ(to_utf16("\x95\x5C"), u"\u8868");  // trail byte 0x5C is not a backslash
  EXPECT_EQ(to_utf16("\xB1"), u"\uFF71");      // half-width katakana: one byte

  char out[8];
  std::fill(out, out + 8, '#');
  EXPECT_EQ(utf16_to_code_page(u"A\u65E5\u672C", 3, out, 5, &cut), 5);  // exact fit
  EXPECT_FALSE(cut);
  EXPECT_EQ(std::string(out, 5), text);
  std::fill(out, out + 8, '#');
  EXPECT_EQ(utf16_to_code_page(u"A\u65E5\u672C", 3, out, 4, &cut), 3);  // one too small
  EXPECT_TRUE(cut);
  EXPECT_EQ(std::string(out, 3), "A\x93\xFA");
  EXPECT_EQ(out[3], '#');
  std::fill(out, out + 8, '#');
  EXPECT_EQ(utf16_to_code_page(u"A\u65E5", -1, out, 3, &cut), 2);  // no room for both bytes
  EXPECT_TRUE(cut);
  EXPECT_EQ(std::string(out), "A");
  EXPECT_EQ(out[2], '#');
}

TEST_F(CodePageTest, ShiftJisLineIntoTheInputBuffer) {
  use("CP932");
  // 255 typed double-byte characters into a 256-byte buffer: 127 whole
  // characters and the terminator.
  const std::u16string line(255, u'\u65E5');
  char buffer[256];
  bool cut = false;
  EXPECT_EQ(utf16_to_code_page(line.c_str(), -1, buffer, 256, &cut), 255);
  EXPECT_TRUE(cut);
  EXPECT_EQ(buffer[254], '\0');
  for (int i = 0; i < 254; i += 2) {
    ASSERT_EQ(std::string(buffer + i, 2), "\x93\xFA") << i;
  }
}

TEST_F(CodePageTest, BadShiftJisBecomesReplacementCharacters) {
  use("CP932");
  EXPECT_EQ(to_utf16("A\x93"), u"A\uFFFD");    // lead byte at the end
  EXPECT_EQ(to_utf16("\x93 B"), u"\uFFFD B");  // lead byte before a non-trail byte
  EXPECT_EQ(to_utf16("\x85\x40"
                     "A"),
            u"\uFFFD"
            "A");  // well formed but unassigned
  EXPECT_EQ(to_utf16("\x80\xFF"), u"\uFFFD\uFFFD");
}

TEST_F(CodePageTest, ShiftJisCharacterSplitting) {
  use("CP932");
  EXPECT_EQ(code_page_char_length("\x93\xFA", 2), 2);
  EXPECT_EQ(code_page_char_length("\xE0\x40", 2), 2);
  EXPECT_EQ(code_page_char_length("\xFC\xFC", 2), 2);
  EXPECT_EQ(code_page_char_length("\xA0\x40", 2), 1);  // 0xA0..0xDF are single bytes
  EXPECT_EQ(code_page_char_length("\xB1\xB1", 2), 1);
  EXPECT_EQ(code_page_char_length("\x93", 1), 1);      // lead byte without its trail
  EXPECT_EQ(code_page_char_length("\x93\x20", 2), 1);  // 0x20 is no trail byte
  EXPECT_EQ(code_page_char_length("\x95\x5C", 2), 2);
  const char* text = "A\x93\xFA\x96\x7B";
  EXPECT_EQ(code_page_fit(text, 5, 4), 3);
  EXPECT_EQ(code_page_fit(text, 5, 2), 1);
  EXPECT_EQ(code_page_fit(text, 5, 5), 5);
}

TEST_F(CodePageTest, OtherCodePagesSplitThroughIconv) {
  use("EUC-JP");
  EXPECT_EQ(to_utf16("A\xC6\xFC"), u"A\u65E5");
  EXPECT_EQ(code_page_char_length("\xC6\xFC", 2), 2);
  EXPECT_EQ(code_page_char_length("\xC6", 1), 1);
  EXPECT_EQ(to_utf16("\xC6"), u"\uFFFD");
  EXPECT_EQ(from_utf16(u"\u65E5"), "\xC6\xFC");
}

TEST_F(CodePageTest, BadArgumentsGiveZero) {
  char16_t wide[4];
  char out[4];
  EXPECT_EQ(code_page_to_utf16(nullptr, 3, wide, 4), 0);
  EXPECT_EQ(code_page_to_utf16("abc", 3, wide, -1), 0);
  EXPECT_EQ(code_page_to_utf16("abc", 3, nullptr, 4), 0);
  EXPECT_EQ(utf16_to_code_page(nullptr, 3, out, 4), 0);
  EXPECT_EQ(utf16_to_code_page(u"abc", 3, nullptr, 4), 0);
  EXPECT_EQ(code_page_char_length(nullptr, 3), 0);
  EXPECT_EQ(utf16_length(u"abc"), 3);
  EXPECT_EQ(utf16_length(nullptr), 0);
}

}  // namespace
}  // namespace platform
