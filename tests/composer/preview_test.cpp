// The look through the lens: in PRINT with a whole-number pitch and no
// anti-aliasing, the preview takes back exactly the columns the interlace
// placed for each view, one a lens, and stretches them over the width.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "composer/params.h"
#include "composer/pixels.h"
#include "composer/preview.h"
#include "composer/render.h"
#include "composer/tables.h"

namespace {

TEST(PreviewTest, PrintGivesBackEachViewsColumnsOneALensAndStretchesThem) {
  // Eight views of 96 x 5, every pixel naming its view, column and row.
  constexpr int kViews = 8, kWidth = 96, kHeight = 5;
  std::vector<std::uint32_t> strip(std::size_t(kViews) * kWidth * kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kViews * kWidth; ++x)
      strip[std::size_t(y) * kViews * kWidth + x] =
          std::uint32_t((x / kWidth) << 16 | (x % kWidth) << 8 | y);
  composer::Params p;
  p.pic_num = p.view_num = kViews;
  p.pitch = 16;  // two columns a view under each lens
  p.aa = false;
  p.print_mode = composer::kPrint;
  p.subpixels = 1;
  p.pic_width = p.scaled_width = kWidth;
  p.src_height = kHeight;
  p.scaled_height = kHeight + 1;  // PRINT leaves the last row
  std::vector<std::uint32_t> out(std::size_t(kWidth) * kHeight, 0);
  composer::OwnedTables tables(p);
  composer::render_print(
      p, tables.tables,
      composer::words_view(strip.data(), kViews * kWidth, kHeight, kViews * kWidth),
      composer::words_view(out.data(), kWidth, kHeight, kWidth));

  const auto columns = composer::print_preview_columns(p, kWidth);
  ASSERT_EQ(columns.size(), std::size_t(kViews));
  const auto seen =
      composer::preview_views(p, composer::words_view(out.data(), kWidth, kHeight, kWidth));
  ASSERT_EQ(seen.size(), std::size_t(kViews));
  for (int v = 0; v < kViews; ++v) {
    SCOPED_TRACE(testing::Message() << "view " << v);
    // 96 columns under lenses of 16: six lenses, so six columns a view,
    // the first of the two in lens k's zone of view v (the middle, rounded
    // down): 16k + 2v.
    ASSERT_EQ(columns[std::size_t(v)].size(), 6u);
    for (int k = 0; k < 6; ++k) {
      const int j = columns[std::size_t(v)][std::size_t(k)];
      EXPECT_EQ(j, 16 * k + 2 * v);
      // Each one holds what PRINT read for view v there: its picture's
      // column point_table[j] (zones read mirrored), black past the strip.
      const int x1 = kWidth * v + tables.tables.point_table[j];
      for (int y = 0; y < kHeight; ++y)
        EXPECT_EQ(out[std::size_t(y) * kWidth + j],
                  x1 < kViews * kWidth ? strip[std::size_t(y) * kViews * kWidth + x1] : 0u);
      if (x1 < kViews * kWidth - 1) EXPECT_EQ(x1 / kWidth, v);
    }
    // Stretched: pixel x shows sample 6x / 96, sixteen pixels a lens.
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        EXPECT_EQ(seen[std::size_t(v)][std::size_t(y) * kWidth + x],
                  out[std::size_t(y) * kWidth + columns[std::size_t(v)][std::size_t(x / 16)]]);
  }
  // Equal pictures have an infinite PSNR; one channel off by 255 in one of
  // two pixels: MSE 255² / 6, so 10·log10(6) dB.
  const std::uint32_t a[2] = {0, 0x123456}, b[2] = {0xFF0000, 0x123456};
  EXPECT_TRUE(std::isinf(composer::psnr(a, a, 2)));
  EXPECT_NEAR(composer::psnr(a, b, 2), 7.7815, 1e-4);
}

}  // namespace
