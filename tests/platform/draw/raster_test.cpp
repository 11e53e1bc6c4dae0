// Memory contexts, their attributes, block copy, fills, inversion and the
// conversions between 8-bit and 32-bit bitmaps.
#include <gtest/gtest.h>

#include "platform/draw/dc.h"
#include "platform/draw/raster.h"

namespace platform {
namespace {

std::unique_ptr<Bitmap> bitmap32(int w, int h, std::initializer_list<std::uint32_t> pixels) {
  auto b = create_bitmap(w, h, 32);
  auto it = pixels.begin();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w && it != pixels.end(); ++x) b->row32(y)[x] = *it++;
  }
  return b;
}

std::vector<std::uint32_t> pixels32(const Bitmap& b) {
  std::vector<std::uint32_t> out;
  for (int y = 0; y < b.height; ++y) out.insert(out.end(), b.row32(y), b.row32(y) + b.width);
  return out;
}

class RasterTest : public ::testing::Test {
 protected:
  void TearDown() override { reset_dcs_for_tests(); }
};

TEST_F(RasterTest, MemoryContextHandsBackThePreviousBitmap) {
  auto a = create_bitmap(2, 2, 32);
  auto b = create_bitmap(3, 3, 8);
  Dc dc = create_memory_dc();
  ASSERT_TRUE(dc);
  EXPECT_EQ(select_bitmap(dc, a.get()), nullptr);
  EXPECT_EQ(select_bitmap(dc, b.get()), a.get());
  EXPECT_EQ(selected_bitmap(dc), b.get());
  EXPECT_EQ(select_bitmap(dc, a.get()), b.get());
  EXPECT_TRUE(delete_dc(dc));
  // The deleted handle is dead, also once its slot is in use again.
  Dc other = create_memory_dc();
  EXPECT_NE(other, dc);
  EXPECT_FALSE(is_dc(dc));
  EXPECT_FALSE(delete_dc(dc));
  EXPECT_EQ(select_bitmap(dc, a.get()), nullptr);
  EXPECT_FALSE(fill_black(dc, 0, 0, 1, 1));
  // Drawing into a context without a bitmap reports failure.
  EXPECT_FALSE(fill_black(other, 0, 0, 1, 1));
}

TEST_F(RasterTest, AttributesReturnTheirPreviousValues) {
  Dc dc = create_memory_dc();
  EXPECT_EQ(stretch_mode(dc), kStretchColorOnColor);
  EXPECT_EQ(set_stretch_mode(dc, kStretchHalftone), kStretchColorOnColor);
  EXPECT_EQ(set_stretch_mode(dc, 1), 0);  // only the two modes exist
  EXPECT_EQ(stretch_mode(dc), kStretchHalftone);
  Point old = set_brush_origin(dc, Point{3, 4});
  EXPECT_EQ(old.x, 0);
  EXPECT_EQ(set_brush_origin(dc, Point{0, 0}).y, 4);
  EXPECT_EQ(set_text_color(dc, 0x00FF8000), 0x000000u);
  EXPECT_EQ(set_text_color(dc, 0x12345678), 0x00FF8000u);
  EXPECT_EQ(text_color(dc), 0x00345678u);  // the top byte is not a colour
  EXPECT_EQ(set_background_color(dc, 0), 0xFFFFFFu);
  EXPECT_EQ(set_background_mode(dc, kBackgroundTransparent), kBackgroundOpaque);
  EXPECT_EQ(set_background_mode(dc, 5), 0);
  EXPECT_EQ(background_mode(dc), kBackgroundTransparent);
  EXPECT_EQ(stretch_mode(Dc{}), 0);
}

TEST_F(RasterTest, BlockCopyClipsAndHandlesOverlap) {
  auto src = bitmap32(3, 2, {1, 2, 3, 4, 5, 6});
  auto dst = create_bitmap(4, 3, 32);
  Dc s = create_memory_dc(), d = create_memory_dc();
  select_bitmap(s, src.get());
  select_bitmap(d, dst.get());
  ASSERT_TRUE(block_copy(d, 1, 1, 3, 2, s, 0, 0));
  EXPECT_EQ(pixels32(*dst), (std::vector<std::uint32_t>{0, 0, 0, 0, 0, 1, 2, 3, 0, 4, 5, 6}));
  // Starting left of the destination drops the source columns that fall outside.
  auto dst2 = create_bitmap(2, 1, 32);
  select_bitmap(d, dst2.get());
  block_copy(d, -1, 0, 3, 1, s, 0, 1);
  EXPECT_EQ(pixels32(*dst2), (std::vector<std::uint32_t>{5, 6}));

  // One context, areas overlapping: right by one, then down by one.
  auto row = bitmap32(4, 1, {1, 2, 3, 4});
  select_bitmap(d, row.get());
  block_copy(d, 1, 0, 3, 1, d, 0, 0);
  EXPECT_EQ(pixels32(*row), (std::vector<std::uint32_t>{1, 1, 2, 3}));
  block_copy(d, 0, 0, 3, 1, d, 1, 0);
  EXPECT_EQ(pixels32(*row), (std::vector<std::uint32_t>{1, 2, 3, 3}));
  auto column = bitmap32(1, 4, {1, 2, 3, 4});
  select_bitmap(d, column.get());
  block_copy(d, 0, 1, 1, 3, d, 0, 0);
  EXPECT_EQ(pixels32(*column), (std::vector<std::uint32_t>{1, 1, 2, 3}));
}

TEST_F(RasterTest, BlackFillAndInversion) {
  auto b = bitmap32(3, 1, {0x00123456, 0xFF000000, 0x00FFFFFF});
  Dc dc = create_memory_dc();
  select_bitmap(dc, b.get());
  ASSERT_TRUE(invert_rect(dc, 0, 0, 3, 1));
  EXPECT_EQ(pixels32(*b), (std::vector<std::uint32_t>{0x00EDCBA9, 0xFFFFFFFF, 0x00000000}));
  invert_rect(dc, 0, 0, 3, 1);
  EXPECT_EQ(pixels32(*b), (std::vector<std::uint32_t>{0x00123456, 0xFF000000, 0x00FFFFFF}));
  fill_black(dc, 1, -5, 10, 10);
  EXPECT_EQ(pixels32(*b), (std::vector<std::uint32_t>{0x00123456, 0, 0}));

  // 8-bit: the index is complemented; black is the palette's darkest entry.
  auto p = create_bitmap(5, 2, 8);  // rows padded to 8 bytes
  for (int i = 0; i < 256; ++i) p->palette[i] = PaletteEntry{255, 255, 255, 0};
  p->palette[7] = PaletteEntry{10, 0, 0, 0};
  p->palette[9] = PaletteEntry{1, 1, 1, 0};
  p->row8(0)[0] = 0x0F;
  p->row8(1)[4] = 0xA5;
  select_bitmap(dc, p.get());
  invert_rect(dc, 0, 0, 5, 2);
  EXPECT_EQ(p->row8(0)[0], 0xF0);
  EXPECT_EQ(p->row8(1)[4], 0x5A);
  EXPECT_EQ(p->row8(0)[5], 0);  // padding untouched
  invert_rect(dc, 0, 0, 5, 2);
  EXPECT_EQ(p->row8(0)[0], 0x0F);
  EXPECT_EQ(p->row8(1)[4], 0xA5);
  fill_black(dc, 0, 1, 2, 1);
  EXPECT_EQ(p->row8(1)[0], 9);
  EXPECT_EQ(p->row8(1)[1], 9);
  EXPECT_EQ(p->row8(1)[2], 0);  // outside the fill
}

TEST_F(RasterTest, EightBitToThirtyTwoThroughThePaletteAndBack) {
  auto p = create_bitmap(3, 1, 8);
  p->palette[0] = PaletteEntry{30, 20, 10, 0};  // blue, green, red
  p->palette[1] = PaletteEntry{50, 100, 200, 0};
  p->palette[2] = PaletteEntry{128, 128, 128, 0};
  for (int i = 3; i < 256; ++i) p->palette[i] = PaletteEntry{255, 255, 255, 0};
  p->row8(0)[0] = 1;
  p->row8(0)[1] = 2;
  p->row8(0)[2] = 0;
  auto w = create_bitmap(3, 1, 32);
  Dc s = create_memory_dc(), d = create_memory_dc();
  select_bitmap(s, p.get());
  select_bitmap(d, w.get());
  ASSERT_TRUE(block_copy(d, 0, 0, 3, 1, s, 0, 0));
  EXPECT_EQ(pixels32(*w), (std::vector<std::uint32_t>{0x00C86432, 0x00808080, 0x000A141E}));

  // Back: each word takes the nearest entry; a tie goes to the lower index.
  w->row32(0)[0] = 0x00C96334;  // (201, 99, 52): entry 1
  w->row32(0)[1] = 0x00F0F0F0;  // nearest to the white entries 3..255: 3
  w->row32(0)[2] = 0x00000000;  // entry 0
  block_copy(s, 0, 0, 3, 1, d, 0, 0);
  EXPECT_EQ(p->row8(0)[0], 1);
  EXPECT_EQ(p->row8(0)[1], 3);
  EXPECT_EQ(p->row8(0)[2], 0);
  EXPECT_EQ(nearest_palette_index(p->palette, 0x00808081), 2);
}

}  // namespace
}  // namespace platform
