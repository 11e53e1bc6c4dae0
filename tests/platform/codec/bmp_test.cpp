// BMP files and packed DIBs made by hand, one per header kind, depth and
// coding, with the pixels they must give worked out from the bytes.
#include <gtest/gtest.h>

#include "test_util.h"

using namespace platform;
using namespace codec_test;

namespace {

// A 40-byte info header.
std::vector<std::uint8_t> info_header(int width, int height, int bits, std::uint32_t compression,
                                      std::uint32_t colours_used = 0) {
  std::vector<std::uint8_t> v;
  put32(v, 40);
  put32(v, std::uint32_t(width));
  put32(v, std::uint32_t(height));
  put16(v, 1);
  put16(v, unsigned(bits));
  put32(v, compression);
  put32(v, 0);
  put32(v, 0);
  put32(v, 0);
  put32(v, colours_used);
  put32(v, 0);
  return v;
}

// A BMP file: file header, then `dib` (info header, masks, palette) and pixels.
std::vector<std::uint8_t> bmp_file(const std::vector<std::uint8_t>& dib,
                                   const std::vector<std::uint8_t>& pixels) {
  std::vector<std::uint8_t> v = {'B', 'M'};
  put32(v, std::uint32_t(14 + dib.size() + pixels.size()));
  put32(v, 0);
  put32(v, std::uint32_t(14 + dib.size()));
  v.insert(v.end(), dib.begin(), dib.end());
  v.insert(v.end(), pixels.begin(), pixels.end());
  return v;
}

void append(std::vector<std::uint8_t>& v, std::initializer_list<std::uint8_t> bytes) {
  v.insert(v.end(), bytes);
}

Picture decode_ok(const std::vector<std::uint8_t>& bytes) {
  Picture p;
  EXPECT_EQ(decode_picture(bytes.data(), bytes.size(), p), CodecStatus::Ok);
  return p;
}

}  // namespace

TEST(CodecBmp, IndexedDepthsUnpackMostSignificantBitsFirst) {
  // 1 bit, 2 x 2, bottom-up: the bottom row is 0 1, the top row 1 0.
  std::vector<std::uint8_t> dib = info_header(2, 2, 1, 0);
  append(dib, {0, 0, 0, 0, 0x00, 0x80, 0xFF, 0});
  Picture one = decode_ok(bmp_file(dib, {0x40, 0, 0, 0, 0x80, 0, 0, 0}));
  EXPECT_EQ(one.bits, 8);
  EXPECT_EQ(one.indices, std::vector<std::uint8_t>({1, 0, 0, 1}));
  EXPECT_EQ(one.palette, std::vector<std::uint32_t>({0xFF000000, 0xFFFF8000}));

  // 4 bits, 3 x 1, a palette of 4 entries announced by the colours-used field.
  dib = info_header(3, 1, 4, 0, 4);
  append(dib, {1, 1, 1, 0, 2, 2, 2, 0, 3, 3, 3, 0, 4, 4, 4, 0});
  Picture four = decode_ok(bmp_file(dib, {0x12, 0x30, 0, 0}));
  EXPECT_EQ(four.indices, std::vector<std::uint8_t>({1, 2, 3}));
  EXPECT_EQ(four.palette.size(), 4u);
  EXPECT_EQ(four.palette[3], 0xFF040404u);
}

TEST(CodecBmp, DirectDepthsAndMasksScaleToEightBits) {
  // 16 bits without masks is 5-5-5: 0x7FFF white, 0x4210 has 16 of 31 in each
  // channel, (16 * 255 + 15) / 31 = 132.
  Picture p555 = decode_ok(bmp_file(info_header(2, 1, 16, 0), {0xFF, 0x7F, 0x10, 0x42}));
  EXPECT_EQ(p555.pixels, std::vector<std::uint32_t>({0xFFFFFF, 0x848484}));

  // 5-6-5 masks after a 40-byte header: 0x8410 is 16/31, 32/63, 16/31;
  // green (32 * 255 + 31) / 63 = 130.
  std::vector<std::uint8_t> dib = info_header(4, 1, 16, 3);
  put32(dib, 0xF800);
  put32(dib, 0x07E0);
  put32(dib, 0x001F);
  Picture p565 = decode_ok(bmp_file(dib, {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x10, 0x84}));
  EXPECT_EQ(p565.pixels, std::vector<std::uint32_t>({0xFF0000, 0x00FF00, 0x0000FF, 0x848284}));

  // 24 bits bottom-up, rows of 6 bytes padded to 8.
  Picture p24 = decode_ok(bmp_file(info_header(2, 2, 24, 0), {1, 2, 3, 4, 5, 6, 0, 0, 0x10, 0x20,
                                                              0x30, 0x40, 0x50, 0x60, 0, 0}));
  EXPECT_EQ(p24.pixels, std::vector<std::uint32_t>({0x302010, 0x605040, 0x030201, 0x060504}));

  // 32 bits top-down (negative height); the fourth byte is not alpha.
  Picture p32 = decode_ok(bmp_file(info_header(1, -2, 32, 0), {1, 2, 3, 0x80, 4, 5, 6, 0xFF}));
  EXPECT_EQ(p32.pixels, std::vector<std::uint32_t>({0x030201, 0x060504}));
}

TEST(CodecBmp, Os2CoreHeaderHasThreeBytePaletteEntries) {
  std::vector<std::uint8_t> dib;
  put32(dib, 12);
  put16(dib, 2);  // width
  put16(dib, 1);  // height
  put16(dib, 1);
  put16(dib, 8);
  for (int i = 0; i < 256; ++i) append(dib, {std::uint8_t(i), std::uint8_t(i / 2), 9});
  Picture p = decode_ok(bmp_file(dib, {3, 200, 0, 0}));
  EXPECT_EQ(p.indices, std::vector<std::uint8_t>({3, 200}));
  EXPECT_EQ(p.palette[200], 0xFF0964C8u);
}

TEST(CodecBmp, RunLengthCodesFillRowsFromTheBottom) {
  // RLE8, 4 x 2. Bottom row: three 5s, one 6, end of line. Top row: an
  // absolute run 7 8 9 (padded to even), then end of bitmap; its fourth
  // pixel is never written and stays 0.
  std::vector<std::uint8_t> dib = info_header(4, 2, 8, 1);
  for (int i = 0; i < 256; ++i) put32(dib, std::uint32_t(i));
  Picture rle8 = decode_ok(bmp_file(dib, {3, 5, 1, 6, 0, 0, 0, 3, 7, 8, 9, 0, 0, 1}));
  EXPECT_EQ(rle8.indices, std::vector<std::uint8_t>({7, 8, 9, 0, 5, 5, 5, 6}));

  // RLE4, 4 x 2. Bottom row: four pixels alternating 1 and 2. Top row: a
  // delta of one column, then 3 4; the rest stays 0.
  dib = info_header(4, 2, 4, 2);
  for (int i = 0; i < 16; ++i) put32(dib, std::uint32_t(i));
  Picture rle4 = decode_ok(bmp_file(dib, {4, 0x12, 0, 0, 0, 2, 1, 0, 2, 0x34, 0, 1}));
  EXPECT_EQ(rle4.indices, std::vector<std::uint8_t>({0, 3, 4, 0, 1, 2, 1, 2}));

  // A run longer than the row is cut at the row's end, not wrapped.
  dib = info_header(2, 2, 8, 1);
  for (int i = 0; i < 256; ++i) put32(dib, std::uint32_t(i));
  Picture cut = decode_ok(bmp_file(dib, {200, 4, 0, 0, 2, 3, 0, 1}));
  EXPECT_EQ(cut.indices, std::vector<std::uint8_t>({3, 3, 4, 4}));
}

TEST(CodecBmp, PackedDibLayoutMatchesTheClipboardFormat) {
  // 5 x 2 at 32 bits: 40 header bytes and two rows of 15 bytes padded to 16.
  Picture colour = make_picture32(5, 2, {0xFF010203, 2, 3, 4, 5, 0x00A0B0C0, 7, 8, 9, 10});
  std::vector<std::uint8_t> dib;
  ASSERT_EQ(pack_dib(colour, dib), CodecStatus::Ok);
  ASSERT_EQ(dib.size(), 72u);
  EXPECT_EQ(le32(dib, 0), 40u);
  EXPECT_EQ(le32(dib, 4), 5u);
  EXPECT_EQ(le32(dib, 8), 2u);  // positive: bottom-up
  EXPECT_EQ(le16(dib, 12), 1u);
  EXPECT_EQ(le16(dib, 14), 24u);
  for (std::size_t at = 16; at < 40; at += 4) EXPECT_EQ(le32(dib, at), 0u) << at;
  // The bottom row comes first: 0x00A0B0C0 as C0 B0 A0; the top row starts at 56.
  EXPECT_EQ(dib[40], 0xC0);
  EXPECT_EQ(dib[41], 0xB0);
  EXPECT_EQ(dib[42], 0xA0);
  EXPECT_EQ(dib[56], 0x03);
  EXPECT_EQ(dib[57], 0x02);
  EXPECT_EQ(dib[58], 0x01);
  Picture back;
  ASSERT_EQ(decode_packed_dib(dib.data(), dib.size(), back), CodecStatus::Ok);
  EXPECT_EQ(back.pixels, std::vector<std::uint32_t>({0x010203, 2, 3, 4, 5, 0xA0B0C0, 7, 8, 9, 10}));

  // 5 x 2 at 8 bits: 40 + 1024 + 8 * 2 bytes; the palette is padded with black.
  Picture indexed =
      make_picture8(5, 2, {0, 1, 2, 1, 0, 2, 2, 2, 2, 1}, {0xFF112233, 0xFF445566, 0xFF778899});
  ASSERT_EQ(pack_dib(indexed, dib), CodecStatus::Ok);
  ASSERT_EQ(dib.size(), 1080u);
  EXPECT_EQ(le16(dib, 14), 8u);
  EXPECT_EQ(le32(dib, 32), 0u);  // colours used 0: the table has 256 entries
  EXPECT_EQ(le32(dib, 44), 0x445566u);
  EXPECT_EQ(le32(dib, 52), 0u);
  ASSERT_EQ(decode_packed_dib(dib.data(), dib.size(), back), CodecStatus::Ok);
  EXPECT_EQ(back.indices, indexed.indices);
  ASSERT_EQ(back.palette.size(), 256u);
  EXPECT_EQ(back.palette[1], 0xFF445566u);
  EXPECT_EQ(back.palette[3], 0xFF000000u);
}

TEST(CodecBmp, PackedDibsFromOtherProgramsWithMasksAndShortTables) {
  // 32 bits with the three masks after a 40-byte header, blue in the top byte.
  std::vector<std::uint8_t> dib = info_header(1, 1, 32, 3);
  put32(dib, 0x0000FF00);
  put32(dib, 0x00FF0000);
  put32(dib, 0xFF000000);
  append(dib, {0x00, 0x11, 0x22, 0x33});
  Picture masked;
  ASSERT_EQ(decode_packed_dib(dib.data(), dib.size(), masked), CodecStatus::Ok);
  EXPECT_EQ(masked.pixels, std::vector<std::uint32_t>({0x112233}));

  // 8 bits with a colour table of two entries.
  dib = info_header(3, 1, 8, 0, 2);
  append(dib, {1, 2, 3, 0, 4, 5, 6, 0, 1, 0, 1, 0});
  Picture short_table;
  ASSERT_EQ(decode_packed_dib(dib.data(), dib.size(), short_table), CodecStatus::Ok);
  EXPECT_EQ(short_table.indices, std::vector<std::uint8_t>({1, 0, 1}));
  EXPECT_EQ(short_table.palette, std::vector<std::uint32_t>({0xFF030201, 0xFF060504}));

  // A table longer than 256 entries, a missing row, a zero width: refused.
  dib = info_header(1, 1, 8, 0, 257);
  dib.resize(dib.size() + 257 * 4 + 4, 0);
  EXPECT_EQ(decode_packed_dib(dib.data(), dib.size(), short_table), CodecStatus::NotDecodable);
  EXPECT_TRUE(short_table.indices.empty());
  dib = info_header(1, 2, 24, 0);
  append(dib, {1, 2, 3, 0});
  EXPECT_EQ(decode_packed_dib(dib.data(), dib.size(), short_table), CodecStatus::NotDecodable);
  dib = info_header(0, 1, 24, 0);
  append(dib, {1, 2, 3, 0});
  EXPECT_EQ(decode_packed_dib(dib.data(), dib.size(), short_table), CodecStatus::NotDecodable);
}
