// Stretched copies on images small enough to work out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "platform/draw/dc.h"
#include "platform/draw/raster.h"

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

// The area average written out directly, pixel by pixel, for comparison
// with the optimised copy on arbitrary sizes.
namespace reference {

struct Tap {
  long long j;  // source pixel index along the extent
  long long w;  // weight out of 2^14
};

// Weights of destination pixel i of n over a source extent of m: source pixel
// j covers [j, j + 1), destination pixel i covers [i·m/n, (i + 1)·m/n).
// Overlaps are counted in units of 1/n source pixel, scaled to 2^14 and
// rounded; the remainder to 2^14 goes to the (first) largest weight.
std::vector<Tap> weights(long long i, long long n, long long m) {
  std::vector<Tap> taps;
  long long total = 0;
  for (long long j = 0; j < m; ++j) {
    long long lo = std::max(i * m, j * n), hi = std::min((i + 1) * m, (j + 1) * n);
    if (hi <= lo) continue;
    long long w = ((hi - lo) * 16384 + m / 2) / m;
    taps.push_back({j, w});
    total += w;
  }
  std::size_t largest = 0;
  for (std::size_t t = 1; t < taps.size(); ++t) {
    if (taps[t].w > taps[largest].w) largest = t;
  }
  taps[largest].w += 16384 - total;
  return taps;
}

// Colour of source pixel (x, y), read clamped to the bitmap.
std::uint32_t source_rgb(const Bitmap& src, long long x, long long y) {
  int cx = int(std::clamp<long long>(x, 0, src.width - 1));
  int cy = int(std::clamp<long long>(y, 0, src.height - 1));
  if (src.bits == 32) return src.row32(cy)[cx] & 0xFFFFFF;
  return palette_rgb(src.palette[src.row8(cy)[cx]]);
}

// Stretches (sx, sy, sw, sh) of src onto (x, y, w, h) of dst in a copy of dst.
// Per source row, each channel is summed with the horizontal weights and
// rounded to 8 fraction bits; those sums are summed with the vertical weights
// and rounded to the nearest level.
std::vector<std::uint32_t> area(const Bitmap& dst, int x, int y, int w, int h, const Bitmap& src,
                                int sx, int sy, int sw, int sh) {
  std::vector<std::uint32_t> out;
  for (int py = 0; py < dst.height; ++py) {
    for (int px = 0; px < dst.width; ++px) {
      out.push_back(dst.bits == 32 ? dst.row32(py)[px] : dst.row8(py)[px]);
    }
  }
  const long long n = std::llabs(w), m = std::llabs(sw), nh = std::llabs(h), mh = std::llabs(sh);
  for (int py = 0; py < dst.height; ++py) {
    long long k = h > 0 ? py - y : y - py;
    if (k < 0 || k >= nh) continue;
    for (int px = 0; px < dst.width; ++px) {
      long long i = w > 0 ? px - x : x - px;
      if (i < 0 || i >= n) continue;
      long long sum[3] = {0, 0, 0};
      for (const Tap& ty : weights(k, nh, mh)) {
        long long row[3] = {0, 0, 0};
        for (const Tap& tx : weights(i, n, m)) {
          std::uint32_t p =
              source_rgb(src, sw > 0 ? sx + tx.j : sx - tx.j, sh > 0 ? sy + ty.j : sy - ty.j);
          for (int c = 0; c < 3; ++c) row[c] += tx.w * ((p >> (16 - 8 * c)) & 0xFF);
        }
        for (int c = 0; c < 3; ++c) sum[c] += ty.w * ((row[c] + 32) >> 6);
      }
      std::uint32_t rgb = 0;
      for (int c = 0; c < 3; ++c) rgb |= std::uint32_t((sum[c] + (1 << 21)) >> 22) << (16 - 8 * c);
      out[std::size_t(py) * dst.width + px] =
          dst.bits == 32 ? rgb : std::uint32_t(nearest_palette_index(dst.palette, rgb));
    }
  }
  return out;
}

}  // namespace reference

std::vector<std::uint32_t> all_pixels(const Bitmap& b) {
  std::vector<std::uint32_t> out;
  for (int y = 0; y < b.height; ++y) {
    for (int x = 0; x < b.width; ++x) out.push_back(b.bits == 32 ? b.row32(y)[x] : b.row8(y)[x]);
  }
  return out;
}

std::unique_ptr<Bitmap> random_bitmap(std::mt19937& rng, int w, int h, int bits) {
  auto b = create_bitmap(w, h, bits);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      // 32-bit pixels with a zero top byte, as colours are stored.
      if (bits == 32) b->row32(y)[x] = rng() & 0xFFFFFF;
      if (bits == 8) b->row8(y)[x] = std::uint8_t(rng());
    }
  }
  for (auto& e : b->palette) {
    std::uint32_t v = rng();
    e = PaletteEntry{std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), 0};
  }
  return b;
}

// One random case: extents of either sign, exact ratios among them, a
// destination reaching past its bitmap's edges, a source now and then
// reaching past its bitmap (edge pixels repeat).
void check_random_area_case(std::mt19937& rng, int max_size, int src_bits, int dst_bits) {
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  int sw = pick(1, max_size), sh = pick(1, max_size);
  auto extent = [&](int s) {
    switch (pick(0, 5)) {
      case 0:
        return s;
      case 1:
        return std::max(1, s / 2);
      case 2:
        return 2 * s;
      case 3:
        return std::max(1, s / pick(2, 5));
      default:
        return pick(1, 2 * max_size);
    }
  };
  int w = extent(sw), h = extent(sh);
  auto src = random_bitmap(rng, sw + pick(0, 3), sh + pick(0, 3), src_bits);
  auto dst =
      random_bitmap(rng, std::max(1, w + pick(-3, 3)), std::max(1, h + pick(-3, 3)), dst_bits);
  int sx = pick(0, src->width - sw), sy = pick(0, src->height - sh);
  if (pick(0, 7) == 0) sx += pick(-2, 2);
  if (pick(0, 7) == 0) sy += pick(-2, 2);
  int x = pick(-2, 2), y = pick(-2, 2);
  if (pick(0, 1)) {
    x += w - 1;  // the mirrored extent covers x - |w| + 1 .. x
    w = -w;
  }
  if (pick(0, 1)) {
    y += h - 1;
    h = -h;
  }
  if (pick(0, 3) == 0) {
    sx += sw - 1;
    sw = -sw;
  }
  if (pick(0, 3) == 0) {
    sy += sh - 1;
    sh = -sh;
  }
  auto expected = reference::area(*dst, x, y, w, h, *src, sx, sy, sw, sh);
  stretch_bitmap(*dst, x, y, w, h, *src, sx, sy, sw, sh, kStretchHalftone);
  ASSERT_EQ(all_pixels(*dst), expected)
      << "source " << src->width << "x" << src->height << "x" << src_bits << " (" << sx << ", "
      << sy << ", " << sw << ", " << sh << ") -> " << dst->width << "x" << dst->height << "x"
      << dst_bits << " (" << x << ", " << y << ", " << w << ", " << h << ")";
}

TEST(StretchAreaReference, RandomSizesAndRatiosMatchTheDirectArithmetic) {
  std::mt19937 rng(20240611);
  for (int i = 0; i < 300; ++i) ASSERT_NO_FATAL_FAILURE(check_random_area_case(rng, 24, 32, 32));
  for (int i = 0; i < 100; ++i) ASSERT_NO_FATAL_FAILURE(check_random_area_case(rng, 24, 8, 32));
  for (int i = 0; i < 40; ++i) ASSERT_NO_FATAL_FAILURE(check_random_area_case(rng, 24, 32, 8));
  for (int i = 0; i < 40; ++i) ASSERT_NO_FATAL_FAILURE(check_random_area_case(rng, 24, 8, 8));
  // Wider rows, past any vector width or unrolling.
  for (int i = 0; i < 12; ++i) ASSERT_NO_FATAL_FAILURE(check_random_area_case(rng, 90, 32, 32));
  for (int i = 0; i < 4; ++i) ASSERT_NO_FATAL_FAILURE(check_random_area_case(rng, 90, 8, 32));
}

TEST(StretchAreaReference, ExactRatiosMatchTheDirectArithmetic) {
  std::mt19937 rng(7);
  // Halving, doubling and mixed exact ratios on both axes, odd sizes included.
  const int cases[][4] = {{2, 1, 2, 1},   {4, 2, 6, 3},   {37, 18, 29, 14}, {36, 18, 30, 15},
                          {5, 10, 7, 14}, {33, 66, 3, 6}, {40, 20, 10, 20}, {12, 4, 12, 3},
                          {31, 31, 9, 3}, {3, 9, 16, 8},  {64, 32, 1, 1},   {1, 2, 50, 25}};
  for (auto& c : cases) {
    for (int bits : {32, 8}) {
      for (int mirror = 0; mirror < 2; ++mirror) {
        auto src = random_bitmap(rng, c[0], c[2], bits);
        auto dst = random_bitmap(rng, c[1] + 2, c[3] + 1, 32);
        int x = mirror ? c[1] : 1, w = mirror ? -c[1] : c[1];
        auto expected = reference::area(*dst, x, 0, w, c[3], *src, 0, 0, c[0], c[2]);
        stretch_bitmap(*dst, x, 0, w, c[3], *src, 0, 0, c[0], c[2], kStretchHalftone);
        ASSERT_EQ(all_pixels(*dst), expected) << c[0] << "x" << c[2] << " -> " << c[1] << "x"
                                              << c[3] << " bits " << bits << " mirror " << mirror;
      }
    }
  }
}

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
