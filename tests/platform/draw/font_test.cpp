// The stock fixed font, TrueType fonts from logical-font records, text runs
// and character widths.
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/draw/dc.h"
#include "platform/draw/font.h"

// fontconfig 2.14 loses a few bytes while parsing its configuration files;
// that is its own and not a fault of the code under test.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

namespace platform {
namespace {

constexpr std::uint32_t kPaper = 0x00123456;  // never drawn by the tests' colours
constexpr std::uint32_t kInk = 0x00FFFFFF;
constexpr std::uint32_t kBack = 0x00000000;

const char16_t kMsGothic[] = u"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF";  // ＭＳ ゴシック

const char kIpag[] = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

bool installed(const char* path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

struct Canvas {
  std::unique_ptr<Bitmap> bitmap;
  Dc dc;
  Canvas(int w, int h) : bitmap(create_bitmap(w, h, 32)), dc(create_memory_dc()) {
    select_bitmap(dc, bitmap.get());
    for (int y = 0; y < h; ++y) std::fill_n(bitmap->row32(y), w, kPaper);
    set_text_color(dc, kInk);
    set_background_color(dc, kBack);
  }
  std::uint32_t at(int x, int y) const { return bitmap->row32(y)[x]; }
  // Bounding box of the pixels in colour `c` (or, with `other`, of every
  // other colour); empty when there are none.
  Rect box_of(std::uint32_t c, bool other = false) const {
    Rect r{bitmap->width, bitmap->height, -1, -1};
    for (int y = 0; y < bitmap->height; ++y) {
      for (int x = 0; x < bitmap->width; ++x) {
        if ((at(x, y) == c) == other) continue;
        r.left = std::min(r.left, x);
        r.top = std::min(r.top, y);
        r.right = std::max(r.right, x + 1);
        r.bottom = std::max(r.bottom, y + 1);
      }
    }
    return r;
  }
  std::vector<std::uint32_t> pixels() const {
    std::vector<std::uint32_t> out;
    for (int y = 0; y < bitmap->height; ++y)
      out.insert(out.end(), bitmap->row32(y), bitmap->row32(y) + bitmap->width);
    return out;
  }
};

class FontTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (Font f : fonts_) delete_font(f);
    reset_dcs_for_tests();
    use_builtin_fixed_font_for_tests(false);
  }
  Font make(const LogFont& lf) {
    Font f = create_font(lf);
    if (f) fonts_.push_back(f);
    return f;
  }
  // Draws `text` on fresh paper with `font` (transparent unless `opaque`).
  Canvas render(Font font, std::u16string_view text, bool opaque = false, int w = 96, int h = 40) {
    Canvas c(w, h);
    select_font(c.dc, font);
    set_background_mode(c.dc, opaque ? kBackgroundOpaque : kBackgroundTransparent);
    text_out(c.dc, 4, 4, text);
    return c;
  }
  std::vector<Font> fonts_;
};

// "A" fills one 8 x 16 cell and "あ" two, with only text and background
// colours inside (no anti-aliasing) and nothing outside.
void check_cells(Font font) {
  for (auto [text, cells] : {std::pair{u"A", 1}, std::pair{u"\u3042", 2}}) {
    Canvas c(40, 24);
    select_font(c.dc, font);
    ASSERT_TRUE(text_out(c.dc, 0, 0, text));
    Rect ink = c.box_of(kInk);
    ASSERT_LT(ink.left, ink.right) << "no ink";
    EXPECT_GE(ink.left, 0);
    EXPECT_LE(ink.right, 8 * cells);
    EXPECT_LE(ink.bottom, 16);
    if (cells == 2) {
      EXPECT_GT(ink.right, 8);  // reaches into the second cell
    }
    EXPECT_EQ(c.box_of(kBack), (Rect{0, 0, 8 * cells, 16}));
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 40; ++x) {
        bool cell = x < 8 * cells && y < 16;
        std::uint32_t p = c.at(x, y);
        if (cell) {
          EXPECT_TRUE(p == kInk || p == kBack) << x << "," << y;
        } else {
          EXPECT_EQ(p, kPaper) << x << "," << y;
        }
      }
    }
    int advance = 0;
    ASSERT_TRUE(get_char_width(c.dc, text[0], &advance));
    EXPECT_EQ(advance, 8 * cells);
  }
}

// From the installed font file, and from the built-in face that stands in
// without one.
TEST_F(FontTest, StockFixedFontHasEightBySixteenCells) {
  for (bool builtin : {false, true}) {
    if (!builtin && !installed(kIpag)) continue;
    use_builtin_fixed_font_for_tests(builtin);
    Font stock = stock_fixed_font();
    ASSERT_TRUE(stock);
    EXPECT_EQ(font_file(stock).empty(), builtin);
    Dc dc = create_memory_dc();
    TextMetrics tm;
    ASSERT_TRUE(get_text_metrics(dc, &tm));  // a new context has the stock font
    EXPECT_EQ(tm.average_char_width, 8) << builtin;
    EXPECT_EQ(tm.height, 16) << builtin;
    EXPECT_TRUE(tm.fixed_pitch) << builtin;
    check_cells(stock);
    EXPECT_EQ(text_width(dc, u"AB\u3042C"), 40) << builtin;
    EXPECT_FALSE(delete_font(stock)) << builtin;
  }
}

TEST_F(FontTest, LogicalFontRecordReadsBackAsSet) {
  LogFont lf;
  lf.height = -21;
  lf.width = 9;
  lf.escapement = 450;
  lf.orientation = 450;
  lf.weight = 700;
  lf.italic = 1;
  lf.underline = 1;
  lf.strike_out = 1;
  lf.char_set = kCharsetShiftJis;
  lf.out_precision = kOutPrecisionTrueTypeOnly;
  lf.clip_precision = 2;
  lf.quality = kQualityAntialiased;
  lf.pitch_and_family = kPitchFixed | kFamilyModern;
  lf.face_name = kMsGothic;
  Font f = make(lf);
  ASSERT_TRUE(f);
  LogFont back;
  ASSERT_TRUE(get_font_record(f, &back));
  EXPECT_EQ(back, lf);
  // Face names keep at most 31 units.
  LogFont long_name;
  long_name.face_name = std::u16string(40, u'x');
  Font g = make(long_name);
  ASSERT_TRUE(g);
  ASSERT_TRUE(get_font_record(g, &back));
  EXPECT_EQ(back.face_name, std::u16string(31, u'x'));
  // A deleted font is gone; a context that held it falls back to the stock font.
  Canvas c(8, 8);
  select_font(c.dc, g);
  ASSERT_TRUE(delete_font(g));
  fonts_.pop_back();
  EXPECT_FALSE(get_font_record(g, &back));
  EXPECT_FALSE(delete_font(g));
  EXPECT_EQ(selected_font(c.dc), stock_fixed_font());
  EXPECT_TRUE(text_out(c.dc, 0, 0, u"x"));
  EXPECT_FALSE(select_font(c.dc, g));
}

TEST_F(FontTest, MsGothicIsTheFixedPitchJapaneseGothic) {
  if (!installed(kIpag)) GTEST_SKIP();
  LogFont lf;
  lf.height = 16;
  lf.width = 8;
  lf.out_precision = kOutPrecisionTrueTypeOnly;
  lf.quality = kQualityNonAntialiased;
  lf.face_name = kMsGothic;
  Font f = make(lf);
  ASSERT_TRUE(f);
  EXPECT_EQ(std::filesystem::canonical(font_file(f)), std::filesystem::canonical(kIpag));
  check_cells(f);
}

TEST_F(FontTest, ProportionalFaceHasDifferentAbcWidths) {
  LogFont lf;
  lf.height = -16;
  lf.face_name = installed("/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf") ? u"IPAPGothic"
                                                                                 : u"DejaVu Sans";
  Font f = make(lf);
  ASSERT_TRUE(f);
  Canvas c(4, 4);
  select_font(c.dc, f);
  AbcWidths i, w;
  ASSERT_TRUE(get_char_abc_widths(c.dc, U'i', &i));
  ASSERT_TRUE(get_char_abc_widths(c.dc, U'W', &w));
  int advance_i = 0, advance_w = 0;
  get_char_width(c.dc, U'i', &advance_i);
  get_char_width(c.dc, U'W', &advance_w);
  EXPECT_EQ(i.a + i.b + i.c, advance_i);
  EXPECT_EQ(w.a + w.b + w.c, advance_w);
  EXPECT_LT(advance_i, advance_w);
  EXPECT_GE(i.b, 1);
  EXPECT_GT(w.b, 2 * i.b);
  EXPECT_GT(i.a, 0);  // the stem of an i stands away from the left edge
  // The ink drawn (grey edges included) has the width B reports.
  Canvas ink = render(f, u"W");
  Rect box = ink.box_of(kPaper, true);
  EXPECT_EQ(box.width(), w.b);
  EXPECT_EQ(box.left, 4 + w.a);
}

TEST_F(FontTest, StyleAttributesChangeThePixels) {
  LogFont lf;
  lf.height = 24;
  lf.quality = kQualityNonAntialiased;
  lf.face_name = u"DejaVu Sans";
  auto variant = [&](auto change) {
    LogFont v = lf;
    change(v);
    return render(make(v), u"Hxg").pixels();
  };
  auto plain = variant([](LogFont&) {});
  auto italic = variant([](LogFont& v) { v.italic = 1; });
  auto bold = variant([](LogFont& v) { v.weight = kWeightBold; });
  auto underline = variant([](LogFont& v) { v.underline = 1; });
  auto strike = variant([](LogFont& v) { v.strike_out = 1; });
  EXPECT_NE(italic, plain);
  EXPECT_NE(bold, plain);
  EXPECT_NE(underline, plain);
  EXPECT_NE(strike, plain);
  auto count = [](const std::vector<std::uint32_t>& p) {
    return std::count(p.begin(), p.end(), kInk);
  };
  EXPECT_GT(count(bold), count(plain));

  // The underline is a full row of ink across the run, below the baseline.
  LogFont u = lf;
  u.underline = 1;
  Font uf = make(u);
  Canvas c = render(uf, u"Hxg");
  TextMetrics tm;
  select_font(c.dc, uf);
  get_text_metrics(c.dc, &tm);
  int width = text_width(c.dc, u"Hxg");
  int full_rows = 0;
  for (int y = 4 + tm.ascent; y < 4 + tm.height; ++y) {
    bool full = true;
    for (int x = 4; x < 4 + width; ++x) full = full && c.at(x, y) == kInk;
    full_rows += full;
  }
  EXPECT_GE(full_rows, 1);
}

TEST_F(FontTest, BackgroundModesAndEightBitTargets) {
  LogFont lf;
  lf.height = 16;
  lf.quality = kQualityAntialiased;
  lf.face_name = u"DejaVu Sans";
  Font f = make(lf);
  // Opaque: the whole run's cells take the background colour or ink.
  Canvas opaque = render(f, u"ab", true);
  int width = text_width(opaque.dc, u"ab");
  EXPECT_EQ(opaque.box_of(kPaper).left, 0);
  for (int y = 4; y < 20; ++y) {
    for (int x = 4; x < 4 + width; ++x) EXPECT_NE(opaque.at(x, y), kPaper);
  }
  // Transparent: no background anywhere, and anti-aliased edges blend
  // ink into the paper.
  Canvas clear = render(f, u"ab");
  EXPECT_EQ(clear.box_of(kBack).right, -1);
  bool blended = false;
  for (std::uint32_t p : clear.pixels()) blended = blended || (p != kPaper && p != kInk);
  EXPECT_TRUE(blended);

  // 8-bit: colours become their nearest palette entries, no blends.
  auto indexed = create_bitmap(40, 24, 8);
  for (int i = 0; i < 256; ++i) indexed->palette[i] = PaletteEntry{0, 0, 200, 0};
  indexed->palette[5] = PaletteEntry{250, 250, 250, 0};
  indexed->palette[6] = PaletteEntry{10, 10, 10, 0};
  Dc dc = create_memory_dc();
  select_bitmap(dc, indexed.get());
  select_font(dc, f);
  set_text_color(dc, 0xFFFFFF);
  set_background_color(dc, 0x000000);
  ASSERT_TRUE(text_out(dc, 0, 0, u"ab"));
  int ink = 0, back = 0, other = 0;
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 40; ++x) {
      int v = indexed->row8(y)[x];
      ink += v == 5;
      back += v == 6;
      other += v != 5 && v != 6 && v != 0;
    }
  }
  EXPECT_GT(ink, 10);
  EXPECT_GT(back, 10);
  EXPECT_EQ(other, 0);
}

TEST_F(FontTest, EscapementTurnsTheRun) {
  LogFont lf;
  lf.height = 16;
  lf.quality = kQualityNonAntialiased;
  lf.face_name = u"DejaVu Sans";
  Rect flat = render(make(lf), u"WWWW", false, 120, 120).box_of(kInk);
  lf.escapement = 900;  // upwards
  Canvas turned(120, 120);
  select_font(turned.dc, make(lf));
  set_background_mode(turned.dc, kBackgroundTransparent);
  text_out(turned.dc, 40, 100, u"WWWW");
  Rect up = turned.box_of(kInk);
  EXPECT_GT(flat.width(), 3 * flat.height());
  EXPECT_GT(up.height(), 3 * up.width());
  EXPECT_LE(up.bottom, 100);  // the run goes up from its start
  EXPECT_GE(up.left, 40);     // the cell tops face left, so the ink lies right of x
}

}  // namespace
}  // namespace platform
