// The built-in sample strip: near and far objects move against each other
// from the first picture to the last, the lens plane stays, and each
// picture shows its number.
#include "composer/sample_strip.h"

#include <gtest/gtest.h>

#include <vector>

namespace composer {
namespace {

constexpr int W = kSamplePictureWidth, H = kSamplePictureHeight;

std::vector<std::uint32_t> picture(int index, int count) {
  std::vector<std::uint32_t> pixels(std::size_t(W) * H, 0xDEADBEEF);
  draw_sample_picture(pixels.data(), W, index, count);
  return pixels;
}

int red(std::uint32_t c) {
  return int(c >> 16 & 255);
}

// First and last column of the ball (strong red, little blue) on row y.
std::pair<int, int> ball_span(const std::vector<std::uint32_t>& p, int y) {
  int first = -1, last = -1;
  for (int x = 0; x < W; ++x) {
    std::uint32_t c = p[std::size_t(y) * W + x];
    if (red(c) > 100 && int(c & 255) < 60 && int(c >> 8 & 255) > 80) {
      if (first < 0) first = x;
      last = x;
    }
  }
  return {first, last};
}

TEST(SampleStripTest, TheBallMovesTheHouseStaysAndEachPictureIsNumbered) {
  std::vector<std::uint32_t> first = picture(0, 8), last = picture(7, 8);
  for (std::uint32_t c : first) ASSERT_EQ(c >> 24, 0u) << "every pixel is written, 0x00RRGGBB";
  // Ball centre 0.26 W -/+ 20 = 104.8 / 144.8 on row 200, radius 35.1.
  EXPECT_EQ(ball_span(first, 200), std::make_pair(70, 139));
  EXPECT_EQ(ball_span(last, 200), std::make_pair(110, 179));
  // The house's left wall, at 0.52 W = 249, is on the lens plane.
  for (const auto* p : {&first, &last}) {
    EXPECT_EQ((*p)[150 * W + 249], 0xC84632u);
    EXPECT_NE((*p)[150 * W + 248], 0xC84632u);
  }
  // "1" has its top row in glyph column 2, "8" in columns 1 to 3; cells are 4 px from (4, 4).
  EXPECT_EQ(first[5 * W + 9], 0u);
  EXPECT_EQ(first[5 * W + 13], 0xFFFFFFu);
  EXPECT_EQ(last[5 * W + 9], 0xFFFFFFu);
  // One picture alone is seen from the middle: the ball at 0.26 W.
  EXPECT_EQ(ball_span(picture(0, 1), 200), std::make_pair(90, 159));
}

}  // namespace
}  // namespace composer
