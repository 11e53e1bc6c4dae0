// The integer HSV model and the fixed-point luma and chroma weights.
// Expected values are worked out by hand from the formulas.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "framework/orvlib.h"
#include "imaging/colour.h"

namespace {

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
    EXPECT_EQ(h, c.h) << std::hex << c.colour;
    EXPECT_EQ(s, c.s) << std::hex << c.colour;
    EXPECT_EQ(v, c.v) << std::hex << c.colour;
    EXPECT_EQ(ORV_Hue(c.colour), c.h);
    EXPECT_EQ(ORV_Saturation(c.colour), c.s);
    EXPECT_EQ(ORV_Value(c.colour), c.v);
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

}  // namespace
