// The renderers, with small pictures worked out by hand: the BETA channel
// split over three rows, centring with the odd margin on the left and
// scrolling, the STABLE diagonals, and PRINT's mirrored zones.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "composer/output_window.h"
#include "composer/params.h"
#include "composer/render.h"
#include "composer/resample.h"
#include "composer/tables.h"
#include "framework/image/image_table.h"
#include "tests/framework/test_program.h"

namespace {

using test_program::on_worker;

// Buffers over vectors the test owns.
struct Owned {
  std::vector<int> pos_map, point_map, flag_map, aa_map, aa_pos_map;
  std::vector<double> th_map;
  std::vector<int> pos_table, point_table, flag_table, aa_table, aa_pos_table;
  std::vector<double> th_table;
  std::vector<std::uint32_t> work, line_1, line_2, line_3, display;
  composer::Buffers b;
  Owned(int entries, int work_size, int line, int display_size)
      : pos_map(entries),
        point_map(entries),
        flag_map(entries),
        aa_map(entries),
        aa_pos_map(entries),
        th_map(entries),
        pos_table(std::size_t(entries) + 4),
        point_table(std::size_t(entries) + 4),
        flag_table(std::size_t(entries) + 4),
        aa_table(std::size_t(entries) + 4),
        aa_pos_table(std::size_t(entries) + 4),
        th_table(std::size_t(entries) + 4),
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
    b.tables = {pos_table.data(),    point_table.data(), flag_table.data(), aa_table.data(),
                aa_pos_table.data(), th_table.data(),    entries + 4};
    b.work = work.data();
    b.line_1 = line_1.data();
    b.line_2 = line_2.data();
    b.line_3 = line_3.data();
    b.display_buff = display.data();
  }
};

// One row group of one pixel: entries 0, 1, 2 show pictures 0, 1, 0. Row 0
// takes red, green, blue of entries 0, 1, 2; row 1 green and blue of 0 and
// 1; row 2 blue of 0. Row group 0's entries are the tables from position
// M = 4 on, each entry reading its own sub-pixel column.
TEST(ComposerRenderTest, BetaComposeSplitsChannelsOverTheRowGroup) {
  composer::Params p;
  p.scaled_width = 1;
  p.scaled_height = 4;  // the fourth row is never composed: black
  p.pic_num = 2;
  Owned o(3, 6, 6, 4);
  auto set = [](std::vector<int>& table, std::vector<int> entries) {
    std::copy(entries.begin(), entries.end(), table.begin() + 4);
  };
  set(o.pos_table, {0, 1, 0});
  o.work = {0x112233, 0x999999, 0x778899, 0x999999, 0x445566, 0x999999};
  composer::compose_beta(p, o.b.tables, composer::WorkSource{o.b.work}, o.b.display_buff);
  EXPECT_EQ(o.display, (std::vector<std::uint32_t>{0x115599, 0x002266, 0x000033, 0}));
  // A flagged entry blends in the view before the boundary: half of picture 0's column 1.
  set(o.flag_table, {0, 1, 0});
  set(o.aa_pos_table, {0, 0, 0});
  o.th_table[5] = 0.5;
  composer::compose_beta(p, o.b.tables, composer::WorkSource{o.b.work}, o.b.display_buff);
  EXPECT_EQ(o.display[0], 0x117799u);  // green (0x55 + 0x99) / 2 = 0x77
  p.aa = false;
  composer::compose_beta(p, o.b.tables, composer::WorkSource{o.b.work}, o.b.display_buff);
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
    composer::show_stable(p);
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
    composer::show_print(p, b);
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

// The compose reads the tables where the maps were copied from them: for a
// real set of tables and maps it gives what applying the maps gives (each
// map entry's colour, blended where flagged, its channels on the diagonal).
TEST(ComposerRenderTest, BetaComposeShowsWhatTheMapsSay) {
  composer::Params p;
  p.scaled_width = 7;
  p.scaled_height = 11;
  p.pic_num = 4;
  p.view_num = 3;
  p.view_pos = 1;
  p.pitch = 4.3;
  const int n = 7, m = 11, row = 3 * n, groups = m / 3, length = row + m;
  Owned o(groups * row, groups * p.pic_num * row, 2 * row, n * m);
  for (std::vector<int>* t :
       {&o.pos_table, &o.point_table, &o.flag_table, &o.aa_table, &o.aa_pos_table})
    t->resize(std::size_t(length));
  o.th_table.resize(std::size_t(length));
  o.b.tables = {o.pos_table.data(),
                o.point_table.data(),
                o.flag_table.data(),
                o.aa_table.data(),
                o.aa_pos_table.data(),
                o.th_table.data(),
                length};
  for (std::size_t k = 0; k < o.work.size(); ++k)
    o.work[k] = std::uint32_t(k * 2654435761u) & 0xFFFFFF;
  composer::build_beta_tables(p, o.b.tables);
  composer::build_beta_maps(p, o.b.tables, o.b.maps);
  composer::compose_beta(p, o.b.tables, composer::WorkSource{o.b.work}, o.b.display_buff);
  for (int r = 0; r < groups; ++r) {
    std::vector<std::uint32_t> colour(static_cast<std::size_t>(row));
    for (int i = 0; i < row; ++i) {
      std::size_t e = std::size_t(r * row + i);
      auto sample = [&](int view, int column) {
        return o.work[std::size_t((r * p.pic_num + view + p.view_pos) * row + column)];
      };
      colour[std::size_t(i)] = sample(o.pos_map[e], o.point_map[e]);
      if (o.flag_map[e] == 1)
        colour[std::size_t(i)] = composer::blend(o.th_map[e], colour[std::size_t(i)],
                                                 sample(o.aa_pos_map[e], o.aa_map[e]));
    }
    for (int k = 0; k < 3; ++k) {
      for (int x = 0; x < n; ++x) {
        std::uint32_t expected = 0;
        for (int c = 0; c < 3; ++c) {
          int i = 3 * x + c - k;  // the sub-pixel whose channel c lands here
          if (i >= 0) expected |= colour[std::size_t(i)] & (0xFF0000u >> (8 * c));
        }
        ASSERT_EQ(o.display[std::size_t((3 * r + k) * n + x)], expected)
            << r << " " << k << " " << x;
      }
    }
  }
  for (int x = 0; x < 2 * n; ++x) EXPECT_EQ(o.display[std::size_t(9 * n + x)], 0u);  // rows 9, 10
}
