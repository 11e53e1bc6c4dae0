// Bitmap-font text on images of a running framework, read back pixel by
// pixel, and the text cursor it moves.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "imaging/pixels.h"
#include "tests/framework/test_program.h"

namespace {

using test_program::on_worker;
using Points = std::set<std::pair<int, int>>;

constexpr int kInk = 0xFF2080;  // 0x80 in an 8-bit image

// Glyph rows as the font's documentation lists them, top row first.
using Rows = std::vector<int>;
const Rows kSpace = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const Rows kBang = {0x00, 0x00, 0x18, 0x3C, 0x3C, 0x3C, 0x18,
                    0x18, 0x00, 0x18, 0x18, 0x00, 0x00, 0x00};
const Rows kZero = {0x00, 0x00, 0x1E, 0x33, 0x37, 0x37, 0x33,
                    0x3B, 0x3B, 0x33, 0x1E, 0x00, 0x00, 0x00};
const Rows kA = {0x00, 0x00, 0x18, 0x3C, 0x66, 0x66, 0x66,
                 0x7E, 0x66, 0x66, 0x66, 0x00, 0x00, 0x00};
const Rows kG = {0x00, 0x00, 0x00, 0x00, 0x3E, 0x66, 0x66,
                 0x66, 0x66, 0x66, 0x3E, 0x06, 0x06, 0x7C};
const Rows kJ = {0x00, 0x0C, 0x0C, 0x00, 0x3C, 0x0C, 0x0C,
                 0x0C, 0x0C, 0x0C, 0x0C, 0x0C, 0x0C, 0x78};

// The pixels a glyph of these rows sets with its top-left corner at (x, y).
Points glyph_points(const Rows& rows, int x, int y) {
  Points p;
  for (int r = 0; r < 14; ++r)
    for (int j = 0; j < 8; ++j)
      if (rows[std::size_t(r)] & (0x80 >> j)) p.insert({x + j, y + r});
  return p;
}

// Every pixel of the current image that is not 0.
Points inked(int width, int height) {
  Points p;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (ORV_GetPixel(x, y) != 0) p.insert({x, y});
  return p;
}

// The 14 rows read back from the image with the glyph's top-left at (x, y).
Rows read_rows(int x, int y) {
  Rows rows;
  for (int r = 0; r < 14; ++r) {
    int byte = 0;
    for (int j = 0; j < 8; ++j)
      if (ORV_GetPixel(x + j, y + r) != 0) byte |= 0x80 >> j;
    rows.push_back(byte);
  }
  return rows;
}

struct Cursor {
  int x, y, margin;
  bool operator==(const Cursor&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Cursor& c) {
  return out << "(" << c.x << ", " << c.y << ", margin " << c.margin << ")";
}
Cursor cursor() {
  Cursor c{};
  ORV_GetImageTextCursor(&c.x, &c.y, &c.margin);
  return c;
}

// Image 1, black and current, for each test; gone afterwards with the text state.
class BitmapTextTest : public ::testing::Test {
 protected:
  test_program::Serving framework;
  void make(int width, int height, int bits = 32) {
    on_worker([=] {
      int status = bits == 32 ? ORV_CreateImageFL(1, "text", 0, 0, width, height, 100)
                              : ORV_CreateImage8FL(1, "text", 0, 0, width, height, 100);
      ASSERT_EQ(status, 0);
      orv_tc = kInk;
    });
  }
  void TearDown() override {
    on_worker([] {
      ORV_DestroyImage(1);
      orv_tc = 0;
      ORV_SetImageTextCursor(0, 0, 0);
    });
  }
};

// The listed glyphs exactly; every printable glyph has ink and its own shape;
// capitals and digits stand on rows 2..10 (Q's tail alone goes below);
// descenders reach row 13.
TEST_F(BitmapTextTest, GlyphsAreTheListedRowsDistinctAndKeepTheLayout) {
  make(16, 16);
  on_worker([] {
    const std::map<int, Rows> listed = {{0x20, kSpace}, {0x21, kBang}, {0x30, kZero}, {0x41, kA},
                                        {0x67, kG},     {0x6A, kJ},    {0x7F, kSpace}};
    std::set<Rows> shapes;
    for (int code = 0x20; code <= 0x7F; ++code) {
      ORV_ClearImage(1);
      ORV_SetImageTextCursor(1, 15, 0);  // rows 1..14
      ORV_DrawChar(code);
      const Rows rows = read_rows(1, 1);
      if (listed.contains(code)) {
        EXPECT_EQ(rows, listed.at(code)) << "code " << code;
        EXPECT_EQ(inked(16, 16), glyph_points(rows, 1, 1)) << "code " << code;
      }
      if (code == 0x20 || code == 0x7F) continue;
      EXPECT_TRUE(shapes.insert(rows).second) << "code " << code << " repeats a shape";
      EXPECT_NE(rows, kSpace) << "code " << code;
      if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) {
        EXPECT_EQ(rows[0] | rows[1], 0) << char(code);
        EXPECT_TRUE(rows[2] != 0 && rows[10] != 0) << char(code);
        EXPECT_TRUE(code == 'Q' || (rows[11] | rows[12] | rows[13]) == 0) << char(code);
      }
      if (std::string("gjpqy").find(char(code)) != std::string::npos) {
        EXPECT_NE(rows[13], 0) << char(code);
      }
    }
  });
}

// A character stands above the cursor row and moves it 8 on; the cursor
// wraps to the margin 16 rows lower when the next cell would not fit.
TEST_F(BitmapTextTest, ACharacterStandsAboveTheCursorRowAndTheCursorWraps) {
  make(100, 60);
  on_worker([] {
    ORV_SetImageTextCursor(10, 30, 0);
    ORV_DrawChar('A');
    EXPECT_EQ(inked(100, 60), glyph_points(kA, 10, 16));  // rows 16..29, columns 10..17
    EXPECT_EQ(cursor(), (Cursor{18, 30, 0}));
    // The pen is on the glyph's last pixel: row 10 (0x66), column 6.
    EXPECT_EQ(orv::pen().x, 16);
    EXPECT_EQ(orv::pen().y, 26);

    ORV_ClearImage(1);
    ORV_SetImageTextCursor(90, 20, 2);
    ORV_DrawChar('A');
    EXPECT_EQ(inked(100, 60), glyph_points(kA, 90, 6));
    EXPECT_EQ(cursor(), (Cursor{2, 36, 2}));

    // 84 + 8 = 92 leaves room for a cell at 92..99; after that one, 100 does not.
    ORV_ClearImage(1);
    ORV_SetImageTextCursor(84, 20, 2);
    ORV_DrawChar('A');
    EXPECT_EQ(cursor(), (Cursor{92, 20, 2}));
    ORV_DrawChar('A');
    EXPECT_EQ(cursor(), (Cursor{2, 36, 2}));
    Points both = glyph_points(kA, 84, 6);
    both.merge(glyph_points(kA, 92, 6));
    EXPECT_EQ(inked(100, 60), both);

    // A line feed returns to the margin 16 rows lower.
    ORV_ClearImage(1);
    ORV_SetImageTextCursor(20, 20, 4);
    ORV_DrawText("A\nj");
    Points expected = glyph_points(kA, 20, 6);
    expected.merge(glyph_points(kJ, 4, 22));
    EXPECT_EQ(inked(100, 60), expected);
    EXPECT_EQ(cursor(), (Cursor{12, 36, 4}));
  });
}

TEST_F(BitmapTextTest, CharactersTheFontLacksAndCursorsAtTheIntEndsDrawNothing) {
  make(30, 30);
  on_worker([] {
    ORV_SetPixel(3, 4, 0x111111);
    ORV_SetImageTextCursor(5, 20, 1);
    for (int code : {0x09, 0xE9, 0x00, 0x0D, 0x1F, 0x80, 0xFF, -23, 1000}) {
      ORV_DrawChar(code);
      EXPECT_EQ(cursor(), (Cursor{5, 20, 1})) << code;
      EXPECT_EQ(std::pair(orv::pen().x, orv::pen().y), std::pair(3, 4));
    }
    // A cursor at the ends of the int range draws nothing and stays in range.
    ORV_SetImageTextCursor(INT_MAX - 3, INT_MAX - 3, INT_MAX - 3);
    ORV_DrawText("AB");
    EXPECT_EQ(cursor(), (Cursor{INT_MAX - 3, INT_MAX, INT_MAX - 3}));
    ORV_SetImageTextCursor(INT_MIN, INT_MIN + 3, INT_MIN);
    ORV_DrawText("A\n");
    EXPECT_EQ(cursor(), (Cursor{INT_MIN, INT_MIN + 3 + 16, INT_MIN}));
    EXPECT_EQ(inked(30, 30), (Points{{3, 4}}));
  });
}

TEST_F(BitmapTextTest, TextInOrvTcAndOnlyItsLowByteOnAnEightBitImage) {
  make(5, 16, 8);  // rows of 5 bytes padded to 8
  on_worker([] {
    orv_tc = 0x123456;
    ORV_SetImageTextCursor(0, 14, 0);
    ORV_DrawChar('!');  // rows 2..10, columns 3 and 4
    EXPECT_EQ(ORV_GetPixel(3, 2), 0x56);
    EXPECT_EQ(ORV_GetPixel(4, 10), 0x56);
    EXPECT_EQ(ORV_GetPixel(2, 3), 0x56);  // 0x3C
    EXPECT_EQ(ORV_GetPixel(3, 8), 0);     // the gap
    EXPECT_EQ(inked(5, 16).size(), 19u);  // 22 set bits, 3 of them in column 5
    const std::uint8_t* bytes = orv::image_pixels(1);
    for (int y = 0; y < 16; ++y)
      for (int x = 5; x < 8; ++x) EXPECT_EQ(bytes[y * 8 + x], 0) << x << ", " << y;
  });
}

// The cursor at the right and bottom edges: only the part inside is drawn,
// nothing is written past the rows (the sanitizer build checks the rest).
TEST_F(BitmapTextTest, TextPastTheRightEdgeAndTheBottomIsClipped) {
  for (int bits : {32, 8}) {
    make(21, 17, bits);
    on_worker([] {
      ORV_SetImageTextCursor(17, 20, 17);  // columns 17..24, rows 6..19
      ORV_DrawText("AAAA\nAA");
      Points visible;
      for (auto [x, y] : glyph_points(kA, 17, 6))
        if (x < 21 && y < 17) visible.insert({x, y});
      EXPECT_EQ(inked(21, 17), visible);
      // Each A wraps (25 > 21 - 8), each line feed too: 4 + 1 + 2 lines.
      EXPECT_EQ(cursor(), (Cursor{17, 20 + 7 * 16, 17}));
      const orv::ImageRecord* r = orv::image_in_use(1);
      ASSERT_NE(r, nullptr);
      if (r->bits == 8) {  // the row padding stays as it was
        const std::uint8_t* bytes = orv::image_pixels(1);
        for (int y = 0; y < 17; ++y)
          for (int x = 21; x < 24; ++x) EXPECT_EQ(bytes[y * 24 + x], 0);
      }
    });
    on_worker([] { ORV_DestroyImage(1); });
  }
}

TEST_F(BitmapTextTest, FormattedTextIsDrawnAndCutAt4095Characters) {
  make(808, 40);
  on_worker([] {
    ORV_SetImageTextCursor(0, 14, 0);
    ORV_DrawTextF("%s%03d", "A", 7);
    EXPECT_EQ(cursor(), (Cursor{32, 14, 0}));
    EXPECT_EQ(read_rows(0, 0), kA);
    EXPECT_EQ(read_rows(8, 0), kZero);
    EXPECT_EQ(read_rows(16, 0), kZero);

    // 101 cells fit on a line of 808 (after the 101st, 808 > 800 wraps):
    // 4095 = 40 * 101 + 55.
    ORV_SetImageTextCursor(0, 14, 0);
    ORV_DrawTextF("%s", std::string(5000, ' ').c_str());
    EXPECT_EQ(cursor(), (Cursor{55 * 8, 14 + 40 * 16, 0}));
  });
}

}  // namespace
