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

// Conversions into a buffer of `room` units: the count returned, whether it was
// cut, what was written and that nothing was written past it ('#' stays).
TEST_F(CodePageTest, ConversionsStayWithinTheBufferAndKeepCharactersWhole) {
  const char* utf8 = "a\xC3\xA9\xE6\x97\xA5";  // a, e-acute, U+65E5: 1 + 2 + 3 bytes
  const char* sjis = "A\x93\xFA\x96\x7B";      // A, U+65E5, U+672C
  struct ToWide {
    const char* page;
    const char* text;
    int length, room, count;
    bool cut;
    std::u16string written;  // then '#', unless terminated
  } to_wide[] = {
      {"UTF-8", utf8, 6, 3, 3, false, u"a\u00E9\u65E5#"},  // exact fit
      {"UTF-8", utf8, 6, 2, 2, true, u"a\u00E9#"},         // one too small
      {"UTF-8", utf8, -1, 4, 4, false, std::u16string(u"a\u00E9\u65E5\0", 4)},
      {"UTF-8", utf8, -1, 3, 3, true, std::u16string(u"a\u00E9\0", 3)},  // one unit for the NUL
      {"UTF-8", utf8, -1, 1, 1, true, std::u16string(1, u'\0')},
      {"UTF-8", "a\xF0\x9F\x98\x80", 5, 2, 1, true, u"a#"},  // a surrogate pair is never split
      {"UTF-8", "a\0b", 3, 8, 3, false, std::u16string(u"a\0b", 3)},  // an embedded NUL converts
      {"CP932", sjis, 5, 8, 3, false, u"A\u65E5\u672C"},
  };
  for (const auto& row : to_wide) {
    use(row.page);
    char16_t out[8];
    std::fill(out, out + 8, u'#');
    bool cut = !row.cut;
    EXPECT_EQ(code_page_to_utf16(row.text, row.length, out, row.room, &cut), row.count) << row.room;
    EXPECT_EQ(cut, row.cut) << row.text << " into " << row.room;
    EXPECT_EQ(std::u16string(out, row.written.size()), row.written) << row.room;
  }
  struct ToBytes {
    const char* page;
    std::u16string text;
    int length, room, count;
    bool cut;
    std::string written;
  } to_bytes[] = {
      {"UTF-8", u"a\u00E9\u65E5", 3, 6, 6, false, std::string(utf8) + "#"},
      {"UTF-8", u"a\u00E9\u65E5", 3, 5, 3, true, "a\xC3\xA9#"},  // the 3-byte character stays out
      {"UTF-8", u"a\u00E9\u65E5", -1, 6, 4, true, std::string("a\xC3\xA9\0#", 5)},  // NUL needs 7
      {"UTF-8", u"a\u00E9\u65E5", -1, 7, 7, false, std::string(utf8, 7)},
      {"CP932", u"A\u65E5\u672C", 3, 5, 5, false, std::string(sjis) + "#"},  // exact fit
      {"CP932", u"A\u65E5\u672C", 3, 4, 3, true, "A\x93\xFA#"},              // one too small
      {"CP932", u"A\u65E5", -1, 3, 2, true, std::string("A\0#", 3)},  // no room for both bytes
  };
  for (const auto& row : to_bytes) {
    use(row.page);
    char out[10];
    std::fill(out, out + 10, '#');
    bool cut = !row.cut;
    EXPECT_EQ(utf16_to_code_page(row.text.c_str(), row.length, out, row.room, &cut), row.count)
        << row.page << " into " << row.room;
    EXPECT_EQ(cut, row.cut) << row.page << " into " << row.room;
    EXPECT_EQ(std::string(out, row.written.size()), row.written) << row.page << " " << row.room;
  }
  use("UTF-8");
  EXPECT_EQ(code_page_to_utf16(utf8, 6, nullptr, 0), 3);  // sizes only
  EXPECT_EQ(code_page_to_utf16(utf8, -1, nullptr, 0), 4);
  EXPECT_EQ(utf16_to_code_page(u"a\u00E9\u65E5", 3, nullptr, 0), 6);
  EXPECT_EQ(to_utf16("\xF0\x9F\x98\x80"), u"\xD83D\xDE00");
  EXPECT_EQ(from_utf16(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
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
  for (int i = 0; i < 254; i += 2) ASSERT_EQ(std::string(buffer + i, 2), "\x93\xFA") << i;
}

TEST_F(CodePageTest, DecodingGoodAndBadBytes) {
  struct Row {
    const char* page;
    std::string bytes;
    std::u16string text;
  } rows[] = {
      {"UTF-8",
       "a\x80"
       "b",
       u"a\uFFFDb"},
      {"UTF-8", "\xE6\x97", u"\uFFFD"},  // cut short: one replacement
      {"UTF-8",
       "\xE6\x97"
       "A",
       u"\uFFFDA"},
      {"UTF-8", "\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong '/'
      {"UTF-8", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
      {"UTF-8", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"UTF-8", "\xFF", u"\uFFFD"},
      {"CP932", "\x95\x5C", u"\u8868"},  // trail byte 0x5C is not a backslash
      {"CP932", "\xB1", u"\uFF71"},      // half-width katakana: one byte
      {"CP932", "A\x93", u"A\uFFFD"},    // lead byte at the end
      {"CP932", "\x93 B", u"\uFFFD B"},  // lead byte before a non-trail byte
      {"CP932",
       "\x85\x40"
       "A",
       u"\uFFFDA"},  // well formed but unassigned
      {"CP932", "\x80\xFF", u"\uFFFD\uFFFD"},
      {"EUC-JP", "A\xC6\xFC", u"A\u65E5"},
      {"EUC-JP", "\xC6", u"\uFFFD"},
  };
  for (const auto& row : rows) {
    use(row.page);
    EXPECT_EQ(to_utf16(row.bytes.c_str()), row.text) << row.page << " " << row.bytes;
  }
}

TEST_F(CodePageTest, EncodingLoneSurrogatesAndMissingCharacters) {
  struct Row {
    const char* page;
    std::u16string text;
    std::string bytes;
  } rows[] = {
      {"UTF-8", u"\xD800x", "\xEF\xBF\xBDx"},
      {"UTF-8", u"x\xDC00", "x\xEF\xBF\xBD"},
      {"UTF-8", u"\xDC00\xD800", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // reversed pair
      {"CP932", u"\xD800x", "?x"},
      {"CP932", u"\xD83D\xDE00", "?"},  // a character CP932 does not have
      {"EUC-JP", u"\u65E5", "\xC6\xFC"},
  };
  for (const auto& row : rows) {
    use(row.page);
    EXPECT_EQ(from_utf16(row.text.c_str()), row.bytes) << row.page << " " << row.bytes;
  }
}

TEST_F(CodePageTest, CharacterSplitting) {
  struct Length {
    const char* page;
    const char* bytes;
    int size, length;
  } lengths[] = {
      {"UTF-8", "\xE6\x97\xA5\xE6\x9C\xAC", 6, 3},
      {"UTF-8", "\xF0\x9F\x98\x80", 4, 4},
      {"UTF-8", "\xF0\x9F\x98\x80", 3, 3},  // cut short: one bad character
      {"UTF-8", "\x80", 1, 1},
      {"UTF-8", "a", 1, 1},
      {"UTF-8", "a", 0, 0},
      {"CP932", "\x93\xFA", 2, 2},
      {"CP932", "\xE0\x40", 2, 2},
      {"CP932", "\xFC\xFC", 2, 2},
      {"CP932", "\xA0\x40", 2, 1},  // 0xA0..0xDF are single bytes
      {"CP932", "\xB1\xB1", 2, 1},
      {"CP932", "\x93", 1, 1},      // lead byte without its trail
      {"CP932", "\x93\x20", 2, 1},  // 0x20 is no trail byte
      {"CP932", "\x95\x5C", 2, 2},
      {"EUC-JP", "\xC6\xFC", 2, 2},
      {"EUC-JP", "\xC6", 1, 1},
  };
  for (const auto& row : lengths) {
    use(row.page);
    EXPECT_EQ(code_page_char_length(row.bytes, row.size), row.length)
        << row.page << " " << row.bytes << " of " << row.size;
  }
  struct Fit {
    const char* page;
    const char* text;
    int size, room, fits;
  } fits[] = {
      {"UTF-8", "a\xE6\x97\xA5\xE6\x9C\xAC", 7, 7, 7},
      {"UTF-8", "a\xE6\x97\xA5\xE6\x9C\xAC", 7, 6, 4},
      {"UTF-8", "a\xE6\x97\xA5\xE6\x9C\xAC", 7, 3, 1},
      {"UTF-8", "a\xE6\x97\xA5\xE6\x9C\xAC", 7, 0, 0},
      {"CP932", "A\x93\xFA\x96\x7B", 5, 4, 3},
      {"CP932", "A\x93\xFA\x96\x7B", 5, 2, 1},
      {"CP932", "A\x93\xFA\x96\x7B", 5, 5, 5},
  };
  for (const auto& row : fits) {
    use(row.page);
    EXPECT_EQ(code_page_fit(row.text, row.size, row.room), row.fits) << row.page << " " << row.room;
  }
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
