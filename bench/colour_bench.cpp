// The six test patterns painted into a 1920 x 1080 32-bit image of a running
// framework on the headless back end.
//
// The program is a user program of its own: ORV_Ready presses Start, and
// ORV_Main runs the benchmarks on the worker thread, which owns the image,
// then presses Exit. Every benchmark carries a counter "x_memcpy": its time
// per iteration divided by the time of one memcpy of the image's 8.3 MB. The
// baseline is measured at start and again by BM_Memcpy, which runs first and
// then becomes the baseline of the patterns after it.

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

namespace {

using bench::Clock;
using bench::seconds_since;

constexpr int kId = 1;
constexpr int kGraphId = 2;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr std::size_t kBytes = std::size_t(kWidth) * kHeight * 4;

void BM_Memcpy(benchmark::State& state) {
  bench::memcpy_benchmark(state, kBytes);
}

struct Pattern {
  const char* name;
  void (*paint)();
};
constexpr Pattern kPatterns[] = {
    {"RGB", ORV_TestPatternRgb}, {"HSV", ORV_TestPatternHsv}, {"YCrCb", ORV_TestPatternYCrCb},
    {"Yuv", ORV_TestPatternYuv}, {"YIQ", ORV_TestPatternYiq}, {"Grey", ORV_TestPatternGrey},
};

// Paints pattern range(0) over the image, which starts with a word no pattern
// writes in every pixel, so that a pattern that never reached it shows.
void BM_TestPattern(benchmark::State& state) {
  const Pattern& pattern = kPatterns[state.range(0)];
  state.SetLabel(pattern.name);
  ORV_SelectImage(kId);
  std::uint32_t* pixels = reinterpret_cast<std::uint32_t*>(orv::image_pixels(kId));
  std::fill(pixels, pixels + std::size_t(kWidth) * kHeight, 0x7F000000u);
  auto start = Clock::now();
  for (auto _ : state) {
    pattern.paint();
    benchmark::ClobberMemory();
  }
  bench::report_ratio(state, seconds_since(start), kBytes);
  if (pixels[0] >> 24 != 0 || pixels[std::size_t(kWidth) * kHeight - 1] >> 24 != 0)
    state.SkipWithError("the pattern did not reach the image");
  ORV_RestoreImage();
}

// Area(CrCb)'s diagram of the whole image: the RGB pattern's 1920 x 1080
// colours plotted into a 256 x 256 graph, each row joined by lines.
void BM_AreaCrCb(benchmark::State& state) {
  ORV_SelectImage(kId);
  ORV_TestPatternRgb();
  std::vector<int> samples(std::size_t(kWidth) * kHeight);
  ORV_GetRect(samples.data(), 0, 0, kWidth, kHeight);
  if (ORV_CreateImageFL(kGraphId, "CrCb", 0, 0, 256, 256, 100) != 0) {
    state.SkipWithError("the graph could not be made");
    return;
  }
  auto start = Clock::now();
  for (auto _ : state) {
    PlotCrCbArea(kHeight, samples.data(), kWidth);
    benchmark::ClobberMemory();
  }
  bench::report_ratio(state, seconds_since(start), kBytes);
  ORV_DestroyImage(kGraphId);
}

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TestPattern)->ArgName("pattern")->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AreaCrCb)->Unit(benchmark::kMillisecond);

}  // namespace

const bench::ImageBenchSetup bench::kImageBench = {"colour_bench", "patterns", kId, kWidth,
                                                   kHeight};
