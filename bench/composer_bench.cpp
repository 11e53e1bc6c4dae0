// The lenticular composer's core at full-screen sizes, over plain pixel
// buffers: the BETA position and full redraws, the six resampling modes of
// the work image, and the STABLE and PRINT renderers, each on 1 thread and
// on 2 (the scaling shows in the threads column).
//
// Each case is one output size (1920 x 1080, 3840 x 2160) with 8 views of a
// strip of 8 pictures of 480 x 270, scaled as FIT scales them to cover the
// output; the strip STABLE and PRINT read holds the 8 pictures at the
// output's size.
//
// Every figure is the median of three to seven repetitions (one for an
// operation slower than 5 s), each paired with a baseline taken just before
// it: one memcpy of the bytes the operation must at least write, the
// output's for the renderers, the work image's for the resampling. The ratio
// is the median time over the median baseline.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "composer/params.h"
#include "composer/pixels.h"
#include "composer/pool.h"
#include "composer/render.h"
#include "composer/resample.h"
#include "composer/tables.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPictures = 8;
constexpr int kPictureWidth = 480;
constexpr int kPictureHeight = 270;

struct OutputSize {
  int width, height;
};
constexpr OutputSize kSizes[] = {{1920, 1080}, {3840, 2160}};
constexpr int kViews = 8;
constexpr int kThreadCounts[] = {1, 2};

// Repetitions: at least kMinReps, at most kMaxReps, and no more once an
// operation has taken kRepBudget seconds in all. An operation whose first
// repetition takes longer than kLongRep seconds (bicubic resampling at
// 3840 x 2160) runs only that once, to keep the whole run near two minutes;
// its reps column says 1.
constexpr int kMinReps = 3;
constexpr int kMaxReps = 7;
constexpr double kRepBudget = 2.0;
constexpr double kLongRep = 5.0;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
  std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
  return v[v.size() / 2];
}

// The baseline's two blocks, as large as the largest byte count of the run,
// touched once so that no repetition pays for their first use.
struct CopyBlocks {
  std::vector<std::uint8_t> from, to;
  explicit CopyBlocks(std::size_t bytes) : from(bytes, 1), to(bytes, 2) {}
};

double time_memcpy(CopyBlocks& blocks, std::size_t bytes) {
  auto t0 = Clock::now();
  std::memcpy(blocks.to.data(), blocks.from.data(), bytes);
  benchmark::DoNotOptimize(blocks.to.data());
  benchmark::ClobberMemory();
  return seconds_since(t0);
}

struct Row {
  std::string operation;
  std::string size;
  std::string views;
  int threads = 0;
  int reps = 0;
  double ms = 0;
  double baseline_ms = 0;
  std::string basis;  // what the baseline's byte count is
  double megabytes = 0;
};
std::vector<Row> g_rows;

// Times `once` in repetitions, each after a baseline memcpy of `bytes`.
void measure(const std::string& operation, const std::string& size, const std::string& views,
             const char* basis, std::size_t bytes, CopyBlocks& blocks,
             const std::function<void()>& once) {
  // ORV_BENCH_ONLY=name measures only the operations whose names contain it.
  const char* only = std::getenv("ORV_BENCH_ONLY");
  if (only && operation.find(only) == std::string::npos) return;
  std::vector<double> times, baselines;
  double spent = 0;
  while (int(times.size()) < kMaxReps && (int(times.size()) < kMinReps || spent < kRepBudget)) {
    baselines.push_back(time_memcpy(blocks, bytes));
    auto t0 = Clock::now();
    once();
    benchmark::ClobberMemory();
    times.push_back(seconds_since(t0));
    spent += times.back();
    if (times.size() == 1 && spent > kLongRep) break;
  }
  Row row{operation,
          size,
          views,
          composer::thread_count(),
          int(times.size()),
          median(times) * 1e3,
          median(baselines) * 1e3,
          basis,
          double(bytes) / 1e6};
  std::fprintf(stderr, "  %-16s %-9s %-4s %d %8.2f ms\n", row.operation.c_str(), row.size.c_str(),
               row.views.c_str(), row.threads, row.ms);
  g_rows.push_back(row);
}

// A deterministic picture strip: per picture a gradient of its own hue,
// diagonal stripes whose phase moves from picture to picture (as a view
// sequence would), and a hashed grain, so that neighbouring pixels, rows and
// pictures all differ.
std::uint32_t pattern(int x, int y, int picture, int picture_width, int height) {
  std::uint32_t h = std::uint32_t(x) * 0x9E3779B1u ^ std::uint32_t(y) * 0x85EBCA77u ^
                    std::uint32_t(picture) * 0xC2B2AE3Du;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  int stripe = ((x + y + 7 * picture) / 5) % 2 ? 48 : 0;
  int r = (x * 200 / picture_width + 31 * picture + stripe) & 0xFF;
  int g = (y * 200 / height + 17 * picture + int(h & 0x1F)) & 0xFF;
  int b = ((x ^ y) + 53 * picture + int((h >> 8) & 0x3F)) & 0xFF;
  return std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b);
}

// `pictures` pictures of picture_width x height side by side.
std::vector<std::uint32_t> make_strip(int picture_width, int height, int pictures) {
  const int width = picture_width * pictures;
  std::vector<std::uint32_t> strip(std::size_t(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      strip[std::size_t(y) * width + x] =
          pattern(x % picture_width, y, x / picture_width, picture_width, height);
  return strip;
}

std::string size_name(const OutputSize& s) {
  return std::to_string(s.width) + "x" + std::to_string(s.height);
}

std::size_t output_bytes(const composer::Params& p) {
  return std::size_t(p.width) * std::size_t(p.height) * 4;
}

std::size_t work_bytes(const composer::Params& p) {
  return std::size_t(composer::work_width(p)) * std::size_t(composer::work_height(p)) * 4;
}

// The composer's parameters after Start and FIT at this output size.
composer::Params fitted(const OutputSize& size) {
  composer::Params p;
  p.width = size.width;
  p.height = size.height;
  p.pic_num = kPictures;
  p.view_num = kViews;
  p.pic_width = kPictureWidth;
  p.src_height = kPictureHeight;
  p.scale = size.width * 100 / kPictureWidth;
  p.scaled_width = p.pic_width * p.scale / 100;
  p.scaled_height = p.src_height * p.scale / 100;
  return p;
}

// One size on the pool's current thread count.
void run_case(const OutputSize& size, const std::vector<std::uint32_t>& source_strip,
              CopyBlocks& blocks) {
  composer::Params p = fitted(size);
  const std::string name = size_name(size), views = std::to_string(kViews);
  const ORV_PixelBuffer source =
      composer::words_view(const_cast<std::uint32_t*>(source_strip.data()),
                           kPictureWidth * kPictures, kPictureHeight, kPictureWidth * kPictures);
  std::vector<std::uint32_t> work(std::size_t(composer::work_width(p)) * composer::work_height(p));
  std::vector<std::uint32_t> out_pixels(std::size_t(p.width) * p.height);
  const ORV_PixelBuffer out = composer::words_view(out_pixels.data(), p.width, p.height, p.width);
  composer::build_work_image(p, source, work.data());
  composer::OwnedTables beta(p);
  composer::Scroll scroll;
  // Composed straight into the output, its samples read from the source
  // through the nearest resampling FIT chooses.
  const composer::Resampling nearest = composer::plan_resampling(p);
  const composer::WorkSource from_source{nullptr, &nearest, source};
  const composer::WorkSource from_work{work.data()};
  const composer::WorkSource* samples = &from_source;
  auto position_redraw = [&] {
    composer::compose_beta_placed(p, beta.tables, *samples,
                                  composer::place_output(p, scroll, out.width, out.height), out);
  };
  composer::build_beta_tables(p, beta.tables);
  measure("beta_position", name, views, "output", output_bytes(p), blocks, [&] {
    p.view_pos = (p.view_pos + 1) % (p.pic_num - p.view_num + 1);
    position_redraw();
  });
  measure("beta_full", name, views, "output", output_bytes(p), blocks, [&] {
    composer::build_beta_tables(p, beta.tables);
    position_redraw();
  });
  // Anti-aliasing off (AA pressed, as the batch job runs): no sub-pixel blends.
  p.aa = false;
  measure("beta_position_aa_off", name, views, "output", output_bytes(p), blocks, position_redraw);
  p.aa = true;
  // From a whole work image, as after an interpolating resampling: every
  // row group reads its samples from pic_num rows of the work image.
  samples = &from_work;
  measure("beta_position_work", name, views, "output", output_bytes(p), blocks, position_redraw);
  p.view_pos = 0;
  static const std::pair<int, const char*> kModes[] = {
      {composer::kNearest, "rs_nearest"},        {composer::kBilinearOrv, "rs_bilinear_orv"},
      {composer::kBicubicOrv, "rs_bicubic_orv"}, {composer::kBilinear01, "rs_bilinear01"},
      {composer::kBilinear02, "rs_bilinear02"},  {composer::kNnTest, "rs_nn_test"}};
  for (const auto& [mode, label] : kModes) {
    p.rs = mode;
    measure(label, name, "any", "work image", work_bytes(p), blocks,
            [&] { composer::build_work_image(p, source, work.data()); });
  }
  p.rs = composer::kNnTest;
  std::vector<std::uint32_t> strip_pixels = make_strip(p.scaled_width, p.scaled_height, kPictures);
  const ORV_PixelBuffer strip = composer::words_view(
      strip_pixels.data(), p.scaled_width * kPictures, p.scaled_height, p.scaled_width * kPictures);
  measure("stable", name, views, "output", output_bytes(p), blocks,
          [&] { composer::render_stable(p, strip, out); });
  p.subpixels = 1;
  composer::OwnedTables print(p);
  measure("print", name, views, "output", output_bytes(p), blocks,
          [&] { composer::render_print(p, print.tables, strip, out); });
}

void print_table() {
  std::printf("%-16s %-9s %-5s %7s %4s %10s %10s %8s  %s\n", "operation", "size", "views",
              "threads", "reps", "ms", "base_ms", "ratio", "baseline: memcpy of");
  for (const Row& r : g_rows)
    std::printf("%-16s %-9s %-5s %7d %4d %10.2f %10.2f %8.1f  %s, %.1f MB\n", r.operation.c_str(),
                r.size.c_str(), r.views.c_str(), r.threads, r.reps, r.ms, r.baseline_ms,
                r.ms / r.baseline_ms, r.basis.c_str(), r.megabytes);
  std::fflush(stdout);
}

}  // namespace

int main(int, char**) {
  auto start = Clock::now();
  composer::Params largest = fitted(kSizes[1]);
  CopyBlocks blocks(std::max(work_bytes(largest), output_bytes(largest)));
  const std::vector<std::uint32_t> source = make_strip(kPictureWidth, kPictureHeight, kPictures);
  for (int threads : kThreadCounts) {
    composer::set_thread_count(threads);
    for (const OutputSize& size : kSizes) run_case(size, source, blocks);
  }
  print_table();
  std::printf("total %.1f s\n", seconds_since(start));
  return 0;
}
