// TrueType text on images of a running framework, compared pixel by pixel
// with the same characters drawn straight through the platform in the font
// each control code should have made.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <utility>
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

std::pair<int, int> cursor() {
  std::pair<int, int> c;
  ORV_GetImageTextCursor(&c.first, &c.second, nullptr);
  return c;
}

// The width of character x in this font, as the platform gives it.
int advance_of(const platform::LogFont& lf) {
  std::unique_ptr<platform::Bitmap> b = platform::create_bitmap(1, 1, 32);
  platform::Dc dc = platform::create_memory_dc();
  platform::select_bitmap(dc, b.get());
  platform::Font f = platform::create_font(lf);
  platform::select_font(dc, f);
  platform::AbcWidths abc;
  EXPECT_TRUE(platform::get_char_abc_widths(dc, U'x', &abc));
  platform::select_bitmap(dc, nullptr);
  platform::delete_dc(dc);
  platform::delete_font(f);
  return abc.a + abc.b + abc.c;
}

// What ORV_Ready saw of the start-up step.
struct SeenAtReady {
  bool font = false;
  platform::LogFont record;
  int tttc = 0, tc = -1, x = -1, y = -1, width = 0, height = 0;
  bool operator==(const SeenAtReady&) const = default;
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

// Without a current image nothing is drawn, yet the cursor moves only on a
// line feed.
TEST_F(TrueTypeTextTest, TheFontIsReadyBeforeTheUserProgramStarts) {
  EXPECT_TRUE(g_seen == (SeenAtReady{true, start_up_font(), 0xFFFFFF, 0, 0, 0, 8, 16}));
  on_worker([] {
    ORV_SetImageTextCursor(7, 20, 1);
    ORV_TrueTypeText("WW");
    EXPECT_EQ(cursor(), std::pair(7, 20));
    ORV_TrueTypeText("\n");
    EXPECT_EQ(cursor(), std::pair(1, 36));
  });
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

// The cell of a character ends on the cursor row, in the colour of orv_tttc;
// the fixed-pitch face advances 8 per half-width character.
TEST_F(TrueTypeTextTest, ACharacterCellEndsOnTheCursorRowInTheTextColour) {
  make(32);
  on_worker([] {
    orv_tttc = 0xFF0000;
    ORV_SetImageTextCursor(5, 20, 5);
    ORV_TrueTypeChar('H');
    EXPECT_EQ(cursor(), std::pair(13, 20));
    std::vector<int> pixels = image_pixels();
    EXPECT_GT(std::count(pixels.begin(), pixels.end(), 0xFF0000), 3);
    EXPECT_EQ(pixels, reference(32, 0xFF0000, {{start_up_font(), u"H", 5, 5}}));
  });
}

// Each control code, in a 32-bit and an 8-bit image: the character after it
// is the one the changed font draws, the one after the code that undoes it
// the plain one, and the font is plain again at the end.
TEST_F(TrueTypeTextTest, ControlCodesChangeTheFontForTheCharactersAfterThem) {
  platform::LogFont plain = start_up_font(), italic = plain, bold = plain, underline = plain,
                    normal = plain;
  italic.italic = 1;
  bold.weight = platform::kWeightBold;
  normal.weight = platform::kWeightNormal;
  underline.underline = 1;
  struct Case {
    const char* text;
    platform::LogFont changed, restored;
  } cases[] = {
      {"\x01x\x02x", italic, plain},
      {"\x03x\x04x", bold, normal},
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
        const int advance = advance_of(c.changed);
        EXPECT_TRUE(c.changed.weight != 0 || advance == 8) << c.text;  // upright and italic
        EXPECT_EQ(cursor(), std::pair(3 + advance + 8, 18)) << c.text;
        EXPECT_EQ(image_pixels(),
                  reference(bits, 0xFFFFFF,
                            {{c.changed, u"x", 3, 3}, {c.restored, u"x", 3 + advance, 3}}))
            << c.text << " bits " << bits;
        if (bits == 8) {
          for (int p : image_pixels()) EXPECT_TRUE(p == 0 || p == 255);
        }
        EXPECT_EQ(orv::truetype_font_record(), c.restored);
      });
    }
  }
}

TEST_F(TrueTypeTextTest, ALineFeedMovesDownByTheFontHeightAndSizeSetsHalfWidthAndHeight) {
  make(32);
  on_worker([] {
    ORV_SetImageTextCursor(20, 16, 2);
    ORV_TrueTypeText("a\nb");
    EXPECT_EQ(cursor(), std::pair(2 + 8, 32));
    EXPECT_EQ(
        image_pixels(),
        reference(32, 0xFFFFFF, {{start_up_font(), u"a", 20, 1}, {start_up_font(), u"b", 2, 17}}));

    ORV_ClearImage(1);
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
    ORV_TrueTypeChar(10);
    EXPECT_EQ(cursor().second, 65);

    // Beyond 4096 pixels a size is refused and nothing changes.
    EXPECT_EQ(ORV_TrueTypeSize(16, 5000), 1);
    EXPECT_EQ(ORV_TrueTypeSize(10000, 16), 1);
    EXPECT_EQ(ORV_TrueTypeSize(16, INT_MIN), 1);
    EXPECT_EQ(orv::truetype_font_height(), 30);
    EXPECT_EQ(orv::truetype_font_record(), sized);
  });
}

// 0x82 0xA0 is HIRAGANA LETTER A in Shift-JIS: one full-width character,
// two cells wide; in a UTF-8 code page it is E3 81 82. A sequence cut short
// is dropped.
TEST_F(TrueTypeTextTest, DoubleByteCharactersAndUtf8Sequences) {
  for (int bits : {32, 8}) {
    make(bits);
    on_worker([=] {
      ASSERT_TRUE(platform::set_code_page_for_tests("CP932"));
      ORV_SetImageTextCursor(2, 17, 2);
      ORV_TrueTypeText("\x82\xA0");
      EXPECT_EQ(cursor().first, 18);
      ORV_TrueTypeText("A\x82\xA0");
      EXPECT_EQ(cursor().first, 42);
      std::vector<Piece> pieces = {{start_up_font(), u"あ", 2, 2},
                                   {start_up_font(), u"A", 18, 2},
                                   {start_up_font(), u"あ", 26, 2}};
      EXPECT_EQ(image_pixels(), reference(bits, 0xFFFFFF, pieces));
      ORV_TrueTypeText("\x82");  // a lead byte without its trail byte
      ORV_TrueTypeText("A\x82");
      EXPECT_EQ(cursor().first, 50);
      ORV_TrueTypeChar(0x82A0);
      EXPECT_EQ(cursor().first, 66);
      pieces.push_back({start_up_font(), u"A", 42, 2});
      pieces.push_back({start_up_font(), u"あ", 50, 2});
      EXPECT_EQ(image_pixels(), reference(bits, 0xFFFFFF, pieces));
    });
  }
  make(32);
  on_worker([] {
    ASSERT_TRUE(platform::set_code_page_for_tests("UTF-8"));
    ORV_SetImageTextCursor(2, 17, 2);
    ORV_TrueTypeText(
        "\xE3\x81\x82"
        "A");
    EXPECT_EQ(cursor().first, 26);
    ORV_TrueTypeText("\xE3\x81");
    EXPECT_EQ(cursor().first, 26);
    ORV_TrueTypeChar(0xE38182);
    EXPECT_EQ(cursor().first, 42);
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
      EXPECT_EQ(cursor(), std::pair(kWidth - 12 + 32, kHeight + 6));
      platform::LogFont underline = start_up_font();
      underline.underline = 1;
      EXPECT_EQ(image_pixels(), reference(bits, 0xFFFFFF,
                                          {{underline, u"W", kWidth - 12, kHeight - 9},
                                           {underline, u"あ", kWidth - 4, kHeight - 9}}));
      ORV_SetImageTextCursor(INT_MAX - 4, INT_MAX, 0);
      ORV_TrueTypeText("WW");
      EXPECT_EQ(cursor().first, INT_MAX);
      ORV_SetImageTextCursor(INT_MIN, INT_MIN, 0);
      ORV_TrueTypeText("W\n");
      EXPECT_EQ(cursor().second, INT_MIN + 16);
    });
  }
}

}  // namespace
