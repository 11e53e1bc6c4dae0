// Block copy and the two stretch modes on a 1920 x 1080 32-bit image.
//
// Every benchmark carries a counter "x_memcpy": its time per iteration
// divided by the time of one memcpy of the image's bytes, measured at start
// in the same run, so figures compare across machines.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/draw/dc.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr std::size_t kBytes = std::size_t(kWidth) * kHeight * 4;

double g_memcpy_seconds = 0;

// Median of repeated copies: one memcpy of the image's bytes.
double measure_memcpy() {
  std::vector<std::uint8_t> a(kBytes, 1), b(kBytes, 2);
  std::vector<double> times;
  for (int i = 0; i < 41; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    std::memcpy(b.data(), a.data(), kBytes);
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  std::nth_element(times.begin(), times.begin() + 20, times.end());
  return times[20];
}

using Clock = std::chrono::steady_clock;

// `start` is taken just before the timed loop.
void report_ratio(benchmark::State& state, Clock::time_point start) {
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  double iterations = double(std::max<benchmark::IterationCount>(1, state.iterations()));
  state.counters["x_memcpy"] = seconds / iterations / g_memcpy_seconds;
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kBytes));
}

// A test picture: a colour gradient with some texture.
std::unique_ptr<platform::Bitmap> picture(int w, int h) {
  auto b = platform::create_bitmap(w, h, 32);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      b->row32(y)[x] = (std::uint32_t(x * 255 / w) << 16) | (std::uint32_t(y * 255 / h) << 8) |
                       std::uint32_t((x ^ y) & 0xFF);
    }
  }
  return b;
}

void BM_Memcpy(benchmark::State& state) {
  std::vector<std::uint8_t> a(kBytes, 1), b(kBytes, 2);
  auto start = Clock::now();
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), kBytes);
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
  report_ratio(state, start);
}

void BM_BlockCopy(benchmark::State& state) {
  auto src = picture(kWidth, kHeight);
  auto dst = platform::create_bitmap(kWidth, kHeight, 32);
  platform::Dc s = platform::create_memory_dc(), d = platform::create_memory_dc();
  platform::select_bitmap(s, src.get());
  platform::select_bitmap(d, dst.get());
  auto start = Clock::now();
  for (auto _ : state) {
    platform::block_copy(d, 0, 0, kWidth, kHeight, s, 0, 0);
    benchmark::ClobberMemory();
  }
  report_ratio(state, start);
  platform::delete_dc(s);
  platform::delete_dc(d);
}

// Stretches the whole image to range(0) x range(1) in mode range(2).
void BM_Stretch(benchmark::State& state) {
  int w = int(state.range(0)), h = int(state.range(1)), mode = int(state.range(2));
  auto src = picture(kWidth, kHeight);
  auto dst = platform::create_bitmap(w, h, 32);
  platform::Dc s = platform::create_memory_dc(), d = platform::create_memory_dc();
  platform::select_bitmap(s, src.get());
  platform::select_bitmap(d, dst.get());
  platform::set_stretch_mode(d, mode);
  auto start = Clock::now();
  for (auto _ : state) {
    platform::stretch_copy(d, 0, 0, w, h, s, 0, 0, kWidth, kHeight);
    benchmark::ClobberMemory();
  }
  report_ratio(state, start);
  platform::delete_dc(s);
  platform::delete_dc(d);
}

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlockCopy)->Unit(benchmark::kMillisecond);
// Zoom 100 (same size), 50, 66 and 125 in each mode.
BENCHMARK(BM_Stretch)
    ->ArgNames({"w", "h", "mode"})
    ->Args({1920, 1080, platform::kStretchColorOnColor})
    ->Args({960, 540, platform::kStretchColorOnColor})
    ->Args({1280, 720, platform::kStretchColorOnColor})
    ->Args({2400, 1350, platform::kStretchColorOnColor})
    ->Args({1920, 1080, platform::kStretchHalftone})
    ->Args({960, 540, platform::kStretchHalftone})
    ->Args({1280, 720, platform::kStretchHalftone})
    ->Args({2400, 1350, platform::kStretchHalftone})
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  g_memcpy_seconds = measure_memcpy();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
