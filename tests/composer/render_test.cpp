// The renderers, with small pictures worked out by hand: the BETA channel
// split over three rows, centring with the odd margin on the left and
// scrolling, the STABLE diagonals, and PRINT's mirrored zones.
#include <gtest/gtest.h>

#include <vector>

#include "composer/params.h"
#include "composer/render.h"
#include "framework/image/image_table.h"
#include "tests/framework/test_program.h"

namespace {

using test_program::on_worker;

// Buffers over vectors the test owns.
struct Owned {
  std::vector<int> pos_map, point_map, flag_map, aa_map, aa_pos_map;
  std::vector<double> th_map;
  std::vector<std::uint32_t> work, line_1, line_2, line_3, display;
  composer::Buffers b;
  Owned(int entries, int work_size, int line, int display_size)
      : pos_map(entries),
        point_map(entries),
        flag_map(entries),
        aa_map(entries),
        aa_pos_map(entries),
        th_map(entries),
        work(work_size),
        line_1(line),
        line_2(line),
        line_3(line),
        display(display_size, 0xDEAD) {
    b.maps.pos_map = pos_map.data();
    b.maps.point_map = point_map.data();
    b.maps.th_flg_map = flag_map.data();
    b.maps.aa_map = aa_map.data();
    b.maps.aa_pos_map = aa_pos_map.data();
    b.maps.th_map = th_map.data();
    b.work = work.data();
    b.line_1 = line_1.data();
    b.line_2 = line_2.data();
    b.line_3 = line_3.data();
    b.display_buff = display.data();
  }
};

// One row group of one pixel: entries 0, 1, 2 show pictures 0, 1, 0. Row 0
// takes red, green, blue of entries 0, 1, 2; row 1 green and blue of 0 and
// 1; row 2 blue of 0.
TEST(ComposerRenderTest, BetaComposeSplitsChannelsOverTheRowGroup) {
  composer::Params p;
  p.scaled_width = 1;
  p.scaled_height = 4;  // the fourth row is never composed: black
  p.pic_num = 2;
  Owned o(3, 6, 6, 4);
  o.pos_map = {0, 1, 0};
  o.point_map = {0, 1, 2};
  o.work = {0x112233, 0x999999, 0x778899, 0x999999, 0x445566, 0x999999};
  composer::compose_beta(p, o.b);
  EXPECT_EQ(o.display, (std::vector<std::uint32_t>{0x115599, 0x002266, 0x000033, 0}));
  // A flagged entry blends in the view before the boundary: half of picture 0's column 1.
  o.flag_map = {0, 1, 0};
  o.aa_pos_map = {0, 0, 0};
  o.aa_map = {0, 1, 0};
  o.th_map = {0, 0.5, 0};
  composer::compose_beta(p, o.b);
  EXPECT_EQ(o.display[0], 0x117799u);  // green (0x55 + 0x99) / 2 = 0x77
  p.aa = false;
  composer::compose_beta(p, o.b);
  EXPECT_EQ(o.display[0], 0x115599u);
}

TEST(ComposerRenderTest, TheOutputIsCentredWithTheOddMarginLeftAndScrolls) {
  test_program::Serving serving([] { orv::reset_images_for_tests(); });
  composer::Params p;
  p.scaled_width = 3;
  p.scaled_height = 3;
  p.width = 6;
  p.height = 5;
  Owned o(1, 1, 1, 9);
  for (int k = 0; k < 9; ++k) o.display[std::size_t(k)] = 0x100 + k;
  composer::Scroll scroll;
  std::vector<int> row1;
  on_worker([&] {
    ORV_CreateImage(2, "out", 0, 0, 6, 5, 100);
    ORV_SetPixel(0, 0, 0xFFFFFF);
    composer::copy_to_output(p, o.b, scroll);
    for (int x = 0; x < 6; ++x) row1.push_back(ORV_GetPixel(x, 1));
  });
  // dx = 3: columns 2..4, left margin 2, right 1; dy = 2: rows 1..3.
  EXPECT_EQ(row1, (std::vector<int>{0, 0, 0x100, 0x101, 0x102, 0}));
  EXPECT_FALSE(scroll.reset);

  // Wider than the window: a scroll of 10 is limited to N - W = 2.
  p.width = 1;
  scroll.x = 10;
  int first = -1;
  on_worker([&] {
    ORV_ResizeImage(2, 1, 5);
    composer::copy_to_output(p, o.b, scroll);
    ORV_SelectImage(2);
    first = ORV_GetPixel(0, 1);
  });
  EXPECT_EQ(scroll.x, 2);
  EXPECT_EQ(first, 0x102);
  on_worker([] { orv::reset_images_for_tests(); });
}

// One view of one sub-pixel per zone: every column is a lens; columns 0, 1,
// 2 of the strip's row 0 go to sub-pixels 0, 1, 2 on the diagonals.
TEST(ComposerRenderTest, StableWritesTheStripOnTheDiagonals) {
  test_program::Serving serving([] { orv::reset_images_for_tests(); });
  composer::Params p;
  p.pic_num = 1;
  p.view_num = 1;
  p.pitch = 1;
  p.scaled_width = 1;
  p.scaled_height = 3;
  std::vector<int> out;
  on_worker([&] {
    ORV_CreateImage(1, "strip", 0, 0, 4, 3, 100);
    ORV_SetPixel(0, 0, 0xA0B0C0);
    ORV_SetPixel(1, 0, 0xA1B1C1);
    ORV_SetPixel(2, 0, 0xA2B2C2);
    ORV_CreateImage(2, "out", 0, 0, 3, 3, 100);
    ORV_SetPixel(2, 2, 0xFFFFFF);  // the black fill covers it
    composer::render_stable(p);
    ORV_SelectImage(2);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 3; ++x) out.push_back(ORV_GetPixel(x, y));
  });
  EXPECT_EQ(out, (std::vector<int>{0xA0B1C2, 0, 0,         //
                                   0x00B0C1, 0xA20000, 0,  //
                                   0x0000C0, 0xA1B200, 0}));
  on_worker([] { orv::reset_images_for_tests(); });
}

// Zones of two columns read their source columns backwards (2 then 1); the
// last row and the columns past the table keep what image 2 showed.
TEST(ComposerRenderTest, PrintMirrorsEachZoneAndLeavesTheLastRow) {
  test_program::Serving serving([] { orv::reset_images_for_tests(); });
  composer::Params p;
  p.pic_num = 2;
  p.view_num = 2;
  p.pitch = 4;
  p.subpixels = 1;
  p.scaled_width = 2;
  p.scaled_height = 3;
  std::vector<int> pos(5), point(5), flag(5), aa(5), aa_pos(5);
  std::vector<double> weight(5);
  composer::Buffers b;
  b.tables.pos_table = pos.data();
  b.tables.point_table = point.data();
  b.tables.th_flg_table = flag.data();
  b.tables.aa_table = aa.data();
  b.tables.aa_pos_table = aa_pos.data();
  b.tables.th_tablep = weight.data();
  b.tables.length = 5;
  std::vector<int> out;
  on_worker([&] {
    ORV_CreateImage(1, "strip", 0, 0, 4, 3, 100);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) ORV_SetPixel(x, y, x + 10 * y);
    ORV_CreateImage(2, "out", 0, 0, 3, 3, 100);
    ORV_FillBox(0, 0, 3, 3, 0x777777, 0x777777);
    composer::render_print(p, b);
    ORV_SelectImage(2);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 3; ++x) out.push_back(ORV_GetPixel(x, y));
  });
  EXPECT_EQ(out, (std::vector<int>{2, 1, 0x777777,    //
                                   12, 11, 0x777777,  //
                                   0x777777, 0x777777, 0x777777}));
  on_worker([] { orv::reset_images_for_tests(); });
}

}  // namespace
