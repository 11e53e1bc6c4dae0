// The work image in each resampling mode, and the blend, with values
// worked out by hand from a 2 x 6 source: column 0 red 200, column 1 blue
// 100. At scale 50 the work image is one row of three sub-pixel columns,
// sampled at x = 0, 2/3 and 4/3.
#include <gtest/gtest.h>

#include <vector>

#include "composer/output_window.h"
#include "composer/params.h"
#include "composer/resample.h"
#include "framework/image/image_table.h"
#include "tests/framework/test_program.h"

namespace {

using test_program::on_worker;

composer::Params two_columns(int rs) {
  composer::Params p;
  p.pic_num = 1;
  p.pic_width = 2;
  p.src_height = 6;
  p.scale = 50;
  p.scaled_width = 1;
  p.scaled_height = 3;
  p.rs = rs;
  return p;
}

TEST(ComposerResampleTest, EachModeInItsOwnArithmetic) {
  test_program::Serving serving([] { orv::reset_images_for_tests(); });
  on_worker([] {
    ORV_CreateImage(0, "source", 0, 0, 2, 6, 100);
    for (int y = 0; y < 6; ++y) {
      ORV_SetPixel(0, y, 0xC80000);
      ORV_SetPixel(1, y, 0x000064);
    }
  });
  struct Case {
    int rs;
    std::vector<std::uint32_t> expected;
  } cases[] = {
      {composer::kNearest, {0xC80000, 0xC80000, 0x000064}},
      {composer::kNnTest, {0xC80000, 0xC80000, 0x000064}},
      // 1/3 of 200 and 2/3 of 100 round to 67; past the edge is black.
      {composer::kBilinearOrv, {0xC80000, 0x430043, 0x000043}},
      // The same truncated.
      {composer::kBilinear01, {0xC80000, 0x420042, 0x000042}},
      // The last column repeats instead of mixing in black.
      {composer::kBilinear02, {0xC80000, 0x430043, 0x000064}},
      // Weights -2/27, 11/27, 22/27, -4/27 at x = 2/3; -4/27, 22/27, 11/27, -2/27 at 4/3.
      {composer::kBicubicOrv, {0xC80000, 0x510051, 0x000051}},
  };
  for (const Case& c : cases) {
    std::vector<std::uint32_t> work(3, 0xDEADBEEF);
    composer::Params p = two_columns(c.rs);
    ASSERT_EQ((std::pair{composer::work_width(p), composer::work_height(p)}), (std::pair{3, 1}));
    on_worker([&] { composer::build_work_image_from_source(p, work.data()); });
    EXPECT_EQ(work, c.expected) << "mode " << c.rs;
  }
  on_worker([] { orv::reset_images_for_tests(); });
}

// Two 150-column pictures of 200 rows at scale 100: 900 x 66 samples, each
// source column feeding about three work columns and every third row read.
TEST(ComposerResampleTest, TheWorkImageCoversEveryPictureOnTheSubPixelGrid) {
  test_program::Serving serving([] { orv::reset_images_for_tests(); });
  on_worker([] {
    ORV_CreateImage(0, "strip", 0, 0, 300, 200, 100);
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 300; ++x) ORV_SetPixel(x, y, y << 12 | x);
  });
  composer::Params p;
  p.pic_num = 2;
  p.pic_width = 150;
  p.src_height = 200;
  p.scaled_width = 150;
  p.scaled_height = 200;
  p.rs = composer::kNnTest;
  ASSERT_EQ((std::pair{composer::work_width(p), composer::work_height(p)}), (std::pair{900, 66}));
  std::vector<std::uint32_t> work(900 * 66);
  on_worker([&] { composer::build_work_image_from_source(p, work.data()); });
  // 16.16 steps of 21845 and 198593: 3 * 21845 >> 16 is still 0, and row 1 reads row 3.
  EXPECT_EQ(work[3], 0u);
  EXPECT_EQ(work[4], 1u);
  EXPECT_EQ(work[899], std::uint32_t(299));
  EXPECT_EQ(work[900], std::uint32_t(3 << 12));
  on_worker([] { orv::reset_images_for_tests(); });
}

TEST(ComposerResampleTest, BlendWeighsTheSecondSampleAndTruncates) {
  EXPECT_EQ(composer::blend(0, 0xC86400, 0x0000FF), 0xC86400u);
  EXPECT_EQ(composer::blend(0.5, 0xC86400, 0x0000FF), 0x64327Fu);
}

}  // namespace
