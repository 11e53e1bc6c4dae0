// The composer's core over pixel buffers: every renderer and resampler gives
// the same pixels on 1, 2 and 7 threads, and BETA composed from rows
// resampled as needed (with the samples gathered or not) equals BETA from
// the whole work image.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "composer/lanes.h"
#include "composer/params.h"
#include "composer/pixels.h"
#include "composer/pool.h"
#include "composer/render.h"
#include "composer/resample.h"

namespace {

using Words = std::vector<std::uint32_t>;

// Eight pictures of 61 x 45 with every channel busy (a fixed LCG).
Words busy_strip(int width, int height) {
  Words strip(std::size_t(width) * height);
  std::uint32_t state = 12345;
  for (std::uint32_t& word : strip) {
    state = state * 1103515245u + 12345u;
    word = (state >> 8) & 0xFFFFFF;
  }
  return strip;
}

composer::Params params_for(int pic_width, int height, int scale) {
  composer::Params p;
  p.pic_num = 8;
  p.view_num = 5;
  p.view_pos = 2;
  p.loop = true;
  p.pitch = 13.7;
  p.scale = scale;
  p.pic_width = pic_width;
  p.src_height = height;
  p.scaled_width = scale * pic_width / 100;
  p.scaled_height = scale * height / 100;
  return p;
}

constexpr int kPicWidth = 61, kHeight = 45, kThreadCounts[] = {1, 2, 7};

struct Renders {
  Words work, beta, beta_from_rows, stable, stable_over_old, print;
};

Renders render_all(composer::Params p, const ORV_PixelBuffer& source) {
  Renders r;
  r.work.assign(std::size_t(composer::work_width(p)) * composer::work_height(p), 0);
  composer::build_work_image(p, source, r.work.data());
  composer::OwnedTables beta(p);
  composer::build_beta_tables(p, beta.tables);
  const std::size_t shown = std::size_t(p.scaled_width) * p.scaled_height;
  r.beta.assign(shown, 7);
  composer::compose_beta(p, beta.tables, composer::WorkSource{r.work.data()}, r.beta.data());
  const composer::Resampling plan = composer::plan_resampling(p);
  composer::WorkSource rows;
  rows.resampling = &plan;
  rows.source = source;
  r.beta_from_rows.assign(shown, 7);
  composer::compose_beta(p, beta.tables, rows, r.beta_from_rows.data());
  // STABLE writes every pixel: over what was there before as over black.
  for (std::uint32_t before : {0u, 0x5A5A5Au}) {
    Words& stable = before ? r.stable_over_old : r.stable;
    stable.assign(shown, before);
    composer::render_stable(
        p, source,
        composer::words_view(stable.data(), p.scaled_width, p.scaled_height, p.scaled_width));
  }
  p.subpixels = 1;
  composer::OwnedTables print(p);
  r.print.assign(shown, 9);
  composer::render_print(
      p, print.tables, source,
      composer::words_view(r.print.data(), p.scaled_width, p.scaled_height, p.scaled_width));
  return r;
}

TEST(CoreTest, EveryRendererAndResamplerGivesTheSamePixelsOnOneTwoAndSevenThreads) {
  Words strip = busy_strip(8 * kPicWidth, kHeight);
  const ORV_PixelBuffer source =
      composer::words_view(strip.data(), 8 * kPicWidth, kHeight, 8 * kPicWidth);
  for (int mode : {composer::kNearest, composer::kBilinearOrv, composer::kBicubicOrv,
                   composer::kBilinear01, composer::kBilinear02, composer::kNnTest}) {
    for (int scale : {100, 137}) {
      composer::Params p = params_for(kPicWidth, kHeight, scale);
      p.rs = mode;
      composer::set_thread_count(1);
      const Renders one = render_all(p, source);
      EXPECT_EQ(one.beta_from_rows, one.beta) << "mode " << mode << " scale " << scale;
      // The plain sample loop, which processors without AVX2 run, and the
      // loops' AVX2 builds, which processors without AVX-512 run.
      composer::allow_sample_gathers(false);
      EXPECT_EQ(render_all(p, source).beta_from_rows, one.beta)
          << "without gathers: mode " << mode << " scale " << scale;
      composer::allow_sample_gathers(true);
      composer::allow_wide_lanes(false);
      const Renders narrow = render_all(p, source);
      composer::allow_wide_lanes(true);
      SCOPED_TRACE(testing::Message() << "without AVX-512: mode " << mode << " scale " << scale);
      EXPECT_EQ(narrow.work, one.work);
      EXPECT_EQ(narrow.beta, one.beta);
      EXPECT_EQ(narrow.beta_from_rows, one.beta);
      EXPECT_NE(one.print, Words(one.print.size(), 9));
      for (int threads : kThreadCounts) {
        composer::set_thread_count(threads);
        const Renders many = render_all(p, source);
        SCOPED_TRACE(testing::Message()
                     << "mode " << mode << " scale " << scale << " threads " << threads);
        EXPECT_EQ(many.work, one.work);
        EXPECT_EQ(many.beta, one.beta);
        EXPECT_EQ(many.beta_from_rows, one.beta);
        EXPECT_EQ(many.stable, one.stable);
        EXPECT_EQ(many.stable_over_old, one.stable);
        EXPECT_EQ(many.print, one.print);
      }
    }
  }
  composer::set_thread_count(0);
}

// BETA composed straight into the output rows must leave what composing
// the whole picture and then copying it as placed leaves: centred in a
// larger output (black around it), and scrolled inside a smaller one at an
// odd offset, read from the source (nearest and NN TEST) and from a work
// image.
TEST(CoreTest, ComposingStraightIntoTheOutputLeavesWhatCopyingThePictureLeaves) {
  Words strip = busy_strip(8 * kPicWidth, kHeight);
  const ORV_PixelBuffer source =
      composer::words_view(strip.data(), 8 * kPicWidth, kHeight, 8 * kPicWidth);
  struct Case {
    int width, height, scroll_x, scroll_y;
  };
  for (int mode : {composer::kNearest, composer::kNnTest, composer::kBilinearOrv}) {
    composer::Params p = params_for(kPicWidth, kHeight, 137);
    p.rs = mode;
    composer::OwnedTables beta(p);
    composer::build_beta_tables(p, beta.tables);
    Words work(std::size_t(composer::work_width(p)) * composer::work_height(p));
    composer::build_work_image(p, source, work.data());
    Words composed(std::size_t(p.scaled_width) * p.scaled_height);
    composer::compose_beta(p, beta.tables, composer::WorkSource{work.data()}, composed.data());
    const composer::Resampling plan = composer::plan_resampling(p);
    composer::WorkSource from_source;
    from_source.resampling = &plan;
    from_source.source = source;
    for (const Case& c : {Case{p.scaled_width + 37, p.scaled_height + 10, 0, 0},
                          Case{p.scaled_width - 29, p.scaled_height - 17, 13, 11}}) {
      p.width = c.width;
      p.height = c.height;
      Words expected(std::size_t(c.width) * c.height, 7), placed = expected;
      const ORV_PixelBuffer to = composer::words_view(expected.data(), c.width, c.height, c.width);
      composer::Scroll scroll{c.scroll_x, c.scroll_y, false};
      const composer::Placement at = composer::place_output(p, scroll, c.width, c.height);
      composer::copy_placed(p, composed.data(), at, to);
      for (const composer::WorkSource& samples : {composer::WorkSource{work.data()}, from_source}) {
        std::fill(placed.begin(), placed.end(), 7u);
        composer::compose_beta_placed(
            p, beta.tables, samples, at,
            composer::words_view(placed.data(), c.width, c.height, c.width));
        EXPECT_EQ(placed, expected) << "mode " << mode << " output " << c.width << " x " << c.height
                                    << (samples.work ? " from work" : " from source");
      }
    }
  }
}

// The resamplers work eight columns at a time where the footprint lies
// inside the source, sharing one column's neighbours where an enlargement
// repeats it (bicubic keeps their channels while the column repeats, over
// blocks at 800 %); each pixel must still be what it is computed on its
// own, bit for bit, at the borders too, enlarged and reduced, with bicubic
// in registers of eight doubles (where the processor has them) and without.
TEST(CoreTest, EightColumnsAtATimeGiveWhatEachPixelGivesOnItsOwn) {
  Words strip = busy_strip(8 * kPicWidth, kHeight);
  const ORV_PixelBuffer source =
      composer::words_view(strip.data(), 8 * kPicWidth, kHeight, 8 * kPicWidth);
  for (int mode : {composer::kBilinearOrv, composer::kBicubicOrv, composer::kBilinear01,
                   composer::kBilinear02}) {
    for (int scale : {23, 100, 137, 400, 800}) {
      for (bool wide : {true, false}) {
        composer::Params p = params_for(kPicWidth, kHeight, scale);
        p.rs = mode;
        const composer::Resampling plan = composer::plan_resampling(p);
        Words work(std::size_t(plan.dst_w) * plan.dst_h, 7);
        composer::allow_wide_lanes(wide);
        composer::build_work_image(p, source, work.data());
        composer::allow_wide_lanes(true);
        int wrong = 0;
        for (int i = 0; i < plan.dst_h; ++i)
          for (int j = 0; j < plan.dst_w; ++j)
            wrong += work[std::size_t(i) * plan.dst_w + j] !=
                     composer::resample_pixel(plan, source, i, j);
        EXPECT_EQ(wrong, 0) << "mode " << mode << " scale " << scale << " wide " << wide;
      }
    }
  }
}

// A 2 x 1 source read through its palette: nearest to 4 x 1 repeats each
// colour twice, and a point past the source reads black.
TEST(CoreTest, AnEightBitSourceIsReadThroughItsPalette) {
  unsigned char indices[4] = {1, 0, 0, 0};
  unsigned char palette[256 * 4] = {};
  palette[4] = 0x30, palette[5] = 0x20, palette[6] = 0x10;  // entry 1: blue, green, red
  ORV_PixelBuffer source;
  source.pixels = indices;
  source.width = 2;
  source.height = 1;
  source.stride = 4;
  source.bits = 8;
  source.palette = palette;
  EXPECT_EQ(composer::colour_at(source, 0, 0), 0x102030u);
  EXPECT_EQ(composer::colour_at(source, 1, 0), 0u);
  EXPECT_EQ(composer::colour_at(source, 2, 0), 0u);
  composer::Resampling plan;
  plan.mode = composer::kNearest;
  plan.src_w = 2, plan.src_h = 1, plan.dst_w = 4, plan.dst_h = 1;
  plan.columns.resize(4);
  for (int j = 0; j < 4; ++j) plan.columns[std::size_t(j)].whole = j / 2;
  plan.rows.resize(1);
  std::uint32_t row[4] = {};
  composer::resample_row(plan, source, 0, 0, 4, row);
  EXPECT_EQ(std::vector<std::uint32_t>(row, row + 4),
            (std::vector<std::uint32_t>{0x102030, 0x102030, 0, 0}));
}

}  // namespace
