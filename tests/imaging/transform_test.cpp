// Inversion, flips, quarter turns and size changes of whole images on a
// running framework (the images live on its worker). Pixels are read straight
// from the image's buffer, padding included, so nothing passes through the
// code under test on the way back.
#include <gtest/gtest.h>

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

Picture picture(int width, int height, std::vector<std::uint32_t> pixels) {
  return {width, height, std::move(pixels)};
}

Picture read(int id) {
  const orv::ImageRecord& r = orv::image_record(id);
  Picture p{r.width, r.height, {}};
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x)
      p.pixels.push_back(r.bits == 32 ? r.dib->row32(y)[x] : r.dib->row8(y)[x]);
  return p;
}

void write(int id, const Picture& p) {
  orv::ImageRecord& r = orv::image_record(id);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      std::uint32_t v = p.pixels[std::size_t(y) * p.width + x];
      if (r.bits == 32)
        r.dib->row32(y)[x] = v;
      else
        r.dib->row8(y)[x] = std::uint8_t(v);
    }
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
  for (int i = 0; i < 256; ++i) {
    entries.push_back(static_cast<unsigned char>(i));
    entries.push_back(static_cast<unsigned char>(i / 2));
    entries.push_back(static_cast<unsigned char>(255 - i));
    entries.push_back(0);
  }
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
  static void make(int id, const Picture& p, int bits) {
    int status = bits == 32 ? ORV_CreateImageFL(id, "t", 0, 0, p.width, p.height, 100)
                            : ORV_CreateImage8FL(id, "t", 0, 0, p.width, p.height, 100);
    ASSERT_EQ(status, 0);
    write(id, p);
  }
  void TearDown() override {
    on_worker([] {
      ORV_DestroyImage(1);
      ORV_DestroyImage(2);
    });
  }
};

TEST_F(TransformTest, QuarterTurnsOfThreeByTwo) {
  on_worker([] {
    for (int bits : {32, 8}) {
      make(1, picture(3, 2, {a, b, c, d, e, f}), bits);
      EXPECT_EQ(ORV_RotateRight(1), 0);
      EXPECT_EQ(read(1), picture(2, 3, {d, a, e, b, f, c})) << bits;
      ORV_DestroyImage(1);
      make(1, picture(3, 2, {a, b, c, d, e, f}), bits);
      EXPECT_EQ(ORV_RotateLeft(1), 0);
      EXPECT_EQ(read(1), picture(2, 3, {c, f, b, e, a, d})) << bits;
      ORV_DestroyImage(1);
    }
  });
}

// Clockwise, the top-right corner of 5 x 3 goes to the bottom right of 3 x 5
// and the bottom-left corner to the top left; four turns either way, or one
// each way, give the image back. 8-bit images keep their palette and zero
// row padding (widths 3 and 1 pad each row).
TEST_F(TransformTest, QuarterTurnsOfOddAndOnePixelSizesComeBackAfterFour) {
  on_worker([] {
    for (int bits : {32, 8}) {
      Picture p = pattern(5, 3, bits);
      make(1, p, bits);
      ORV_RotateRight(1);
      Picture turned = read(1);
      ASSERT_EQ(turned.width, 3);
      ASSERT_EQ(turned.height, 5);
      EXPECT_EQ(turned.pixels[4 * 3 + 2], p.pixels[4]);          // (4, 0) -> (2, 4)
      EXPECT_EQ(turned.pixels[0], p.pixels[2 * 5 + 0]);          // (0, 2) -> (0, 0)
      EXPECT_EQ(turned.pixels[2 * 3 + 1], p.pixels[1 * 5 + 2]);  // centre stays
      ORV_DestroyImage(1);
      for (auto [w, h] : {std::pair{5, 3}, {1, 1}, {1, 7}, {6, 1}}) {
        Picture q = pattern(w, h, bits);
        make(1, q, bits);
        if (bits == 8) ORV_SetPalette(odd_palette().data(), 256);
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
        if (bits == 8) {
          EXPECT_EQ(palette_of(1), odd_palette());
          EXPECT_TRUE(padding_is_zero(1));
        }
        ORV_DestroyImage(1);
      }
    }
  });
}

TEST_F(TransformTest, FlipsMirrorAndTwiceRestore) {
  on_worker([] {
    for (int bits : {32, 8}) {
      make(1, picture(3, 2, {a, b, c, d, e, f}), bits);
      EXPECT_EQ(ORV_FlipHorizontal(1), 0);
      EXPECT_EQ(read(1), picture(3, 2, {c, b, a, f, e, d}));
      ORV_FlipHorizontal(1);
      EXPECT_EQ(read(1), picture(3, 2, {a, b, c, d, e, f}));
      EXPECT_EQ(ORV_FlipVertical(1), 0);
      EXPECT_EQ(read(1), picture(3, 2, {d, e, f, a, b, c}));
      ORV_FlipVertical(1);
      EXPECT_EQ(read(1), picture(3, 2, {a, b, c, d, e, f}));
      ORV_DestroyImage(1);
      // One pixel wide (or high) the mirror changes nothing; odd sizes keep
      // their middle column (row).
      Picture column = pattern(1, 5, bits), row = pattern(5, 1, bits);
      make(1, column, bits);
      ORV_FlipHorizontal(1);
      EXPECT_EQ(read(1), column);
      ORV_FlipVertical(1);
      EXPECT_EQ(
          read(1),
          picture(1, 5, std::vector<std::uint32_t>(column.pixels.rbegin(), column.pixels.rend())));
      ORV_DestroyImage(1);
      make(1, row, bits);
      ORV_FlipVertical(1);
      EXPECT_EQ(read(1), row);
      ORV_FlipHorizontal(1);
      EXPECT_EQ(read(1),
                picture(5, 1, std::vector<std::uint32_t>(row.pixels.rbegin(), row.pixels.rend())));
      EXPECT_TRUE(bits == 32 || padding_is_zero(1));
      ORV_DestroyImage(1);
    }
  });
}

// In the averaging scaling mode a mirror still moves indices unchanged, also
// an index whose colour appears again at a lower entry of the palette.
TEST_F(TransformTest, FlipsOfAnEightBitImageInAveragingModeKeepTheIndices) {
  on_worker([] {
    make(1, picture(3, 1, {9, 5, 200}), 8);
    std::vector<unsigned char> entries(1024, 0);  // every entry black
    ORV_SetPalette(entries.data(), 256);
    ORV_SetImageStretchMode(platform::kStretchHalftone, 1);
    ORV_FlipHorizontal(1);
    EXPECT_EQ(read(1), picture(3, 1, {200, 5, 9}));
    EXPECT_EQ(ORV_GetImageStretchMode(1), platform::kStretchHalftone);
  });
}

TEST_F(TransformTest, InvertComplementsColoursOrIndicesAndTwiceRestores) {
  on_worker([] {
    Picture colours = picture(3, 1, {0x00102030, 0xFF102030, 0x00FFFFFF});
    make(1, colours, 32);
    EXPECT_EQ(ORV_InvertImage(1), 0);
    EXPECT_EQ(read(1), picture(3, 1, {0x00EFDFCF, 0xFFEFDFCF, 0x00000000}));
    ORV_InvertImage(1);
    EXPECT_EQ(read(1), colours);

    Picture indices = picture(3, 3, {0, 5, 255, 1, 2, 3, 128, 127, 64});
    make(2, indices, 8);
    ORV_SetPalette(odd_palette().data(), 256);
    ORV_InvertImage(2);
    EXPECT_EQ(read(2), picture(3, 3, {255, 250, 0, 254, 253, 252, 127, 128, 191}));
    EXPECT_EQ(palette_of(2), odd_palette());
    EXPECT_TRUE(padding_is_zero(2));
    ORV_InvertImage(2);
    EXPECT_EQ(read(2), indices);
  });
}

TEST_F(TransformTest, SizeStepsRoundToNearest) {
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
        EXPECT_EQ(orv::image_record(1).width, k.nw) << k.w << " " << k.factor;
        EXPECT_EQ(orv::image_record(1).height, k.nh);
        ORV_DestroyImage(1);
      }
  });
}

// Doubling in the nearest-pixel mode repeats every pixel 2 x 2; halving in
// the averaging mode gives the mean of each 2 x 2 block.
TEST_F(TransformTest, SizeStepsStretchThePicture) {
  on_worker([] {
    for (int bits : {32, 8}) {
      make(1, picture(2, 2, {a, b, c, d}), bits);
      if (bits == 8) ORV_SetPalette(odd_palette().data(), 256);
      ORV_ScaleImage(1, 2000);
      EXPECT_EQ(read(1), picture(4, 4, {a, a, b, b, a, a, b, b, c, c, d, d, c, c, d, d}));
      if (bits == 8) {
        EXPECT_EQ(palette_of(1), odd_palette());
      }
      ORV_DestroyImage(1);
    }
    make(1,
         picture(4, 2,
                 {0x102030, 0x203040, 0x000004, 0x040000,  //
                  0x304050, 0x405060, 0x000400, 0x080808}),
         32);
    ORV_SetImageStretchMode(platform::kStretchHalftone, 1);
    ORV_ScaleImage(1, 500);
    EXPECT_EQ(read(1), picture(2, 1, {0x283848, 0x030303}));
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
         {+[](int id) { return ORV_RotateRight(id); }, +[](int id) { return ORV_RotateLeft(id); },
          +[](int id) { return ORV_ScaleImage(id, 1414); }}) {
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
      EXPECT_EQ(ORV_InvertImage(id), 1);
      EXPECT_EQ(ORV_FlipHorizontal(id), 1);
      EXPECT_EQ(ORV_FlipVertical(id), 1);
      EXPECT_EQ(ORV_RotateRight(id), 1);
      EXPECT_EQ(ORV_RotateLeft(id), 1);
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

// The menu command numbers reach their transforms.
TEST_F(TransformTest, CommandNumbers) {
  on_worker([] {
    make(1, picture(3, 2, {a, b, c, d, e, f}), 32);
    struct Case {
      int command;
      Picture after;
    } cases[] = {
        {1058, picture(3, 2,
                       {~a & 0xFFFFFF, ~b & 0xFFFFFF, ~c & 0xFFFFFF, ~d & 0xFFFFFF, ~e & 0xFFFFFF,
                        ~f & 0xFFFFFF})},
        {1058, picture(3, 2, {a, b, c, d, e, f})},
        {1059, picture(3, 2, {c, b, a, f, e, d})},
        {1059, picture(3, 2, {a, b, c, d, e, f})},
        {1060, picture(3, 2, {d, e, f, a, b, c})},
        {1060, picture(3, 2, {a, b, c, d, e, f})},
        {1061, picture(2, 3, {d, a, e, b, f, c})},
        {1062, picture(3, 2, {a, b, c, d, e, f})},
        {1066, picture(6, 4, {a, a, b, b, c, c, a, a, b, b, c, c,  //
                              d, d, e, e, f, f, d, d, e, e, f, f})},
    };
    for (const Case& k : cases) {
      EXPECT_TRUE(orv::run_transform_command(k.command, 1));
      EXPECT_EQ(read(1), k.after) << k.command;
    }
    for (auto [command, side] : {std::pair{1063, 3}, {1064, 2}, {1065, 3}}) {
      orv::run_transform_command(command, 1);
      EXPECT_EQ(orv::image_record(1).width, side) << command;
    }
    EXPECT_FALSE(orv::run_transform_command(1057, 1));
    EXPECT_FALSE(orv::run_transform_command(1067, 1));
  });
}

// Every transform ends by asking for a repaint: the window (at zoom 100
// throughout, every size fits the screen) comes to show the moved pixel
// without an ORV_DrawImage.
TEST_F(TransformTest, TheWindowShowsTheResult) {
  constexpr std::uint32_t kMark = 0x123456;
  on_worker([] {
    Picture p = picture(300, 200, std::vector<std::uint32_t>(300 * 200, 0));
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
