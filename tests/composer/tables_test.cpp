// Interlace tables and maps, with the values worked out by hand.
#include <gtest/gtest.h>

#include <vector>

#include "composer/params.h"
#include "composer/tables.h"

namespace {

struct TableBuffers {
  std::vector<int> pos, point, flag, aa, aa_pos;
  std::vector<double> weight;
  composer::Tables view;
  explicit TableBuffers(int length)
      : pos(length, -9),
        point(length, -9),
        flag(length, -9),
        aa(length, -9),
        aa_pos(length, -9),
        weight(length, -9) {
    view = {pos.data(), point.data(), flag.data(), aa.data(), aa_pos.data(), weight.data(), length};
  }
};

// Pitch 17.33 over 2 views: zones of 8.665 sub-pixels. Position 8 starts
// view 1 and owes 0.665 of itself to view 0; position 17 starts view 0 again
// and owes 17.33 - 17 = 0.33 to view 1.
TEST(ComposerTablesTest, BetaTablesFlagThePositionAfterEachZoneBoundary) {
  composer::Params p;
  p.pitch = 17.33;
  p.view_num = 2;
  TableBuffers t(20);
  composer::build_beta_tables(p, t.view);
  EXPECT_DOUBLE_EQ(p.dt, 8.665);
  for (int k = 0; k < 18; ++k) {
    int view = k < 8 || k == 17 ? 0 : 1;
    EXPECT_EQ(t.pos[k], view) << k;
    EXPECT_EQ(t.point[k], k) << k;
    EXPECT_EQ(t.flag[k], k == 8 || k == 17 ? 1 : 0) << k;
  }
  EXPECT_NEAR(t.weight[8], 0.665, 1e-9);
  EXPECT_EQ((std::pair{t.aa_pos[8], t.aa[8]}), (std::pair{0, 8}));
  EXPECT_NEAR(t.weight[17], 0.33, 1e-9);
  EXPECT_EQ((std::pair{t.aa_pos[17], t.aa[17]}), (std::pair{1, 17}));

  // More views than the pitch has sub-pixels: zones below one, all view 0.
  p.pitch = 1.5;
  p.view_num = 2;
  TableBuffers narrow(30);
  composer::build_beta_tables(p, narrow.view);
  EXPECT_EQ(narrow.pos, std::vector<int>(30, 0));
  EXPECT_EQ(narrow.flag, std::vector<int>(30, 0));
}

// Output columns 0..7 read source columns 8..1 and columns 8..16 read
// 17..9; column 8's second sample goes on with the first zone's run (0).
TEST(ComposerTablesTest, PrintTableMirrorsEachZone) {
  composer::Params p;
  p.pitch = 17.33;
  p.view_num = 2;
  p.scaled_width = 17;
  TableBuffers t(17 + 5);
  composer::build_print_table(p, t.view);
  EXPECT_EQ(std::vector<int>(t.point.begin(), t.point.begin() + 17),
            (std::vector<int>{8, 7, 6, 5, 4, 3, 2, 1, 17, 16, 15, 14, 13, 12, 11, 10, 9}));
  EXPECT_EQ(std::vector<int>(t.pos.begin(), t.pos.begin() + 17),
            (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
  EXPECT_EQ((std::tuple{t.flag[8], t.aa[8], t.aa_pos[8]}), (std::tuple{1, 0, 0}));
  EXPECT_NEAR(t.weight[8], 0.665, 1e-9);
  // The boundary after column 16 writes position 17 = N, which the length allows.
  EXPECT_EQ((std::tuple{t.flag[17], t.aa[17], t.aa_pos[17]}), (std::tuple{1, 8, 1}));
  EXPECT_EQ(t.flag[7], 0);
}

// Map entry r·3N + i reads table position i + M - 3r: one row group down,
// the pattern moves three sub-pixels to the right.
TEST(ComposerTablesTest, BetaMapsSlantTheTableByThreePerRowGroup) {
  composer::Params p;
  p.scaled_width = 2;   // 3N = 6 entries a row group
  p.scaled_height = 6;  // two row groups; T = 12
  TableBuffers t(12);
  for (int k = 0; k < 12; ++k) {
    t.pos[k] = 100 + k;
    t.flag[k] = k % 2;
    t.aa_pos[k] = 200 + k;
    t.weight[k] = k / 10.0;
  }
  std::vector<int> pos(12), point(12), flag(12), aa(12), aa_pos(12);
  std::vector<double> weight(12);
  composer::build_beta_maps(
      p, t.view, {pos.data(), point.data(), flag.data(), aa.data(), aa_pos.data(), weight.data()});
  EXPECT_EQ(pos, (std::vector<int>{106, 107, 108, 109, 110, 111, 103, 104, 105, 106, 107, 108}));
  EXPECT_EQ(point, (std::vector<int>{0, 1, 2, 3, 4, 5, 0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(aa, point);
  EXPECT_EQ(flag, (std::vector<int>{0, 1, 0, 1, 0, 1, 1, 0, 1, 0, 1, 0}));
  EXPECT_EQ(aa_pos[6], 203);
  EXPECT_DOUBLE_EQ(weight[11], 0.8);
}

}  // namespace
