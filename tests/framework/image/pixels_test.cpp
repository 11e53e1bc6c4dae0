// Pixels of the current image: bounds, the pen, 8-bit indices, XOR, the
// selection stack, rows, rectangles, clearing, and a destroyed current image.
#include <gtest/gtest.h>

#include <cstring>

#include "framework/image/image_table.h"
#include "imaging/pixels.h"
#include "tests/framework/test_program.h"

namespace {

using test_program::on_worker;

struct Pixels : test_program::Serving {
  Pixels()
      : Serving([] {
          orv::reset_images_for_tests();
          orv::reset_pen_for_tests();
        }) {}
  ~Pixels() {
    on_worker([] { orv::reset_images_for_tests(); });
  }
};

TEST(PixelsTest, BoundsPenIndicesXorAndADestroyedCurrentImage) {
  Pixels pixels;
  on_worker([] {
    // A destroyed current image has no pixels: nothing is written, reads give
    // the outside values, and no freed memory is touched (ASan watches).
    ORV_CreateImage(4, "d", 0, 0, 8, 8, 100);
    ORV_DestroyImage(4);
    ORV_SetPixel(1, 1, 0xFFFFFF);
    ORV_XorPixel(1, 1);
    EXPECT_EQ(ORV_GetPixel(1, 1), 0);
    EXPECT_EQ(orv::read_pixel(1, 1), -1);
    std::uint32_t row[2] = {7, 7};
    ORV_GetRow(row, 0, 2);
    EXPECT_EQ(row[0], 7u);
    ORV_ClearImage(4);

    ORV_CreateImage(0, "c", 0, 0, 10, 10, 100);
    ORV_SetPixel(-1, 0, 0xFFFFFF);
    EXPECT_EQ((std::pair{orv::pen().x, orv::pen().y}), (std::pair{-1, 0}));
    orv::plot_pixel(3, 3, 0x123456);
    EXPECT_EQ(orv::pen().x, -1);           // the plain variants leave the pen
    ORV_SetPixel(2, 2, int(0xFF102030u));  // the top byte is kept on 32-bit images
    EXPECT_EQ(ORV_GetPixel(2, 2), int(0xFF102030u));
    ORV_XorPixel(2, 2);
    EXPECT_EQ(ORV_GetPixel(2, 2), int(0xFFEFDFCFu));
    orv::xor_plot_pixel(2, 2);
    EXPECT_EQ(ORV_GetPixel(2, 2), int(0xFF102030u));
    EXPECT_EQ((std::vector{ORV_GetPixel(10, 0), orv::read_pixel(10, 0), orv::read_pixel(0, -1),
                           ORV_GetPixel(0, 0)}),
              (std::vector{0, -1, -1, 0}));

    ORV_CreateImage8(1, "i", 0, 0, 3, 2, 100);  // rows of 4 bytes
    ORV_SetPixel(0, 1, 0x123456);
    EXPECT_EQ(ORV_GetPixel(0, 1), 0x56);
    EXPECT_EQ(orv::image_pixels(1)[4], 0x56);
    ORV_XorPixel(0, 1);
    EXPECT_EQ(ORV_GetPixel(0, 1), 0xA9);
  });
}

// With C current, nine selections push C out of the eight entries: nine
// restores give a8 ... a1 and then a1 again.
TEST(PixelsTest, TheSelectionStackHoldsEightAndRefusesFreeIds) {
  Pixels pixels;
  on_worker([] {
    for (int id = 0; id <= 9; ++id) ORV_CreateImage(id, "s", 0, 0, 4, 4, 100);
    ORV_SelectImage(0);  // C
    for (int id = 1; id <= 9; ++id) ORV_SelectImage(id);
    for (int expected : {8, 7, 6, 5, 4, 3, 2, 1, 1}) {
      EXPECT_EQ(ORV_RestoreImage(), 0);
      EXPECT_EQ(orv::current_image(), expected);
    }
    for (int bad : {300, -1, 42}) {
      EXPECT_EQ(ORV_SelectImage(bad), 1) << bad;
      EXPECT_EQ(orv::current_image(), 1);
    }
    ORV_SelectImage(5);
    ORV_DestroyImage(1);
    EXPECT_EQ(ORV_RestoreImage(), 1);  // entry 0 names a destroyed image
    EXPECT_EQ(orv::current_image(), 5);
  });
}

TEST(PixelsTest, RowsAndRectanglesNeverReadPaddingAndClearIncludesIt) {
  Pixels pixels;
  on_worker([] {
    ORV_CreateImage8(2, "r", 0, 0, 5, 2, 100);  // stride 8
    std::uint8_t* buffer = orv::image_pixels(2);
    std::memset(buffer, 0xAA, 16);  // padding included
    std::uint8_t row[8];
    std::memset(row, 0x55, sizeof row);
    ORV_GetRow(row, 1, 8);
    EXPECT_EQ(std::vector<int>(row, row + 8),
              (std::vector<int>{0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0, 0, 0}));
    std::uint8_t rect[6];
    ORV_GetRect(rect, 3, 1, 3, 2);
    EXPECT_EQ(std::vector<int>(rect, rect + 6), (std::vector<int>{0xAA, 0xAA, 0, 0, 0, 0}));
    ORV_ClearImage(2);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(buffer[i], 0) << i;

    ORV_CreateImage(3, "w", 0, 0, 2, 2, 100);
    ORV_SetPixel(1, 0, 0x010203);
    std::uint32_t words[3] = {9, 9, 9};
    ORV_GetRow(words, 0, 3);
    EXPECT_EQ(std::vector<std::uint32_t>(words, words + 3),
              (std::vector<std::uint32_t>{0, 0x010203, 0}));
    ORV_ClearImage(77);  // a free id is left alone
  });
}

}  // namespace
