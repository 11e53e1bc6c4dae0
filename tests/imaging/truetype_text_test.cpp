// TrueType text on images of a running framework: the start-up font, the
// control codes, double-byte characters, clipping and the cursor. What is
// drawn is compared pixel by pixel with the same characters drawn straight
// through the platform in the font each code should have made.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "imaging/text.h"
#include "platform/bitmap.h"
#include "platform/draw/dc.h"
#include "platform/draw/font.h"
#include "platform/text/codepage.h"
#include "tests/framework/test_program.h"

namespace {

using test_program::on_worker;

constexpr int kWidth = 64, kHeight = 40;

platform::LogFont start_up_font() {
  platform::LogFont lf;
  lf.height = 16;
  lf.width = 8;
  lf.out_precision = platform::kOutPrecisionTrueTypeOnly;
  lf.face_name = u"ＭＳ ゴシック";
  return lf;
}

std::vector<int> image_pixels() {
  std::vector<int> p;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) p.push_back(ORV_GetPixel(x, y));
  return p;
}

// One character drawn straight through the platform: its font, and its
// cell's top-left corner.
struct Piece {
  platform::LogFont font;
  std::u16string character;
  int x, top;
};

// The pieces drawn in `colour` on a black bitmap like image 1 (8-bit: grey palette).
std::vector<int> reference(int bits, int colour, const std::vector<Piece>& pieces) {
  std::unique_ptr<platform::Bitmap> bitmap = platform::create_bitmap(kWidth, kHeight, bits);
  for (int i = 0; i < 256; ++i) {
    auto v = std::uint8_t(i);
    bitmap->palette[std::size_t(i)] = {v, v, v, 0};
  }
  platform::Dc dc = platform::create_memory_dc();
  platform::select_bitmap(dc, bitmap.get());
  platform::set_text_color(dc, std::uint32_t(colour));
  platform::set_background_mode(dc, platform::kBackgroundTransparent);
  for (const Piece& piece : pieces) {
    platform::Font font = platform::create_font(piece.font);
    EXPECT_TRUE(font);
    platform::Font old = platform::select_font(dc, font);
    platform::text_out(dc, piece.x, piece.top, piece.character);
    platform::select_font(dc, old);
    platform::delete_font(font);
  }
  platform::select_bitmap(dc, nullptr);
  platform::delete_dc(dc);
  std::vector<int> p;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      p.push_back(bits == 32 ? int(bitmap->row32(y)[x]) : bitmap->row8(y)[x]);
  return p;
}

int cursor_x() {
  int x = 0;
  ORV_GetImageTextCursor(&x, nullptr, nullptr);
  return x;
}
int cursor_y() {
  int y = 0;
  ORV_GetImageTextCursor(nullptr, &y, nullptr);
  return y;
}

// What ORV_Ready saw of the start-up step.
struct SeenAtReady {
  bool font = false;
  platform::LogFont record;
  int tttc = 0, tc = -1, x = -1, y = -1, width = 0, height = 0;
} g_seen;

class TrueTypeTextTest : public ::testing::Test {
 protected:
  test_program::Serving framework{[] {
    g_seen.font = bool(orv::truetype_font());
    g_seen.record = orv::truetype_font_record();
    g_seen.tttc = orv_tttc;
    g_seen.tc = orv_tc;
    ORV_GetImageTextCursor(&g_seen.x, &g_seen.y, nullptr);
    g_seen.width = orv::truetype_font_width();
    g_seen.height = orv::truetype_font_height();
  }};
  void make(int bits) {
    on_worker([=] {
      ORV_DestroyImage(1);
      int status = bits == 32 ? ORV_CreateImageFL(1, "tt", 0, 0, kWidth, kHeight, 100)
                              : ORV_CreateImage8FL(1, "tt", 0, 0, kWidth, kHeight, 100);
      ASSERT_EQ(status, 0);
    });
  }
  bool exited = false;
  void TearDown() override {
    if (exited) return;
    on_worker([] {
      ORV_DestroyImage(1);
      ORV_SetImageTextCursor(0, 0, 0);
      orv_tttc = 0xFFFFFF;
      ORV_TrueTypeSize(16, 16);
      orv::replace_truetype_font(start_up_font());
      platform::set_code_page_for_tests(nullptr);
    });
  }
};

TEST_F(TrueTypeTextTest, TheFontIsReadyBeforeTheUserProgramStarts) {
  EXPECT_TRUE(g_seen.font);
  EXPECT_EQ(g_seen.record, start_up_font());
  EXPECT_EQ(g_seen.tttc, 0xFFFFFF);
  EXPECT_EQ(g_seen.tc, 0);
  EXPECT_EQ(g_seen.x, 0);
  EXPECT_EQ(g_seen.y, 0);
  EXPECT_EQ(g_seen.width, 8);
  EXPECT_EQ(g_seen.height, 16);
}

TEST_F(TrueTypeTextTest, TheFontIsDeletedWhenTheProgramEnds) {
  platform::Font font;
  on_worker([&] { font = orv::truetype_font(); });
  ASSERT_TRUE(font);
  framework.run.press(orv::kCommandStop);
  exited = true;
  EXPECT_EQ(framework.run.exit(), 0);
  platform::LogFont record;
  EXPECT_FALSE(platform::get_font_record(font, &record));
}

// The cell of a character ends on the cursor row; the white of orv_tttc on
// black blends into greys; the fixed-pitch face advances 8 per half-width
// character.
TEST_F(TrueTypeTextTest, ACharacterCellEndsOnTheCursorRowInTheTextColour) {
  make(32);
  on_worker([] {
    orv_tttc = 0xFF0000;
    ORV_SetImageTextCursor(5, 20, 5);
    ORV_TrueTypeChar('H');
    EXPECT_EQ(cursor_x(), 13);
    EXPECT_EQ(cursor_y(), 20);
    int full = 0, changed = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        int p = ORV_GetPixel(x, y);
        if (p == 0) continue;
        ++changed;
        EXPECT_EQ(p & 0x00FFFF, 0) << x << ", " << y;
        EXPECT_TRUE(x >= 5 && x < 13 && y >= 5 && y <= 20) << x << ", " << y;
        if (p == 0xFF0000) ++full;
      }
    }
    EXPECT_GT(full, 3);
    EXPECT_EQ(image_pixels(), reference(32, 0xFF0000, {{start_up_font(), u"H", 5, 5}}));
  });
}

// Each control code, in a 32-bit and an 8-bit image: the character after it
// is the one the changed font draws, the one after the code that undoes it
// the plain one, and the font is plain again at the end.
TEST_F(TrueTypeTextTest, ControlCodesChangeTheFontForTheCharactersAfterThem) {
  platform::LogFont plain = start_up_font(), italic = plain, bold = plain, underline = plain;
  italic.italic = 1;
  bold.weight = platform::kWeightBold;
  underline.underline = 1;
  struct Case {
    const char* text;
    platform::LogFont changed, restored;
  } cases[] = {
      {"\x01x\x02x", italic, plain},
      {"\x03x\x04x", bold,
       [] {
         platform::LogFont lf = start_up_font();
         lf.weight = platform::kWeightNormal;
         return lf;
       }()},
      {"\x05x\x06x", underline, plain},
      {"\x07x\x1Fx", plain, plain},  // codes without a meaning do nothing
  };
  for (int bits : {32, 8}) {
    for (const Case& c : cases) {
      make(bits);
      on_worker([&] {
        orv::replace_truetype_font(start_up_font());
        ORV_SetImageTextCursor(3, 18, 3);
        ORV_TrueTypeText(c.text);
        int advance = 0;
        {
          // The width of the changed character, as the platform gives it.
          std::unique_ptr<platform::Bitmap> b = platform::create_bitmap(1, 1, 32);
          platform::Dc dc = platform::create_memory_dc();
          platform::select_bitmap(dc, b.get());
          platform::Font f = platform::create_font(c.changed);
          platform::select_font(dc, f);
          platform::AbcWidths abc;
          ASSERT_TRUE(platform::get_char_abc_widths(dc, U'x', &abc));
          advance = abc.a + abc.b + abc.c;
          platform::select_bitmap(dc, nullptr);
          platform::delete_dc(dc);
          platform::delete_font(f);
        }
        if (c.changed.weight == 0) {
          EXPECT_EQ(advance, 8) << c.text;  // upright and italic
        }
        EXPECT_EQ(cursor_x(), 3 + advance + 8) << c.text;
        EXPECT_EQ(cursor_y(), 18);
        const int ink = bits == 32 ? 0xFFFFFF : 255;
        std::vector<int> expected = reference(
            bits, 0xFFFFFF, {{c.changed, u"x", 3, 3}, {c.restored, u"x", 3 + advance, 3}});
        EXPECT_EQ(image_pixels(), expected) << c.text << " bits " << bits;
        if (bits == 8) {
          for (int p : image_pixels()) EXPECT_TRUE(p == 0 || p == ink);
        }
        EXPECT_EQ(orv::truetype_font_record(), c.restored);
      });
    }
  }
}

TEST_F(TrueTypeTextTest, ALineFeedMovesDownByTheFontHeightToTheMargin) {
  make(32);
  on_worker([] {
    ORV_SetImageTextCursor(20, 16, 2);
    ORV_TrueTypeText("a\nb");
    EXPECT_EQ(cursor_x(), 2 + 8);
    EXPECT_EQ(cursor_y(), 32);
    EXPECT_EQ(
        image_pixels(),
        reference(32, 0xFFFFFF, {{start_up_font(), u"a", 20, 1}, {start_up_font(), u"b", 2, 17}}));
    ASSERT_EQ(ORV_TrueTypeSize(16, 10), 0);
    ORV_TrueTypeChar(10);
    EXPECT_EQ(cursor_y(), 42);
  });
}

TEST_F(TrueTypeTextTest, SizeSetsHalfTheWidthAndTheHeight) {
  make(32);
  on_worker([] {
    EXPECT_EQ(ORV_TrueTypeSize(21, 30), 0);
    EXPECT_EQ(orv::truetype_font_width(), 10);
    EXPECT_EQ(orv::truetype_font_height(), 30);
    platform::LogFont sized = start_up_font();
    sized.width = 10;
    sized.height = 30;
    EXPECT_EQ(orv::truetype_font_record(), sized);
    ORV_SetImageTextCursor(4, 35, 4);
    ORV_TrueTypeChar('M');  // the cell's top on row 35 - 30 + 1
    EXPECT_EQ(image_pixels(), reference(32, 0xFFFFFF, {{sized, u"M", 4, 6}}));

    // Beyond 4096 pixels a size is refused and nothing changes.
    EXPECT_EQ(ORV_TrueTypeSize(16, 5000), 1);
    EXPECT_EQ(ORV_TrueTypeSize(10000, 16), 1);
    EXPECT_EQ(ORV_TrueTypeSize(16, INT_MIN), 1);
    EXPECT_EQ(orv::truetype_font_height(), 30);
    EXPECT_EQ(orv::truetype_font_record(), sized);
  });
}

// 0x82 0xA0 is HIRAGANA LETTER A in Shift-JIS: one full-width character,
// two cells wide.
TEST_F(TrueTypeTextTest, ShiftJisDoubleByteCharacters) {
  for (int bits : {32, 8}) {
    make(bits);
    on_worker([=] {
      ASSERT_TRUE(platform::set_code_page_for_tests("CP932"));
      ORV_SetImageTextCursor(2, 17, 2);
      ORV_TrueTypeText("\x82\xA0");
      EXPECT_EQ(cursor_x(), 18);
      ORV_TrueTypeText("A\x82\xA0");
      EXPECT_EQ(cursor_x(), 42);
      EXPECT_EQ(image_pixels(), reference(bits, 0xFFFFFF,
                                          {{start_up_font(), u"あ", 2, 2},
                                           {start_up_font(), u"A", 18, 2},
                                           {start_up_font(), u"あ", 26, 2}}));
      std::vector<int> before = image_pixels();
      ORV_TrueTypeText("\x82");  // a lead byte without its trail byte
      ORV_TrueTypeText("A\x82");
      EXPECT_EQ(cursor_x(), 50);
      ORV_TrueTypeChar(0x82A0);
      EXPECT_EQ(cursor_x(), 66);
      std::vector<int> expected = reference(bits, 0xFFFFFF,
                                            {{start_up_font(), u"あ", 2, 2},
                                             {start_up_font(), u"A", 18, 2},
                                             {start_up_font(), u"あ", 26, 2},
                                             {start_up_font(), u"A", 42, 2},
                                             {start_up_font(), u"あ", 50, 2}});
      EXPECT_EQ(image_pixels(), expected);
      EXPECT_NE(before, expected);
    });
  }
}

// In a UTF-8 code page the same character is its three-byte sequence.
TEST_F(TrueTypeTextTest, Utf8SequencesInAUtf8CodePage) {
  make(32);
  on_worker([] {
    ASSERT_TRUE(platform::set_code_page_for_tests("UTF-8"));
    ORV_SetImageTextCursor(2, 17, 2);
    ORV_TrueTypeText(
        "\xE3\x81\x82"
        "A");
    EXPECT_EQ(cursor_x(), 26);
    ORV_TrueTypeText("\xE3\x81");  // cut short: dropped
    EXPECT_EQ(cursor_x(), 26);
    ORV_TrueTypeChar(0xE38182);
    EXPECT_EQ(cursor_x(), 42);
    EXPECT_EQ(image_pixels(), reference(32, 0xFFFFFF,
                                        {{start_up_font(), u"あ", 2, 2},
                                         {start_up_font(), u"A", 18, 2},
                                         {start_up_font(), u"あ", 26, 2}}));
  });
}

// Text runs on to the right and below without wrapping; only what lies
// inside is drawn (the sanitizer build checks nothing is written outside).
TEST_F(TrueTypeTextTest, TextPastTheRightEdgeAndTheBottomIsClipped) {
  for (int bits : {32, 8}) {
    make(bits);
    on_worker([=] {
      ASSERT_TRUE(platform::set_code_page_for_tests("CP932"));
      ORV_SetImageTextCursor(kWidth - 12, kHeight + 6, 0);
      ORV_TrueTypeText("\x05W\x82\xA0W\x06");
      EXPECT_EQ(cursor_x(), kWidth - 12 + 32);
      EXPECT_EQ(cursor_y(), kHeight + 6);
      platform::LogFont underline = start_up_font();
      underline.underline = 1;
      EXPECT_EQ(image_pixels(), reference(bits, 0xFFFFFF,
                                          {{underline, u"W", kWidth - 12, kHeight - 9},
                                           {underline, u"あ", kWidth - 4, kHeight - 9}}));
      ORV_SetImageTextCursor(INT_MAX - 4, INT_MAX, 0);
      ORV_TrueTypeText("WW");
      EXPECT_EQ(cursor_x(), INT_MAX);
      ORV_SetImageTextCursor(INT_MIN, INT_MIN, 0);
      ORV_TrueTypeText("W\n");
      EXPECT_EQ(cursor_y(), INT_MIN + 16);
    });
  }
}

TEST_F(TrueTypeTextTest, WithoutACurrentImageNothingIsDrawnOrMoved) {
  on_worker([] {
    ORV_SetImageTextCursor(7, 20, 1);
    ORV_TrueTypeText("WW");
    EXPECT_EQ(cursor_x(), 7);
    ORV_TrueTypeText("\n");
    EXPECT_EQ(cursor_x(), 1);
    EXPECT_EQ(cursor_y(), 36);
  });
}

}  // namespace
