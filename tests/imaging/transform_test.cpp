// Inversion, flips, quarter turns and size changes of whole images on a
// running framework. Pixels are read straight from the image's buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <vector>

#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "imaging/transform.h"
#include "platform/draw/dc.h"
#include "platform/headless/driver.h"
#include "tests/framework/test_program.h"

namespace {

using test_program::on_worker;

// An image's size and pixels, row by row (words, or indices of an 8-bit image).
struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  bool operator==(const Picture&) const = default;
};

void PrintTo(const Picture& p, std::ostream* out) {
  *out << p.width << " x " << p.height << ":" << std::hex;
  for (std::uint32_t v : p.pixels) *out << " " << v;
}

Picture read(int id) {
  const orv::ImageRecord& r = orv::image_record(id);
  Picture p{r.width, r.height, {}};
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x)
      p.pixels.push_back(r.bits == 32 ? r.dib->row32(y)[x] : r.dib->row8(y)[x]);
  return p;
}

// Every padding byte at the end of the rows of an 8-bit image is 0.
bool padding_is_zero(int id) {
  const orv::ImageRecord& r = orv::image_record(id);
  for (int y = 0; y < r.height; ++y)
    for (int x = r.width; x < r.dib->stride; ++x)
      if (r.dib->row8(y)[x] != 0) return false;
  return true;
}

// A picture of distinct values; 8-bit ones stay below 256.
Picture pattern(int width, int height, int bits) {
  Picture p{width, height, {}};
  for (int i = 0; i < width * height; ++i)
    p.pixels.push_back(bits == 32 ? 0x00102030u + std::uint32_t(i) * 0x010305u
                                  : std::uint32_t(i * 7 + 3) & 0xFF);
  return p;
}

// A palette that is not the grey ramp: entry i is (255 - i, i / 2, i).
std::vector<unsigned char> odd_palette() {
  std::vector<unsigned char> entries;
  for (int i = 0; i < 256; ++i)
    entries.insert(entries.end(), {static_cast<unsigned char>(i), static_cast<unsigned char>(i / 2),
                                   static_cast<unsigned char>(255 - i), 0});
  return entries;
}

std::vector<unsigned char> palette_of(int id) {
  std::vector<unsigned char> entries(1024);
  ORV_SelectImage(id);
  ORV_GetPalette(entries.data());
  ORV_RestoreImage();
  return entries;
}

constexpr std::uint32_t a = 0xA1, b = 0xB2, c = 0xC3, d = 0xD4, e = 0xE5, f = 0xF6;

// Images 1 and 2 as each test makes them; gone afterwards.
class TransformTest : public ::testing::Test {
 protected:
  test_program::Serving framework;
  // Image id (re-)made from p; an 8-bit one gets the odd palette.
  static void make(int id, const Picture& p, int bits) {
    ORV_DestroyImage(id);
    int status = bits == 32 ? ORV_CreateImageFL(id, "t", 0, 0, p.width, p.height, 100)
                            : ORV_CreateImage8FL(id, "t", 0, 0, p.width, p.height, 100);
    ASSERT_EQ(status, 0);
    orv::ImageRecord& r = orv::image_record(id);
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) {
        std::uint32_t v = p.pixels[std::size_t(y) * p.width + x];
        if (bits == 32)
          r.dib->row32(y)[x] = v;
        else
          r.dib->row8(y)[x] = std::uint8_t(v);
      }
    if (bits == 8) ORV_SetPalette(odd_palette().data(), 256);
  }
  void TearDown() override {
    on_worker([] {
      ORV_DestroyImage(1);
      ORV_DestroyImage(2);
    });
  }
};

// Each transform of  a b c / d e f  once by its call, then again by its menu
// command number; 8-bit images keep their palette.
TEST_F(TransformTest, EachTransformOfThreeByTwoByCallAndByCommandNumber) {
  on_worker([] {
    for (int bits : {32, 8}) {
      const std::uint32_t m = bits == 32 ? 0xFFFFFF : 0xFF;
      const Picture p{3, 2, {a, b, c, d, e, f}}, half_turn{3, 2, {f, e, d, c, b, a}};
      struct Case {
        int (*transform)(int);
        int command;
        Picture once, twice;
      } cases[] = {
          {ORV_InvertImage, 1058, {3, 2, {a ^ m, b ^ m, c ^ m, d ^ m, e ^ m, f ^ m}}, p},
          {ORV_FlipHorizontal, 1059, {3, 2, {c, b, a, f, e, d}}, p},
          {ORV_FlipVertical, 1060, {3, 2, {d, e, f, a, b, c}}, p},
          {ORV_RotateRight, 1061, {2, 3, {d, a, e, b, f, c}}, half_turn},
          {ORV_RotateLeft, 1062, {2, 3, {c, f, b, e, a, d}}, half_turn},
      };
      for (const Case& k : cases) {
        make(1, p, bits);
        EXPECT_EQ(k.transform(1), 0);
        EXPECT_EQ(read(1), k.once) << k.command << ", " << bits << " bits";
        EXPECT_TRUE(orv::run_transform_command(k.command, 1));
        EXPECT_EQ(read(1), k.twice) << k.command << ", " << bits << " bits";
      }
      // Doubling in the nearest-pixel mode repeats every pixel 2 x 2.
      make(1, p, bits);
      EXPECT_TRUE(orv::run_transform_command(1066, 1));
      EXPECT_EQ(read(1), (Picture{6, 4, {a, a, b, b, c, c, a, a, b, b, c, c,  //
                                         d, d, e, e, f, f, d, d, e, e, f, f}}));
      EXPECT_TRUE(bits == 32 || palette_of(1) == odd_palette());
      for (auto [command, side] : {std::pair{1063, 3}, {1064, 2}, {1065, 3}}) {
        orv::run_transform_command(command, 1);
        EXPECT_EQ(orv::image_record(1).width, side) << command;
      }
    }
    EXPECT_FALSE(orv::run_transform_command(1057, 1));
    EXPECT_FALSE(orv::run_transform_command(1067, 1));
  });
}

// Clockwise, the top-right corner of 5 x 3 goes to the bottom right of 3 x 5
// and the bottom-left corner to the top left; four turns either way, or one
// each way, give the image back with its palette and zero row padding.
TEST_F(TransformTest, QuarterTurnsOfOddAndOnePixelSizesComeBackAfterFour) {
  on_worker([] {
    for (int bits : {32, 8}) {
      Picture p = pattern(5, 3, bits);
      make(1, p, bits);
      ORV_RotateRight(1);
      Picture turned = read(1);
      ASSERT_EQ(std::pair(turned.width, turned.height), std::pair(3, 5));
      EXPECT_EQ(turned.pixels[4 * 3 + 2], p.pixels[4]);          // (4, 0) -> (2, 4)
      EXPECT_EQ(turned.pixels[0], p.pixels[2 * 5 + 0]);          // (0, 2) -> (0, 0)
      EXPECT_EQ(turned.pixels[2 * 3 + 1], p.pixels[1 * 5 + 2]);  // centre stays
      for (auto [w, h] : {std::pair{5, 3}, {1, 1}, {1, 7}, {6, 1}}) {
        Picture q = pattern(w, h, bits);
        make(1, q, bits);
        for (int i = 0; i < 4; ++i) {
          ASSERT_EQ(ORV_RotateRight(1), 0);
          EXPECT_TRUE(bits == 32 || padding_is_zero(1));
        }
        EXPECT_EQ(read(1), q) << w << "x" << h << " " << bits;
        for (int i = 0; i < 4; ++i) ORV_RotateLeft(1);
        EXPECT_EQ(read(1), q);
        ORV_RotateLeft(1);
        ORV_RotateRight(1);
        EXPECT_EQ(read(1), q);
        EXPECT_TRUE(bits == 32 || (palette_of(1) == odd_palette() && padding_is_zero(1)));
      }
    }
  });
}

// One pixel wide (or high) the mirror across changes nothing; the other
// mirror reverses the odd count, keeping its middle.
TEST_F(TransformTest, FlipsOfOnePixelColumnsAndRows) {
  on_worker([] {
    for (int bits : {32, 8})
      for (auto [w, h] : {std::pair{1, 5}, {5, 1}}) {
        Picture p = pattern(w, h, bits), reversed = p;
        std::reverse(reversed.pixels.begin(), reversed.pixels.end());
        make(1, p, bits);
        (w == 1 ? ORV_FlipHorizontal : ORV_FlipVertical)(1);
        EXPECT_EQ(read(1), p) << w << "x" << h;
        (w == 1 ? ORV_FlipVertical : ORV_FlipHorizontal)(1);
        EXPECT_EQ(read(1), reversed) << w << "x" << h;
        EXPECT_TRUE(bits == 32 || padding_is_zero(1));
      }
  });
}

// Inversion complements colours, keeping the top byte, or indices. In the
// averaging scaling mode a mirror still moves indices unchanged, also an index
// whose colour appears again at a lower entry of the palette.
TEST_F(TransformTest, InvertComplementsColoursOrIndicesAndFlipsKeepIndices) {
  on_worker([] {
    Picture colours{3, 1, {0x00102030, 0xFF102030, 0x00FFFFFF}};
    make(1, colours, 32);
    ORV_InvertImage(1);
    EXPECT_EQ(read(1), (Picture{3, 1, {0x00EFDFCF, 0xFFEFDFCF, 0x00000000}}));
    ORV_InvertImage(1);
    EXPECT_EQ(read(1), colours);

    make(2, {3, 3, {0, 5, 255, 1, 2, 3, 128, 127, 64}}, 8);
    ORV_InvertImage(2);
    EXPECT_EQ(read(2), (Picture{3, 3, {255, 250, 0, 254, 253, 252, 127, 128, 191}}));
    EXPECT_EQ(palette_of(2), odd_palette());
    EXPECT_TRUE(padding_is_zero(2));

    make(1, {3, 1, {9, 5, 200}}, 8);
    std::vector<unsigned char> entries(1024, 0);  // every entry black
    ORV_SetPalette(entries.data(), 256);
    ORV_SetImageStretchMode(platform::kStretchHalftone, 1);
    ORV_FlipHorizontal(1);
    EXPECT_EQ(read(1), (Picture{3, 1, {200, 5, 9}}));
    EXPECT_EQ(ORV_GetImageStretchMode(1), platform::kStretchHalftone);
  });
}

TEST_F(TransformTest, SizeStepsRoundToNearestAndHalvingAveragesInThatMode) {
  on_worker([] {
    struct Case {
      int w, h, factor, nw, nh;
    } cases[] = {{101, 51, 500, 51, 26},
                 {100, 100, 707, 71, 71},
                 {1, 1, 1414, 1, 1},
                 {3, 5, 2000, 6, 10},
                 {1, 1, 500, 1, 1}};  // (1 * 500 + 500) / 1000 = 1
    for (int bits : {32, 8})
      for (const Case& k : cases) {
        make(1, pattern(k.w, k.h, bits), bits);
        EXPECT_EQ(ORV_ScaleImage(1, k.factor), 0);
        const orv::ImageRecord& r = orv::image_record(1);
        EXPECT_EQ(std::pair(r.width, r.height), std::pair(k.nw, k.nh)) << k.w << " " << k.factor;
      }
    // Halving in the averaging mode gives the mean of each 2 x 2 block.
    make(1,
         {4,
          2,
          {0x102030, 0x203040, 0x000004, 0x040000,  //
           0x304050, 0x405060, 0x000400, 0x080808}},
         32);
    ORV_SetImageStretchMode(platform::kStretchHalftone, 1);
    ORV_ScaleImage(1, 500);
    EXPECT_EQ(read(1), (Picture{2, 1, {0x283848, 0x030303}}));
    EXPECT_EQ(ORV_GetImageStretchMode(1), platform::kStretchHalftone);
  });
}

// Rotations and size changes make the image current with two pushes;
// invert and the flips leave the selection alone.
TEST_F(TransformTest, SelectionAfterEachTransform) {
  on_worker([] {
    make(1, pattern(4, 2, 32), 32);
    make(2, pattern(4, 2, 32), 32);  // current
    for (auto transform : {ORV_InvertImage, ORV_FlipHorizontal, ORV_FlipVertical}) {
      transform(1);
      EXPECT_EQ(orv::current_image(), 2);
    }
    for (auto transform :
         {ORV_RotateRight, ORV_RotateLeft, +[](int id) { return ORV_ScaleImage(id, 1414); }}) {
      ORV_SelectImage(2);
      transform(1);
      EXPECT_EQ(orv::current_image(), 1);
      EXPECT_EQ(ORV_RestoreImage(), 0);
      EXPECT_EQ(orv::current_image(), 1);
      EXPECT_EQ(ORV_RestoreImage(), 0);
      EXPECT_EQ(orv::current_image(), 2);
    }
  });
}

TEST_F(TransformTest, RefusedCallsChangeNothing) {
  on_worker([] {
    for (int id : {-1, 3, 256}) {
      for (auto transform :
           {ORV_InvertImage, ORV_FlipHorizontal, ORV_FlipVertical, ORV_RotateRight, ORV_RotateLeft})
        EXPECT_EQ(transform(id), 1) << id;
      EXPECT_EQ(ORV_ScaleImage(id, 500), 1);
    }
    Picture p = pattern(20, 1, 32);
    make(1, p, 32);
    // 1 x 20 cannot be shown: the minimum window width forces a zoom at
    // which 20 rows exceed the screen. The image keeps its pixels.
    EXPECT_EQ(ORV_RotateRight(1), 2);
    EXPECT_EQ(read(1), p);
    EXPECT_EQ(ORV_ScaleImage(1, 0), 1);
    EXPECT_EQ(ORV_ScaleImage(1, -2000), 1);
    EXPECT_EQ(read(1), p);
    // A side past what a buffer can hold is refused before the image goes.
    EXPECT_EQ(ORV_ScaleImage(1, 2000000), 3);
    EXPECT_EQ(read(1), p);
    EXPECT_NE(orv::image_in_use(1), nullptr);
  });
}

// Every transform ends by asking for a repaint: the window (at zoom 100
// throughout) comes to show the moved pixel without an ORV_DrawImage.
TEST_F(TransformTest, TheWindowShowsTheResult) {
  constexpr std::uint32_t kMark = 0x123456;
  on_worker([] {
    Picture p{300, 200, std::vector<std::uint32_t>(300 * 200, 0)};
    p.pixels[0] = kMark;
    make(1, p, 32);
    ORV_DrawImage(1);
  });
  auto shows = [](int x, int y, std::uint32_t colour) {
    return headless::wait_until(
        [&] { return headless::surface_pixel(orv::image_record(1).window, x, y) == colour; });
  };
  ASSERT_TRUE(shows(0, 0, kMark));
  on_worker([] { ORV_InvertImage(1); });
  EXPECT_TRUE(shows(0, 0, ~kMark & 0xFFFFFF));
  EXPECT_TRUE(shows(299, 199, 0xFFFFFF));
  on_worker([] { ORV_InvertImage(1); });
  EXPECT_TRUE(shows(0, 0, kMark));
  on_worker([] { ORV_FlipHorizontal(1); });
  EXPECT_TRUE(shows(299, 0, kMark));
  on_worker([] { ORV_FlipVertical(1); });
  EXPECT_TRUE(shows(299, 199, kMark));
  on_worker([] { ORV_RotateRight(1); });  // (299, 199) of 300 x 200 -> (0, 299) of 200 x 300
  EXPECT_EQ(orv::image_record(1).zoom, 100);
  EXPECT_TRUE(shows(0, 299, kMark));
  on_worker([] { ORV_ScaleImage(1, 2000); });  // -> 400 x 600, the mark 2 x 2 at the bottom left
  EXPECT_EQ(orv::image_record(1).zoom, 100);
  EXPECT_TRUE(shows(1, 599, kMark));
}

}  // namespace
