// Stretched copies on images small enough to work out by hand.
#include <gtest/gtest.h>

#include "platform/draw/dc.h"

namespace platform {
namespace {

using Pixels = std::vector<std::uint32_t>;

std::unique_ptr<Bitmap> bitmap32(int w, int h, const Pixels& pixels) {
  auto b = create_bitmap(w, h, 32);
  for (int i = 0; i < w * h && i < int(pixels.size()); ++i) b->row32(i / w)[i % w] = pixels[i];
  return b;
}

Pixels pixels32(const Bitmap& b) {
  Pixels out;
  for (int y = 0; y < b.height; ++y) out.insert(out.end(), b.row32(y), b.row32(y) + b.width);
  return out;
}

// Red, green and blue of one pixel, for area averages per channel.
std::uint32_t rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return (r << 16) | (g << 8) | b;
}

class StretchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    src_ = create_memory_dc();
    dst_ = create_memory_dc();
  }
  void TearDown() override { reset_dcs_for_tests(); }
  // Stretches the whole of `from` onto (x, y, w, h) of `to` in `mode`.
  void stretch(Bitmap& to, int x, int y, int w, int h, Bitmap& from, int mode) {
    select_bitmap(src_, &from);
    select_bitmap(dst_, &to);
    set_stretch_mode(dst_, mode);
    ASSERT_TRUE(stretch_copy(dst_, x, y, w, h, src_, 0, 0, from.width, from.height));
  }
  Dc src_, dst_;
};

constexpr std::uint32_t A = 0xA, B = 0xB, C = 0xC, D = 0xD;

TEST_F(StretchTest, NearestPixelTakesTheSourcePixelUnderEachCentre) {
  // Enlarging 2 -> 5: centres 0.5, 1.5, 2.5, 3.5, 4.5 fall on 0.2, 0.6, 1.0, 1.4, 1.8.
  auto two = bitmap32(2, 2, {A, B, C, D});
  auto five = create_bitmap(5, 5, 32);
  stretch(*five, 0, 0, 5, 5, *two, kStretchColorOnColor);
  EXPECT_EQ(pixels32(*five), (Pixels{A, A, B, B, B, A, A, B, B, B, C, C, D, D, D,  //
                                     C, C, D, D, D, C, C, D, D, D}));
  // Shrinking 5 -> 2: centres fall on 1.25 and 3.75.
  auto row = bitmap32(5, 1, {1, 2, 3, 4, 5});
  auto out = create_bitmap(2, 1, 32);
  stretch(*out, 0, 0, 2, 1, *row, kStretchColorOnColor);
  EXPECT_EQ(pixels32(*out), (Pixels{2, 4}));
  // A destination reaching past the left edge keeps its mapping: [A A B B] from x = -2.
  auto pair = bitmap32(2, 1, {A, B});
  auto edge = create_bitmap(2, 1, 32);
  stretch(*edge, -2, 0, 4, 1, *pair, kStretchColorOnColor);
  EXPECT_EQ(pixels32(*edge), (Pixels{B, B}));
}

TEST_F(StretchTest, NegativeExtentsMirror) {
  auto image = bitmap32(3, 2, {1, 2, 3, 4, 5, 6});
  select_bitmap(dst_, image.get());
  ASSERT_TRUE(stretch_copy(dst_, 2, 0, -3, 2, dst_, 0, 0, 3, 2));
  EXPECT_EQ(pixels32(*image), (Pixels{3, 2, 1, 6, 5, 4}));
  stretch_copy(dst_, 0, 1, 3, -2, dst_, 0, 0, 3, 2);
  EXPECT_EQ(pixels32(*image), (Pixels{6, 5, 4, 3, 2, 1}));
  // A negative source extent mirrors as well; both together cancel.
  stretch_copy(dst_, 0, 0, 3, 2, dst_, 2, 1, -3, -2);
  EXPECT_EQ(pixels32(*image), (Pixels{1, 2, 3, 4, 5, 6}));
  stretch_copy(dst_, 2, 1, -3, -2, dst_, 2, 1, -3, -2);
  EXPECT_EQ(pixels32(*image), (Pixels{1, 2, 3, 4, 5, 6}));
  // Mirrored while enlarging: [A A B B B] read from the right.
  auto pair = bitmap32(2, 1, {A, B});
  auto five = create_bitmap(5, 1, 32);
  stretch(*five, 4, 0, -5, 1, *pair, kStretchColorOnColor);
  EXPECT_EQ(pixels32(*five), (Pixels{B, B, B, A, A}));
  // The area average mirrors the same way.
  auto row = bitmap32(3, 1, {0, 90, 180});
  auto two = create_bitmap(2, 1, 32);
  stretch(*two, 1, 0, -2, 1, *row, kStretchHalftone);
  EXPECT_EQ(pixels32(*two), (Pixels{150, 30}));
  // A one-pixel-wide image does not change.
  auto thin = bitmap32(1, 3, {7, 8, 9});
  select_bitmap(dst_, thin.get());
  stretch_copy(dst_, 0, 0, -1, 3, dst_, 0, 0, 1, 3);
  EXPECT_EQ(pixels32(*thin), (Pixels{7, 8, 9}));
}

TEST_F(StretchTest, OverlappingAreasInOneContextReadTheOriginalPixels) {
  // Enlarging the left half over the whole row: written in place pixel by
  // pixel, pixel 2 would read the already overwritten pixel 1.
  auto row = bitmap32(4, 1, {1, 2, 3, 4});
  select_bitmap(dst_, row.get());
  ASSERT_TRUE(stretch_copy(dst_, 0, 0, 4, 1, dst_, 0, 0, 2, 1));
  EXPECT_EQ(pixels32(*row), (Pixels{1, 1, 2, 2}));
  auto column = bitmap32(1, 4, {10, 20, 30, 40});
  select_bitmap(dst_, column.get());
  set_stretch_mode(dst_, kStretchHalftone);
  stretch_copy(dst_, 0, 0, 1, 4, dst_, 0, 0, 1, 2);
  EXPECT_EQ(pixels32(*column), (Pixels{10, 10, 20, 20}));
  // Same size: a plain shift down by one row.
  auto shifted = bitmap32(1, 4, {10, 20, 30, 40});
  select_bitmap(dst_, shifted.get());
  stretch_copy(dst_, 0, 1, 1, 3, dst_, 0, 0, 1, 3);
  EXPECT_EQ(pixels32(*shifted), (Pixels{10, 10, 20, 30}));
}

TEST_F(StretchTest, AreaAverageWeightsByCoveredArea) {
  // 5 -> 2: each destination pixel covers 2.5 source pixels.
  auto five = bitmap32(
      5, 1,
      {rgb(10, 0, 100), rgb(20, 0, 100), rgb(30, 255, 100), rgb(40, 0, 100), rgb(200, 0, 100)});
  auto two = create_bitmap(2, 1, 32);
  stretch(*two, 0, 0, 2, 1, *five, kStretchHalftone);
  // red (2·10 + 2·20 + 30)/5 = 18 and (30 + 2·40 + 2·200)/5 = 102; green 255/5 = 51.
  EXPECT_EQ(pixels32(*two), (Pixels{rgb(18, 51, 100), rgb(102, 51, 100)}));
  // 2 -> 5: the middle pixel straddles both source pixels equally.
  auto pair = bitmap32(2, 1, {10, 20});
  auto wide = create_bitmap(5, 1, 32);
  stretch(*wide, 0, 0, 5, 1, *pair, kStretchHalftone);
  EXPECT_EQ(pixels32(*wide), (Pixels{10, 10, 15, 20, 20}));
  // 3 -> 2: weights 2/3 and 1/3.
  auto three = bitmap32(3, 1, {0, 90, 180});
  auto out = create_bitmap(2, 1, 32);
  stretch(*out, 0, 0, 2, 1, *three, kStretchHalftone);
  EXPECT_EQ(pixels32(*out), (Pixels{30, 150}));
  // 4 x 2 -> 2 x 1: two-by-two block means.
  auto block = bitmap32(4, 2, {0, 100, 10, 20, 200, 40, 30, 40});
  auto half = create_bitmap(2, 1, 32);
  stretch(*half, 0, 0, 2, 1, *block, kStretchHalftone);
  EXPECT_EQ(pixels32(*half), (Pixels{85, 25}));
  // The nearest-pixel mode on the same block takes single pixels instead.
  stretch(*half, 0, 0, 2, 1, *block, kStretchColorOnColor);
  EXPECT_EQ(pixels32(*half), (Pixels{40, 40}));
}

TEST_F(StretchTest, EightBitSourcesAndTargets) {
  auto indexed = create_bitmap(2, 1, 8);
  indexed->palette[0] = PaletteEntry{0, 0, 0, 0};
  indexed->palette[1] = PaletteEntry{255, 255, 255, 0};
  indexed->palette[2] = PaletteEntry{128, 128, 128, 0};
  for (int i = 3; i < 256; ++i) indexed->palette[i] = PaletteEntry{0, 0, 255, 0};
  indexed->row8(0)[0] = 0;
  indexed->row8(0)[1] = 1;
  // 8 -> 8 nearest copies indices.
  auto indexed4 = create_bitmap(4, 1, 8);
  indexed4->palette = indexed->palette;
  stretch(*indexed4, 0, 0, 4, 1, *indexed, kStretchColorOnColor);
  EXPECT_EQ(std::vector<int>(indexed4->row8(0), indexed4->row8(0) + 4),
            (std::vector<int>{0, 0, 1, 1}));
  // 8 -> 32 looks the palette up.
  auto words = create_bitmap(2, 1, 32);
  stretch(*words, 0, 0, 2, 1, *indexed, kStretchColorOnColor);
  EXPECT_EQ(pixels32(*words), (Pixels{0x000000, 0xFFFFFF}));
  // Averaging black and white gives 127.5 -> 128: the grey entry.
  auto one = create_bitmap(1, 1, 8);
  one->palette = indexed->palette;
  stretch(*one, 0, 0, 1, 1, *indexed, kStretchHalftone);
  EXPECT_EQ(one->row8(0)[0], 2);
  // 32 -> 8 in either mode takes nearest entries.
  auto source = bitmap32(2, 1, {0x00FF0000, 0x00F0F0F0});
  auto target = create_bitmap(2, 1, 8);
  target->palette = indexed->palette;
  stretch(*target, 0, 0, 2, 1, *source, kStretchColorOnColor);
  EXPECT_EQ(target->row8(0)[0], 3);
  EXPECT_EQ(target->row8(0)[1], 1);
}

}  // namespace
}  // namespace platform
