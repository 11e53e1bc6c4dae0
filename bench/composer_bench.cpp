// The lenticular composer's renderers at full-screen sizes: the BETA
// position and full redraws, the six resampling modes of the work image,
// and the STABLE and PRINT renderers.
//
// The program is a user program of its own on the headless back end (the
// composer's own work, not a desktop's paint): ORV_Ready opens the text
// window the composer prints its status on and presses Start; ORV_Main runs
// every measurement on the worker thread, which owns the image windows, then
// presses Exit.
//
// Each case is one output size (1920 x 1080, 3840 x 2160) and one view count
// (2, 8) over a source strip of 8 pictures of 480 x 270. A run goes the
// composer's own way: start_run, then FIT, which scales the pictures to
// cover the output; image 1, the strip STABLE and PRINT read, holds the 8
// pictures at the output's size.
//
// The operations run for seconds at 3840 x 2160, too long for Google
// Benchmark's iteration control: every figure is the median of three to
// seven repetitions (one for an operation slower than 5 s), and each
// repetition is paired with a baseline taken just before it, one memcpy of
// the bytes the operation must at least write (and read): image 2's bytes
// for the renderers, the work image's bytes for the resampling. The ratio
// is the median time over the median baseline.
//
// The work image does not depend on the view count, so the resampling modes
// are measured once per size (views "any").
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

#include "bench/bench_program.h"
#include "composer/buffers.h"
#include "composer/main_loop.h"
#include "composer/output_window.h"
#include "composer/params.h"
#include "composer/render.h"
#include "composer/resample.h"
#include "framework/core/entry.h"
#include "framework/core/main_window.h"
#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "platform/headless/driver.h"
#include "platform/queue.h"
#include "platform/thread.h"
#include "platform/window.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPictures = 8;
constexpr int kPictureWidth = 480;
constexpr int kPictureHeight = 270;

// The composer's buttons this run presses.
constexpr int kButtonPrint = 13;
constexpr int kButtonStable = 15;
constexpr int kButtonFit = 28;

struct OutputSize {
  int width, height;
};
constexpr OutputSize kSizes[] = {{1920, 1080}, {3840, 2160}};
constexpr int kViewCounts[] = {2, 8};

// Repetitions: at least kMinReps, at most kMaxReps, and no more once an
// operation has taken kRepBudget seconds in all. An operation whose first
// repetition takes longer than kLongRep seconds (bicubic resampling at
// 3840 x 2160) runs only that once, to keep the whole run near two minutes;
// its reps column says 1.
constexpr int kMinReps = 3;
constexpr int kMaxReps = 7;
constexpr double kRepBudget = 2.0;
constexpr double kLongRep = 5.0;

int g_status = 0;

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
          int(times.size()),
          median(times) * 1e3,
          median(baselines) * 1e3,
          basis,
          double(bytes) / 1e6};
  std::fprintf(stderr, "  %-16s %-9s %-4s %8.2f ms\n", row.operation.c_str(), row.size.c_str(),
               row.views.c_str(), row.ms);
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

// Image `id`, `pictures` pictures of picture_width x height side by side.
bool make_strip(int id, const char* title, int picture_width, int height, int pictures) {
  int width = picture_width * pictures;
  if (ORV_CreateImageFL(id, title, 0, 0, width, height, 100) != 0) {
    std::fprintf(stderr, "composer_bench: image %d (%d x %d) could not be made\n", id, width,
                 height);
    return false;
  }
  const orv::ImageRecord& r = orv::image_record(id);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(orv::image_pixels(id) +
                                                 std::size_t(y) * std::size_t(r.dib->stride));
    for (int x = 0; x < width; ++x)
      row[x] = pattern(x % picture_width, y, x / picture_width, picture_width, height);
  }
  return true;
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

// One case: a run started and fitted the composer's way, then every
// renderer; the resampling modes only when `resampling`.
bool run_case(const OutputSize& size, int views, bool resampling, CopyBlocks& blocks) {
  composer::Params& p = composer::params();
  p = composer::Params{};
  p.width = p.prev_width = size.width;
  p.height = p.prev_height = size.height;
  p.pic_num = p.prev_pic_num = kPictures;
  p.view_num = p.prev_view_num = views;
  composer::Run run;
  if (!make_strip(composer::kSourceImage, "source", kPictureWidth, kPictureHeight, kPictures))
    return false;
  if (!composer::start_run(p, run)) {
    std::fprintf(stderr, "composer_bench: the run did not start\n");
    return false;
  }
  composer::press_button(kButtonFit, p, run);
  const orv::ImageRecord& out = orv::image_record(composer::kOutputImage);
  if (run.ended || p.scaled_width != size.width || p.scaled_height != size.height ||
      out.zoom != 100) {
    std::fprintf(stderr,
                 "composer_bench: FIT gave %d x %d at scale %d (image 2 at %d%%), not %d x %d\n",
                 p.scaled_width, p.scaled_height, p.scale, out.zoom, size.width, size.height);
    composer::end_run(run);
    return false;
  }
  std::fprintf(stderr, "%s, %d views: scale %d, pitch %.2f, work image %d x %d\n",
               size_name(size).c_str(), views, p.scale, p.pitch, composer::work_width(p),
               composer::work_height(p));
  const std::string name = size_name(size), view_text = std::to_string(views);

  // BETA: the view position moves through the strip as pos++ would move it.
  const int last = p.pic_num - p.view_num;
  int step = 0;
  auto next_position = [&] { p.view_pos = last > 0 ? ++step % (last + 1) : 0; };
  measure("beta_position", name, view_text, "image 2", output_bytes(p), blocks, [&] {
    next_position();
    composer::beta_position_redraw(p, run.buffers, run.scroll);
  });
  measure("beta_full", name, view_text, "image 2", output_bytes(p), blocks, [&] {
    next_position();
    composer::full_beta_redraw(p, run.buffers, run.scroll);
  });
  p.view_pos = 0;

  if (resampling) {
    static const std::pair<int, const char*> kModes[] = {
        {composer::kNearest, "rs_nearest"},       {composer::kBilinearOrv, "rs_bilinear_orv"},
        {composer::kBicubicOrv, "rs_bicubic_orv"}, {composer::kBilinear01, "rs_bilinear01"},
        {composer::kBilinear02, "rs_bilinear02"}, {composer::kNnTest, "rs_nn_test"}};
    for (const auto& [mode, label] : kModes) {
      p.rs = mode;
      measure(label, name, "any", "work image", work_bytes(p), blocks,
              [&] { composer::build_work_image_from_source(p, run.buffers.work); });
    }
    p.rs = composer::kNnTest;
    composer::build_work_image_from_source(p, run.buffers.work);
  }

  // STABLE and PRINT read image 1: the 8 pictures at the output's size.
  if (!make_strip(composer::kStripImage, "strip", p.scaled_width, p.scaled_height, kPictures)) {
    composer::end_run(run);
    return false;
  }
  composer::press_button(kButtonStable, p, run);  // renders once
  measure("stable", name, view_text, "image 2", output_bytes(p), blocks,
          [&] { composer::show_stable(p); });
  composer::press_button(kButtonPrint, p, run);  // one sub-pixel: the buffers are made again
  if (run.ended || p.subpixels != 1) {
    std::fprintf(stderr, "composer_bench: PRINT mode could not be set\n");
    composer::end_run(run);
    return false;
  }
  measure("print", name, view_text, "image 2", output_bytes(p), blocks,
          [&] { composer::show_print(p, run.buffers); });
  composer::end_run(run);
  return true;
}

void print_table() {
  std::printf("%-16s %-9s %-5s %4s %10s %10s %8s  %s\n", "operation", "size", "views", "reps",
              "ms", "base_ms", "ratio", "baseline: memcpy of");
  for (const Row& r : g_rows)
    std::printf("%-16s %-9s %-5s %4d %10.2f %10.2f %8.1f  %s, %.1f MB\n", r.operation.c_str(),
                r.size.c_str(), r.views.c_str(), r.reps, r.ms, r.baseline_ms,
                r.ms / r.baseline_ms, r.basis.c_str(), r.megabytes);
  std::fflush(stdout);
}


}  // namespace

void ORV_Ready() {
  ORV_OpenTextWindow(0, 0, 0, 198, 1000);  // where the composer prints its status
  bench::press(orv::kCommandStart);
}

int ORV_Main() {
  auto start = Clock::now();
  // The largest byte count: the work image at the largest size.
  composer::Params largest;
  largest.pic_num = kPictures;
  largest.scaled_width = kSizes[1].width;
  largest.scaled_height = kSizes[1].height;
  CopyBlocks blocks(std::max(work_bytes(largest), output_bytes(largest)));
  for (const OutputSize& size : kSizes) {
    for (int views : kViewCounts) {
      if (!run_case(size, views, views == kViewCounts[0], blocks)) g_status = 1;
    }
  }
  print_table();
  std::printf("total %.1f s\n", seconds_since(start));
  bench::press(orv::kCommandExit);
  return 0;
}

int main(int, char**) {
  bench::PrivateRuntimeFolder folder;
  // A screen on which image 2 shows at 100% at the largest size (the
  // composer creates it within the screen limits).
  platform::ScreenMetrics m = platform::screen_metrics();
  m.screen_width = std::max(m.screen_width, 2 * kSizes[1].width);
  m.screen_height = std::max(m.screen_height, 2 * kSizes[1].height);
  m.maximized_client_width = std::max(m.maximized_client_width, 2 * kSizes[1].width);
  m.maximized_client_height = std::max(m.maximized_client_height, 2 * kSizes[1].height);
  platform::set_screen_metrics(m);
  int code = orv::run_program(headless::backend());
  folder.remove();
  platform::exit_process(code != 0 ? code : g_status);
}
