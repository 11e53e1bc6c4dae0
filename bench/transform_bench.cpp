// The whole-image transforms of the "Process..." menu on a 3840 x 2160
// 32-bit image of a running framework on the headless back end: the two
// quarter turns, the two flips, inversion and the 141.4 % size step.
//
// The program is a user program of its own: ORV_Ready presses Start, and
// ORV_Main runs the benchmarks on the worker thread, which owns the image,
// then presses Exit. Every benchmark carries a counter "x_memcpy": its time
// per iteration divided by the time of one memcpy of the image's 33 MB. The
// baseline is measured at start and again by BM_Memcpy, which runs first and
// then becomes the baseline of the transforms after it. A quarter turn and a
// size step include re-creating the image window.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/image_bench_main.h"
#include "bench/memcpy_baseline.h"
#include "framework/core/main_window.h"
#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "imaging/transform.h"

namespace {

using bench::Clock;
using bench::seconds_since;

constexpr int kId = 1;
constexpr int kWidth = 3840;
constexpr int kHeight = 2160;
constexpr std::size_t kBytes = std::size_t(kWidth) * kHeight * 4;

void BM_Memcpy(benchmark::State& state) {
  bench::memcpy_benchmark(state, kBytes);
}

// A gradient with some texture over the whole image.
void paint_picture() {
  auto* pixels = reinterpret_cast<std::uint32_t*>(orv::image_pixels(kId));
  const orv::ImageRecord& r = orv::image_record(kId);
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x)
      pixels[std::size_t(y) * r.width + x] = (std::uint32_t(x & 0xFF) << 16) |
                                             (std::uint32_t(y & 0xFF) << 8) |
                                             std::uint32_t((x ^ y) & 0xFF);
}

struct Transform {
  const char* name;
  int (*run)(int id);
};
constexpr Transform kTransforms[] = {
    {"R. Rotate", ORV_RotateRight},     {"L. Rotate", ORV_RotateLeft},
    {"Horz. Flip", ORV_FlipHorizontal}, {"Vert. Flip", ORV_FlipVertical},
    {"Invert", ORV_InvertImage},
};

// Transform range(0) once per iteration; a turn alternates the image between
// 3840 x 2160 and 2160 x 3840, the same bytes either way.
void BM_Transform(benchmark::State& state) {
  const Transform& transform = kTransforms[state.range(0)];
  state.SetLabel(transform.name);
  paint_picture();
  auto start = Clock::now();
  for (auto _ : state) {
    if (transform.run(kId) != 0) state.SkipWithError("the transform failed");
    benchmark::ClobberMemory();
  }
  bench::report_ratio(state, seconds_since(start), kBytes);
  ORV_ResizeImage(kId, kWidth, kHeight);
}

// "Size 141.4%" of the 3840 x 2160 picture (to 5430 x 3054) in the scaling
// mode range(0); the picture is made again, untimed, before each step.
void BM_Size141(benchmark::State& state) {
  const int mode = int(state.range(0));
  state.SetLabel(mode == 3 ? "nearest" : "average");
  double timed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ORV_ResizeImage(kId, kWidth, kHeight);
    ORV_SetImageStretchMode(mode, kId);
    paint_picture();
    state.ResumeTiming();
    auto start = Clock::now();
    if (ORV_ScaleImage(kId, orv::kFactorSize141) != 0) state.SkipWithError("the size step failed");
    benchmark::ClobberMemory();
    timed += seconds_since(start);
  }
  bench::report_ratio(state, timed, kBytes);
  ORV_ResizeImage(kId, kWidth, kHeight);
  ORV_SetImageStretchMode(3, kId);
}

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Transform)->ArgName("transform")->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Size141)->ArgName("mode")->DenseRange(3, 4)->Unit(benchmark::kMillisecond);

}  // namespace

const bench::ImageBenchSetup bench::kImageBench = {"transform_bench", "transforms", kId, kWidth,
                                                   kHeight};
