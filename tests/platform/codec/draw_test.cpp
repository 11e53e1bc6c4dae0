// Drawing decoded pictures into bitmaps: placement, clipping, palette lookup
// and nearest-entry mapping into 8-bit targets.
#include <gtest/gtest.h>

#include "test_util.h"

using namespace platform;
using namespace codec_test;

namespace {

// A bitmap built here rather than by create_bitmap, so that these tests need
// nothing of the platform but its types.
Bitmap make_bitmap(int width, int height, int bits, std::uint32_t fill) {
  Bitmap b;
  b.width = width;
  b.height = height;
  b.bits = bits;
  b.stride = bitmap_stride(width, bits);
  b.data = std::make_unique<std::uint8_t[]>(std::size_t(b.stride) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (bits == 32)
        b.row32(y)[x] = fill;
      else
        b.row8(y)[x] = std::uint8_t(fill);
    }
  return b;
}

// Entry 0 black, 1 red, 2 blue 200, every other entry mid grey.
void set_test_palette(Bitmap& b) {
  for (auto& e : b.palette) e = {128, 128, 128, 0};
  b.palette[0] = {0, 0, 0, 0};
  b.palette[1] = {0, 0, 255, 0};
  b.palette[2] = {200, 0, 0, 0};
}

std::vector<std::uint32_t> words(const Bitmap& b) {
  std::vector<std::uint32_t> v;
  for (int y = 0; y < b.height; ++y) v.insert(v.end(), b.row32(y), b.row32(y) + b.width);
  return v;
}

std::vector<std::uint8_t> bytes(const Bitmap& b) {
  std::vector<std::uint8_t> v;
  for (int y = 0; y < b.height; ++y) v.insert(v.end(), b.row8(y), b.row8(y) + b.width);
  return v;
}

}  // namespace

TEST(CodecDraw, PictureLandsAtItsPositionClippedAndTheRestStays) {
  Picture p = make_picture32(3, 2, {1, 2, 3, 4, 5, 6});
  Bitmap target = make_bitmap(4, 3, 32, 0x777777);
  ASSERT_EQ(draw_picture(target, 2, 1, p), CodecStatus::Ok);
  const std::uint32_t o = 0x777777;
  EXPECT_EQ(words(target), std::vector<std::uint32_t>({o, o, o, o, o, o, 1, 2, o, o, 4, 5}));

  Bitmap corner = make_bitmap(2, 2, 32, 0x777777);
  ASSERT_EQ(draw_picture(corner, -1, -1, p), CodecStatus::Ok);
  EXPECT_EQ(words(corner), std::vector<std::uint32_t>({5, 6, o, o}));

  Bitmap missed = make_bitmap(2, 2, 32, 0x777777);
  EXPECT_EQ(draw_picture(missed, 5, 0, p), CodecStatus::Ok);
  EXPECT_EQ(draw_picture(missed, -3, 0, p), CodecStatus::Ok);
  EXPECT_EQ(words(missed), std::vector<std::uint32_t>(4, o));
}

TEST(CodecDraw, EightBitPictureIntoColourTargetGoesThroughItsPalette) {
  Picture p = make_picture8(3, 1, {1, 0, 5}, {0xFF102030, 0x80405060});
  Bitmap target = make_bitmap(3, 1, 32, 0x777777);
  ASSERT_EQ(draw_picture(target, 0, 0, p), CodecStatus::Ok);
  // The alpha byte is not drawn; an index past the palette is black.
  EXPECT_EQ(words(target), std::vector<std::uint32_t>({0x405060, 0x102030, 0}));
}

TEST(CodecDraw, ColoursIntoPaletteTargetTakeTheNearestEntry) {
  Picture p = make_picture32(4, 1, {0xF01010, 0x0000A0, 0x7F7F7F, 0x000000});
  Bitmap target = make_bitmap(4, 1, 8, 9);
  set_test_palette(target);
  ASSERT_EQ(draw_picture(target, 0, 0, p), CodecStatus::Ok);
  // Grey appears at every index from 3 on: the lowest wins.
  EXPECT_EQ(bytes(target), std::vector<std::uint8_t>({1, 2, 3, 0}));
}

TEST(CodecDraw, IndicesStayWhenTheTargetHasTheSameColours) {
  Bitmap target = make_bitmap(4, 1, 8, 9);
  set_test_palette(target);
  // Index 200 is grey in both palettes: it stays 200 although entry 3 is grey too.
  std::vector<std::uint32_t> same(256, 0xFF808080);
  same[0] = 0xFF000000, same[1] = 0xFFFF0000, same[2] = 0xFF0000C8;
  ASSERT_EQ(draw_picture(target, 0, 0, make_picture8(4, 1, {200, 2, 1, 0}, same)), CodecStatus::Ok);
  EXPECT_EQ(bytes(target), std::vector<std::uint8_t>({200, 2, 1, 0}));
  // A different palette: index 0 is near red, index 1 near blue.
  ASSERT_EQ(draw_picture(target, 0, 0, make_picture8(4, 1, {0, 1, 0, 1}, {0xFFE00000, 0xFF0000FF})),
            CodecStatus::Ok);
  EXPECT_EQ(bytes(target), std::vector<std::uint8_t>({1, 2, 1, 2}));
}

TEST(CodecDraw, BadPicturesAndTargetsAreRefused) {
  Bitmap target = make_bitmap(2, 2, 32, 0);
  EXPECT_EQ(draw_picture(target, 0, 0, make_picture32(2, 2, {1, 2, 3})), CodecStatus::BadArgument);
  EXPECT_EQ(draw_picture(target, 0, 0, Picture{}), CodecStatus::BadArgument);
  Bitmap empty;
  EXPECT_EQ(draw_picture(empty, 0, 0, make_picture32(1, 1, {1})), CodecStatus::BadArgument);
}

TEST(CodecDraw, BitmapBecomesAPictureWithItsWholePalette) {
  Bitmap eight = make_bitmap(3, 2, 8, 4);
  set_test_palette(eight);
  eight.row8(1)[2] = 1;
  Picture p;
  ASSERT_EQ(picture_from_bitmap(eight, p), CodecStatus::Ok);
  EXPECT_EQ(p.bits, 8);
  EXPECT_EQ(p.indices, std::vector<std::uint8_t>({4, 4, 4, 4, 4, 1}));
  ASSERT_EQ(p.palette.size(), 256u);
  EXPECT_EQ(p.palette[1], 0xFFFF0000u);
  EXPECT_EQ(p.palette[2], 0xFF0000C8u);

  Bitmap colour = make_bitmap(2, 1, 32, 0xAB123456);
  ASSERT_EQ(picture_from_bitmap(colour, p), CodecStatus::Ok);
  EXPECT_EQ(p.pixels, std::vector<std::uint32_t>({0x123456, 0x123456}));
}
