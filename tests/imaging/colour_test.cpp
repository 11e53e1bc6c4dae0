// The integer HSV model, the fixed-point luma and chroma weights, and the six
// test patterns on images of a running framework. Expected values are worked
// out by hand from the formulas.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <tuple>
#include <vector>

#include "framework/orvlib.h"
#include "imaging/colour.h"
#include "imaging/pixels.h"
#include "tests/framework/test_program.h"

namespace {

using test_program::on_worker;

TEST(Colour, HsvOfWorkedColoursTakesTheFirstMatchingCase) {
  struct Case {
    int colour, h, s, v;
  } cases[] = {
      {0x646464, 0, 0, 100},       // grey
      {0xC86432, 20, 150, 200},    // case 1: 60 * 50 / 150
      {0xFF0000, 0, 255, 255},     // red
      {0xFFFF00, 60, 255, 255},    // yellow: max R and G, case 1 first
      {0x64C832, 100, 150, 200},   // case 2: 60 * 100 / 150 + 60
      {0x00FFFF, 180, 255, 255},   // cyan: case 3
      {0x0A141E, 210, 20, 30},     // case 4: 60 * 10 / 20 + 180
      {0x1E0AC8, 246, 190, 200},   // case 5: 6000 / 190 = 6, + 240
      {0xFF00FF, 300, 255, 255},   // magenta: case 5
      {0xC80A64, 331, 190, 200},   // case 6: 6000 / 190 = 31, + 300
      {0x7FC86432, 20, 150, 200},  // the top byte is no channel
  };
  for (const Case& c : cases) {
    int h = -1, s = -1, v = -1;
    RgbToHsv(c.colour, &h, &s, &v);
    EXPECT_EQ(std::tuple(h, s, v), std::tuple(c.h, c.s, c.v)) << std::hex << c.colour;
    EXPECT_EQ(std::tuple(ORV_Hue(c.colour), ORV_Saturation(c.colour), ORV_Value(c.colour)),
              std::tuple(c.h, c.s, c.v))
        << std::hex << c.colour;
  }
}

TEST(Colour, HsvToRgbWorkedValuesAndUnclampedInputs) {
  EXPECT_EQ(ORV_HsvToRgb(255, 255, 0), 0xFF0000);
  EXPECT_EQ(ORV_HsvToRgb(100, 150, 40), 0x644200);  // m 0, d 100, G 4000 / 60 = 66
  EXPECT_EQ(ORV_HsvToRgb(255, 0, 200), 0xFFFFFF);
  EXPECT_EQ(ORV_HsvToRgb(200, 100, 200), 0x64A6C8);  // m 100, d 100, G 100 + 4000 / 60 = 166
  EXPECT_EQ(ORV_HsvToRgb(255, 255, 360), 0xFF0000);  // the last sector, B = m + 0
  // B = 255 * -40 / 60 = -170, added into the word as it is.
  EXPECT_EQ(ORV_HsvToRgb(255, 255, 400), 0xFF0000 - 170);
  // Far outside every range, still a defined word: all three channels
  // INT_MAX, (2^31 - 1) * 0x10101 mod 2^32 = 2^31 - 0x10101.
  EXPECT_EQ(ORV_HsvToRgb(INT_MAX, 0, INT_MIN), 0x7FFEFEFF);
  // m = 0, d = -2^31: R = -2^31 * 20 / 60 = -0x2AAAAAAA, G = -2^31 (0 mod 2^32 once shifted).
  EXPECT_EQ(ORV_HsvToRgb(INT_MIN, INT_MAX, 100), 0x55560000);
}

TEST(Colour, FixedPointRoundsHalfUpThenTowardZero) {
  EXPECT_EQ(orv::round_fixed(-98304), -1);  // -1.5
  EXPECT_EQ(orv::round_fixed(-49152), 0);   // -0.75
  EXPECT_EQ(orv::round_fixed(98304), 2);    // 1.5
  EXPECT_EQ(orv::fixed_point(orv::kLuma, 0xFFFFFF), 255);
  EXPECT_EQ(orv::fixed_point(orv::kLuma, 0xFF0000), 76);  // 5029493 / 65536
  EXPECT_EQ(orv::fixed_point(orv::kLuma, 0x00FF00), 150);
  EXPECT_EQ(orv::fixed_point(orv::kLuma, 0x0000FF), 29);
  EXPECT_EQ(orv::fixed_point(orv::kCr, 0x0000FF), -20);  // -20.15
  EXPECT_EQ(orv::fixed_point(orv::kCb, 0x0000FF), 128);
  EXPECT_EQ(orv::fixed_point(orv::kCr, 0x808080), 0);
}

// Every colour word through every conversion: nothing overflows or divides by
// zero (the sanitizers abort), and every output lies in its range, both ends
// reached. The ranges are the sums of the positive and of the negative weights
// times 255, rounded.
TEST(Colour, EveryColourThroughEveryConversionStaysInRange) {
  struct Range {
    const orv::Weights* w;
    int low, high, seen_low = INT_MAX, seen_high = INT_MIN;
  } ranges[] = {{&orv::kLuma, 0, 255}, {&orv::kCr, -127, 128}, {&orv::kCb, -127, 128},
                {&orv::kU, -110, 111}, {&orv::kV, -156, 157},  {&orv::kI, -151, 152},
                {&orv::kQ, -126, 127}};
  int bad = 0;
  for (int c = 0; c < 1 << 24; ++c) {
    int h, s, v, h2, s2, v2;
    RgbToHsv(c, &h, &s, &v);
    bad += h < 0 || h > 359 || s < 0 || s > 255 || v < 0 || v > 255;
    // Back and forth keeps the largest and the smallest channel.
    const int back = ORV_HsvToRgb(v, s, h);
    RgbToHsv(back, &h2, &s2, &v2);
    bad += (back >> 24) != 0 || s2 != s || v2 != v;
    for (Range& r : ranges) {
      const int q = orv::fixed_point(*r.w, c);
      r.seen_low = std::min(r.seen_low, q);
      r.seen_high = std::max(r.seen_high, q);
    }
  }
  EXPECT_EQ(bad, 0);
  for (const Range& r : ranges) {
    EXPECT_EQ(r.seen_low, r.low);
    EXPECT_EQ(r.seen_high, r.high);
  }
  // Every HSV triple of the stated ranges, S above V included.
  bad = 0;
  for (int v = 0; v < 256; ++v)
    for (int s = 0; s < 256; ++s)
      for (int h = 0; h < 360; ++h) bad += ORV_HsvToRgb(v, s, h) >> 24 != 0;
  EXPECT_EQ(bad, 0);
}

struct Probe {
  int x, y, colour;
};

class PatternTest : public ::testing::Test {
 protected:
  test_program::Serving framework;
  void TearDown() override {
    on_worker([] { ORV_DestroyImage(1); });
  }
  // Paints a 32-bit and an 8-bit w x h image 1 and checks the probes (the
  // low byte on 8 bits) and that every pixel was written.
  static void expect(void (*paint)(), int w, int h, std::vector<Probe> probes) {
    on_worker([&] {
      for (int bits : {32, 8}) {
        ORV_DestroyImage(1);
        ASSERT_EQ(bits == 32 ? ORV_CreateImageFL(1, "p", 0, 0, w, h, 100)
                             : ORV_CreateImage8FL(1, "p", 0, 0, w, h, 100),
                  0);
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) ORV_SetPixel(x, y, bits == 32 ? 0x7F000000 : 0);
        paint();
        for (const Probe& p : probes)
          EXPECT_EQ(ORV_GetPixel(p.x, p.y), bits == 32 ? p.colour : p.colour & 0xFF)
              << bits << " bits, " << w << " x " << h << " at " << p.x << ", " << p.y;
        int unwritten = 0;
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) unwritten += ORV_GetPixel(x, y) >> 24 != 0;
        EXPECT_EQ(unwritten, 0);
      }
    });
  }
};

TEST_F(PatternTest, RgbAndHsv) {
  // R = 255x / w, G = 255y / h, B = 255 - 255(x + y) / (w + h).
  expect(ORV_TestPatternRgb, 256, 256,
         {{0, 0, 0x0000FF},
          {255, 0, 0xFE0080},
          {0, 255, 0x00FE80},
          {255, 255, 0xFEFE01},
          {128, 128, 0x7F7F80}});
  expect(
      ORV_TestPatternRgb, 7, 3,
      {{0, 0, 0x0000FF}, {6, 0, 0xDA0066}, {0, 2, 0x00AACC}, {6, 2, 0xDAAA33}, {3, 1, 0x6D5599}});
  on_worker([] {  // the pen ends on the last pixel
    EXPECT_EQ(orv::pen().x, 6);
    EXPECT_EQ(orv::pen().y, 2);
  });
  // n = 128: rows 0..127 fade from white (S = 255y / 128), row 128 holds the
  // full hues, then V = 255 - (y - 128) * 255 / 128.
  expect(ORV_TestPatternHsv, 256, 256,
         {{0, 0, 0xFFFFFF},
          {255, 0, 0xFFFFFF},
          {64, 64, 0xC1FF80},
          {0, 127, 0xFF0202},
          {0, 128, 0xFF0000},
          {128, 128, 0x00FFFA},
          {0, 255, 0x020000},
          {255, 255, 0x020000}});
  // n = 1; hues 0, 153 and 307 in columns 0, 3 and 6.
  expect(ORV_TestPatternHsv, 7, 3,
         {{0, 0, 0xFFFFFF},
          {6, 0, 0xFFFFFF},
          {0, 1, 0xFF0000},
          {3, 1, 0x00FF8C},
          {6, 1, 0xFF00E1},
          {0, 2, 0},
          {6, 2, 0}});
  // One row: the full hues; two rows: white above them.
  expect(ORV_TestPatternHsv, 7, 1, {{0, 0, 0xFF0000}, {3, 0, 0x00FF8C}, {6, 0, 0xFF00E1}});
  expect(ORV_TestPatternHsv, 7, 2, {{3, 0, 0xFFFFFF}, {3, 1, 0x00FF8C}});
}

// ch = (x - w/2) * 255 / w, cv = -((y - h/2) * 255 / h), Y = sqrt(5(cv² + ch²)).
// On 256 x 256: (128, 100) is cv 27, (100, 128) ch -27, both Y 60; on 7 x 3,
// (4, 1) is ch 36, Y 80; (0, 0) ch -109, cv 85, Y 309; (3, 0) cv 85, Y 190.
TEST_F(PatternTest, ChromaPlanes) {
  expect(ORV_TestPatternYCrCb, 256, 256,
         {{128, 128, 0},
          {128, 127, 0},
          {128, 100, 0x62293C},
          {100, 128, 0x3C450C},
          {0, 0, 0xFFFFB0},
          {255, 255, 0xDDFFFF}});
  expect(ORV_TestPatternYCrCb, 7, 3,
         {{3, 1, 0}, {4, 1, 0x504490}, {0, 0, 0xFFFF74}, {6, 2, 0xBEFFFF}});
  expect(ORV_TestPatternYuv, 256, 256,
         {{128, 128, 0}, {128, 100, 0x5B2C3C}, {100, 128, 0x3C4705}, {0, 0, 0xFFFF8F}});
  expect(ORV_TestPatternYuv, 7, 3, {{3, 1, 0}, {4, 1, 0x504299}, {0, 0, 0xFFFF58}});
  expect(ORV_TestPatternYiq, 256, 256, {{128, 128, 0}, {128, 100, 0x56351E}, {100, 128, 0x2A4E0B}});
  expect(ORV_TestPatternYiq, 7, 3, {{3, 1, 0}, {4, 1, 0x683791}, {3, 0, 0xFFA85E}});
}

TEST_F(PatternTest, GreyRampsAndTheGreyPalette) {
  expect(ORV_TestPatternGrey, 256, 256,
         {{0, 0, 0},
          {255, 0, 0xFEFEFE},
          {128, 127, 0x7F7F7F},
          {0, 128, 0xFFFFFF},
          {128, 128, 0x808080},
          {255, 255, 0x010101}});
  expect(ORV_TestPatternGrey, 7, 3,
         {{0, 0, 0}, {6, 0, 0xDADADA}, {3, 1, 0x929292}, {0, 2, 0xFFFFFF}, {6, 2, 0x252525}});
  expect(ORV_TestPatternGrey, 7, 1, {{0, 0, 0xFFFFFF}, {6, 0, 0x252525}});  // the lower ramp
  on_worker([] {
    unsigned char palette[1024] = {}, blank[1024] = {};
    ORV_SetPalette(blank, 256);  // image 1 is the 8-bit one
    ORV_TestPatternGrey();
    ORV_GetPalette(palette);
    for (int i : {0, 0x25, 0x92, 255})
      EXPECT_EQ(palette[4 * i] | palette[4 * i + 1] << 8 | palette[4 * i + 2] << 16, i * 0x010101);
  });
}

// A current image that has been destroyed gets nothing, nor does any other image.
TEST_F(PatternTest, NothingIsDrawnWithoutACurrentImage) {
  on_worker([] {
    ASSERT_EQ(ORV_CreateImageFL(2, "other", 0, 0, 8, 8, 100), 0);
    ASSERT_EQ(ORV_CreateImageFL(1, "gone", 0, 0, 8, 8, 100), 0);
    ORV_DestroyImage(1);
    for (auto paint : {ORV_TestPatternRgb, ORV_TestPatternHsv, ORV_TestPatternYCrCb,
                       ORV_TestPatternYuv, ORV_TestPatternYiq, ORV_TestPatternGrey})
      paint();
    ORV_SelectImage(2);
    int written = 0;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) written += ORV_GetPixel(x, y) != 0;
    EXPECT_EQ(written, 0);
    ORV_DestroyImage(2);
  });
}

}  // namespace
