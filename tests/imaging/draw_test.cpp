// Lines, boxes, circles and the flood fill, pixel by pixel, on images of a
// running framework.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "framework/orvlib.h"
#include "imaging/pixels.h"
#include "tests/framework/test_program.h"

namespace {

using test_program::on_worker;
using Points = std::set<std::pair<int, int>>;

constexpr int kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

// The pixels of the current image, row by row.
std::vector<int> snapshot(int width, int height) {
  std::vector<int> s;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) s.push_back(ORV_GetPixel(x, y));
  return s;
}

// The points, relative to (cx, cy), whose pixel differs between rows of `width` a and b.
Points changed(const std::vector<int>& a, const std::vector<int>& b, int width, int cx = 0,
               int cy = 0) {
  Points p;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) p.insert({int(i) % width - cx, int(i) / width - cy});
  return p;
}

// The points drawn by `draw` on the black image of this size (cleared first).
Points drawn(int width, int height, const std::function<void()>& draw, int cx = 0, int cy = 0) {
  ORV_ClearImage(1);
  std::vector<int> before = snapshot(width, height);
  draw();
  return changed(before, snapshot(width, height), width, cx, cy);
}

// Each (x, y) with every choice of signs.
Points mirrored(std::initializer_list<std::pair<int, int>> points) {
  Points p;
  for (auto [x, y] : points)
    for (int sx : {-1, 1})
      for (int sy : {-1, 1}) p.insert({sx * x, sy * y});
  return p;
}

// Rows y = -r..r spanning -half[|y|]..half[|y|].
Points disc(const std::vector<int>& half) {
  Points p;
  int r = int(half.size()) - 1;
  for (int y = -r; y <= r; ++y)
    for (int x = -half[std::size_t(std::abs(y))]; x <= half[std::size_t(std::abs(y))]; ++x)
      p.insert({x, y});
  return p;
}

std::pair<int, int> pen() {
  return {orv::pen().x, orv::pen().y};
}

// Image 1, the current image, for each test; gone afterwards.
class DrawTest : public ::testing::Test {
 protected:
  test_program::Serving framework;
  void make(int width, int height, int bits = 32) {
    on_worker([=] {
      int status = bits == 32 ? ORV_CreateImageFL(1, "draw", 0, 0, width, height, 100)
                              : ORV_CreateImage8FL(1, "draw", 0, 0, width, height, 100);
      EXPECT_EQ(status, 0);
    });
  }
  void TearDown() override {
    on_worker([] {
      ORV_DestroyImage(1);
      ORV_SetDrawColor(kWhite);
    });
  }
};

TEST_F(DrawTest, LinesDrawEveryPointOnceAndLeaveThePenAtTheSecondEnd) {
  make(12, 12);
  on_worker([] {
    struct Case {
      int x0, y0, x1, y1;
      Points points;
    } cases[] = {
        {5, 5, 1, 3, {{1, 3}, {2, 4}, {3, 4}, {4, 5}, {5, 5}}},
        {0, 0, 1, 3, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},
        {3, 7, 3, 4, {{3, 4}, {3, 5}, {3, 6}, {3, 7}}},
        {6, 2, 2, 2, {{2, 2}, {3, 2}, {4, 2}, {5, 2}, {6, 2}}},
        {4, 4, 4, 4, {{4, 4}}},
    };
    for (const Case& c : cases) {
      EXPECT_EQ(drawn(12, 12, [&] { ORV_Line(kRed, c.x0, c.y0, c.x1, c.y1); }), c.points);
      EXPECT_EQ(pen(), std::pair(c.x1, c.y1));
    }
  });
}

// One XOR pass over a pattern changes exactly the pixels the colour form
// sets on black (a pixel inverted twice would be missing); a second pass
// restores the pattern.
TEST_F(DrawTest, XorFiguresInvertTheirPixelsOnceAndTwiceRestoreTheImage) {
  make(40, 30);
  on_worker([] {
    EXPECT_EQ(ORV_GetDrawColor(), kWhite);  // at start-up, and restored after each test
    auto check = [](std::function<void()> xor_form, const Points& expected) {
      for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) ORV_SetPixel(x, y, x * 0x0701 + y * 0x130000);
      std::vector<int> pattern = snapshot(40, 30);
      xor_form();
      EXPECT_EQ(changed(pattern, snapshot(40, 30), 40), expected);
      xor_form();
      EXPECT_EQ(snapshot(40, 30), pattern);
    };
    auto same = [&](std::function<void()> xor_form, std::function<void()> colour_form) {
      check(xor_form, drawn(40, 30, colour_form));
    };
    same([] { ORV_XorLine(2, 28, 35, 3); }, [] { ORV_Line(kWhite, 2, 28, 35, 3); });
    same([] { ORV_XorLine(-5, -3, 50, 40); }, [] { ORV_Line(kWhite, -5, -3, 50, 40); });
    same([] { ORV_XorBox(30, 20, 3, 4); }, [] { ORV_Box(30, 20, 3, 4); });
    same([] { ORV_XorBox(-3, -3, 45, 35); }, [] { ORV_Box(-3, -3, 45, 35); });
    same([] { ORV_XorBox(3, 9, 30, 9); }, [] { ORV_Box(3, 9, 30, 9); });
    same([] { ORV_XorBox(3, 9, 30, 10); }, [] { ORV_Box(3, 9, 30, 10); });
    same([] { ORV_XorFillBox(30, 20, 3, 4); }, [] { ORV_FillBox(3, 4, 30, 20, kWhite, kWhite); });
    same([] { ORV_XorFillBox(8, 2, 8, 2); }, [] { ORV_SetPixel(8, 2, kWhite); });
    // One column: the sides cancel, its two ends remain.
    check([] { ORV_XorBox(7, 25, 7, 3); }, {{7, 3}, {7, 25}});
    check([] { ORV_XorCircle(20, 15, 0); }, {});
    check([] { ORV_XorFillCircle(20, 15, 0); }, {});
    for (int r = 1; r <= 20; ++r) {
      same([r] { ORV_XorCircle(20, 15, r); }, [r] { ORV_Circle(kWhite, 20, 15, r); });
      same([r] { ORV_XorFillCircle(20, 15, r); }, [r] { ORV_FillCircle(20, 15, r); });
    }
  });
}

TEST_F(DrawTest, CircleOutlinesAndFilledRows) {
  make(21, 21);
  on_worker([] {
    auto circle = [](int r) {
      return drawn(
          21, 21, [r] { ORV_Circle(kRed, 10, 10, r); }, 10, 10);
    };
    EXPECT_EQ(circle(1), mirrored({{1, 0}, {0, 1}}));
    EXPECT_EQ(pen(), std::pair(9, 10));  // the last point of r = 1 is (-1, 0)
    EXPECT_EQ(circle(2), mirrored({{2, 0}, {2, 1}, {1, 2}, {0, 2}}));
    EXPECT_EQ(circle(3), mirrored({{3, 0}, {3, 1}, {2, 2}, {1, 3}, {0, 3}}));
    // Worked out wide: x = cx - r lies inside, its mirror cx + r far outside to the left.
    EXPECT_EQ(drawn(21, 21, [] { ORV_XorCircle(INT_MIN + 3, 5, INT_MIN); }), (Points{{3, 5}}));
    EXPECT_EQ(orv::pen().x, 3);
    EXPECT_EQ(circle(5),
              mirrored({{5, 0}, {5, 1}, {5, 2}, {4, 3}, {3, 4}, {0, 5}, {1, 5}, {2, 5}}));

    ORV_SetDrawColor(kGreen);
    auto filled = [](int r) {
      return drawn(
          21, 21, [r] { ORV_FillCircle(10, 10, r); }, 10, 10);
    };
    EXPECT_EQ(filled(1), disc({1, 0}));
    EXPECT_EQ(filled(2), disc({2, 2, 1}));
    EXPECT_EQ(filled(5), disc({5, 5, 5, 4, 3, 2}));
  });
}

TEST_F(DrawTest, BoxesAndFilledBoxes) {
  make(24, 24);
  on_worker([] {
    ORV_SetDrawColor(kBlue);
    const Points outline = drawn(24, 24, [] { ORV_FillBox(2, 2, 6, 5, kBlue, 0); });
    EXPECT_EQ(drawn(24, 24, [] { ORV_Box(6, 5, 2, 2); }), outline);
    EXPECT_EQ(pen(), std::pair(6, 5));

    // Two columns apart: no inside to fill.
    ORV_ClearImage(1);
    ORV_FillBox(10, 10, 11, 20, kRed, kGreen);
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x)
        EXPECT_EQ(ORV_GetPixel(x, y), x >= 10 && x <= 11 && y >= 10 && y <= 20 ? kRed : 0);
    EXPECT_EQ(pen(), std::pair(10, 10));

    ORV_ClearImage(1);
    ORV_FillBox(6, 5, 2, 2, kRed, kGreen);
    for (int y = 2; y <= 5; ++y)
      for (int x = 2; x <= 6; ++x)
        EXPECT_EQ(ORV_GetPixel(x, y), x > 2 && x < 6 && y > 2 && y < 5 ? kGreen : kRed);
    EXPECT_EQ(pen(), std::pair(5, 4));
  });
}

TEST_F(DrawTest, PaintFillsTheFourConnectedRegion) {
  make(20, 16);
  on_worker([] {
    // One colour: the whole image; the drawing colour itself: nothing to do.
    ORV_FillBox(0, 0, 19, 15, 0x123456, 0x123456);
    ORV_SetDrawColor(kRed);
    ORV_Paint(7, 7);
    std::vector<int> red = snapshot(20, 16);
    EXPECT_EQ(red, std::vector<int>(20 * 16, kRed));
    ORV_Paint(7, 7);
    ORV_Paint(-1, 3);
    EXPECT_EQ(snapshot(20, 16), red);

    // Up to the outline and not across it, from inside and from outside.
    ORV_ClearImage(1);
    ORV_Box(3, 3, 12, 10);
    ORV_SetDrawColor(kWhite);
    ORV_Paint(5, 5);
    ORV_SetDrawColor(kBlue);
    ORV_Paint(0, 0);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 20; ++x) {
        bool outline = (x == 3 || x == 12) && y >= 3 && y <= 10;
        outline = outline || ((y == 3 || y == 10) && x >= 3 && x <= 12);
        bool inside = x > 3 && x < 12 && y > 3 && y < 10;
        EXPECT_EQ(ORV_GetPixel(x, y), outline ? kRed : inside ? kWhite : kBlue);
      }

    // A diagonal wall touches only at corners: the far side stays black.
    ORV_ClearImage(1);
    ORV_Line(kRed, 0, 9, 9, 0);
    ORV_SetDrawColor(kWhite);
    ORV_Paint(0, 0);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 20; ++x)
        EXPECT_EQ(ORV_GetPixel(x, y), x + y < 9 ? kWhite : x + y == 9 ? kRed : 0);
  });
}

TEST_F(DrawTest, PaintOnAnEightBitImageComparesTheStoredIndex) {
  make(16, 8, 8);
  on_worker([] {
    ORV_SetDrawColor(0x123456);
    ORV_Paint(3, 3);
    EXPECT_EQ(snapshot(16, 8), std::vector<int>(16 * 8, 0x56));
    // White stores index 255, which is already there: the fill ends at once.
    ORV_FillBox(0, 0, 15, 7, 255, 255);
    ORV_SetDrawColor(kWhite);
    ORV_Paint(3, 3);
    EXPECT_EQ(snapshot(16, 8), std::vector<int>(16 * 8, 255));
  });
}

// A spine on row 1 with one-pixel teeth above and below at every even x:
// its span pushes two seeds per tooth column, so 4000 seeds cover x 0..3998
// and the teeth from x = 4000 on are never reached.
TEST_F(DrawTest, PaintDropsSeedsBeyondFourThousand) {
  make(4100, 3);
  on_worker([] {
    for (int x = 1; x < 4100; x += 2) {
      ORV_SetPixel(x, 0, kBlue);
      ORV_SetPixel(x, 2, kBlue);
    }
    ORV_Paint(0, 1);
    int wrong = 0;
    for (int x = 0; x < 4100; ++x) {
      int tooth = x % 2 ? kBlue : x < 4000 ? kWhite : 0;
      wrong += ORV_GetPixel(x, 1) != kWhite;
      wrong += ORV_GetPixel(x, 0) != tooth;
      wrong += ORV_GetPixel(x, 2) != tooth;
    }
    EXPECT_EQ(wrong, 0);
  });
}

}  // namespace
